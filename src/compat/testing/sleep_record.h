// A test control that records the calls of Sleep instead of sleeping, so that
// a test can check every wait of a run exactly and fast. For tests only: the
// quorvel_compat_testing target.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace sleep_record {

// From now on Sleep returns at once; each call is recorded. `atEachSleep`, if
// given, runs at the start of each recorded Sleep with its length (a test can
// look at the window or change a file there).
void Start(std::function<void(DWORD)> atEachSleep = nullptr);

// The lengths of the Sleeps recorded since Start, in order; Sleep sleeps again.
std::vector<DWORD> Stop();

}  // namespace sleep_record
