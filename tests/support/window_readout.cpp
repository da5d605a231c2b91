#include "support/window_readout.h"

#include <commctrl.h>

#include <algorithm>

namespace window_readout {

namespace {

BOOL CALLBACK Collect(HWND window, LPARAM order) {
  reinterpret_cast<std::vector<HWND> *>(order)->push_back(window);
  return TRUE;
}

}  // namespace

std::string ClassOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof(name));
  return name;
}

std::string TextOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string RectText(const RECT &rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
         std::to_string(rect.bottom);
}

HWND FindTopLevel(const char *title) { return FindWindowA(nullptr, title); }

std::vector<HWND> ChildrenOf(HWND window) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

std::string ClientRectText(HWND window, HWND control) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&rect), 2);
  return RectText(rect);
}

std::string ScreenRectText(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return RectText(rect);
}

std::string BarState(HWND bar) {
  PBRANGE range = {};
  SendMessageA(bar, PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
  return std::to_string(SendMessageA(bar, PBM_GETPOS, 0, 0)) + " drawn " +
         std::to_string(DrawnBarPosition(bar)) + " in " + std::to_string(range.iLow) + ".." +
         std::to_string(range.iHigh);
}

std::string ProgressShown(const char *title) {
  HWND window = FindTopLevel(title);
  if (window == nullptr) return "no window";
  std::string bar = "0", status;
  // The status lines come oldest first.
  for (HWND child : ChildrenOf(window)) {
    if (ClassOf(child) == PROGRESS_CLASSA)
      bar = std::to_string(DrawnBarPosition(child));
    else if (!TextOf(child).empty())
      status = TextOf(child);
  }
  return "bar " + bar + (status.empty() ? "" : ", " + status);
}

std::vector<HWND> StackingOrder(const std::vector<HWND> &windows) {
  std::vector<HWND> all;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&all));
  std::vector<HWND> order;
  for (HWND window : all)
    if (std::find(windows.begin(), windows.end(), window) != windows.end()) order.push_back(window);
  return order;
}

std::ostream &operator<<(std::ostream &out, const Look &look) {
  return out << "{enabled " << look.enabled << ", topmost " << look.topmost << ", visible " << look.visible
             << ", at " << look.rect << "}";
}

Look LookOf(HWND window) {
  return {IsWindowEnabled(window) != 0, (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0,
          IsWindowVisible(window) != 0, ScreenRectText(window)};
}

Look WithStates(Look look, bool enabled, bool topmost) {
  look.enabled = enabled;
  look.topmost = topmost;
  return look;
}

}  // namespace window_readout
