#pragma once

// Waiting out another program's passing hold on a file.
#include "base/win32.h"

// A scanner, an indexer or a sync agent opens a file the moment it is written
// or about to be replaced, and lets go within a second or two; meanwhile
// Windows refuses to open, copy, rename or delete it. Each step of the update
// waits such a hold out for this long: above the two seconds a passing hold
// takes, and short enough that a hold that never clears (a running Quorvel on
// its executable) delays the error the user is shown by no more than this.
constexpr DWORD kHoldBudgetMilliseconds = 3000;

// True when a call on `path` failed with `error` in a way another program's
// passing hold causes: a sharing or lock violation, or access denied where
// neither a read-only mark nor a folder would refuse it for good (Windows
// also refuses a name whose file is deleted while a handle is still open on
// it).
bool MayBePassingHold(DWORD error, const char *path);

// The waits one step may still make; every call of the step draws on it.
class HoldBudget {
 public:
  // After a call on `path` (and `other`, if any) failed with `error`: when
  // the failure may be a passing hold and the budget is not spent, sleeps a
  // little longer than the last time and returns true, so the call is tried
  // again.
  bool WaitOut(DWORD error, const char *path, const char *other = nullptr);

 private:
  DWORD spent_ = 0;
  DWORD nextWait_ = 20;
};

// Tries `call` (true when done, the last error set otherwise) until it is done
// or the budget gives up on its error, which it then leaves as the last error.
template <typename Call>
bool RetryWhileHeld(HoldBudget &budget, const char *path, const char *other, Call call) {
  while (!call()) {
    DWORD error = GetLastError();
    if (!budget.WaitOut(error, path, other)) {
      SetLastError(error);
      return false;
    }
  }
  return true;
}
