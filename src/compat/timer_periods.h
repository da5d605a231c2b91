#pragma once

// What the stand-in knows of the timer resolution raises (timeBeginPeriod not
// yet undone by timeEndPeriod), so that tests can see how a caller pairs them.
int TimerPeriodsInForce();
int TimerPeriodsInForceAtLastSleep();
