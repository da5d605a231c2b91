#pragma once

#include "base/win32.h"

// First thing in the process, before anything can load a library or make a
// window: libraries come from the system folder only, Windows never replaces
// the window with a ghost while the update sleeps between its steps (it
// fetches no window messages), and memory the standard allocator cannot give
// ends the process with exit code 0.
void PrepareProcess();

// Prepares what the update uses: the text heap, the window and control
// services, the common controls and COM.
void StartServices(HINSTANCE module);

// Writes the current preference file back, frees the loaded libraries and
// closes every window still open, in that order.
void StopServices();
