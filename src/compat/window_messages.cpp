// Sending messages, the default handling, and the message box.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "window_table.h"

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC procedure = nullptr;
  {
    TableLock hold(Windows().lock);
    ModelWindow *record = WindowOf(window);
    if (record == nullptr) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    record->messages.push_back({message, wParam, lParam});
    procedure = record->procedure;
  }
  return procedure != nullptr ? procedure(window, message, wParam, lParam)
                              : DefWindowProcA(window, message, wParam, lParam);
}

LRESULT WINAPI DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  if (record == nullptr) return 0;
  switch (message) {
    case WM_SETTEXT:
      record->text = lParam != 0 ? reinterpret_cast<LPCSTR>(lParam) : "";
      MarkUnpainted(window, false);
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0) return 0;
      size_t length = std::min<size_t>(record->text.size(), wParam - 1);
      std::memcpy(reinterpret_cast<LPSTR>(lParam), record->text.data(), length);
      reinterpret_cast<LPSTR>(lParam)[length] = '\0';
      return static_cast<LRESULT>(length);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(record->text.size());
    default:
      return 0;
  }
}

// The box is modal to its owner: the owner cannot be used while it is up.
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  std::function<int(const window_model::MessageBoxCall &)> answer;
  {
    TableLock hold(Windows().lock);
    answer = Windows().answerMessageBox;
  }
  bool ownerHeld = owner != nullptr && IsWindowEnabled(owner);
  if (ownerHeld) EnableWindow(owner, FALSE);
  int result =
      answer ? answer({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type}) : IDOK;
  if (ownerHeld) EnableWindow(owner, TRUE);
  return result;
}
