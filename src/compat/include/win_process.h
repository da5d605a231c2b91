// kernel32 and ole32: the process's own module, its end, and COM.
#pragma once

#include "win_types.h"

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
[[noreturn]] void WINAPI ExitProcess(UINT exitCode);
HRESULT WINAPI CoInitialize(LPVOID reserved);
