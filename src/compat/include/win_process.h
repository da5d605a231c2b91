// kernel32, winmm and ole32: the process (its ids, module, end, heaps,
// environment block, sleeps and run-time libraries) and COM.
#pragma once

#include "win_types.h"

// Private heaps.
#define HEAP_ZERO_MEMORY 0x00000008

HANDLE WINAPI HeapCreate(DWORD options, size_t initialSize, size_t maximumSize);
BOOL WINAPI HeapDestroy(HANDLE heap);
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, size_t bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID memory);
HANDLE WINAPI GetProcessHeap(void);

// The process environment block, 8-bit and wide.
typedef CHAR *LPCH;
typedef WCHAR *LPWCH;

LPCH WINAPI GetEnvironmentStrings(void);
BOOL WINAPI FreeEnvironmentStringsA(LPCH block);
LPWCH WINAPI GetEnvironmentStringsW(void);
BOOL WINAPI FreeEnvironmentStringsW(LPWCH block);

// The calling process and thread, the process's own module, and its end.
DWORD WINAPI GetCurrentProcessId(void);
DWORD WINAPI GetCurrentThreadId(void);
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
[[noreturn]] void WINAPI ExitProcess(UINT exitCode);

// Sleeping, and the system timer resolution around it (winmm).
typedef UINT MMRESULT;
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

void WINAPI Sleep(DWORD milliseconds);
MMRESULT WINAPI timeBeginPeriod(UINT period);
MMRESULT WINAPI timeEndPeriod(UINT period);

// Libraries loaded at run time: "name.dll" is the shared library "name.so",
// its name matched without regard to ASCII case; a plain load looks beside
// the executable first, then in the system folder (one folder of the build).
// SetDefaultDllDirectories is not declared: a system may lack it, so it is
// reached through GetProcAddress on kernel32 only.
typedef INT_PTR(WINAPI *FARPROC)();

#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800

HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD flags);
UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
BOOL WINAPI FreeLibrary(HMODULE module);

// COM (ole32).
HRESULT WINAPI CoInitialize(LPVOID reserved);
