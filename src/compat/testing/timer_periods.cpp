#include "timer_periods.h"

#include "sleep_and_timer_periods.h"

int TimerPeriodsInForce() { return timer_periods::inForce; }

int TimerPeriodsInForceAtLastSleep() { return timer_periods::inForceAtLastSleep; }
