// The error message box, and the holding of the thread's other windows while
// it is up.
#include "ui/message_box.h"

#include "base/process_heaps.h"
#include "base/win32.h"

namespace {

struct HeldWindow {
  DWORD thread;
  HWND window;
  bool wasTopmost;
  bool disabledHere;
  HeldWindow *next;
};

// One list for the process, newest entry first; each call touches only the
// entries of its own thread.
HeldWindow *heldWindows = nullptr;

// Without SWP_NOACTIVATE the platform would also activate each window it
// restacks, moving the foreground away from where the user left it.
constexpr UINT kRestackOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

BOOL CALLBACK HoldWindow(HWND window, LPARAM foreground) {
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId() || !IsWindowVisible(window))
    return TRUE;
  // A window whose entry cannot be stored is left exactly as it is.
  auto *held = static_cast<HeldWindow *>(HeapAlloc(MainHeap(), 0, sizeof(HeldWindow)));
  if (held == nullptr) return TRUE;
  *held = HeldWindow{GetCurrentThreadId(), window, false, false, heldWindows};
  heldWindows = held;
  held->wasTopmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (window != reinterpret_cast<HWND>(foreground) && IsWindowEnabled(window)) {
    held->disabledHere = true;
    EnableWindow(window, FALSE);
  }
  return TRUE;
}

HWND OwnForegroundWindow() {
  HWND foreground = GetForegroundWindow();
  DWORD process = 0;
  if (foreground == nullptr || GetWindowThreadProcessId(foreground, &process) == 0) return nullptr;
  return process == GetCurrentProcessId() ? foreground : nullptr;
}

}  // namespace

void HoldThreadWindows() {
  EnumWindows(HoldWindow, reinterpret_cast<LPARAM>(GetForegroundWindow()));
  // From the head, so that the lowered windows keep their order among themselves.
  for (HeldWindow *held = heldWindows; held != nullptr; held = held->next)
    if (held->thread == GetCurrentThreadId() && held->wasTopmost)
      SetWindowPos(held->window, HWND_NOTOPMOST, 0, 0, 0, 0, kRestackOnly);
}

void ReleaseThreadWindows() {
  HeldWindow **link = &heldWindows;
  while (*link != nullptr) {
    HeldWindow *held = *link;
    if (held->thread != GetCurrentThreadId()) {
      link = &held->next;
      continue;
    }
    if (held->disabledHere) EnableWindow(held->window, TRUE);
    if (held->wasTopmost) SetWindowPos(held->window, HWND_TOPMOST, 0, 0, 0, 0, kRestackOnly);
    *link = held->next;
    HeapFree(MainHeap(), 0, held);
  }
}

int32_t ShowMessage(const char *title, const char *text, uint32_t flags) {
  HoldThreadWindows();
  int32_t pressed = MessageBoxA(OwnForegroundWindow(), text, title, flags);
  ReleaseThreadWindows();
  return pressed;
}
