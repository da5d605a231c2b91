// The platform's static text and progress bar, as far as their state goes.
#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <algorithm>

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

// Like the platform's bar, the position stays within the range.
void SetPosition(HWND window, ModelWindow &record, int32_t position) {
  int32_t kept = std::clamp(position, std::min(record.rangeMinimum, record.rangeMaximum),
                            std::max(record.rangeMinimum, record.rangeMaximum));
  if (kept != record.position) MarkUnpainted(window, false);
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
      SetPosition(window, *record, record->position);
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
