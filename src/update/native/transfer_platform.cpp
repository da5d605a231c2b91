// The stand-in service keeps to the time limits itself and has no cache.
#include "update/transfer_platform.h"

#include "update/download_watch.h"

HRESULT RunDownload(decltype(&URLDownloadToFileA) download, const char *url, const char *target,
                    DownloadWatch &watch) {
  return download(nullptr, url, target, 0, &watch);
}

uint64_t CacheFileSize(const std::wstring &) { return 0; }

void ForgetCachedCopy(LPCWSTR) {}
