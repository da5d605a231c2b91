#pragma once

#include <windows.h>

// Takes the platform's default GUI font for every control and makes the
// common controls ready.
void StartControlService();

// The shared stock font; nobody frees it.
HFONT ControlFont();
