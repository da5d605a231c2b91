#include "ui/window_service.h"

namespace {
HINSTANCE module = nullptr;
HCURSOR cursor = nullptr;
HICON icon = nullptr;
}  // namespace

void StartWindowService(HINSTANCE programModule) {
  module = programModule;
  cursor = LoadCursorA(nullptr, IDC_ARROW);
  icon = LoadIconA(programModule, MAKEINTRESOURCEA(1));
}

HINSTANCE WindowModule() { return module; }

HCURSOR WindowCursor() { return cursor; }

HICON WindowIcon() { return icon; }
