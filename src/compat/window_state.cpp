// Showing, enabling, stacking and activating windows; looking windows up and
// reading what they show.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "window_table.h"

namespace {

void Activate(WindowTable &table, HWND window) {
  if (table.windows.at(window).parent != nullptr) return;
  PlaceOnTopOfBand(table, window);
  table.foreground = window;
}

int CopyText(const std::string &text, LPSTR buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  int length = std::min(static_cast<int>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return length;
}

HWND Neighbour(const std::vector<HWND> &siblings, HWND window, int step) {
  auto at = std::find(siblings.begin(), siblings.end(), window);
  if (at == siblings.end()) return nullptr;
  if (step < 0) return at == siblings.begin() ? nullptr : *(at - 1);
  return at + 1 == siblings.end() ? nullptr : *(at + 1);
}

}  // namespace

BOOL WINAPI ShowWindow(HWND window, int command) {
  WindowTable &table = Windows();
  TableLock hold(table.lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr) return FALSE;
  bool wasVisible = (record->style & WS_VISIBLE) != 0;
  if (command == SW_HIDE) {
    record->style &= ~WS_VISIBLE;
    if (table.foreground == window) table.foreground = nullptr;
    return wasVisible;
  }
  record->style |= WS_VISIBLE;
  if (command != SW_SHOWNA && command != SW_SHOWNOACTIVATE) Activate(table, window);
  if (!wasVisible) MarkUnpainted(window, true);
  return wasVisible;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr) return FALSE;
  BOOL wasDisabled = (record->style & WS_DISABLED) != 0;
  if (enable)
    record->style &= ~WS_DISABLED;
  else
    record->style |= WS_DISABLED;
  return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND window) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  return record != nullptr && !(record->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL WINAPI IsWindowVisible(HWND window) {
  TableLock hold(Windows().lock);
  return ShownOnScreen(window) ? TRUE : FALSE;
}

// Moves, sizes and stacks top-level windows; without SWP_NOACTIVATE the window
// is activated too, as on the platform.
BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowTable &table = Windows();
  TableLock hold(table.lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr) return FALSE;
  if (!(flags & SWP_NOMOVE)) {
    POINT origin = record->parent != nullptr ? ClientOrigin(*WindowOf(record->parent)) : POINT{0, 0};
    OffsetBy(*record, origin.x + x - record->rect.left, origin.y + y - record->rect.top);
  }
  if (!(flags & SWP_NOSIZE)) {
    record->rect.right = record->rect.left + cx;
    record->rect.bottom = record->rect.top + cy;
  }
  if (!(flags & SWP_NOZORDER) && record->parent == nullptr) {
    if (insertAfter == HWND_TOPMOST) {
      record->exStyle |= WS_EX_TOPMOST;
      PlaceOnTopOfBand(table, window);
    } else if (insertAfter == HWND_NOTOPMOST) {
      if (record->exStyle & WS_EX_TOPMOST) {
        record->exStyle &= ~WS_EX_TOPMOST;
        PlaceOnTopOfBand(table, window);
      }
    } else if (insertAfter == HWND_TOP) {
      PlaceOnTopOfBand(table, window);
    } else if (insertAfter == HWND_BOTTOM) {
      record->exStyle &= ~WS_EX_TOPMOST;
      auto &order = table.topLevel;
      order.erase(std::remove(order.begin(), order.end(), window), order.end());
      order.push_back(window);
    }
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOWNA);
  if (flags & SWP_HIDEWINDOW) ShowWindow(window, SW_HIDE);
  if (!(flags & (SWP_NOACTIVATE | SWP_HIDEWINDOW))) Activate(table, window);
  return TRUE;
}

LONG WINAPI GetWindowLongA(HWND window, int index) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr) return 0;
  if (index == GWL_STYLE) return static_cast<LONG>(record->style);
  if (index == GWL_EXSTYLE) return static_cast<LONG>(record->exStyle);
  return 0;
}

HWND WINAPI GetForegroundWindow(void) {
  TableLock hold(Windows().lock);
  return Windows().foreground;
}

BOOL WINAPI SetForegroundWindow(HWND window) {
  WindowTable &table = Windows();
  TableLock hold(table.lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr || record->parent != nullptr) return FALSE;
  Activate(table, window);
  return TRUE;
}

DWORD WINAPI GetWindowThreadProcessId(HWND window, LPDWORD processId) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr) return 0;
  if (processId != nullptr) *processId = record->process;
  return record->thread;
}

// Painting happens only here: RDW_UPDATENOW paints what awaits it, at once.
BOOL WINAPI RedrawWindow(HWND window, const RECT *, void *, UINT flags) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr) return FALSE;
  bool children = (flags & RDW_ALLCHILDREN) != 0;
  if (flags & RDW_INVALIDATE) MarkUnpainted(window, children);
  if (flags & RDW_UPDATENOW) PaintNow(window, children);
  return TRUE;
}

// No window is ever ghosted here; the call is only recorded.
void WINAPI DisableProcessWindowsGhosting(void) {
  TableLock hold(Windows().lock);
  Windows().ghostingDisabled = true;
}

BOOL WINAPI EnumWindows(WNDENUMPROC callback, LPARAM parameter) {
  std::vector<HWND> order;
  {
    TableLock hold(Windows().lock);
    order = Windows().topLevel;
  }
  for (HWND window : order)
    if (IsWindow(window) && !callback(window, parameter)) break;
  return TRUE;
}

HWND WINAPI FindWindowA(LPCSTR className, LPCSTR windowName) {
  TableLock hold(Windows().lock);
  for (HWND window : Windows().topLevel) {
    const ModelWindow &record = Windows().windows.at(window);
    if (className != nullptr && FoldedName(className) != FoldedName(record.className.c_str())) continue;
    if (windowName != nullptr && FoldedName(windowName) != FoldedName(record.text.c_str())) continue;
    return window;
  }
  return nullptr;
}

HWND WINAPI GetWindow(HWND window, UINT relation) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr) return nullptr;
  if (relation == GW_CHILD) return record->children.empty() ? nullptr : record->children.front();
  if (relation == GW_OWNER) return record->owner;
  const std::vector<HWND> &siblings =
      record->parent != nullptr ? WindowOf(record->parent)->children : Windows().topLevel;
  switch (relation) {
    case GW_HWNDFIRST:
      return siblings.front();
    case GW_HWNDLAST:
      return siblings.back();
    case GW_HWNDNEXT:
      return Neighbour(siblings, window, 1);
    case GW_HWNDPREV:
      return Neighbour(siblings, window, -1);
    default:
      return nullptr;
  }
}

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr || rect == nullptr) return FALSE;
  *rect = record->rect;
  return TRUE;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr || rect == nullptr) return FALSE;
  RECT frame = FrameOf(record->style, record->exStyle);
  LONG width = record->rect.right - record->rect.left - frame.left - frame.right;
  LONG height = record->rect.bottom - record->rect.top - frame.top - frame.bottom;
  *rect = {0, 0, std::max<LONG>(width, 0), std::max<LONG>(height, 0)};
  return TRUE;
}

int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
  TableLock hold(Windows().lock);
  ModelWindow *source = WindowOf(from);
  ModelWindow *target = WindowOf(to);
  POINT start = source != nullptr ? ClientOrigin(*source) : POINT{0, 0};
  POINT end = target != nullptr ? ClientOrigin(*target) : POINT{0, 0};
  LONG dx = start.x - end.x;
  LONG dy = start.y - end.y;
  for (UINT i = 0; i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return static_cast<int>((dx & 0xFFFF) | ((dy & 0xFFFF) << 16));
}

int WINAPI GetClassNameA(HWND window, LPSTR name, int size) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  return record != nullptr ? CopyText(record->className, name, size) : 0;
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int size) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr) {
    if (text != nullptr && size > 0) *text = '\0';
    return 0;
  }
  return CopyText(record->text, text, size);
}
