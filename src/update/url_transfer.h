#pragma once

#include <windows.h>
// After <windows.h>, which MinGW's urlmon header builds on.
#include <urlmon.h>

// One transfer of `url` into `target` through the download service's
// URLDownloadToFileA, judged by TransferVerdict. S_OK only when the whole
// executable lies at the target.
HRESULT TransferUrlToFile(decltype(&URLDownloadToFileA) download, const char *url, const char *target);
