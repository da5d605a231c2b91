#include "real_click.h"

bool ClickInTheMiddle(HWND window, POINT &at) {
  RECT rect = {};
  if (!GetWindowRect(window, &rect)) return false;
  at = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  int width = GetSystemMetrics(SM_CXSCREEN);
  int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>((at.x * 65536LL + width / 2) / width);
  input.mi.dy = static_cast<LONG>((at.y * 65536LL + height / 2) / height);
  // Each step apart, with a pause, as a hand moves, presses and lets go.
  const DWORD steps[] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  for (DWORD step : steps) {
    input.mi.dwFlags = step | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    if (SendInput(1, &input, sizeof(INPUT)) != 1) return false;
    Sleep(30);
  }
  return true;
}
