#include "ui/progress_window.h"

#include <windows.h>

#include "base/any_number.h"
#include "ui/window_records.h"
#include "ui/window_service.h"

namespace {

constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU;
constexpr WORD kNextControl = 64001;
constexpr WORD kPreviousControl = 64002;

// Nothing polls for window events, so a close request is answered and dropped.
LRESULT CALLBACK ProgressWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

HACCEL CreateTabAccelerators() {
  ACCEL keys[] = {{FVIRTKEY | FNOINVERT, VK_TAB, kNextControl},
                  {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, kPreviousControl}};
  return CreateAcceleratorTableA(keys, 2);
}

}  // namespace

WindowRecords &Records() {
  static WindowRecords records;
  return records;
}

intptr_t OpenProgressWindow(int number, int x, int y, int width, int height, const char *title) {
  if (number < AnyNumber) return 0;
  if (number != AnyNumber) CloseProgressWindow(number);
  int taken = number == AnyNumber ? Records().windows.FreshNumber() : number;

  ProgressWindow record;
  record.className = "QuorvelWindow" + std::to_string(taken);
  WNDCLASSA windowClass = {};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = ProgressWindowProcedure;
  windowClass.hInstance = WindowModule();
  windowClass.hIcon = WindowIcon();
  windowClass.hCursor = WindowCursor();
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = record.className.c_str();
  if (RegisterClassA(&windowClass) == 0) return 0;

  RECT outer = {0, 0, width, height};
  AdjustWindowRectEx(&outer, kWindowStyle, FALSE, 0);
  record.window = CreateWindowExA(0, record.className.c_str(), title != nullptr ? title : "", kWindowStyle, x,
                                  y, outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                  WindowModule(), nullptr);
  if (record.window == nullptr) {
    UnregisterClassA(record.className.c_str(), WindowModule());
    return 0;
  }
  ShowWindow(record.window, SW_SHOWNORMAL);
  RedrawWindow(record.window, nullptr, nullptr, kPaintNow | RDW_FRAME | RDW_ALLCHILDREN);
  record.accelerators = CreateTabAccelerators();

  HWND window = record.window;
  Records().windows.Put(taken, std::move(record));
  Records().currentParent = window;
  return number == AnyNumber ? taken : reinterpret_cast<intptr_t>(window);
}

void CloseProgressWindow(int number) {
  ProgressWindow *record = Records().windows.Find(number);
  if (record == nullptr) return;
  HWND window = record->window;
  DestroyWindow(window);  // its controls go with it
  Records().controls.FreeWhere([window](const WindowControl &control) { return control.parent == window; });
  if (Records().currentParent == window) Records().currentParent = nullptr;
  UnregisterClassA(record->className.c_str(), WindowModule());
  if (record->accelerators != nullptr) DestroyAcceleratorTable(record->accelerators);
  Records().windows.Free(number);
}

void CloseAllProgressWindows() {
  for (int number : Records().windows.Numbers()) CloseProgressWindow(number);
  Records().windows.Clear();
  Records().controls.Clear();
}
