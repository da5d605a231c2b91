#include "update/windows/stall_watchdog.h"

namespace {

constexpr char kWindowClass[] = "QuorvelStallWatchdog";
constexpr UINT kKnock = WM_APP + 1;
constexpr DWORD kKnockMilliseconds = 1000;

bool RegisterWindowClass(WNDPROC procedure) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

StallWatchdog::StallWatchdog(DownloadWatch &watch) : watch_(watch) {
  if (!RegisterWindowClass(WindowProcedure)) return;
  window_ = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  if (window_ == nullptr) return;
  if (!CreateTimerQueueTimer(&timer_, nullptr, Knock, this, kKnockMilliseconds, kKnockMilliseconds,
                             WT_EXECUTEINTIMERTHREAD))
    timer_ = nullptr;
}

StallWatchdog::~StallWatchdog() {
  // Waits for a knock under way; knocks not yet delivered die with the window.
  if (timer_ != nullptr) DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE);
  if (window_ != nullptr) DestroyWindow(window_);
}

LRESULT CALLBACK StallWatchdog::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kKnock) return DefWindowProcA(window, message, wParam, lParam);
  reinterpret_cast<DownloadWatch *>(lParam)->CheckForStall();
  return 0;
}

VOID CALLBACK StallWatchdog::Knock(PVOID watchdog, BOOLEAN) {
  auto *self = static_cast<StallWatchdog *>(watchdog);
  SendNotifyMessageA(self->window_, kKnock, 0, reinterpret_cast<LPARAM>(&self->watch_));
}
