#pragma once

// What the window and control services share inside src/ui.
#include <string>

#include "base/numbered_objects.h"
#include "base/win32.h"

struct ProgressWindow {
  HWND window = nullptr;
  std::string className;
  HACCEL accelerators = nullptr;
};

enum class ControlKind { ProgressBar, StatusText };

struct WindowControl {
  HWND control = nullptr;
  HWND parent = nullptr;
  ControlKind kind = ControlKind::StatusText;
};

// Ending a window destroys its controls with it and withdraws its class.
void EndWindow(ProgressWindow &window);
void EndControl(WindowControl &control);

// The windows and controls, each in a number space of their own, and the
// window new controls go into.
struct WindowRecords {
  NumberedObjects<ProgressWindow, EndWindow> windows;
  NumberedObjects<WindowControl, EndControl> controls;
  HWND currentParent = nullptr;
};

WindowRecords &WindowsAndControls();

// Nothing runs an event loop, so nothing would paint later: each change is
// painted before the operation that made it returns.
constexpr UINT kPaintNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
