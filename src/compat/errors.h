#pragma once

#include <windows.h>

#include <cerrno>
#include <string_view>

// The Win32 error code that stands for a failed POSIX call's errno. For a
// missing name, `hostPath` (when given) tells ERROR_FILE_NOT_FOUND (its folder
// is there) from ERROR_PATH_NOT_FOUND (its folder is missing too), as Windows
// does.
DWORD Win32ErrorFromErrno(int error, std::string_view hostPath = {});

// Sets the thread's last error and gives `failed`, the call's failure value.
template <typename Result = BOOL>
Result Fail(DWORD error, Result failed = Result()) {
  SetLastError(error);
  return failed;
}

// Fail with the code that stands for errno after a call on `hostPath`.
template <typename Result = BOOL>
Result FailWithErrno(std::string_view hostPath = {}, Result failed = Result()) {
  return Fail(Win32ErrorFromErrno(errno, hostPath), failed);
}
