#include "update/transfer_platform.h"

#include "base/win32.h"
#include "update/download_limits.h"
#include "update/download_watch.h"
#include "update/dynamic_library.h"
#include "update/windows/stall_watchdog.h"

namespace {

// WinINet is loaded from the system folder when first needed, never imported.
template <typename Function>
Function *InternetFunction(const char *name) {
  return SystemLibraryFunction<Function>(kInternetLibrary, name);
}

// WinINet's own time-outs, for the whole process: Windows honours them, Wine
// accepts and ignores them (there the watchdog ends a stalled transfer).
void SetWinInetTimeLimits() {
  auto setOption = InternetFunction<decltype(InternetSetOptionA)>("InternetSetOptionA");
  if (setOption == nullptr) return;
  DWORD connect = kConnectTimeLimitSeconds * 1000;
  DWORD stall = kStallLimitSeconds * 1000;
  setOption(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  setOption(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, &stall, sizeof stall);
  setOption(nullptr, INTERNET_OPTION_SEND_TIMEOUT, &stall, sizeof stall);
}

}  // namespace

HRESULT RunDownload(decltype(&URLDownloadToFileA) download, const char *url, const char *target,
                    DownloadWatch &watch) {
  SetWinInetTimeLimits();
  // The WinINet cache could otherwise hand back an earlier copy of the file.
  auto forget = InternetFunction<decltype(DeleteUrlCacheEntryA)>("DeleteUrlCacheEntryA");
  if (url != nullptr && forget != nullptr) forget(url);
  StallWatchdog watchdog(watch);
  return download(nullptr, url, target, 0, &watch);
}

uint64_t CacheFileSize(const std::wstring &cacheFile) {
  WIN32_FILE_ATTRIBUTE_DATA file;
  if (cacheFile.empty() || !GetFileAttributesExW(cacheFile.c_str(), GetFileExInfoStandard, &file)) return 0;
  return (static_cast<uint64_t>(file.nFileSizeHigh) << 32) | file.nFileSizeLow;
}

void ForgetCachedCopy(LPCWSTR url) {
  auto forget = InternetFunction<decltype(DeleteUrlCacheEntryW)>("DeleteUrlCacheEntryW");
  if (url != nullptr && forget != nullptr) forget(url);
}
