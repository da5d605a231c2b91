#pragma once

#include <cstdint>

// Shows a modal message box with the platform's style flags, unchanged, and
// waits until it is dismissed. The thread's other windows are held still
// meanwhile; the foreground window, when it is the process's own, owns the
// box. The button pressed (IDOK for OK), or 0 when the box failed to appear.
int32_t ShowMessage(const char *title, const char *text, uint32_t flags);

// What the box does around itself: the calling thread's other visible
// top-level windows are held still, disabled (all but the foreground window)
// and out of the always-on-top band. Releasing gives each back exactly what
// holding took.
void HoldThreadWindows();
void ReleaseThreadWindows();
