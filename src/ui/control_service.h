#pragma once

#include <windows.h>

// Takes the platform's default GUI font for every control and makes the
// common controls ready.
void StartControlService();

// Makes the common controls ready; the start-up does it once more before the
// update begins, as the control service's own start did.
void PrepareCommonControls();

// The shared stock font; nobody frees it.
HFONT ControlFont();
