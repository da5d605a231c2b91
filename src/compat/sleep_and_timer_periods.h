// What Sleep and the timer resolution calls keep for their test controls
// (testing/sleep_record.h, testing/timer_periods.h) to set and read.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace sleep_record {

// While set, Sleep records its length and calls `atEach` instead of sleeping.
extern bool recording;
extern std::vector<DWORD> recorded;
extern std::function<void(DWORD)> atEach;

}  // namespace sleep_record

namespace timer_periods {

// Timer resolution raises (timeBeginPeriod not yet undone by timeEndPeriod),
// now and when Sleep was last called.
extern int inForce;
extern int inForceAtLastSleep;

}  // namespace timer_periods
