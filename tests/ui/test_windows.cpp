#include "test_windows.h"

namespace test_windows {

HWND MakeWindow(const char *title, DWORD exStyle, DWORD style, int x) {
  return CreateWindowExA(exStyle, "Static", title, WS_OVERLAPPEDWINDOW | style, x, 300, 200, 100, nullptr,
                         nullptr, nullptr, nullptr);
}

OtherThreadWindow::OtherThreadWindow(const char *title) {
  thread_ = std::thread([this, title] {
    HWND window = MakeWindow(title, WS_EX_TOPMOST, WS_VISIBLE, 800);
    window_ = window;
    while (!finished_) {
#ifdef _WIN32
      // Messages other threads send to its window must be answered.
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
#else
      std::this_thread::yield();
#endif
    }
    DestroyWindow(window);
  });
  while (window_ == nullptr) std::this_thread::yield();
}

OtherThreadWindow::~OtherThreadWindow() {
  finished_ = true;
  thread_.join();
}

}  // namespace test_windows
