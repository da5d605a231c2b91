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

// The process environment block and upper-casing in the system code page.
typedef CHAR *LPCH;

LPCH WINAPI GetEnvironmentStrings(void);
BOOL WINAPI FreeEnvironmentStringsA(LPCH block);
LPSTR WINAPI CharUpperA(LPSTR text);

// The calling process and thread.
DWORD WINAPI GetCurrentProcessId(void);
DWORD WINAPI GetCurrentThreadId(void);
