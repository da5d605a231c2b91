#pragma once

#include <windows.h>

// The Win32 error code that stands for a failed POSIX call's errno.
DWORD Win32ErrorFromErrno(int error);

// Sets the thread's last error from errno and returns FALSE, for failure paths.
BOOL FailWithErrno();
