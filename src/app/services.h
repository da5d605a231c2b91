#pragma once

#include "base/win32.h"

// Prepares what the update uses: the text heap, the window and control
// services, the common controls and COM.
void StartServices(HINSTANCE module);

// Writes the current preference file back, frees the loaded libraries and
// closes every window still open, in that order.
void StopServices();
