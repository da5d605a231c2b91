// Looking windows up and reading what they show.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "window_table.h"

namespace {

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
    if (className != nullptr && LowerCase(className) != LowerCase(record.className.c_str())) continue;
    if (windowName != nullptr && LowerCase(windowName) != LowerCase(record.text.c_str())) continue;
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
