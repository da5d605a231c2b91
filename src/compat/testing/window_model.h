// Test controls and views of the stand-in's window model, which keeps the
// windows and controls in memory and shows nothing. For tests only: the
// quorvel_compat_testing target.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace window_model {

// No windows, no classes but the platform's, no accelerator tables, every
// control below back to its default.
void Reset();

// While set, CreateWindowExA fails as it would when the desktop cannot take
// another window.
void RefuseWindowCreation(bool refuse);

struct MessageBoxCall {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

// Stands in for the user while a message box is up: the answer is the button
// pressed (0 for a box that failed to appear). Without one, every box is
// answered IDOK at once.
void AnswerMessageBoxes(std::function<int(const MessageBoxCall &)> answer);

struct SentMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Every message sent to the window, oldest first.
std::vector<SentMessage> MessagesSentTo(HWND window);

// The position a progress bar is drawn at: like the themed bar, it follows a
// move backward and a range that moves the position at once, and stays where
// it was after a move forward (0 for a window that is no bar).
int DrawnBarPosition(HWND bar);

// Shown windows whose latest change has not been painted yet.
std::vector<HWND> WindowsAwaitingPaint();

// The entries of every accelerator table not yet destroyed.
std::vector<std::vector<ACCEL>> LiveAcceleratorTables();

// Makes the window belong to a thread of another process, as a window another
// program put on the same desktop would.
void MoveToProcess(HWND window, DWORD processId, DWORD threadId);

}  // namespace window_model
