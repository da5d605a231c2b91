// kernel32 process services (time, libraries, heaps, environment), winmm, ole32.
#pragma once

#include "win_types.h"
