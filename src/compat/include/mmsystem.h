// winmm: the system timer resolution (declared with the other process calls).
#pragma once

#include "win_process.h"
