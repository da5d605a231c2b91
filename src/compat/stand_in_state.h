// What the stand-in keeps for its test controls (src/compat/testing) to read
// and set. The stand-in itself only keeps it up to date or obeys it.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace stand_in_state {

// While set, GetEnvironmentStrings gives no block, as a platform out of memory would.
extern std::atomic<bool> withholdEnvironmentBlocks;
// Blocks handed out by GetEnvironmentStrings and not yet given back.
extern std::atomic<int> environmentBlocksHeld;

// Timer resolution raises (timeBeginPeriod not yet undone by timeEndPeriod),
// now and when Sleep was last called.
extern int timerPeriodsInForce;
extern int timerPeriodsInForceAtLastSleep;

// The folder that plays the system folder in place of the build's one, or
// nullptr: a system whose library is missing.
extern const char *systemFolder;

// The calls a hold can refuse, as the bits of file_holds::Operation.
constexpr unsigned kHeldOpen = 1, kHeldCopy = 2, kHeldRename = 4, kHeldDelete = 8;

// Calls that a test makes fail as if another program held the file, by host
// path; `operations` takes the bits of file_holds::Operation.
struct FileHold {
  unsigned operations = 0;
  DWORD error = 0;
  int left = 0;  // -1: until released
  int refusals = 0;
};
extern std::map<std::string, FileHold> fileHolds;

// The error the next ReplaceFileA stops with, or 0.
extern DWORD nextReplaceStop;

// While set, Sleep records its length and calls `atEachRecordedSleep` instead of sleeping.
extern bool recordingSleeps;
extern std::vector<DWORD> recordedSleeps;
extern std::function<void(DWORD)> atEachRecordedSleep;

}  // namespace stand_in_state
