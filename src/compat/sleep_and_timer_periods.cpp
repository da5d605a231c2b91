// Sleep on the monotonic clock, which is fine enough for 1 ms waits, and the
// winmm resolution raises as counters: the host timer needs no raising.
#include "sleep_and_timer_periods.h"

#include <mmsystem.h>
#include <windows.h>

#include <cerrno>
#include <ctime>
#include <map>

namespace {

constexpr UINT kLongestPeriod = 1000000;

auto &raisesByPeriod = *new std::map<UINT, int>;

}  // namespace

bool sleep_record::recording = false;
std::vector<DWORD> sleep_record::recorded;
std::function<void(DWORD)> sleep_record::atEach;
int timer_periods::inForce = 0;
int timer_periods::inForceAtLastSleep = 0;

void WINAPI Sleep(DWORD milliseconds) {
  timer_periods::inForceAtLastSleep = timer_periods::inForce;
  if (sleep_record::recording) {
    sleep_record::recorded.push_back(milliseconds);
    if (sleep_record::atEach) sleep_record::atEach(milliseconds);
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
  ++timer_periods::inForce;
  return TIMERR_NOERROR;
}

MMRESULT WINAPI timeEndPeriod(UINT period) {
  auto raised = raisesByPeriod.find(period);
  if (raised == raisesByPeriod.end()) return TIMERR_NOCANDO;
  if (--raised->second == 0) raisesByPeriod.erase(raised);
  --timer_periods::inForce;
  return TIMERR_NOERROR;
}
