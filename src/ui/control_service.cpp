#include "ui/control_service.h"

#include <commctrl.h>

namespace {
HFONT font = nullptr;
// Tab, hot-key, date and time, extended combo box and internet address classes.
constexpr DWORD kControlClasses = 0xB48;
}  // namespace

void StartControlService() {
  font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  PrepareCommonControls();
}

void PrepareCommonControls() {
  INITCOMMONCONTROLSEX init = {sizeof(INITCOMMONCONTROLSEX), kControlClasses};
  InitCommonControlsEx(&init);
}

HFONT ControlFont() { return font; }
