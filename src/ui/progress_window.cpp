// The window service: the progress window's class, placement and lifetime.
#include "ui/progress_window.h"

#include <string>

#include "ui/window_records.h"

namespace {

HINSTANCE module = nullptr;
HCURSOR cursor = nullptr;
HICON icon = nullptr;

constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU;
constexpr WORD kNextControl = 64001;
constexpr WORD kPreviousControl = 64002;

// Nothing polls for window events, so a close request is answered and dropped.
LRESULT CALLBACK ProgressWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterWindowClass(const std::string &className) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = ProgressWindowProcedure;
  windowClass.hInstance = module;
  windowClass.hIcon = icon;
  windowClass.hCursor = cursor;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = className.c_str();
  return RegisterClassA(&windowClass) != 0;
}

// Placed exactly at x, y, with the outer size that gives the client area asked for.
HWND CreateShownWindow(const std::string &className, int x, int y, int width, int height, const char *title) {
  RECT outer = {0, 0, width, height};
  AdjustWindowRectEx(&outer, kWindowStyle, FALSE, 0);
  HWND window =
      CreateWindowExA(0, className.c_str(), title != nullptr ? title : "", kWindowStyle, x, y,
                      outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, module, nullptr);
  if (window == nullptr) return nullptr;
  ShowWindow(window, SW_SHOWNORMAL);
  RedrawWindow(window, nullptr, nullptr, kPaintNow | RDW_FRAME | RDW_ALLCHILDREN);
  return window;
}

// Tab and Shift+Tab move the focus between controls only where an event loop
// translates the keys: the updater runs none, and none of its controls takes
// the focus, so nothing can set them off. They stay because every window of
// this service has always come with them, destroyed with it.
HACCEL CreateTabAccelerators() {
  ACCEL keys[] = {{FVIRTKEY | FNOINVERT, VK_TAB, kNextControl},
                  {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, kPreviousControl}};
  return CreateAcceleratorTableA(keys, 2);
}

}  // namespace

void StartWindowService(HINSTANCE programModule) {
  module = programModule;
  cursor = LoadCursorA(nullptr, IDC_ARROW);
  icon = LoadIconA(programModule, MAKEINTRESOURCEA(1));
}

HINSTANCE WindowModule() { return module; }

WindowRecords &WindowsAndControls() {
  static WindowRecords records;
  return records;
}

void EndWindow(ProgressWindow &record) {
  HWND window = record.window;
  DestroyWindow(window);  // its controls go with it
  WindowsAndControls().controls.ForgetWhere(
      [window](const WindowControl &control) { return control.parent == window; });
  if (WindowsAndControls().currentParent == window) WindowsAndControls().currentParent = nullptr;
  UnregisterClassA(record.className.c_str(), module);
  if (record.accelerators != nullptr) DestroyAcceleratorTable(record.accelerators);
}

// The number is taken before the window is made: a number in use loses its
// window even when the new one cannot be made.
intptr_t OpenProgressWindow(int number, int x, int y, int width, int height, const char *title) {
  auto &windows = WindowsAndControls().windows;
  if (!windows.Accepts(number)) return 0;
  if (number != AnyNumber) windows.End(number);
  intptr_t taken = windows.KeyFor(number);

  ProgressWindow record;
  record.className = "QuorvelWindow" + std::to_string(taken);
  if (!RegisterWindowClass(record.className)) return 0;
  record.window = CreateShownWindow(record.className, x, y, width, height, title);
  if (record.window == nullptr) {
    UnregisterClassA(record.className.c_str(), module);
    return 0;
  }
  record.accelerators = CreateTabAccelerators();
  HWND window = record.window;
  if (windows.Put(taken, std::move(record)) == nullptr) return 0;
  WindowsAndControls().currentParent = window;
  return MadeObjectResult(number, taken, reinterpret_cast<intptr_t>(window));
}

void CloseProgressWindow(int number) { WindowsAndControls().windows.End(number); }

void CloseAllProgressWindows() {
  WindowsAndControls().windows.EndAll();
  WindowsAndControls().controls.ForgetWhere([](const WindowControl &) { return true; });
}
