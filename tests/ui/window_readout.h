#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "window_texts.h"

// Reading windows back through the platform's own calls, in the test's process.
namespace window_readout {

HWND FindTopLevel(const char *title);

// The window's direct children, top of the z-order first.
std::vector<HWND> ChildrenOf(HWND window);

// "left,top,right,bottom": the control's rectangle in the window's client
// coordinates, or a window's on the screen.
std::string ClientRectText(HWND window, HWND control);
std::string ScreenRectText(HWND window);

// The progress bar's position, and its range as "minimum..maximum".
int BarPosition(HWND bar);
std::string BarRange(HWND bar);

// The windows' top-down order among the process's top-level windows.
std::vector<HWND> StackingOrder(const std::vector<HWND> &windows);

}  // namespace window_readout
