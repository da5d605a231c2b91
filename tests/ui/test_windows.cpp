#include "test_windows.h"

namespace test_windows {

HWND MakeWindow(const char *title, DWORD exStyle, DWORD style, int x) {
  return CreateWindowExA(exStyle, "Static", title, WS_OVERLAPPEDWINDOW | style, x, 300, 200, 100, nullptr,
                         nullptr, nullptr, nullptr);
}

namespace {

// Messages other threads send to this thread's windows must be answered.
void AnswerSentMessages() {
#ifdef _WIN32
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
#else
  std::this_thread::yield();
#endif
}

}  // namespace

void RunOnOtherThread(const std::function<void()> &work) {
  std::atomic<bool> finished{false};
  std::thread thread([&] {
    work();
    finished = true;
  });
  while (!finished) AnswerSentMessages();
  thread.join();
}

OtherThreadWindow::OtherThreadWindow(const char *title) {
  thread_ = std::thread([this, title] {
    HWND window = MakeWindow(title, WS_EX_TOPMOST, WS_VISIBLE, 800);
    window_ = window;
    while (!finished_) AnswerSentMessages();
    DestroyWindow(window);
  });
  while (window_ == nullptr) std::this_thread::yield();
}

OtherThreadWindow::~OtherThreadWindow() {
  finished_ = true;
  thread_.join();
}

}  // namespace test_windows
