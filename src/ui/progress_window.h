#pragma once

#include <cstdint>

#include "base/win32.h"

// Windows and controls are named by numbers the caller chooses, windows and
// controls each in a space of their own; AnyNumber makes the operation pick a
// fresh number and return it. A number that holds a live object is reused:
// the old object goes first (for a control, only once the new one exists).
// Controls go into the window opened most recently. Every change is on the
// screen when the operation returns, without an event loop.

// Once at start-up, before any window: every window class is made with the
// program module, the arrow cursor and the program's icon resource 1 (none
// when the program carries no icon).
void StartWindowService(HINSTANCE module);
HINSTANCE WindowModule();

// Once at start-up: every control gets the platform's default GUI font (a
// shared stock font nobody frees), and the common controls are made ready.
void StartControlService();

// Makes the common controls ready; the start-up does it once more before the
// update begins, as the control service's own start did.
void PrepareCommonControls();

// Opens a window with its outer top-left corner at x, y and a client area of
// width x height, and shows it. Non-zero on success (the new number for
// AnyNumber), 0 on failure.
intptr_t OpenProgressWindow(int number, int x, int y, int width, int height, const char *title);

// Adds a horizontal progress bar, empty, at a rectangle in client coordinates.
// Non-zero on success (the new number for AnyNumber), 0 on failure.
intptr_t AddProgressBar(int number, int x, int y, int width, int height, int32_t minimum, int32_t maximum);

// Sets the bar to the value, kept within its range, and has it drawn there
// before returning; returns its previous value. Does nothing and returns 0
// unless the number holds a progress bar.
int32_t SetProgressValue(int number, int32_t value);

// Adds a line of text, fixed once made, at a rectangle in client coordinates,
// drawn over whatever lies there. Non-zero on success (the new number for
// AnyNumber), 0 on failure.
intptr_t AddStatusText(int number, int x, int y, int width, int height, const char *text);

// Closes the window with every control in it, and frees their numbers. A close
// request from the user never closes a window; only this does.
void CloseProgressWindow(int number);

// Closes every window still open, then frees the service's records.
void CloseAllProgressWindows();
