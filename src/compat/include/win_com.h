// The few COM interfaces the download service talks through: IUnknown, and
// urlmon's binding, bind status callback and HTTP negotiation, laid out as
// the Windows headers lay them out so that one callback class builds in both.
#pragma once

#include "win_types.h"

#define STDMETHODCALLTYPE
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE

#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_ABORT ((HRESULT)0x80004004)

typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID, IID, CLSID;
typedef const IID &REFIID;

inline bool operator==(REFIID a, REFIID b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
inline bool operator!=(REFIID a, REFIID b) { return !(a == b); }

extern const IID IID_IUnknown;
extern const IID IID_IBinding;
extern const IID IID_IBindStatusCallback;
extern const IID IID_IHttpNegotiate;

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
typedef IUnknown *LPUNKNOWN;

// What the callback may be asked for; the stand-in's service asks for none of it.
struct FORMATETC;
struct STGMEDIUM;
typedef struct _tagBINDINFO {
  ULONG cbSize;
} BINDINFO;

struct IBinding : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Abort() = 0;
  virtual HRESULT STDMETHODCALLTYPE Suspend() = 0;
  virtual HRESULT STDMETHODCALLTYPE Resume() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPriority(LONG priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPriority(LONG *priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBindResult(CLSID *clsidProtocol, DWORD *result, LPWSTR *result_text,
                                                  DWORD *reserved) = 0;
};

enum BINDSTATUS {
  BINDSTATUS_FINDINGRESOURCE = 1,
  BINDSTATUS_CONNECTING = 2,
  BINDSTATUS_REDIRECTING = 3,
  BINDSTATUS_BEGINDOWNLOADDATA = 4,
  BINDSTATUS_DOWNLOADINGDATA = 5,
  BINDSTATUS_ENDDOWNLOADDATA = 6,
  BINDSTATUS_SENDINGREQUEST = 11,
  BINDSTATUS_MIMETYPEAVAILABLE = 13,
  BINDSTATUS_CACHEFILENAMEAVAILABLE = 14,
};

#define BINDF_GETNEWESTVERSION 0x00000010
#define BINDF_PRAGMA_NO_CACHE 0x00002000

struct IBindStatusCallback : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding *binding) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPriority(LONG *priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                               LPCWSTR statusText) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD *bindFlags, BINDINFO *bindInfo) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC *format,
                                                    STGMEDIUM *medium) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown *object) = 0;
};
typedef IBindStatusCallback *LPBINDSTATUSCALLBACK;

struct IHttpNegotiate : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                                         LPWSTR *additionalHeaders) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnResponse(DWORD statusCode, LPCWSTR responseHeaders,
                                               LPCWSTR requestHeaders, LPWSTR *additionalRequestHeaders) = 0;
};
