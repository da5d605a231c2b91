#pragma once

#include <cstdint>
#include <string>

#include "base/win32.h"

class DownloadWatch;

// What each platform's build adds around the download service; the file for
// the platform is chosen by the build.

// One call of the service's `download` with `watch` as its bind status
// callback; the service's own result.
HRESULT RunDownload(decltype(&URLDownloadToFileA) download, const char *url, const char *target,
                    DownloadWatch &watch);

// The size of the cache file the service fills, or 0 when there is none.
uint64_t CacheFileSize(const std::wstring &cacheFile);

// Drops the service's cached copy of `url`, so that no stale copy is taken.
void ForgetCachedCopy(LPCWSTR url);
