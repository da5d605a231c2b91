// The drawn position natively: the stand-in models the themed bar, which
// draws some moves only on timer messages that nothing here dispatches.
#include "compat/testing/window_model.h"
#include "support/window_readout.h"

int window_readout::DrawnBarPosition(HWND bar) { return window_model::DrawnBarPosition(bar); }
