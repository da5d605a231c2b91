#pragma once

// While a modal box is up, the calling thread's other visible top-level windows
// are held still: disabled (all but the foreground window) and out of the
// always-on-top band. Releasing gives each back exactly what holding took.
void HoldThreadWindows();
void ReleaseThreadWindows();
