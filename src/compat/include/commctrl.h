// comctl32: the common controls the services use.
#pragma once

#include <windows.h>

typedef struct tagINITCOMMONCONTROLSEX {
  DWORD dwSize;
  DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX *init);

#define PROGRESS_CLASSA "msctls_progress32"

typedef struct {
  int iLow;
  int iHigh;
} PBRANGE, *PPBRANGE;

#define PBM_SETPOS (WM_USER + 2)
#define PBM_SETRANGE32 (WM_USER + 6)
#define PBM_GETRANGE (WM_USER + 7)
#define PBM_GETPOS (WM_USER + 8)
