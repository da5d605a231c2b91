// The stand-in for urlmon's URLDownloadToFileA: a blocking HTTP GET whose
// body replaces the target file once the answer has come, reported to the
// bind status callback as urlmon reports it. Judging the answer is left to
// the caller, as with urlmon.
#include <curl/curl.h>
#include <urlmon.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "drive_paths.h"
#include "http_fetch.h"
#include "part_file.h"

namespace {

// A target that Windows would refuse to write (read-only, held without
// sharing, a folder) fails before anything is fetched.
HRESULT CheckTargetWritable(LPCSTR fileName) {
  HANDLE probe = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    return S_OK;
  }
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
}

// The binding handed to the callback: its Abort, from any thread, ends the
// transfer at the next progress check (at least once a second).
class Binding final : public IBinding {
 public:
  std::atomic<bool> abortRequested{false};

  STDMETHODIMP QueryInterface(REFIID iid, void **object) override {
    if (iid == IID_IUnknown || iid == IID_IBinding) {
      *object = static_cast<IBinding *>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // Lives on the download's stack; the count only balances the callback's.
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override { return --references_; }
  STDMETHODIMP Abort() override {
    abortRequested = true;
    return S_OK;
  }
  STDMETHODIMP Suspend() override { return E_NOTIMPL; }
  STDMETHODIMP Resume() override { return E_NOTIMPL; }
  STDMETHODIMP SetPriority(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP GetPriority(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP GetBindResult(CLSID *, DWORD *, LPWSTR *, DWORD *) override { return E_NOTIMPL; }

 private:
  ULONG references_ = 1;
};

HRESULT Download(LPCSTR url, LPCSTR fileName, const BindReporting &reporting) {
  HRESULT status = CheckTargetWritable(fileName);
  if (status != S_OK) return status;
  std::string hostTarget = HostPath(fileName);
  RemoveLeftoverParts(hostTarget);
  PartFile part(hostTarget);
  status = part.Open();
  if (status == S_OK) status = FetchInto(url, part.Descriptor(), reporting);
  if (status == S_OK) status = part.Commit();
  return status;
}

bool curlReady = false;

// libcurl is set up once and released with the library, so that nothing of
// it is left behind when the program frees the library.
__attribute__((destructor)) void ReleaseCurl() {
  if (curlReady) curl_global_cleanup();
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT WINAPI
URLDownloadToFileA(LPUNKNOWN, LPCSTR url, LPCSTR fileName, DWORD, LPBINDSTATUSCALLBACK callback) {
  if (url == nullptr || fileName == nullptr) return E_INVALIDARG;
  if (!curlReady && curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return E_OUTOFMEMORY;
  curlReady = true;

  Binding binding;
  BindReporting reporting;
  reporting.abortRequested = &binding.abortRequested;
  if (callback != nullptr) {
    reporting.callback = callback;
    callback->AddRef();
    void *negotiate = nullptr;
    if (SUCCEEDED(callback->QueryInterface(IID_IHttpNegotiate, &negotiate)))
      reporting.negotiate = static_cast<IHttpNegotiate *>(negotiate);
    callback->OnStartBinding(0, &binding);
    BINDINFO bindInfo = {sizeof bindInfo};
    callback->GetBindInfo(&reporting.bindFlags, &bindInfo);
    if (reporting.negotiate != nullptr) {
      LPWSTR extraHeaders = nullptr;
      reporting.negotiate->BeginningTransaction(Widened(url).c_str(), nullptr, 0, &extraHeaders);
    }
  }
  HRESULT status = Download(url, fileName, reporting);
  if (callback != nullptr) {
    callback->OnStopBinding(status, nullptr);
    if (reporting.negotiate != nullptr) reporting.negotiate->Release();
    callback->Release();
  }
  return status;
}
