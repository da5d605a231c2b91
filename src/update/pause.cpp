#include "update/pause.h"

#include "base/win32.h"
#include "update/dynamic_library.h"

namespace {

// winmm is loaded from the system folder on the first pause, never imported.
template <typename Function>
Function *TimerFunction(const char *name) {
  return reinterpret_cast<Function *>(SystemFunction(kTimerLibrary, "WINMM.dll", name));
}

}  // namespace

void Pause(uint32_t milliseconds) {
  auto begin = TimerFunction<decltype(timeBeginPeriod)>("timeBeginPeriod");
  auto end = TimerFunction<decltype(timeEndPeriod)>("timeEndPeriod");
  // Without the timer library the sleep is only coarser.
  bool raised = begin != nullptr && end != nullptr && begin(1) == TIMERR_NOERROR;
  Sleep(milliseconds);
  if (raised) end(1);
}
