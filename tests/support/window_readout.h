#pragma once

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

// Reading windows back through the platform's own calls: in the test's
// process, and (what needs no answer from the owning thread) the observer's
// of another process's windows.
namespace window_readout {

// A window's class name and text, and a rectangle as "left,top,right,bottom".
std::string ClassOf(HWND window);
std::string TextOf(HWND window);
std::string RectText(const RECT &rect);

HWND FindTopLevel(const char *title);

// The window's direct children, top of the z-order first.
std::vector<HWND> ChildrenOf(HWND window);

// "left,top,right,bottom": the control's rectangle in the window's client
// coordinates, or a window's on the screen.
std::string ClientRectText(HWND window, HWND control);
std::string ScreenRectText(HWND window);

// The progress bar's position, the position it is drawn at and its range:
// "<position> drawn <drawn> in <minimum>..<maximum>".
std::string BarState(HWND bar);

// The position the bar is drawn at, read as each build can (a file per build).
int DrawnBarPosition(HWND bar);

// What the top-level window with this title shows of a progress window: "bar
// <drawn position>, <newest status line>" (no status: "bar <position>"), or
// "no window".
std::string ProgressShown(const char *title);

// The windows' top-down order among the process's top-level windows.
std::vector<HWND> StackingOrder(const std::vector<HWND> &windows);

// What holding a window for a message box may change, and what it must not.
struct Look {
  bool enabled;
  bool topmost;
  bool visible;
  std::string rect;
  bool operator==(const Look &other) const {
    return enabled == other.enabled && topmost == other.topmost && visible == other.visible &&
           rect == other.rect;
  }
};

std::ostream &operator<<(std::ostream &out, const Look &look);

Look LookOf(HWND window);

// The look with only its enabled and topmost states changed.
Look WithStates(Look look, bool enabled, bool topmost);

}  // namespace window_readout
