// Starts the window and control services once for every test, as the
// program's start-up does.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "ui/progress_window.h"

namespace {

class UiServices : public ::testing::Environment {
 public:
  void SetUp() override {
#ifdef _WIN32
    // Wine sometimes starts without its desktop; the harness runs the tests
    // again on a fresh wineserver when it sees this exit code.
    HWND probe = CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (probe == nullptr) {
      std::fprintf(stderr, "no desktop: no window can be created\n");
      std::exit(125);
    }
    DestroyWindow(probe);
    StartWindowService(GetModuleHandleA(nullptr));
#else
    StartWindowService(nullptr);  // the stand-in's programs have no module of their own
#endif
    StartControlService();
  }
};

const auto *const uiServices = ::testing::AddGlobalTestEnvironment(new UiServices);

}  // namespace
