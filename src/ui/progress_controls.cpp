// The control service: the progress bar and the status lines inside the
// current window.
#include "base/win32.h"
#include "ui/progress_window.h"
#include "ui/window_records.h"

namespace {

HFONT font = nullptr;
// The tab, hot-key, date and time, extended combo box and internet address
// classes. None of them is a control the updater makes, and the progress
// bar's own flag is missing: this is the set the start-up has always passed,
// kept as it is. The bar and the status lines are made without it (the
// status line is user32's, and the tests see the bar made under Wine).
constexpr DWORD kControlClasses = 0xB48;

HWND CreateControl(const char *className, const char *text, DWORD style, int x, int y, int width,
                   int height) {
  return CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                         WindowsAndControls().currentParent, nullptr, WindowModule(), nullptr);
}

// The number is taken only now that the control exists, so a control that
// could not be made leaves the number's old one in place.
intptr_t RecordControl(int number, HWND control, ControlKind kind) {
  auto &controls = WindowsAndControls().controls;
  intptr_t taken = controls.KeyFor(number);
  if (controls.Put(taken, WindowControl{control, WindowsAndControls().currentParent, kind}) == nullptr)
    return 0;
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), 1);
  RedrawWindow(control, nullptr, nullptr, kPaintNow);
  return MadeObjectResult(number, taken, reinterpret_cast<intptr_t>(control));
}

}  // namespace

void StartControlService() {
  font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  PrepareCommonControls();
}

void PrepareCommonControls() {
  INITCOMMONCONTROLSEX init = {sizeof(INITCOMMONCONTROLSEX), kControlClasses};
  InitCommonControlsEx(&init);
}

void EndControl(WindowControl &control) { DestroyWindow(control.control); }

intptr_t AddProgressBar(int number, int x, int y, int width, int height, int32_t minimum, int32_t maximum) {
  if (!WindowsAndControls().controls.Accepts(number)) return 0;
  HWND bar = CreateControl(PROGRESS_CLASSA, nullptr, 0, x, y, width, height);
  if (bar == nullptr) return 0;
  SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
  return RecordControl(number, bar, ControlKind::ProgressBar);
}

int32_t SetProgressValue(int number, int32_t value) {
  WindowControl *control = WindowsAndControls().controls.Find(number);
  if (control == nullptr || control->kind != ControlKind::ProgressBar) return 0;
  auto previous =
      static_cast<int32_t>(SendMessageA(control->control, PBM_SETPOS, static_cast<WPARAM>(value), 0));
  RedrawWindow(control->control, nullptr, nullptr, kPaintNow);
  return previous;
}

intptr_t AddStatusText(int number, int x, int y, int width, int height, const char *text) {
  if (!WindowsAndControls().controls.Accepts(number)) return 0;
  HWND line = CreateControl("Static", text != nullptr ? text : "", WS_GROUP | SS_LEFT, x, y, width, height);
  if (line == nullptr) return 0;
  return RecordControl(number, line, ControlKind::StatusText);
}
