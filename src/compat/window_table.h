// The in-memory model behind the stand-in's windowing calls: every window and
// control with what the real platform would show of it, and nothing drawn.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct ModelMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Stands in for the user while a message box is up: returns the button pressed.
using MessageBoxAnswer = int (*)(HWND owner, const char *text, const char *caption, UINT type);

struct ModelClass {
  std::string name;
  WNDCLASSA attributes = {};
  bool builtIn = false;
};

struct ModelWindow {
  std::string className;
  WNDPROC procedure = nullptr;
  std::string text;
  RECT rect = {};  // in screen coordinates
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // child windows only
  HWND owner = nullptr;   // top-level windows only
  DWORD thread = 0;
  DWORD process = 0;
  std::vector<HWND> children;  // top of the z-order first
  HFONT font = nullptr;
  int32_t rangeMinimum = 0;
  int32_t rangeMaximum = 100;
  int32_t position = 0;
  int32_t drawnPosition = 0;  // a progress bar's, which may lag behind its position
  bool awaitsPainting = false;
  std::vector<ModelMessage> messages;  // every message sent to it, oldest first
};

struct WindowTable {
  std::recursive_mutex lock;
  std::map<HWND, ModelWindow> windows;
  std::vector<HWND> topLevel;                 // top of the z-order first, the topmost band ahead of the rest
  std::map<std::string, ModelClass> classes;  // by lower-case name
  std::map<HACCEL, std::vector<ACCEL>> acceleratorTables;
  uintptr_t lastAcceleratorTable = 0;
  HWND foreground = nullptr;
  bool refuseCreation = false;                  // CreateWindowExA fails while set
  MessageBoxAnswer answerMessageBox = nullptr;  // nullptr: every box is answered IDOK at once
  bool ghostingDisabled = false;                // DisableProcessWindowsGhosting was called
};

using TableLock = std::lock_guard<std::recursive_mutex>;

// The one table; callers hold its lock while they use it and release it before
// calling into a window procedure or a test's callback.
WindowTable &Windows();

// Null when the handle names no live window; the lock must be held.
ModelWindow *WindowOf(HWND window);

// A class or window name as the platform compares it: ASCII case folded;
// nullptr is "".
std::string FoldedName(const char *name);

// The frame around the client area that the style draws: left, top, right, bottom.
RECT FrameOf(DWORD style, DWORD exStyle);

// The screen position of the window's client area.
POINT ClientOrigin(const ModelWindow &record);

// Visible itself and inside visible parents; the lock must be held.
bool ShownOnScreen(HWND window);

// Moves a top-level window to the top of its band (topmost or not).
void PlaceOnTopOfBand(WindowTable &table, HWND window);

// Marks the window, and with `children` its shown descendants, as changed but not yet painted.
void MarkUnpainted(HWND window, bool children);

// Paints the window, and with `children` its descendants, if they await it.
void PaintNow(HWND window, bool children);

// Moves the window with everything inside it.
void OffsetBy(ModelWindow &record, LONG dx, LONG dy);

// The window procedures of the platform's own controls.
LRESULT CALLBACK StaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ProgressBarProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
