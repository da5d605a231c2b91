// The control service: the progress bar and the status lines inside the
// current window.
#include <algorithm>
#include <cstdint>

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

void SetBarRange(HWND bar, int32_t low, int32_t high) {
  SendMessageA(bar, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
}

void SetBarPosition(HWND bar, int32_t position) {
  SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
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
  SetBarRange(bar, minimum, maximum);
  return RecordControl(number, bar, ControlKind::ProgressBar);
}

// The themed bar (common controls 6, which the manifest asks for) animates a
// move forward; a move backward "jumps" unless PBS_SMOOTHREVERSE is set
// (Microsoft's "Progress Bar Control Styles" page). The animation advances on
// timer messages, which only a thread that fetches messages gets (the SetTimer
// page), and this one never does: a bar moved forward would stay drawn where it
// was through every pause. So each value is reached by a move backward, from
// one above it; at the top the range is widened by one for the moment. Drawing
// is held off (WM_SETREDRAW) until the last move is made, so that no value in
// between is drawn, not even by a bar that paints each move itself, as Wine's
// does.
int32_t SetProgressValue(int number, int32_t value) {
  WindowControl *control = WindowsAndControls().controls.Find(number);
  if (control == nullptr || control->kind != ControlKind::ProgressBar) return 0;
  HWND bar = control->control;
  PBRANGE range = {};
  SendMessageA(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  int32_t low = std::min(range.iLow, range.iHigh);
  int32_t high = std::max(range.iLow, range.iHigh);
  int32_t shown = std::clamp(value, low, high);
  auto previous = static_cast<int32_t>(SendMessageA(bar, PBM_GETPOS, 0, 0));
  SendMessageA(bar, WM_SETREDRAW, FALSE, 0);
  if (shown < high) {
    SetBarPosition(bar, shown + 1);
    SetBarPosition(bar, shown);
  } else if (high < INT32_MAX) {
    SetBarRange(bar, low, high + 1);
    SetBarPosition(bar, high + 1);
    SetBarPosition(bar, high);
    SetBarRange(bar, range.iLow, range.iHigh);
  } else {
    // Nothing lies above this top: a range of the top alone moves the position there, drawn at once too.
    SetBarRange(bar, high, high);
    SetBarRange(bar, range.iLow, range.iHigh);
  }
  SendMessageA(bar, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(bar, nullptr, nullptr, kPaintNow);
  return previous;
}

intptr_t AddStatusText(int number, int x, int y, int width, int height, const char *text) {
  if (!WindowsAndControls().controls.Accepts(number)) return 0;
  HWND line = CreateControl("Static", text != nullptr ? text : "", WS_GROUP | SS_LEFT, x, y, width, height);
  if (line == nullptr) return 0;
  return RecordControl(number, line, ControlKind::StatusText);
}
