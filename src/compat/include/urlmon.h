// urlmon: the blocking download of a URL into a file. Natively the function
// lives in the shared library "urlmon.so" of the system folder, loaded at
// run time like its Windows counterpart; it reports the answer's status and
// progress to the bind status callback as urlmon does, and takes no caller.
#pragma once

#include "win_com.h"
#include "win_types.h"

#define INET_E_CANNOT_CONNECT ((HRESULT)0x800C0004)
#define INET_E_RESOURCE_NOT_FOUND ((HRESULT)0x800C0005)
#define INET_E_DOWNLOAD_FAILURE ((HRESULT)0x800C0008)
#define INET_E_CONNECTION_TIMEOUT ((HRESULT)0x800C000B)
#define INET_E_UNKNOWN_PROTOCOL ((HRESULT)0x800C000D)
#define INET_E_REDIRECT_FAILED ((HRESULT)0x800C0014)

extern "C" HRESULT WINAPI URLDownloadToFileA(LPUNKNOWN caller, LPCSTR url, LPCSTR fileName, DWORD reserved,
                                             LPBINDSTATUSCALLBACK callback);
