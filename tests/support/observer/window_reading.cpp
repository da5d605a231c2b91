#include "window_reading.h"

#include <cstdint>
#include <cstdio>

#include "support/window_readout.h"
#include "timeline.h"

using window_readout::ClassOf;
using window_readout::RectText;
using window_readout::TextOf;

namespace {

std::string Hex(unsigned long long value) {
  char text[24];
  std::snprintf(text, sizeof(text), "0x%llx", value);
  return text;
}

// The bar of the platform's common controls as Wine lays it out behind its
// first window word: its own handle, then position, minimum and maximum.
struct BarMemory {
  HWND self;
  INT position;
  INT minimum;
  INT maximum;
};

}  // namespace

std::string HandleText(HWND window) { return Hex(reinterpret_cast<uintptr_t>(window)); }

std::string DescribeWindow(HWND window) {
  DWORD process = 0;
  DWORD thread = GetWindowThreadProcessId(window, &process);
  RECT rect = {};
  RECT client = {};
  GetWindowRect(window, &rect);
  GetClientRect(window, &client);
  auto exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  return "handle=" + HandleText(window) + " title=" + QuoteTimelineText(TextOf(window)) +
         " class=" + QuoteTimelineText(ClassOf(window)) + " pid=" + std::to_string(process) +
         " thread=" + std::to_string(thread) + " rect=" + RectText(rect) +
         " client=" + std::to_string(client.right) + "," + std::to_string(client.bottom) +
         " style=" + Hex(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE))) + " exstyle=" + Hex(exStyle) +
         " visible=" + std::to_string(IsWindowVisible(window) ? 1 : 0) +
         " enabled=" + std::to_string(IsWindowEnabled(window) ? 1 : 0) +
         " topmost=" + std::to_string((exStyle & WS_EX_TOPMOST) ? 1 : 0) +
         " owner=" + HandleText(GetWindow(window, GW_OWNER));
}

std::vector<ChildControl> ReadChildren(HWND window) {
  std::vector<ChildControl> children;
  for (HWND child : window_readout::ChildrenOf(window)) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT *>(&rect), 2);
    ChildControl control{child, ClassOf(child), TextOf(child), GetDlgCtrlID(child), ""};
    control.fields = "window=" + HandleText(window) + " handle=" + HandleText(child) +
                     " index=" + std::to_string(children.size()) + " id=" + std::to_string(control.id) +
                     " class=" + QuoteTimelineText(control.className) +
                     " text=" + QuoteTimelineText(control.text) + " rect=" + RectText(rect) +
                     " style=" + Hex(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE))) +
                     " visible=" + std::to_string(IsWindowVisible(child) ? 1 : 0) +
                     " enabled=" + std::to_string(IsWindowEnabled(child) ? 1 : 0);
    children.push_back(control);
  }
  return children;
}

std::string ReadBarFromMemory(HANDLE process, HWND bar) {
  auto address = reinterpret_cast<const void *>(GetWindowLongPtrA(bar, 0));
  BarMemory memory = {};
  SIZE_T read = 0;
  if (process == nullptr || address == nullptr ||
      !ReadProcessMemory(process, address, &memory, sizeof(memory), &read) || read != sizeof(memory) ||
      memory.self != bar)
    return "";
  return "min=" + std::to_string(memory.minimum) + " max=" + std::to_string(memory.maximum) +
         " pos=" + std::to_string(memory.position);
}

std::string ReadBarFromScreen(HWND bar) {
  RECT rect = {};
  GetWindowRect(bar, &rect);
  LONG middle = (rect.top + rect.bottom) / 2;
  ScreenBitmap row = CaptureScreen({rect.left, middle, rect.right, middle + 1});
  COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  uint32_t fill = (GetRValue(highlight) << 16) | (GetGValue(highlight) << 8) | GetBValue(highlight);
  int first = -1;
  int last = -1;
  for (int x = 0; x < row.width; ++x)
    if (row.At(x, 0) == fill) {
      if (first < 0) first = x;
      last = x;
    }
  return "filled=" + std::to_string(first < 0 ? 0 : last - first + 1) + " width=" + std::to_string(row.width);
}

ScreenBitmap CaptureScreen(const RECT &area) {
  ScreenBitmap bitmap;
  bitmap.width = area.right - area.left;
  bitmap.height = area.bottom - area.top;
  if (bitmap.width <= 0 || bitmap.height <= 0) return ScreenBitmap{};
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = bitmap.width;
  info.bmiHeader.biHeight = -bitmap.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void *bits = nullptr;
  HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, section);
  BitBlt(memory, 0, 0, bitmap.width, bitmap.height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  const auto *pixels = static_cast<const uint32_t *>(bits);
  bitmap.pixels.assign(pixels, pixels + static_cast<size_t>(bitmap.width) * bitmap.height);
  for (uint32_t &pixel : bitmap.pixels) pixel &= 0xFFFFFFu;
  SelectObject(memory, previous);
  DeleteObject(section);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return bitmap;
}
