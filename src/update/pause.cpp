#include "update/pause.h"

#include <windows.h>
// After <windows.h>, which MinGW's winmm header builds on.
#include <mmsystem.h>

void Pause(uint32_t milliseconds) {
  timeBeginPeriod(1);
  Sleep(milliseconds);
  timeEndPeriod(1);
}
