// Sleep on the monotonic clock, which is fine enough for 1 ms waits, and the
// winmm resolution raises as counters: the host timer needs no raising.
#include <mmsystem.h>
#include <windows.h>

#include <cerrno>
#include <ctime>
#include <map>

#include "stand_in_state.h"

namespace {

constexpr UINT kLongestPeriod = 1000000;

auto &raisesByPeriod = *new std::map<UINT, int>;

}  // namespace

bool stand_in_state::recordingSleeps = false;
std::vector<DWORD> stand_in_state::recordedSleeps;
std::function<void(DWORD)> stand_in_state::atEachRecordedSleep;
int stand_in_state::timerPeriodsInForce = 0;
int stand_in_state::timerPeriodsInForceAtLastSleep = 0;

void WINAPI Sleep(DWORD milliseconds) {
  stand_in_state::timerPeriodsInForceAtLastSleep = stand_in_state::timerPeriodsInForce;
  if (stand_in_state::recordingSleeps) {
    stand_in_state::recordedSleeps.push_back(milliseconds);
    if (stand_in_state::atEachRecordedSleep) stand_in_state::atEachRecordedSleep(milliseconds);
    return;
  }
  timespec until;
  clock_gettime(CLOCK_MONOTONIC, &until);
  until.tv_sec += milliseconds / 1000;
  until.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000L;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
  }
}

MMRESULT WINAPI timeBeginPeriod(UINT period) {
  if (period == 0 || period > kLongestPeriod) return TIMERR_NOCANDO;
  ++raisesByPeriod[period];
  ++stand_in_state::timerPeriodsInForce;
  return TIMERR_NOERROR;
}

MMRESULT WINAPI timeEndPeriod(UINT period) {
  auto raised = raisesByPeriod.find(period);
  if (raised == raisesByPeriod.end()) return TIMERR_NOCANDO;
  if (--raised->second == 0) raisesByPeriod.erase(raised);
  --stand_in_state::timerPeriodsInForce;
  return TIMERR_NOERROR;
}
