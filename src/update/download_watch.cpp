#ifdef _WIN32
#include "update/download_watch.h"

#include <wininet.h>

#include "base/download_limits.h"

namespace {

bool IsSuccessStatus(DWORD status) { return status >= 200 && status <= 299; }

}  // namespace

void DownloadWatch::CheckForStall() {
  if (binding_ == nullptr || abandoned_ != S_OK) return;
  // The service reports progress only now and then while data flows; the
  // cache file it fills grows all the time.
  ULONGLONG size = CacheFileSize();
  if (size != cacheFileSize_) {
    cacheFileSize_ = size;
    NoteSignOfLife();
  }
  if (GetTickCount64() - lastSignOfLife_ < kStallLimitSeconds * 1000ull) return;
  abandoned_ = INET_E_CONNECTION_TIMEOUT;
  binding_->Abort();
}

HRESULT DownloadWatch::Verdict(HRESULT transferResult, const char *target) const {
  if (abandoned_ != S_OK) return abandoned_;
  // Wine's service reports success for error pages and cut-short bodies, and
  // even when it wrote nothing at all.
  if (httpStatus_ != 0 && !IsSuccessStatus(httpStatus_)) return INET_E_DOWNLOAD_FAILURE;
  if (transferResult != S_OK) return transferResult;
  if (httpStatus_ == 0 || !ended_ || (announced_ != 0 && received_ != announced_))
    return INET_E_DOWNLOAD_FAILURE;
  WIN32_FILE_ATTRIBUTE_DATA file;
  if (!GetFileAttributesExA(target, GetFileExInfoStandard, &file) ||
      (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || file.nFileSizeLow != received_)
    return INET_E_DOWNLOAD_FAILURE;
  return S_OK;
}

STDMETHODIMP DownloadWatch::QueryInterface(REFIID iid, void **object) {
  if (iid == IID_IUnknown || iid == IID_IBindStatusCallback) {
    *object = static_cast<IBindStatusCallback *>(this);
  } else if (iid == IID_IHttpNegotiate) {
    *object = static_cast<IHttpNegotiate *>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
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
      DeleteUrlCacheEntryW(statusText);
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
  *bindFlags = BINDF_GETNEWESTVERSION;
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

void DownloadWatch::NoteSignOfLife() { lastSignOfLife_ = GetTickCount64(); }

ULONGLONG DownloadWatch::CacheFileSize() const {
  WIN32_FILE_ATTRIBUTE_DATA file;
  if (cacheFile_.empty() || !GetFileAttributesExW(cacheFile_.c_str(), GetFileExInfoStandard, &file)) return 0;
  return (static_cast<ULONGLONG>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
}

bool DownloadWatch::RedirectAllowed(LPCWSTR location) const {
  return location != nullptr &&
         (_wcsnicmp(location, L"http://", 7) == 0 || _wcsnicmp(location, L"https://", 8) == 0);
}
#endif
