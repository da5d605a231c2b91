#include "update/download_watch.h"

#include "portable/ascii_names.h"
#include "update/download_limits.h"
#include "update/transfer_platform.h"

namespace {

bool RedirectAllowed(LPCWSTR location) {
  return location != nullptr && (StartsWithIgnoringAsciiCase(std::wstring_view(location), "http://") ||
                                 StartsWithIgnoringAsciiCase(std::wstring_view(location), "https://"));
}

}  // namespace

DownloadWatch::DownloadWatch(Clock clock) : clock_(clock), lastSignOfLife_(clock()) {}

void DownloadWatch::CheckForStall() {
  if (binding_ == nullptr || abandoned_ != S_OK) return;
  // The service reports progress only now and then while data flows; the
  // cache file it fills grows all the time.
  uint64_t size = CacheFileSize(cacheFile_);
  if (size != cacheFileSize_) {
    cacheFileSize_ = size;
    NoteSignOfLife();
  }
  if (clock_() - lastSignOfLife_ < std::chrono::seconds(kStallLimitSeconds)) return;
  abandoned_ = INET_E_CONNECTION_TIMEOUT;
  binding_->Abort();
}

TransferReport DownloadWatch::Report(HRESULT serviceResult) const {
  TransferReport report;
  report.serviceResult = serviceResult;
  report.abandoned = abandoned_;
  report.httpStatus = httpStatus_;
  report.ended = ended_;
  report.received = received_;
  report.announced = announced_;
  return report;
}

STDMETHODIMP DownloadWatch::QueryInterface(REFIID iid, void **object) {
  return QueryCallbackInterface(this, iid, object);
}

STDMETHODIMP_(ULONG) DownloadWatch::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) DownloadWatch::Release() {
  ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

STDMETHODIMP DownloadWatch::OnStartBinding(DWORD, IBinding *binding) {
  binding_ = binding;
  if (binding_ != nullptr) binding_->AddRef();
  NoteSignOfLife();
  return S_OK;
}

STDMETHODIMP DownloadWatch::GetPriority(LONG *) { return E_NOTIMPL; }

STDMETHODIMP DownloadWatch::OnLowResource(DWORD) { return S_OK; }

STDMETHODIMP DownloadWatch::OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode,
                                       LPCWSTR statusText) {
  NoteSignOfLife();
  switch (statusCode) {
    case BINDSTATUS_CACHEFILENAMEAVAILABLE:
      if (statusText != nullptr) cacheFile_ = statusText;
      break;
    case BINDSTATUS_ENDDOWNLOADDATA:
      ended_ = true;
      received_ = progress;
      announced_ = progressMax;
      break;
    case BINDSTATUS_REDIRECTING:
      // Windows reports redirects here; Wine's service follows them unseen.
      if (++redirects_ > kRedirectLimit || !RedirectAllowed(statusText)) {
        abandoned_ = INET_E_REDIRECT_FAILED;
        return E_ABORT;
      }
      ForgetCachedCopy(statusText);
      break;
    default:
      break;
  }
  return S_OK;
}

STDMETHODIMP DownloadWatch::OnStopBinding(HRESULT, LPCWSTR) {
  if (binding_ != nullptr) binding_->Release();
  binding_ = nullptr;
  return S_OK;
}

STDMETHODIMP DownloadWatch::GetBindInfo(DWORD *bindFlags, BINDINFO *) {
  // Caching proxies on the way are asked for a fresh copy too.
  *bindFlags = BINDF_GETNEWESTVERSION | BINDF_PRAGMA_NO_CACHE;
  return S_OK;
}

STDMETHODIMP DownloadWatch::OnDataAvailable(DWORD, DWORD, FORMATETC *, STGMEDIUM *) { return S_OK; }

STDMETHODIMP DownloadWatch::OnObjectAvailable(REFIID, IUnknown *) { return S_OK; }

STDMETHODIMP DownloadWatch::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR *additionalHeaders) {
  *additionalHeaders = nullptr;
  NoteSignOfLife();
  return S_OK;
}

STDMETHODIMP DownloadWatch::OnResponse(DWORD statusCode, LPCWSTR, LPCWSTR, LPWSTR *additionalRequestHeaders) {
  if (additionalRequestHeaders != nullptr) *additionalRequestHeaders = nullptr;
  httpStatus_ = statusCode;
  NoteSignOfLife();
  // Windows may stop here; Wine goes on and writes the page all the same.
  return IsSuccessStatus(statusCode) ? S_OK : E_ABORT;
}

void DownloadWatch::NoteSignOfLife() { lastSignOfLife_ = clock_(); }
