#include "update/native/stall_watchdog.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Passes each call of the service on to the watch under `lock`.
class LockedCallback final : public IBindStatusCallback, public IHttpNegotiate {
 public:
  LockedCallback(DownloadWatch &watch, std::mutex &lock) : watch_(watch), lock_(lock) {}

  STDMETHODIMP QueryInterface(REFIID iid, void **object) override {
    return QueryCallbackInterface(this, iid, object);
  }
  // Lives on the download's stack; the count only balances the service's.
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override { return --references_; }

  STDMETHODIMP OnStartBinding(DWORD reserved, IBinding *binding) override {
    return Forward(&DownloadWatch::OnStartBinding, reserved, binding);
  }
  STDMETHODIMP GetPriority(LONG *priority) override { return Forward(&DownloadWatch::GetPriority, priority); }
  STDMETHODIMP OnLowResource(DWORD reserved) override {
    return Forward(&DownloadWatch::OnLowResource, reserved);
  }
  STDMETHODIMP OnProgress(ULONG progress, ULONG progressMax, ULONG statusCode, LPCWSTR statusText) override {
    return Forward(&DownloadWatch::OnProgress, progress, progressMax, statusCode, statusText);
  }
  STDMETHODIMP OnStopBinding(HRESULT result, LPCWSTR error) override {
    return Forward(&DownloadWatch::OnStopBinding, result, error);
  }
  STDMETHODIMP GetBindInfo(DWORD *bindFlags, BINDINFO *bindInfo) override {
    return Forward(&DownloadWatch::GetBindInfo, bindFlags, bindInfo);
  }
  STDMETHODIMP OnDataAvailable(DWORD flags, DWORD size, FORMATETC *format, STGMEDIUM *medium) override {
    return Forward(&DownloadWatch::OnDataAvailable, flags, size, format, medium);
  }
  STDMETHODIMP OnObjectAvailable(REFIID iid, IUnknown *object) override {
    return Forward(&DownloadWatch::OnObjectAvailable, iid, object);
  }
  STDMETHODIMP BeginningTransaction(LPCWSTR url, LPCWSTR headers, DWORD reserved,
                                    LPWSTR *additionalHeaders) override {
    return Forward(&DownloadWatch::BeginningTransaction, url, headers, reserved, additionalHeaders);
  }
  STDMETHODIMP OnResponse(DWORD statusCode, LPCWSTR responseHeaders, LPCWSTR requestHeaders,
                          LPWSTR *additionalRequestHeaders) override {
    return Forward(&DownloadWatch::OnResponse, statusCode, responseHeaders, requestHeaders,
                   additionalRequestHeaders);
  }

 private:
  template <typename Method, typename... Arguments>
  HRESULT Forward(Method method, Arguments... arguments) {
    std::lock_guard<std::mutex> hold(lock_);
    return (watch_.*method)(arguments...);
  }

  DownloadWatch &watch_;
  std::mutex &lock_;
  ULONG references_ = 1;
};

// Has the watch check for a stall about once a second, under `lock`, for as
// long as it lives.
class Ticker {
 public:
  Ticker(DownloadWatch &watch, std::mutex &lock) : watch_(watch), lock_(lock), thread_(&Ticker::Run, this) {}
  ~Ticker() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      stop_ = true;
    }
    stopping_.notify_one();
    thread_.join();
  }
  Ticker(const Ticker &) = delete;
  Ticker &operator=(const Ticker &) = delete;

 private:
  void Run() {
    std::unique_lock<std::mutex> hold(lock_);
    while (!stopping_.wait_for(hold, std::chrono::seconds(1), [this] { return stop_; }))
      watch_.CheckForStall();
  }

  DownloadWatch &watch_;
  std::mutex &lock_;
  std::condition_variable stopping_;
  bool stop_ = false;
  std::thread thread_;  // last: it starts once the rest is ready
};

}  // namespace

HRESULT DownloadWatchedForStalls(decltype(&URLDownloadToFileA) download, const char *url, const char *target,
                                 DownloadWatch &watch) {
  std::mutex lock;
  LockedCallback callback(watch, lock);
  Ticker ticker(watch, lock);
  return download(nullptr, url, target, 0, &callback);
}
