#include "update/pause.h"

#include <gtest/gtest.h>

#include <chrono>

#ifndef _WIN32
#include <mmsystem.h>
#include <windows.h>

#include "compat/testing/timer_periods.h"
#endif

namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsOf(void (*pause)()) {
  auto start = Clock::now();
  pause();
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(PauseTest, WaitsAtLeastTheTimeGiven) {
  long waited = MillisecondsOf([] { Pause(150); });
  EXPECT_GE(waited, 150);
  EXPECT_LT(waited, 150 + 500) << "a loaded machine may add a little, never this much";
}

TEST(PauseTest, ZeroReturnsAtOnce) {
  EXPECT_LT(MillisecondsOf([] { Pause(0); }), 50);
}

#ifndef _WIN32
// The stand-in counts raises of the timer resolution, so what Pause does
// around its sleep can be seen here; Windows keeps no such count.
TEST(PauseTest, RaisesTheResolutionForTheSleepOnlyEachTime) {
  ASSERT_EQ(TimerPeriodsInForce(), 0);
  for (uint32_t milliseconds : {0u, 20u, 0u}) {
    Pause(milliseconds);
    EXPECT_EQ(TimerPeriodsInForceAtLastSleep(), 1) << "raised during Pause(" << milliseconds << ")";
    EXPECT_EQ(TimerPeriodsInForce(), 0) << "undone before the next pause";
  }
}

TEST(PauseTest, LeavesARaiseOfSomeoneElseInForce) {
  ASSERT_EQ(timeBeginPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
  Pause(0);
  EXPECT_EQ(TimerPeriodsInForceAtLastSleep(), 2);
  EXPECT_EQ(TimerPeriodsInForce(), 1);
  EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOERROR));
}
#endif

}  // namespace
