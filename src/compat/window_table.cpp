// The in-memory window model: the one table, the frame metrics, the z-order
// and what awaits painting.
#include "window_table.h"

#include <commctrl.h>

#include <algorithm>

#include "portable/ascii_names.h"

namespace {

void AddBuiltInClass(WindowTable &table, const char *name, WNDPROC procedure) {
  ModelClass builtIn;
  builtIn.name = name;
  builtIn.attributes.lpfnWndProc = procedure;
  builtIn.builtIn = true;
  table.classes[FoldedName(name)] = builtIn;
}

WindowTable *MakeTable() {
  auto *table = new WindowTable;
  AddBuiltInClass(*table, "Static", StaticProcedure);
  AddBuiltInClass(*table, PROGRESS_CLASSA, ProgressBarProcedure);
  return table;
}

}  // namespace

// Never torn down: windows may be looked at until the process ends.
WindowTable &Windows() {
  static WindowTable *table = MakeTable();
  return *table;
}

ModelWindow *WindowOf(HWND window) {
  auto found = Windows().windows.find(window);
  return found != Windows().windows.end() ? &found->second : nullptr;
}

std::string FoldedName(const char *name) { return FoldedAsciiCase(name != nullptr ? name : ""); }

// The metrics of the platform's default desktop: a 3-pixel dialog frame, a
// 4-pixel sizing frame, a 19-pixel caption.
RECT FrameOf(DWORD style, DWORD exStyle) {
  LONG border = 0;
  if (style & WS_THICKFRAME)
    border = 4;
  else if (style & WS_DLGFRAME)
    border = 3;
  else if (style & WS_BORDER)
    border = 1;
  if (exStyle & WS_EX_CLIENTEDGE) border += 2;
  LONG caption = (style & WS_CAPTION) == WS_CAPTION ? 19 : 0;
  return RECT{border, border + caption, border, border};
}

POINT ClientOrigin(const ModelWindow &record) {
  RECT frame = FrameOf(record.style, record.exStyle);
  return POINT{record.rect.left + frame.left, record.rect.top + frame.top};
}

bool ShownOnScreen(HWND window) {
  for (ModelWindow *record = WindowOf(window); record != nullptr; record = WindowOf(record->parent))
    if (!(record->style & WS_VISIBLE)) return false;
  return WindowOf(window) != nullptr;
}

void PlaceOnTopOfBand(WindowTable &table, HWND window) {
  auto &order = table.topLevel;
  order.erase(std::remove(order.begin(), order.end(), window), order.end());
  auto firstOrdinary = std::find_if(order.begin(), order.end(), [&](HWND other) {
    return !(table.windows.at(other).exStyle & WS_EX_TOPMOST);
  });
  bool topmost = table.windows.at(window).exStyle & WS_EX_TOPMOST;
  order.insert(topmost ? order.begin() : firstOrdinary, window);
}

namespace {

void SetAwaitsPainting(HWND window, bool children, bool awaits) {
  ModelWindow *record = WindowOf(window);
  if (record == nullptr || !ShownOnScreen(window)) return;
  record->awaitsPainting = awaits;
  if (children)
    for (HWND child : record->children) SetAwaitsPainting(child, true, awaits);
}

}  // namespace

void MarkUnpainted(HWND window, bool children) { SetAwaitsPainting(window, children, true); }

void PaintNow(HWND window, bool children) { SetAwaitsPainting(window, children, false); }

void OffsetBy(ModelWindow &record, LONG dx, LONG dy) {
  record.rect = {record.rect.left + dx, record.rect.top + dy, record.rect.right + dx,
                 record.rect.bottom + dy};
  for (HWND child : record.children) OffsetBy(*WindowOf(child), dx, dy);
}
