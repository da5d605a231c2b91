#include "fs/hold_budget.h"

#include "fs/file_queries.h"

namespace {

constexpr DWORD kLongestWait = 500;

}  // namespace

bool MayBePassingHold(DWORD error, const char *path) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  return error == ERROR_ACCESS_DENIED && path != nullptr && !IsReadOnly(path) && !IsFolder(path);
}

bool HoldBudget::WaitOut(DWORD error, const char *path, const char *other) {
  if (spent_ >= kHoldBudgetMilliseconds || !MayBePassingHold(error, path)) return false;
  if (other != nullptr && error == ERROR_ACCESS_DENIED && !MayBePassingHold(error, other)) return false;
  DWORD wait = nextWait_ < kHoldBudgetMilliseconds - spent_ ? nextWait_ : kHoldBudgetMilliseconds - spent_;
  Sleep(wait);
  spent_ += wait;
  nextWait_ = nextWait_ * 2 < kLongestWait ? nextWait_ * 2 : kLongestWait;
  return true;
}
