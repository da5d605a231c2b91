// The window contract, read back through the platform's own calls in the
// test's process, the same in both builds: the stand-in's model natively,
// Wine's real windows in the Windows build. What only the model's hooks or
// the outside observer can show is tested beside this, per build.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <thread>

#include "base/any_number.h"
#include "base/win32.h"
#include "support/window_readout.h"
#include "test_windows.h"
#include "ui/message_box.h"
#include "ui/progress_window.h"

namespace {

using namespace window_readout;
using test_windows::MakeWindow;
using test_windows::OtherThreadWindow;

constexpr const char *kTitle = "Checking for Updates";

class ProgressWindowTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseAllProgressWindows(); }

  // The updater's window with its bar, as the update script makes them.
  HWND OpenUpdaterWindow() {
    EXPECT_NE(OpenProgressWindow(0, 100, 100, 400, 100, kTitle), 0);
    EXPECT_NE(AddProgressBar(1, 25, 24, 350, 20, 0, 350), 0);
    return FindTopLevel(kTitle);
  }
};

TEST_F(ProgressWindowTest, OpensAtItsPlaceWithTheClientAreaAskedForAndIsActive) {
  ASSERT_NE(OpenProgressWindow(0, 100, 100, 400, 100, kTitle), 0);
  HWND window = FindTopLevel(kTitle);
  ASSERT_NE(window, nullptr);
  RECT outer = {0, 0, 400, 100};
  AdjustWindowRectEx(&outer, WS_CAPTION | WS_SYSMENU, FALSE, 0);
  EXPECT_EQ(ScreenRectText(window), "100,100," + std::to_string(100 + outer.right - outer.left) + "," +
                                        std::to_string(100 + outer.bottom - outer.top))
      << "placed exactly at 100,100, not centred";
  RECT client = {};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 100);

  auto style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  auto exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_VISIBLE), DWORD{WS_CAPTION | WS_SYSMENU | WS_VISIBLE});
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP), 0u);
  EXPECT_EQ(exStyle & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), 0u);
  EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);
  EXPECT_EQ(GetForegroundWindow(), window) << "showing it made it the active window";

  char className[256] = "";
  GetClassNameA(window, className, sizeof(className));
  WNDCLASSA registered = {};
  ASSERT_TRUE(GetClassInfoA(WindowModule(), className, &registered));
  EXPECT_EQ(registered.style, UINT{CS_DBLCLKS});
  EXPECT_EQ(registered.hbrBackground, reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1)));
  EXPECT_EQ(registered.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_EQ(registered.hIcon, nullptr) << "the program carries no icon";
}

TEST_F(ProgressWindowTest, AnAbsentTitleIsAnEmptyOne) {
  intptr_t number = OpenProgressWindow(AnyNumber, 10, 10, 50, 50, nullptr);
  ASSERT_NE(number, 0);
  EXPECT_NE(FindTopLevel(""), nullptr);
}

TEST_F(ProgressWindowTest, ControlsGoIntoTheNewestWindowInTheOrderTheyAreMade) {
  HWND window = OpenUpdaterWindow();
  ASSERT_NE(window, nullptr);
  const char *texts[] = {"Downloading New Files", "Downloading Files Continues", "Verifying file integrity"};
  std::set<intptr_t> numbers;
  for (const char *text : texts) numbers.insert(AddStatusText(AnyNumber, 25, 50, 350, 20, text));
  EXPECT_EQ(numbers.size(), 3u) << "each AnyNumber status line gets a number of its own";
  EXPECT_EQ(numbers.count(0), 0u);
  EXPECT_EQ(numbers.count(1), 0u) << "fresh numbers stay clear of the bar's";

  std::vector<HWND> children = ChildrenOf(window);
  ASSERT_EQ(children.size(), 4u);
  HWND bar = children[0];
  EXPECT_EQ(ClassOf(bar), PROGRESS_CLASSA);
  EXPECT_EQ(ClientRectText(window, bar), "25,24,375,44");
  auto barStyle = static_cast<DWORD>(GetWindowLongA(bar, GWL_STYLE));
  EXPECT_EQ(barStyle & (WS_CHILD | WS_VISIBLE), DWORD{WS_CHILD | WS_VISIBLE});
  EXPECT_EQ(barStyle & 0xFFFF, 0u) << "neither smooth nor vertical";
  EXPECT_EQ(BarState(bar), "0 drawn 0 in 0..350");
  for (size_t i = 0; i < 3; ++i) {
    HWND line = children[i + 1];
    EXPECT_EQ(ClassOf(line), "Static");
    EXPECT_EQ(TextOf(line), texts[i]) << "older lines stay, above the newer ones";
    EXPECT_EQ(ClientRectText(window, line), "25,50,375,70");
    auto style = static_cast<DWORD>(GetWindowLongA(line, GWL_STYLE));
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_GROUP), DWORD{WS_CHILD | WS_VISIBLE | WS_GROUP});
    EXPECT_EQ(style & 0x1F, DWORD{SS_LEFT});
  }
  HGDIOBJ guiFont = GetStockObject(DEFAULT_GUI_FONT);
  for (HWND child : children)
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(child, WM_GETFONT, 0, 0)), guiFont);
}

TEST_F(ProgressWindowTest, SetProgressValueGivesThePreviousValueAndTouchesOnlyBars) {
  HWND window = OpenUpdaterWindow();
  intptr_t line = AddStatusText(AnyNumber, 25, 50, 350, 20, "Downloading New Files");
  HWND bar = ChildrenOf(window).at(0);
  // Each value is drawn by the time the call returns, and the range is left as it was set.
  struct {
    int32_t value;
    int32_t previous;
    const char *state;
  } const steps[] = {{5, 0, "5 drawn 5 in 0..350"},         {25, 5, "25 drawn 25 in 0..350"},
                     {349, 25, "349 drawn 349 in 0..350"},  {375, 349, "350 drawn 350 in 0..350"},
                     {350, 350, "350 drawn 350 in 0..350"}, {10, 350, "10 drawn 10 in 0..350"},
                     {10, 10, "10 drawn 10 in 0..350"},     {0, 10, "0 drawn 0 in 0..350"},
                     {50, 0, "50 drawn 50 in 0..350"}};
  for (const auto &step : steps) {
    EXPECT_EQ(SetProgressValue(1, step.value), step.previous) << step.value;
    EXPECT_EQ(BarState(bar), step.state) << step.value;
    EXPECT_TRUE(IsWindowVisible(bar)) << step.value << ": drawing is on again";
  }

  EXPECT_EQ(SetProgressValue(static_cast<int>(line), 7), 0) << "a status line has no value";
  EXPECT_EQ(TextOf(ChildrenOf(window).at(1)), "Downloading New Files");
  EXPECT_EQ(SetProgressValue(42, 9), 0) << "nothing is held under 42";
  EXPECT_EQ(BarState(bar), "50 drawn 50 in 0..350");
}

TEST_F(ProgressWindowTest, ABarKeepsItsOwnRangeEvenBelowZero) {
  ASSERT_NE(OpenProgressWindow(0, 100, 100, 400, 100, kTitle), 0);
  ASSERT_NE(AddProgressBar(1, 25, 24, 350, 20, -20, 350), 0);
  HWND bar = ChildrenOf(FindTopLevel(kTitle)).at(0);
  EXPECT_EQ(BarState(bar), "0 drawn 0 in -20..350");
  EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(bar, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
  struct {
    int32_t value;
    int shown;
  } const cases[] = {{-7, -7}, {-30, -20}, {375, 350}, {0, 0}};
  int previous = 0;
  for (const auto &c : cases) {
    EXPECT_EQ(SetProgressValue(1, c.value), previous) << c.value;
    EXPECT_EQ(BarState(bar), std::to_string(c.shown) + " drawn " + std::to_string(c.shown) + " in -20..350")
        << c.value << " is held within -20..350";
    previous = c.shown;
  }
}

TEST_F(ProgressWindowTest, ReopeningANumberClosesTheOldWindowWithItsControlsFirst) {
  ASSERT_NE(OpenUpdaterWindow(), nullptr);
  ASSERT_NE(OpenProgressWindow(0, 200, 200, 300, 80, "Second"), 0);
  EXPECT_EQ(FindTopLevel(kTitle), nullptr);
  EXPECT_EQ(SetProgressValue(1, 30), 0) << "the bar went with its window";
  HWND second = FindTopLevel("Second");
  ASSERT_NE(second, nullptr);
  EXPECT_TRUE(ChildrenOf(second).empty());
  EXPECT_NE(AddStatusText(AnyNumber, 5, 5, 100, 20, "into the second"), 0);
  EXPECT_EQ(ChildrenOf(second).size(), 1u);
}

TEST_F(ProgressWindowTest, ReusingAControlNumberReplacesTheControlOnlyOnceTheNewOneExists) {
  HWND window = OpenUpdaterWindow();
  HWND oldBar = ChildrenOf(window).at(0);
  ASSERT_NE(AddProgressBar(1, 25, 60, 350, 20, 0, 100), 0);
  EXPECT_FALSE(IsWindow(oldBar));
  ASSERT_EQ(ChildrenOf(window).size(), 1u);
  HWND newBar = ChildrenOf(window).at(0);
  EXPECT_EQ(BarState(newBar), "0 drawn 0 in 0..100");

  // A second window, closed again, leaves no current parent behind.
  ASSERT_NE(OpenProgressWindow(7, 300, 300, 100, 50, "Gone"), 0);
  CloseProgressWindow(7);
  EXPECT_EQ(AddProgressBar(1, 0, 0, 10, 10, 0, 10), 0) << "no parent to put it in";
  EXPECT_EQ(AddStatusText(AnyNumber, 0, 0, 10, 10, "lost"), 0);
  EXPECT_TRUE(IsWindow(newBar)) << "the control that could not be made left number 1's in place";
  EXPECT_EQ(SetProgressValue(1, 30), 0);
  EXPECT_EQ(BarState(newBar), "30 drawn 30 in 0..100");
}

TEST_F(ProgressWindowTest, WithoutAWindowNoControlCanBeMade) {
  EXPECT_EQ(AddProgressBar(1, 25, 24, 350, 20, 0, 350), 0);
  EXPECT_EQ(AddStatusText(AnyNumber, 25, 50, 350, 20, "Downloading New Files"), 0);
  EXPECT_EQ(SetProgressValue(1, 5), 0);
  CloseProgressWindow(0);
  EXPECT_EQ(OpenProgressWindow(-2, 0, 0, 10, 10, "negative"), 0) << "numbers are 0 and above, or AnyNumber";
  EXPECT_EQ(FindTopLevel("negative"), nullptr);
}

TEST_F(ProgressWindowTest, ClosingDestroysEveryControlAndFreesTheirNumbers) {
  HWND window = OpenUpdaterWindow();
  SetProgressValue(1, 95);
  for (const char *text : {"one", "two", "three"}) AddStatusText(AnyNumber, 25, 50, 350, 20, text);
  std::vector<HWND> children = ChildrenOf(window);
  char className[256] = "";
  GetClassNameA(window, className, sizeof(className));

  CloseProgressWindow(0);
  EXPECT_FALSE(IsWindow(window));
  for (HWND child : children) EXPECT_FALSE(IsWindow(child));
  WNDCLASSA registered = {};
  EXPECT_FALSE(GetClassInfoA(WindowModule(), className, &registered)) << "the class is withdrawn";
  EXPECT_EQ(AddStatusText(AnyNumber, 0, 0, 10, 10, "no parent"), 0)
      << "the closed window was the current parent";
  CloseProgressWindow(0);  // nothing there any more

  // New controls may get the old handles back; number 1 must not reach them.
  ASSERT_NE(OpenProgressWindow(AnyNumber, 100, 100, 400, 100, "Another"), 0);
  for (int i = 0; i < 4; ++i) ASSERT_NE(AddProgressBar(AnyNumber, 25, 24, 350, 20, 0, 350), 0);
  EXPECT_EQ(SetProgressValue(1, 40), 0);
  for (HWND bar : ChildrenOf(FindTopLevel("Another"))) EXPECT_EQ(BarState(bar), "0 drawn 0 in 0..350");
  EXPECT_NE(AddProgressBar(1, 25, 24, 350, 20, 0, 350), 0) << "number 1 is free for a new bar";
}

TEST_F(ProgressWindowTest, ACloseRequestLeavesTheWindowOpenAndWorking) {
  HWND window = OpenUpdaterWindow();
  EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
  ASSERT_TRUE(IsWindow(window));
  EXPECT_NE(AddStatusText(AnyNumber, 25, 50, 350, 20, "Downloading New Files"), 0);
  EXPECT_EQ(SetProgressValue(1, 5), 0);
  EXPECT_EQ(BarState(ChildrenOf(window).at(0)), "5 drawn 5 in 0..350");
}

TEST_F(ProgressWindowTest, AnyNumberWindowsAreApartAndCloseAllEndsEveryOne) {
  intptr_t first = OpenProgressWindow(AnyNumber, 10, 10, 100, 50, "First");
  intptr_t second = OpenProgressWindow(AnyNumber, 20, 20, 100, 50, "Second");
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  EXPECT_NE(first, second);
  ASSERT_NE(OpenProgressWindow(0, 30, 30, 100, 50, "Numbered"), 0);
  CloseProgressWindow(static_cast<int>(first));
  EXPECT_EQ(FindTopLevel("First"), nullptr);
  EXPECT_NE(FindTopLevel("Second"), nullptr);

  CloseAllProgressWindows();
  EXPECT_EQ(FindTopLevel("Second"), nullptr);
  EXPECT_EQ(FindTopLevel("Numbered"), nullptr);
  EXPECT_EQ(AddStatusText(AnyNumber, 0, 0, 10, 10, "no parent"), 0);
}

// The holding of the thread's windows that the message box does around itself.
class HeldWindowsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (HWND window : made_) DestroyWindow(window);
  }

  HWND Make(const char *title, DWORD exStyle, DWORD style, int x) {
    made_.push_back(MakeWindow(title, exStyle, style, x));
    return made_.back();
  }

  std::vector<HWND> made_;
};

TEST_F(HeldWindowsTest, HoldingLowersAndDisablesTheThreadsVisibleWindowsAndReleasingGivesAllBack) {
  HWND lowTopmost = Make("low topmost", WS_EX_TOPMOST, WS_VISIBLE, 0);
  HWND enabled = Make("enabled", 0, WS_VISIBLE, 200);
  HWND disabled = Make("disabled", 0, WS_VISIBLE | WS_DISABLED, 300);
  HWND hidden = Make("hidden", WS_EX_TOPMOST, 0, 400);
  HWND foreground = Make("foreground", WS_EX_TOPMOST, WS_VISIBLE, 600);
  OtherThreadWindow otherThread("other thread");
  ASSERT_TRUE(SetForegroundWindow(foreground));
  // Above the foreground window, without taking the foreground from it.
  HWND highTopmost = Make("high topmost", WS_EX_TOPMOST, 0, 100);
  ShowWindow(highTopmost, SW_SHOWNA);
  ASSERT_EQ(GetForegroundWindow(), foreground);
  const std::vector<HWND> all = {lowTopmost, highTopmost,          enabled,   disabled,
                                 hidden,     otherThread.window(), foreground};
  std::map<HWND, Look> before;
  for (HWND window : all) before[window] = LookOf(window);
  const std::vector<HWND> topmost = {lowTopmost, highTopmost, foreground};
  std::vector<HWND> topmostStacked = StackingOrder(topmost);

  HoldThreadWindows();
  std::map<HWND, Look> during;
  for (HWND window : all) during[window] = LookOf(window);
  HWND foregroundDuring = GetForegroundWindow();
  ReleaseThreadWindows();

  EXPECT_EQ(foregroundDuring, foreground) << "lowering the topmost windows activated none of them";
  EXPECT_EQ(during[lowTopmost], WithStates(before[lowTopmost], false, false));
  EXPECT_EQ(during[highTopmost], WithStates(before[highTopmost], false, false));
  EXPECT_EQ(during[enabled], WithStates(before[enabled], false, false));
  EXPECT_EQ(during[foreground], WithStates(before[foreground], true, false))
      << "lowered, and left enabled: the box itself disables its owner";
  EXPECT_EQ(during[disabled], before[disabled]);
  EXPECT_EQ(during[hidden], before[hidden]) << "hidden windows are left alone";
  EXPECT_EQ(during[otherThread.window()], before[otherThread.window()]) << "other threads' windows too";

  for (HWND window : all) EXPECT_EQ(LookOf(window), before[window]) << "after the release";
  EXPECT_EQ(StackingOrder(topmost), topmostStacked) << "the topmost ones keep their order among themselves";
  EXPECT_EQ(GetForegroundWindow(), foreground);
}

TEST_F(HeldWindowsTest, AnotherThreadReleasesOnlyWhatItHeld) {
  HWND mine = Make("mine", WS_EX_TOPMOST, WS_VISIBLE, 0);
  ASSERT_TRUE(SetForegroundWindow(Make("other", 0, WS_VISIBLE, 300)));
  Look before = LookOf(mine);
  HoldThreadWindows();
  Look theirsHeld = {};
  test_windows::RunOnOtherThread([&theirsHeld] {
    // Shown without activation, so that the foreground stays where it was.
    HWND theirs = MakeWindow("theirs", WS_EX_TOPMOST, 0, 600);
    ShowWindow(theirs, SW_SHOWNA);
    HoldThreadWindows();
    theirsHeld = LookOf(theirs);
    ReleaseThreadWindows();
    DestroyWindow(theirs);
  });
  Look mineAfterTheirs = LookOf(mine);
  ReleaseThreadWindows();
  EXPECT_EQ(theirsHeld.topmost, false) << "the other thread held its own window";
  EXPECT_EQ(theirsHeld.enabled, false);
  EXPECT_EQ(mineAfterTheirs, WithStates(before, false, false)) << "its release left this thread's entries";
  EXPECT_EQ(LookOf(mine), before);
}

}  // namespace
