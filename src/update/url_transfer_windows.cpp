#ifdef _WIN32
#include <windows.h>
// After <windows.h>, which MinGW's WinINet header builds on.
#include <wininet.h>

#include <new>

#include "base/download_limits.h"
#include "update/download_watch.h"
#include "update/stall_watchdog.h"
#include "update/url_transfer.h"

namespace {

// WinINet's own time-outs, for the whole process: Windows honours them, Wine
// accepts and ignores them (there the watchdog ends a stalled transfer).
void SetWinInetTimeLimits() {
  DWORD connect = kConnectTimeLimitSeconds * 1000;
  DWORD stall = kStallLimitSeconds * 1000;
  InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  InternetSetOptionA(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, &stall, sizeof stall);
  InternetSetOptionA(nullptr, INTERNET_OPTION_SEND_TIMEOUT, &stall, sizeof stall);
}

struct FileState {
  bool exists = false;
  WIN32_FILE_ATTRIBUTE_DATA data = {};
};

FileState StateOf(const char *path) {
  FileState state;
  state.exists = path != nullptr && GetFileAttributesExA(path, GetFileExInfoStandard, &state.data);
  return state;
}

bool SameFile(const FileState &a, const FileState &b) {
  if (a.exists != b.exists) return false;
  return !a.exists ||
         (a.data.nFileSizeLow == b.data.nFileSizeLow && a.data.nFileSizeHigh == b.data.nFileSizeHigh &&
          CompareFileTime(&a.data.ftLastWriteTime, &b.data.ftLastWriteTime) == 0);
}

}  // namespace

HRESULT TransferUrlToFile(decltype(&URLDownloadToFileA) download, const char *url, const char *target) {
  SetWinInetTimeLimits();
  // The WinINet cache could otherwise hand back an earlier copy of the file.
  if (url != nullptr) DeleteUrlCacheEntryA(url);
  FileState before = StateOf(target);
  auto *watch = new (std::nothrow) DownloadWatch;
  if (watch == nullptr) return E_OUTOFMEMORY;
  HRESULT transferred;
  {
    StallWatchdog watchdog(*watch);
    transferred = download(nullptr, url, target, 0, watch);
  }
  HRESULT result = watch->Verdict(transferred, target);
  watch->Release();
  // Wine writes error pages and cut-short bodies to the target: a failed
  // answer must leave nothing there that could be copied over the program.
  if (result != S_OK && !SameFile(before, StateOf(target))) DeleteFileA(target);
  return result;
}
#endif
