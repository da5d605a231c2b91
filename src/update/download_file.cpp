#include "update/download_file.h"

#include <new>

#include "base/win32.h"
#include "fs/file_queries.h"
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

}  // namespace

int32_t DownloadFile(const char *url, const char *target) {
  int32_t result = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  if (LoadDynamicLibrary(kDownloadLibrary, kSystemLibraryFiles[kDownloadLibrary]) != 0) {
    auto download = reinterpret_cast<decltype(&URLDownloadToFileA)>(
        FindDynamicFunction(kDownloadLibrary, "URLDownloadToFileA"));
    result = download != nullptr ? TransferUrlToFile(download, url, target)
                                 : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  }
  // Whatever the service wrote (an error page, a cut-short body, the wrong
  // file) or an earlier run left there, read-only or not, must not be copied
  // over the program.
  if (result != 0 && target != nullptr) DeleteEvenIfReadOnly(target);
  Pause(1000);
  return result;
}
