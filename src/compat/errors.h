#pragma once

#include <windows.h>

#include <string>

// The Win32 error code that stands for a failed POSIX call's errno. For a
// missing name, `hostPath` (when given) tells ERROR_FILE_NOT_FOUND (its folder
// is there) from ERROR_PATH_NOT_FOUND (its folder is missing too), as Windows
// does.
DWORD Win32ErrorFromErrno(int error, const std::string &hostPath = "");

// Set the thread's last error and give the call's failure value.
BOOL Fail(DWORD error);
HANDLE FailToOpen(DWORD error);
BOOL FailWithErrno(const std::string &hostPath = "");
