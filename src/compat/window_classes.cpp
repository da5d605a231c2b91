// Window classes, and the cursors, icons, fonts and accelerator tables they
// and their windows use. The stand-in's programs carry no resources.
#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include "window_table.h"

namespace {
const HCURSOR kArrowCursor = reinterpret_cast<HCURSOR>(uintptr_t{0x10011});
constexpr uintptr_t kStockObjects = 0x8A0000;
}  // namespace

ATOM WINAPI RegisterClassA(const WNDCLASSA *windowClass) {
  static ATOM lastAtom = 0xC000;
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr) return 0;
  TableLock hold(Windows().lock);
  std::string key = LowerCase(windowClass->lpszClassName);
  if (Windows().classes.count(key) != 0) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  ModelClass registered;
  registered.name = windowClass->lpszClassName;
  registered.attributes = *windowClass;
  Windows().classes[key] = registered;
  return ++lastAtom;
}

BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE) {
  TableLock hold(Windows().lock);
  auto found = Windows().classes.find(LowerCase(className));
  if (found == Windows().classes.end() || found->second.builtIn) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  for (auto &entry : Windows().windows)
    if (LowerCase(entry.second.className.c_str()) == found->first) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
  Windows().classes.erase(found);
  return TRUE;
}

BOOL WINAPI GetClassInfoA(HINSTANCE, LPCSTR className, LPWNDCLASSA windowClass) {
  TableLock hold(Windows().lock);
  auto found = Windows().classes.find(LowerCase(className));
  if (found == Windows().classes.end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
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
