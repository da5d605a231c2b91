#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "screen_bitmap.h"

// What another process's windows show, read through Win32 calls that do not
// need the owning thread to answer (it may be sleeping).

// The fields of a top-level window, as a timeline line writes them.
std::string DescribeWindow(HWND window);

struct ChildControl {
  HWND handle;
  std::string className;
  std::string text;
  int id;
  std::string fields;  // as a timeline line writes them
};

// The window's direct children, top of the z-order first.
std::vector<ChildControl> ReadChildren(HWND window);

// A progress bar's range and position from its process's memory: "min= max=
// pos=", or empty when the bar's state cannot be read there.
std::string ReadBarFromMemory(HANDLE process, HWND bar);

// The bar's middle row on the screen: "filled= width=".
std::string ReadBarFromScreen(HWND bar);

// The screen's pixels under the rectangle, in screen coordinates.
ScreenBitmap CaptureScreen(const RECT &area);

std::string HandleText(HWND window);
