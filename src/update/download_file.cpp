#include "update/download_file.h"

#include <new>

#include "base/win32.h"
#include "update/download_watch.h"
#include "update/dynamic_library.h"
#include "update/pause.h"
#include "update/transfer_platform.h"
#include "update/transfer_verdict.h"

namespace {

// One transfer of `url` into `target` through the download service's
// URLDownloadToFileA, judged by TransferVerdict. S_OK only when the whole
// executable lies at the target.
HRESULT TransferUrlToFile(decltype(&URLDownloadToFileA) download, const char *url, const char *target) {
  HRESULT result = E_OUTOFMEMORY;
  if (auto *watch = new (std::nothrow) DownloadWatch) {
    HRESULT transferred = RunDownload(download, url, target, *watch);
    result = TransferVerdict(watch->Report(transferred), target);
    watch->Release();
  }
  return result;
}

// Also a read-only file: it is the download's own name in TEMP, and a file
// left there could still be taken for the download by a later step.
void RemoveTarget(const char *target) {
  if (target == nullptr || DeleteFileA(target)) return;
  DWORD attributes = GetFileAttributesA(target);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) return;
  SetFileAttributesA(target, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  DeleteFileA(target);
}

}  // namespace

int32_t DownloadFile(const char *url, const char *target) {
  int32_t result = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  if (LoadDynamicLibrary(kDownloadLibrary, "urlMON.dll") != 0) {
    auto download = reinterpret_cast<decltype(&URLDownloadToFileA)>(
        FindDynamicFunction(kDownloadLibrary, "URLDownloadToFileA"));
    result = download != nullptr ? TransferUrlToFile(download, url, target)
                                 : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  }
  // Whatever the service wrote (an error page, a cut-short body, the wrong
  // file) or an earlier run left there must not be copied over the program.
  if (result != 0) RemoveTarget(target);
  Pause(1000);
  return result;
}
