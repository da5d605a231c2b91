// Showing, enabling, stacking and activating windows.
#include <windows.h>

#include <algorithm>

#include "window_table.h"

namespace {

void Activate(WindowTable &table, HWND window) {
  if (table.windows.at(window).parent != nullptr) return;
  PlaceOnTopOfBand(table, window);
  table.foreground = window;
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
