#include "update/url_transfer.h"

#include <new>

#include "update/download_watch.h"
#include "update/transfer_platform.h"
#include "update/transfer_verdict.h"

HRESULT TransferUrlToFile(decltype(&URLDownloadToFileA) download, const char *url, const char *target) {
  HRESULT result = E_OUTOFMEMORY;
  if (auto *watch = new (std::nothrow) DownloadWatch) {
    HRESULT transferred = RunDownload(download, url, target, *watch);
    result = TransferVerdict(watch->Report(transferred), target);
    watch->Release();
  }
  return result;
}
