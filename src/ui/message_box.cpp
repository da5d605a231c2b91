#include "ui/message_box.h"

#include <windows.h>

#include "ui/held_windows.h"

namespace {

HWND OwnForegroundWindow() {
  HWND foreground = GetForegroundWindow();
  DWORD process = 0;
  if (foreground == nullptr || GetWindowThreadProcessId(foreground, &process) == 0) return nullptr;
  return process == GetCurrentProcessId() ? foreground : nullptr;
}

}  // namespace

int32_t ShowMessage(const char *title, const char *text, uint32_t flags) {
  HoldThreadWindows();
  int32_t pressed = MessageBoxA(OwnForegroundWindow(), text, title, flags);
  ReleaseThreadWindows();
  return pressed;
}
