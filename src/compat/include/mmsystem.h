// winmm: the system timer resolution (declared with the other process services).
#pragma once

#include "win_system.h"
