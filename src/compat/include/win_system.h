// kernel32 process services (time, libraries, heaps, environment), winmm, ole32.
#pragma once

#include "win_types.h"

// Private heaps.
#define HEAP_ZERO_MEMORY 0x00000008

HANDLE WINAPI HeapCreate(DWORD options, size_t initialSize, size_t maximumSize);
BOOL WINAPI HeapDestroy(HANDLE heap);
LPVOID WINAPI HeapAlloc(HANDLE heap, DWORD flags, size_t bytes);
BOOL WINAPI HeapFree(HANDLE heap, DWORD flags, LPVOID memory);
HANDLE WINAPI GetProcessHeap(void);

// The process environment block, 8-bit and wide, and upper-casing in the
// system code page.
typedef CHAR *LPCH;
typedef WCHAR *LPWCH;

LPCH WINAPI GetEnvironmentStrings(void);
BOOL WINAPI FreeEnvironmentStringsA(LPCH block);
LPWCH WINAPI GetEnvironmentStringsW(void);
BOOL WINAPI FreeEnvironmentStringsW(LPWCH block);
LPSTR WINAPI CharUpperA(LPSTR text);

// Text between the system code page or UTF-8 and wide text.
typedef const CHAR *LPCCH;
typedef const WCHAR *LPCWCH;
typedef BOOL *LPBOOL;
#define CP_ACP 0
#define CP_UTF8 65001

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH text, int length, LPWSTR wide, int wideSize);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int length, LPSTR text, int size,
                               LPCCH defaultChar, LPBOOL usedDefaultChar);

// The calling process and thread.
DWORD WINAPI GetCurrentProcessId(void);
DWORD WINAPI GetCurrentThreadId(void);

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
