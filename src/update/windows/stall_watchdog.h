#pragma once

#include "base/win32.h"
#include "update/download_watch.h"

// Has `watch` check for a stall about once a second while its transfer waits
// inside the download service. A system timer-queue timer only knocks: it
// sends a notification to a message-only window of this thread, and the
// service's own wait loop delivers it, so the check and any abort run on the
// script's one thread. Without a window or timer there is simply no check.
class StallWatchdog {
 public:
  explicit StallWatchdog(DownloadWatch &watch);
  ~StallWatchdog();
  StallWatchdog(const StallWatchdog &) = delete;
  StallWatchdog &operator=(const StallWatchdog &) = delete;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static VOID CALLBACK Knock(PVOID watchdog, BOOLEAN);

  DownloadWatch &watch_;
  HWND window_ = nullptr;
  HANDLE timer_ = nullptr;
};
