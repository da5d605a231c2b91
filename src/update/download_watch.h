#pragma once

#include <chrono>
#include <string>

#include "base/win32.h"
#include "update/transfer_verdict.h"

// Watches one transfer of the download service as its bind status callback.
// It records the HTTP status, the bytes that came against those announced and
// when the server last gave a sign of life, and ends a transfer that stalls or
// is redirected where it must not go.
class DownloadWatch final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  DownloadWatch();

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
