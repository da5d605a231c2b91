#pragma once

#include <chrono>
#include <string>

#include "base/win32.h"
#include "update/transfer_verdict.h"

// Answers for IUnknown, IBindStatusCallback and IHttpNegotiate of
// `callback`, as the download service asks a bind status callback for them.
template <typename Callback>
HRESULT QueryCallbackInterface(Callback *callback, REFIID iid, void **object) {
  if (iid == IID_IUnknown || iid == IID_IBindStatusCallback) {
    *object = static_cast<IBindStatusCallback *>(callback);
  } else if (iid == IID_IHttpNegotiate) {
    *object = static_cast<IHttpNegotiate *>(callback);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  callback->AddRef();
  return S_OK;
}

// Watches one transfer of the download service as its bind status callback.
// It records the HTTP status, the bytes that came against those announced and
// when the server last gave a sign of life, and ends a transfer that stalls or
// is redirected where it must not go.
class DownloadWatch final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  // Where the watch takes the time from; tests set their own.
  using Clock = std::chrono::steady_clock::time_point (*)();

  explicit DownloadWatch(Clock clock = std::chrono::steady_clock::now);

  // About once a second, on the transfer's thread: after the stall limit
  // without a sign of life the transfer is aborted.
  void CheckForStall();

  // What the transfer, which returned `serviceResult`, showed.
  TransferReport Report(HRESULT serviceResult) const;

  STDMETHODIMP QueryInterface(REFIID iid, void **object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  STDMETHODIMP OnStartBinding(DWORD reserved, IBinding *binding) override;
  STDMETHODIMP GetPriority(LONG *priority) override;
  STDMETHODIMP OnLowResource(DWORD reserved) override;
  STDMETHODIMP OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR statusText) override;
  STDMETHODIMP OnStopBinding(HRESULT result, LPCWSTR error) override;
  STDMETHODIMP GetBindInfo(DWORD *bindFlags, BINDINFO *bindInfo) override;
  STDMETHODIMP OnDataAvailable(DWORD flags, DWORD size, FORMATETC *format, STGMEDIUM *medium) override;
  STDMETHODIMP OnObjectAvailable(REFIID iid, IUnknown *object) override;

  STDMETHODIMP BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                    LPWSTR *additionalHeaders) override;
  STDMETHODIMP OnResponse(DWORD statusCode, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                          LPWSTR *additionalRequestHeaders) override;

 private:
  ~DownloadWatch() = default;
  void NoteSignOfLife();

  Clock clock_;
  ULONG references_ = 1;
  IBinding *binding_ = nullptr;
  HRESULT abandoned_ = S_OK;  // why this side ended the transfer, if it did
  DWORD httpStatus_ = 0;
  bool ended_ = false;
  ULONG received_ = 0;
  ULONG announced_ = 0;
  int redirects_ = 0;
  std::wstring cacheFile_;
  uint64_t cacheFileSize_ = 0;
  std::chrono::steady_clock::time_point lastSignOfLife_;
};
