// Sending messages, the default handling, the procedures of the platform's
// static text and progress bar (as far as their state goes), and the message box.
#include <commctrl.h>
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "errors.h"
#include "window_table.h"

namespace {

// Font messages, answered alike by both controls; false for any other message.
bool AnswerFontMessage(ModelWindow &record, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                       LRESULT &result) {
  if (message == WM_SETFONT) {
    record.font = reinterpret_cast<HFONT>(wParam);
    if (lParam != 0) MarkUnpainted(window, false);
    result = 0;
    return true;
  }
  if (message == WM_GETFONT) {
    result = reinterpret_cast<LRESULT>(record.font);
    return true;
  }
  return false;
}

// Like the platform's bar, the position stays within the range. What is drawn
// follows the themed bar of common controls 6: a move backward is drawn at
// once (under PBS_SMOOTHREVERSE on Microsoft's "Progress Bar Control Styles"
// page), a move forward is animated on timer messages (the SetTimer page),
// which nothing here dispatches, so it stays drawn where it was.
void SetPosition(HWND window, ModelWindow &record, int32_t position) {
  int32_t kept = std::clamp(position, std::min(record.rangeMinimum, record.rangeMaximum),
                            std::max(record.rangeMinimum, record.rangeMaximum));
  if (kept != record.position) MarkUnpainted(window, false);
  if (kept < record.position) record.drawnPosition = kept;
  record.position = kept;
}

}  // namespace

LRESULT CALLBACK StaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  LRESULT result = 0;
  if (record != nullptr && AnswerFontMessage(*record, window, message, wParam, lParam, result)) return result;
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK ProgressBarProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TableLock hold(Windows().lock);
  ModelWindow *record = WindowOf(window);
  LRESULT result = 0;
  if (record == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  if (AnswerFontMessage(*record, window, message, wParam, lParam, result)) return result;
  switch (message) {
    case PBM_SETRANGE32: {
      result = (record->rangeMinimum & 0xFFFF) | ((record->rangeMaximum & 0xFFFF) << 16);
      record->rangeMinimum = static_cast<int32_t>(wParam);
      record->rangeMaximum = static_cast<int32_t>(lParam);
      MarkUnpainted(window, false);
      int32_t before = record->position;
      SetPosition(window, *record, record->position);
      // A position the new range moves is drawn at once, either way.
      if (record->position != before) record->drawnPosition = record->position;
      return result;
    }
    case PBM_GETRANGE: {
      if (lParam != 0) *reinterpret_cast<PPBRANGE>(lParam) = {record->rangeMinimum, record->rangeMaximum};
      return wParam ? record->rangeMinimum : record->rangeMaximum;
    }
    case PBM_SETPOS:
      result = record->position;
      SetPosition(window, *record, static_cast<int32_t>(wParam));
      return result;
    case PBM_GETPOS:
      return record->position;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC procedure = nullptr;
  {
    TableLock hold(Windows().lock);
    ModelWindow *record = WindowOf(window);
    if (record == nullptr) return Fail(ERROR_INVALID_WINDOW_HANDLE, 0);
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
    // The default handling keeps the redraw flag as the visible style (Microsoft's WM_SETREDRAW page).
    case WM_SETREDRAW:
      record->style = wParam ? record->style | WS_VISIBLE : record->style & ~DWORD{WS_VISIBLE};
      return 0;
    default:
      return 0;
  }
}

// The box is modal to its owner: the owner cannot be used while it is up.
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  MessageBoxAnswer answer = nullptr;
  {
    TableLock hold(Windows().lock);
    answer = Windows().answerMessageBox;
  }
  bool ownerHeld = owner != nullptr && IsWindowEnabled(owner);
  if (ownerHeld) EnableWindow(owner, FALSE);
  int result = answer != nullptr
                   ? answer(owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type)
                   : IDOK;
  if (ownerHeld) EnableWindow(owner, TRUE);
  return result;
}
