// The stand-in service has no cache.
#include "update/transfer_platform.h"

#include "update/download_watch.h"
#include "update/native/stall_watchdog.h"

HRESULT RunDownload(decltype(&URLDownloadToFileA) download, const char *url, const char *target,
                    DownloadWatch &watch) {
  return DownloadWatchedForStalls(download, url, target, watch);
}

uint64_t CacheFileSize(const std::wstring &) { return 0; }

void ForgetCachedCopy(LPCWSTR) {}
