// Window classes and the cursors, icons, fonts and accelerator tables they and
// their windows use (the stand-in's programs carry no resources); creating and
// destroying windows. Handles of destroyed windows are given out again, lowest
// first, as the platform recycles its handle slots.
#include <commctrl.h>
#include <windows.h>

#include <algorithm>

#include "errors.h"
#include "window_table.h"

namespace {

const HCURSOR kArrowCursor = reinterpret_cast<HCURSOR>(uintptr_t{0x10011});
constexpr uintptr_t kStockObjects = 0x8A0000;

constexpr uintptr_t kFirstHandle = 0x10020;

HWND FreeHandle(const WindowTable &table) {
  uintptr_t candidate = kFirstHandle;
  for (auto &entry : table.windows) {  // ordered by handle
    if (reinterpret_cast<uintptr_t>(entry.first) != candidate) break;
    candidate += 2;
  }
  return reinterpret_cast<HWND>(candidate);
}

void Unlink(WindowTable &table, HWND window, const ModelWindow &record) {
  std::vector<HWND> &siblings =
      record.parent != nullptr ? table.windows.at(record.parent).children : table.topLevel;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
}

void Forget(WindowTable &table, HWND window) {
  ModelWindow &record = table.windows.at(window);
  for (HWND child : std::vector<HWND>(record.children)) Forget(table, child);
  if (table.foreground == window) table.foreground = nullptr;
  Unlink(table, window, record);
  table.windows.erase(window);
}

}  // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA *windowClass) {
  static ATOM lastAtom = 0xC000;
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr) return 0;
  TableLock hold(Windows().lock);
  std::string key = FoldedName(windowClass->lpszClassName);
  if (Windows().classes.count(key) != 0) return Fail(ERROR_CLASS_ALREADY_EXISTS, 0);
  ModelClass registered;
  registered.name = windowClass->lpszClassName;
  registered.attributes = *windowClass;
  Windows().classes[key] = registered;
  return ++lastAtom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
  TableLock hold(Windows().lock);
  auto found = Windows().classes.find(FoldedName(className));
  if (found == Windows().classes.end() || found->second.builtIn) return Fail(ERROR_CLASS_DOES_NOT_EXIST);
  for (auto &entry : Windows().windows)
    if (FoldedName(entry.second.className.c_str()) == found->first) return Fail(ERROR_CLASS_HAS_WINDOWS);
  Windows().classes.erase(found);
  return TRUE;
}

BOOL WINAPI GetClassInfoA(HINSTANCE, LPCSTR className, LPWNDCLASSA windowClass) {
  TableLock hold(Windows().lock);
  auto found = Windows().classes.find(FoldedName(className));
  if (found == Windows().classes.end()) return Fail(ERROR_CLASS_DOES_NOT_EXIST);
  *windowClass = found->second.attributes;
  windowClass->lpszClassName = className;
  return TRUE;
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR cursorName) {
  return instance == nullptr && cursorName == IDC_ARROW ? kArrowCursor : nullptr;
}

HICON WINAPI LoadIconA(HINSTANCE, LPCSTR) { return nullptr; }

HGDIOBJ WINAPI GetStockObject(int object) {
  return object >= 0 && object <= DEFAULT_GUI_FONT ? reinterpret_cast<HGDIOBJ>(kStockObjects + object)
                                                   : nullptr;
}

HACCEL WINAPI CreateAcceleratorTableA(LPACCEL entries, int count) {
  if (entries == nullptr || count <= 0) return nullptr;
  TableLock hold(Windows().lock);
  auto table = reinterpret_cast<HACCEL>(++Windows().lastAcceleratorTable);
  Windows().acceleratorTables[table].assign(entries, entries + count);
  return table;
}

BOOL WINAPI DestroyAcceleratorTable(HACCEL table) {
  TableLock hold(Windows().lock);
  return Windows().acceleratorTables.erase(table) != 0 ? TRUE : FALSE;
}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX *init) {
  return init != nullptr && init->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL, DWORD exStyle) {
  if (rect == nullptr) return FALSE;
  RECT frame = FrameOf(style, exStyle);
  rect->left -= frame.left;
  rect->top -= frame.top;
  rect->right += frame.right;
  rect->bottom += frame.bottom;
  return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU, HINSTANCE, LPVOID) {
  WindowTable &table = Windows();
  TableLock hold(table.lock);
  if (table.refuseCreation) return Fail<HWND>(ERROR_NOT_ENOUGH_MEMORY);
  auto windowClass = table.classes.find(FoldedName(className));
  if (windowClass == table.classes.end()) return Fail<HWND>(ERROR_CANNOT_FIND_WND_CLASS);
  ModelWindow *parentRecord = WindowOf(parent);
  if (parent != nullptr && parentRecord == nullptr) return Fail<HWND>(ERROR_INVALID_WINDOW_HANDLE);
  bool child = (style & WS_CHILD) != 0;
  if (child && parentRecord == nullptr) return Fail<HWND>(ERROR_TLW_WITH_WSCHILD);

  ModelWindow record;
  record.className = windowClass->second.name;
  record.procedure = windowClass->second.attributes.lpfnWndProc;
  record.text = windowName != nullptr ? windowName : "";
  record.style = style;
  record.exStyle = exStyle;
  record.thread = GetCurrentThreadId();
  record.process = GetCurrentProcessId();
  POINT origin = {x, y};
  if (child) {
    POINT client = ClientOrigin(*parentRecord);
    origin = {client.x + x, client.y + y};
    record.parent = parent;
  } else {
    record.owner = parent;
  }
  record.rect = {origin.x, origin.y, origin.x + width, origin.y + height};

  HWND window = FreeHandle(table);
  table.windows.emplace(window, std::move(record));
  if (child) {
    parentRecord->children.push_back(window);  // new controls go under their elder siblings
  } else {
    PlaceOnTopOfBand(table, window);
    if (style & WS_VISIBLE) table.foreground = window;
  }
  MarkUnpainted(window, false);
  return window;
}

BOOL WINAPI DestroyWindow(HWND window) {
  WindowTable &table = Windows();
  TableLock hold(table.lock);
  if (WindowOf(window) == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE);
  Forget(table, window);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND window) {
  TableLock hold(Windows().lock);
  return WindowOf(window) != nullptr ? TRUE : FALSE;
}
