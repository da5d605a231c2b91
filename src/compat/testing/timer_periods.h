// What the stand-in knows of the timer resolution raises (timeBeginPeriod not
// yet undone by timeEndPeriod), so that tests can see how a caller pairs them.
// For tests only: the quorvel_compat_testing target.
#pragma once

int TimerPeriodsInForce();
int TimerPeriodsInForceAtLastSleep();
