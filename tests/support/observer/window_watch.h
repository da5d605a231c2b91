#pragma once

#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

struct WatchOptions {
  std::set<std::string> titles;
  DWORD processId = 0;       // 0: windows of any process
  HANDLE process = nullptr;  // when set, the watch ends once it has exited
  HANDLE stopEvent = nullptr;
  HANDLE readyEvent = nullptr;
  bool clickOk = false;
  DWORD intervalMs = 10;
  DWORD timeoutMs = 120000;
};

// Records every change of the watched windows into the timeline until the
// process ends or the stop event is set (true), or the time is up (false).
bool WatchWindows(const WatchOptions &options, std::FILE *timeline);

// Writes one timeline line stamped with the observer's clock.
void Emit(std::FILE *timeline, const char *kind, const std::string &fields);
