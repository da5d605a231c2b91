#include "update/download_file.h"

#include <windows.h>
// After <windows.h>, which MinGW's urlmon header builds on.
#include <urlmon.h>

#include "update/dynamic_library.h"
#include "update/pause.h"
#include "update/url_transfer.h"

int32_t DownloadFile(const char *url, const char *target) {
  int32_t result = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
  if (LoadDynamicLibrary(kDownloadLibrary, "urlMON.dll") != 0) {
    auto download = reinterpret_cast<decltype(&URLDownloadToFileA)>(
        FindDynamicFunction(kDownloadLibrary, "URLDownloadToFileA"));
    result = download != nullptr ? TransferUrlToFile(download, url, target)
                                 : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  }
  Pause(1000);
  return result;
}
