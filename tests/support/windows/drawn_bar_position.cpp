// The drawn position under Wine: its bar has no animation and draws the
// position it holds, so there the two are one. Windows' themed bar differs;
// the native build models that.
#include "support/window_readout.h"
// After windows.h, which it builds on.
#include <commctrl.h>

int window_readout::DrawnBarPosition(HWND bar) {
  return static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0));
}
