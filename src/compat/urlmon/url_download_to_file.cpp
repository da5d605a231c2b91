// The stand-in for urlmon's URLDownloadToFileA: a blocking HTTP GET whose
// body replaces the target file once it has come whole.
#include <curl/curl.h>
#include <urlmon.h>
#include <windows.h>

#include "drive_paths.h"
#include "http_fetch.h"
#include "part_file.h"

namespace {

// A target that Windows would refuse to write (read-only, held without
// sharing, a folder) fails before anything is fetched.
HRESULT CheckTargetWritable(LPCSTR fileName) {
  HANDLE probe = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    return S_OK;
  }
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
}

bool curlReady = false;

// libcurl is set up once and released with the library, so that nothing of
// it is left behind when the program frees the library.
__attribute__((destructor)) void ReleaseCurl() {
  if (curlReady) curl_global_cleanup();
}

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT WINAPI URLDownloadToFileA(LPUNKNOWN, LPCSTR url,
                                                                                    LPCSTR fileName, DWORD,
                                                                                    LPBINDSTATUSCALLBACK) {
  if (url == nullptr || fileName == nullptr) return E_INVALIDARG;
  if (!curlReady && curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) return E_OUTOFMEMORY;
  curlReady = true;
  HRESULT status = CheckTargetWritable(fileName);
  if (status != S_OK) return status;
  PartFile part(HostPath(fileName));
  status = part.Open();
  if (status == S_OK) status = FetchInto(url, part.Descriptor());
  if (status == S_OK) status = part.Commit();
  return status;
}
