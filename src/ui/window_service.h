#pragma once

#include <windows.h>

// The program module, the arrow cursor and the program's icon resource 1 (none
// when the program carries no icon) that every window class is made with.
void StartWindowService(HINSTANCE module);

HINSTANCE WindowModule();
HCURSOR WindowCursor();
HICON WindowIcon();
