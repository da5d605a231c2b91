#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

// Top-level windows of the test's own, standing for other windows a program
// might have on the screen while its message box is up.
namespace test_windows {

// A plain 200 x 100 window at x, 300.
HWND MakeWindow(const char *title, DWORD exStyle, DWORD style, int x);

// Runs `work` on a thread of its own and waits for it, answering meanwhile
// what that thread sends to this thread's windows.
void RunOnOtherThread(const std::function<void()> &work);

// A visible topmost window made, and kept answering, by another thread of the
// process until this object goes.
class OtherThreadWindow {
 public:
  explicit OtherThreadWindow(const char *title);
  OtherThreadWindow(const OtherThreadWindow &) = delete;
  OtherThreadWindow &operator=(const OtherThreadWindow &) = delete;
  ~OtherThreadWindow();
  HWND window() const { return window_; }

 private:
  std::atomic<HWND> window_{nullptr};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace test_windows
