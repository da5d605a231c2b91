#include "fs/hold_budget.h"

#include "fs/file_queries.h"

namespace {

constexpr DWORD kLongestWait = 500;

// A read-only file or a folder is refused for good; any other refusal of
// access may be another program's handle (Windows also refuses a name whose
// file is deleted while a handle is still open on it).
bool MayPass(DWORD error, const char *path) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  return error == ERROR_ACCESS_DENIED && path != nullptr && !IsReadOnly(path) && !IsFolder(path);
}

}  // namespace

bool HoldBudget::WaitOut(DWORD error, const char *path, const char *other) {
  if (spent_ >= kHoldBudgetMilliseconds || !MayPass(error, path)) return false;
  if (other != nullptr && error == ERROR_ACCESS_DENIED && !MayPass(error, other)) return false;
  DWORD wait = nextWait_ < kHoldBudgetMilliseconds - spent_ ? nextWait_ : kHoldBudgetMilliseconds - spent_;
  Sleep(wait);
  spent_ += wait;
  nextWait_ = nextWait_ * 2 < kLongestWait ? nextWait_ * 2 : kLongestWait;
  return true;
}
