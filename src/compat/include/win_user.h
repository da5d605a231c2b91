// user32, gdi32 and comctl32: windows, controls, message boxes.
#pragma once

#include "win_types.h"
