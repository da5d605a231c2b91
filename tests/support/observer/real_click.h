#pragma once

#include <windows.h>

// Moves the mouse to the middle of the window and clicks its left button, as
// a user would; false when the input could not be sent.
bool ClickInTheMiddle(HWND window, POINT &at);
