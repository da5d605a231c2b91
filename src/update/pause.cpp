#include "update/pause.h"

#include "base/win32.h"
#include "update/dynamic_library.h"

void Pause(uint32_t milliseconds) {
  // winmm is loaded from the system folder on the first pause, never imported.
  auto begin = SystemLibraryFunction<decltype(timeBeginPeriod)>(kTimerLibrary, "timeBeginPeriod");
  auto end = SystemLibraryFunction<decltype(timeEndPeriod)>(kTimerLibrary, "timeEndPeriod");
  // Without the timer library the sleep is only coarser.
  bool raised = begin != nullptr && end != nullptr && begin(1) == TIMERR_NOERROR;
  Sleep(milliseconds);
  if (raised) end(1);
}
