#pragma once

#include <windows.h>

#include <string>

#include "ui/number_space.h"

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

// The windows and controls of the progress window service, each in a number
// space of its own, and the window new controls go into.
struct WindowRecords {
  NumberSpace<ProgressWindow> windows;
  NumberSpace<WindowControl> controls;
  HWND currentParent = nullptr;
};

WindowRecords &Records();

// Nothing runs an event loop, so nothing would paint later: each change is
// painted before the operation that made it returns.
constexpr UINT kPaintNow = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;
