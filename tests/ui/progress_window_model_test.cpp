// What only the stand-in's window model can show: painting, the messages the
// controls were sent, accelerator tables, and a desktop that refuses windows.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include "base/any_number.h"
#include "compat/testing/window_model.h"
#include "ui/progress_window.h"
#include "window_readout.h"

namespace {

using namespace window_readout;

class ProgressWindowModelTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseAllProgressWindows();
    window_model::Reset();
  }
};

TEST_F(ProgressWindowModelTest, EveryChangeIsPaintedBeforeTheOperationReturns) {
  ASSERT_NE(OpenProgressWindow(0, 100, 100, 400, 100, "Checking for Updates"), 0);
  EXPECT_TRUE(window_model::WindowsAwaitingPaint().empty()) << "opened";
  ASSERT_NE(AddProgressBar(1, 25, 24, 350, 20, 0, 350), 0);
  EXPECT_TRUE(window_model::WindowsAwaitingPaint().empty()) << "bar added";
  for (int value : {5, 25, 375}) {
    SetProgressValue(1, value);
    EXPECT_TRUE(window_model::WindowsAwaitingPaint().empty()) << "value " << value;
  }
  ASSERT_NE(AddStatusText(AnyNumber, 25, 50, 350, 20, "Downloading New Files"), 0);
  EXPECT_TRUE(window_model::WindowsAwaitingPaint().empty()) << "status added";

  // The model does hold back what nobody paints.
  HWND window = FindTopLevel("Checking for Updates");
  HWND unpainted = CreateWindowExA(0, "Static", "raw", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, window, nullptr,
                                   nullptr, nullptr);
  EXPECT_EQ(window_model::WindowsAwaitingPaint(), std::vector<HWND>{unpainted});
}

TEST_F(ProgressWindowModelTest, TheBarGetsItsRangeFontAndValuesUnchanged) {
  ASSERT_NE(OpenProgressWindow(0, 100, 100, 400, 100, "Checking for Updates"), 0);
  ASSERT_NE(AddProgressBar(1, 25, 24, 350, 20, -20, 350), 0);
  HWND bar = ChildrenOf(FindTopLevel("Checking for Updates")).at(0);
  SetProgressValue(1, 375);
  SetProgressValue(1, -7);
  std::vector<std::pair<UINT, std::pair<int64_t, int64_t>>> seen;
  for (const window_model::SentMessage &sent : window_model::MessagesSentTo(bar))
    if (sent.message == PBM_SETRANGE32 || sent.message == PBM_SETPOS || sent.message == WM_SETFONT)
      seen.push_back({sent.message, {static_cast<int32_t>(sent.wParam), sent.lParam}});
  auto font = static_cast<int64_t>(reinterpret_cast<intptr_t>(GetStockObject(DEFAULT_GUI_FONT)));
  decltype(seen) expected = {{PBM_SETRANGE32, {-20, 350}},
                             {WM_SETFONT, {static_cast<int32_t>(font), 1}},
                             {PBM_SETPOS, {375, 0}},
                             {PBM_SETPOS, {-7, 0}}};
  EXPECT_EQ(seen, expected) << "375 reaches the bar unchanged; the bar itself keeps it within range";
}

TEST_F(ProgressWindowModelTest, EachWindowHasItsTabAcceleratorsUntilItCloses) {
  ASSERT_NE(OpenProgressWindow(0, 100, 100, 400, 100, "Checking for Updates"), 0);
  auto tables = window_model::LiveAcceleratorTables();
  ASSERT_EQ(tables.size(), 1u);
  ASSERT_EQ(tables[0].size(), 2u);
  EXPECT_EQ(tables[0][0].fVirt, FVIRTKEY | FNOINVERT);
  EXPECT_EQ(tables[0][0].key, VK_TAB);
  EXPECT_EQ(tables[0][0].cmd, 64001);
  EXPECT_EQ(tables[0][1].fVirt, FVIRTKEY | FNOINVERT | FSHIFT);
  EXPECT_EQ(tables[0][1].key, VK_TAB);
  EXPECT_EQ(tables[0][1].cmd, 64002);
  CloseProgressWindow(0);
  EXPECT_TRUE(window_model::LiveAcceleratorTables().empty());
}

TEST_F(ProgressWindowModelTest, AWindowThatCannotBeMadeLeavesNothingBehind) {
  ASSERT_NE(OpenProgressWindow(3, 10, 10, 100, 50, "Kept"), 0);
  window_model::RefuseWindowCreation(true);
  EXPECT_EQ(OpenProgressWindow(5, 100, 100, 400, 100, "Refused"), 0);
  EXPECT_EQ(AddProgressBar(1, 25, 24, 350, 20, 0, 350), 0);
  window_model::RefuseWindowCreation(false);
  WNDCLASSA registered = {};
  EXPECT_FALSE(GetClassInfoA(nullptr, "QuorvelWindow5", &registered)) << "its class is withdrawn";
  EXPECT_NE(AddStatusText(AnyNumber, 5, 5, 50, 20, "into Kept"), 0) << "the current parent stays as it was";
  EXPECT_EQ(ChildrenOf(FindTopLevel("Kept")).size(), 1u);
  CloseProgressWindow(5);  // number 5 was freed: nothing to close

  // Reopening a live number that then fails: the old window is gone, and no parent is left.
  window_model::RefuseWindowCreation(true);
  EXPECT_EQ(OpenProgressWindow(3, 10, 10, 100, 50, "Kept again"), 0);
  window_model::RefuseWindowCreation(false);
  EXPECT_EQ(FindTopLevel("Kept"), nullptr);
  EXPECT_EQ(AddStatusText(AnyNumber, 5, 5, 50, 20, "nowhere"), 0);
  EXPECT_EQ(AddProgressBar(1, 25, 24, 350, 20, 0, 350), 0);
  EXPECT_EQ(SetProgressValue(1, 5), 0);
}

}  // namespace
