// The message box and the holding of the thread's windows, against the
// stand-in's model, which lets the test look while the box is up.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "base/process_heaps.h"
#include "compat/testing/window_model.h"
#include "support/window_readout.h"
#include "test_windows.h"
#include "ui/message_box.h"

namespace {

using test_windows::MakeWindow;
using test_windows::OtherThreadWindow;
using window_readout::Look;
using window_readout::LookOf;
using window_readout::StackingOrder;
using window_readout::WithStates;

class MessageBoxTest : public ::testing::Test {
 protected:
  void TearDown() override { window_model::Reset(); }
};

TEST_F(MessageBoxTest, WithNoWindowOfItsOwnTheBoxHasNoOwnerAndItsTextsUnchanged) {
  std::vector<window_model::MessageBoxCall> calls;
  window_model::AnswerMessageBoxes([&](const window_model::MessageBoxCall &call) {
    calls.push_back(call);
    return IDOK;
  });
  const char *text = "C:\\Users\\Public\\Quorvel\\ does not exist, can not update preferences";
  EXPECT_EQ(ShowMessage("Error", text, 0), IDOK);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].owner, nullptr);
  EXPECT_EQ(calls[0].caption, "Error");
  EXPECT_EQ(calls[0].text, text);
  EXPECT_EQ(calls[0].type, 0u) << "no flags added: one OK button, no icon";

  window_model::AnswerMessageBoxes(nullptr);
  EXPECT_EQ(ShowMessage("Error", text, 0), IDOK) << "the model's box is dismissed with OK at once";
}

TEST_F(MessageBoxTest, HoldsTheThreadsVisibleWindowsAndGivesThemBackExactly) {
  HWND lowTopmost = MakeWindow("low topmost", WS_EX_TOPMOST, WS_VISIBLE, 0);
  HWND enabled = MakeWindow("enabled", 0, WS_VISIBLE, 200);
  HWND disabled = MakeWindow("disabled", 0, WS_VISIBLE | WS_DISABLED, 300);
  HWND hidden = MakeWindow("hidden", WS_EX_TOPMOST, 0, 400);
  HWND foreign = MakeWindow("other process", WS_EX_TOPMOST, WS_VISIBLE, 500);
  window_model::MoveToProcess(foreign, 1, 1);  // init's: surely not this process
  HWND foreground = MakeWindow("foreground", WS_EX_TOPMOST, WS_VISIBLE, 600);
  OtherThreadWindow otherThread("other thread");
  ASSERT_TRUE(SetForegroundWindow(foreground));
  // Above the foreground window, without taking the foreground from it.
  HWND highTopmost = MakeWindow("high topmost", WS_EX_TOPMOST, 0, 100);
  ShowWindow(highTopmost, SW_SHOWNA);
  const std::vector<HWND> all = {lowTopmost, highTopmost,          enabled,   disabled, hidden,
                                 foreign,    otherThread.window(), foreground};
  std::map<HWND, Look> before;
  for (HWND window : all) before[window] = LookOf(window);
  const std::vector<HWND> ours = {lowTopmost, highTopmost, foreground};
  std::vector<HWND> oursStacked = StackingOrder(ours);

  std::map<HWND, Look> during;
  HWND owner = nullptr;
  HWND foregroundDuring = nullptr;
  window_model::AnswerMessageBoxes([&](const window_model::MessageBoxCall &call) {
    for (HWND window : all) during[window] = LookOf(window);
    owner = call.owner;
    foregroundDuring = GetForegroundWindow();
    return IDOK;
  });
  EXPECT_EQ(ShowMessage("Error", "held", 0), IDOK);

  EXPECT_EQ(owner, foreground) << "the process's own foreground window owns the box";
  EXPECT_EQ(foregroundDuring, foreground) << "lowering the topmost windows activated none of them";
  EXPECT_EQ(during[lowTopmost], WithStates(before[lowTopmost], false, false));
  EXPECT_EQ(during[highTopmost], WithStates(before[highTopmost], false, false));
  EXPECT_EQ(during[enabled], WithStates(before[enabled], false, false));
  EXPECT_EQ(during[disabled], before[disabled]);
  EXPECT_EQ(during[hidden], before[hidden]) << "hidden windows are left alone";
  EXPECT_EQ(during[foreign], before[foreign]) << "other processes' windows are left alone";
  EXPECT_EQ(during[otherThread.window()], before[otherThread.window()]) << "other threads' windows too";
  EXPECT_EQ(during[foreground], WithStates(before[foreground], false, false))
      << "lowered like the others, and disabled by the box itself";

  for (HWND window : all) EXPECT_EQ(LookOf(window), before[window]) << "after the box";
  EXPECT_EQ(StackingOrder(ours), oursStacked) << "the topmost ones keep their order among themselves";
  EXPECT_EQ(GetForegroundWindow(), foreground);
}

TEST_F(MessageBoxTest, ABoxThatFailsGivesTheWindowsBackAllTheSame) {
  HWND topmost = MakeWindow("topmost", WS_EX_TOPMOST, WS_VISIBLE, 0);
  HWND other = MakeWindow("other", 0, WS_VISIBLE, 300);
  ASSERT_TRUE(SetForegroundWindow(other));
  Look before = LookOf(topmost);
  window_model::AnswerMessageBoxes([](const window_model::MessageBoxCall &) { return 0; });
  EXPECT_EQ(ShowMessage("Error", "failed", 0), 0);
  EXPECT_EQ(LookOf(topmost), before);
}

TEST_F(MessageBoxTest, AWindowWhoseEntryCannotBeStoredIsLeftAsItIs) {
  HWND topmost = MakeWindow("topmost", WS_EX_TOPMOST, WS_VISIBLE, 0);
  HWND other = MakeWindow("other", 0, WS_VISIBLE, 300);
  ASSERT_TRUE(SetForegroundWindow(other));
  Look before = LookOf(topmost);
  HANDLE full = HeapCreate(0, 0, 1);
  UseMainHeap(full);
  Look during = {};
  window_model::AnswerMessageBoxes([&](const window_model::MessageBoxCall &) {
    during = LookOf(topmost);
    return IDOK;
  });
  ShowMessage("Error", "no memory for the list", 0);
  UseMainHeap(nullptr);
  HeapDestroy(full);
  EXPECT_EQ(during, before) << "nothing was taken, so nothing is left to give back";
  EXPECT_EQ(LookOf(topmost), before);
}

TEST_F(MessageBoxTest, ABoxOnAnotherThreadReleasesOnlyItsOwnWindows) {
  HWND mine = MakeWindow("mine", WS_EX_TOPMOST, WS_VISIBLE, 0);
  HWND other = MakeWindow("other", 0, WS_VISIBLE, 300);
  ASSERT_TRUE(SetForegroundWindow(other));
  Look mineAfterTheirBox = {};
  Look theirsDuringTheirBox = {};
  window_model::AnswerMessageBoxes([&](const window_model::MessageBoxCall &call) {
    if (call.text == "theirs") {
      theirsDuringTheirBox = LookOf(FindWindowA(nullptr, "theirs"));
      return IDOK;
    }
    std::thread([] {
      HWND theirs = MakeWindow("theirs", WS_EX_TOPMOST, WS_VISIBLE, 600);
      SetForegroundWindow(FindWindowA(nullptr, "other"));
      ShowMessage("Error", "theirs", 0);
      DestroyWindow(theirs);
    }).join();
    mineAfterTheirBox = LookOf(mine);
    return IDOK;
  });
  Look before = LookOf(mine);
  ShowMessage("Error", "mine", 0);
  EXPECT_FALSE(theirsDuringTheirBox.topmost) << "the other thread held its own window";
  EXPECT_FALSE(theirsDuringTheirBox.enabled);
  EXPECT_FALSE(mineAfterTheirBox.topmost) << "its release left this thread's entries alone";
  EXPECT_FALSE(mineAfterTheirBox.enabled);
  EXPECT_EQ(LookOf(mine), before);
}

}  // namespace
