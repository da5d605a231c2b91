#pragma once

// The Win32 headers the product uses, in the order they need: <windows.h>
// first, since MinGW's other headers build on it. Include this one instead.
// clang-format off
#include <windows.h>
#include <bcrypt.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#include <urlmon.h>
#ifdef _WIN32
// Only the Windows transfer uses WinINet; the stand-in has none.
#include <wininet.h>
#endif
// clang-format on
