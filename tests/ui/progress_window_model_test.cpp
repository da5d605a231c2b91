// What only the stand-in's window model can show: painting, the messages the
// controls were sent, accelerator tables, and a desktop that refuses windows.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdint>

#include "base/any_number.h"
#include "compat/testing/window_model.h"
#include "support/window_readout.h"
#include "ui/progress_window.h"

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

// Like the themed bar, the model's draws a move backward, and a position its
// range moves, at once, and a move forward only on timer messages: every value
// must come last by one of the first two, with the range put back.
TEST_F(ProgressWindowModelTest, EachValueReachesTheBarLastByAMoveItDrawsAtOnce) {
  using Sent = std::vector<std::pair<UINT, std::pair<int64_t, int64_t>>>;
  constexpr int32_t kTop = INT32_MAX;
  // Drawing is held off from the first move to the last.
  auto held = [](Sent moves) {
    moves.insert(moves.begin(), {WM_SETREDRAW, {FALSE, 0}});
    moves.push_back({WM_SETREDRAW, {TRUE, 0}});
    return moves;
  };
  const Sent toTheTop = held({{PBM_SETRANGE32, {0, 351}},
                              {PBM_SETPOS, {351, 0}},
                              {PBM_SETPOS, {350, 0}},
                              {PBM_SETRANGE32, {0, 350}}});
  const Sent atTheLargestTop = held({{PBM_SETRANGE32, {kTop, kTop}}, {PBM_SETRANGE32, {0, kTop}}});
  struct {
    const char *name;
    int32_t minimum, maximum, before, value;
    Sent sent;
  } const rows[] = {
      {"forward", 0, 350, 95, 125, held({{PBM_SETPOS, {126, 0}}, {PBM_SETPOS, {125, 0}}})},
      {"backward", 0, 350, 225, 5, held({{PBM_SETPOS, {6, 0}}, {PBM_SETPOS, {5, 0}}})},
      {"the same again", 0, 350, 95, 95, held({{PBM_SETPOS, {96, 0}}, {PBM_SETPOS, {95, 0}}})},
      {"below the minimum", -20, 350, 0, -30, held({{PBM_SETPOS, {-19, 0}}, {PBM_SETPOS, {-20, 0}}})},
      {"the maximum", 0, 350, 325, 350, toTheTop},
      {"beyond the maximum", 0, 350, 325, 375, toTheTop},
      // No range reaches above it: one that holds only the maximum moves the position there.
      {"the largest maximum", 0, kTop, 325, kTop, atTheLargestTop},
  };
  auto font = static_cast<int64_t>(reinterpret_cast<intptr_t>(GetStockObject(DEFAULT_GUI_FONT)));
  // The range, font, redraw and position messages among those sent to the bar from the `from`th on.
  auto settings = [](HWND bar, size_t from) {
    Sent seen;
    std::vector<window_model::SentMessage> all = window_model::MessagesSentTo(bar);
    for (size_t i = from; i < all.size(); ++i)
      if (all[i].message == PBM_SETRANGE32 || all[i].message == WM_SETREDRAW ||
          all[i].message == PBM_SETPOS || all[i].message == WM_SETFONT)
        seen.push_back({all[i].message, {static_cast<int32_t>(all[i].wParam), all[i].lParam}});
    return seen;
  };
  for (const auto &row : rows) {
    ASSERT_NE(OpenProgressWindow(0, 100, 100, 400, 100, "Checking for Updates"), 0);
    ASSERT_NE(AddProgressBar(1, 25, 24, 350, 20, row.minimum, row.maximum), 0);
    HWND bar = ChildrenOf(FindTopLevel("Checking for Updates")).at(0);
    EXPECT_EQ(settings(bar, 0), (Sent{{PBM_SETRANGE32, {row.minimum, row.maximum}},
                                      {WM_SETFONT, {static_cast<int32_t>(font), 1}}}))
        << row.name;
    SetProgressValue(1, row.before);
    size_t before = window_model::MessagesSentTo(bar).size();
    EXPECT_EQ(SetProgressValue(1, row.value), row.before) << row.name;
    EXPECT_EQ(settings(bar, before), row.sent) << row.name;
    EXPECT_EQ(window_model::DrawnBarPosition(bar), std::clamp(row.value, row.minimum, row.maximum))
        << row.name;
    EXPECT_TRUE(window_model::WindowsAwaitingPaint().empty()) << row.name;
    CloseProgressWindow(0);
  }
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
