// The progress window as another program sees it on the screen: the observer
// watches the test's window while the test thread sleeps between operations,
// as the update script does, and never runs an event loop.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <set>

#include "base/any_number.h"
#include "observer_session.h"
#include "screen_bitmap.h"
#include "timeline.h"
#include "ui/progress_window.h"

namespace {

constexpr const char *kTitle = "Checking for Updates";
// The script's shortest pause: what each step shows must be on the screen
// during the pause that follows it, and this is the least time it has there.
constexpr DWORD kPauseMs = 150;

int64_t NowNs() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency.QuadPart * 1000000000LL +
         now.QuadPart % frequency.QuadPart * 1000000000LL / frequency.QuadPart;
}

std::string OuterRectAt100() {
  RECT outer = {0, 0, 400, 100};
  AdjustWindowRectEx(&outer, WS_CAPTION | WS_SYSMENU, FALSE, 0);
  return "100,100," + std::to_string(100 + outer.right - outer.left) + "," +
         std::to_string(100 + outer.bottom - outer.top);
}

// Fill of `value` on the 0..350 bar, in pixels of a bar `width` wide with a 1-pixel frame.
int ExpectedFill(int value, int width) { return (std::min(value, 350) * (width - 2) + 175) / 350; }

struct Step {
  int value;           // 0: none
  const char *status;  // null: none
};

const Step kSteps[] = {{5, "Downloading New Files"},
                       {25, "Downloading Files Continues"},
                       {50, "Verifying file integrity"},
                       {95, "File Downloaded"},
                       {125, nullptr},
                       {225, "Updating Quorvel"},
                       {275, nullptr},
                       {300, nullptr},
                       {325, nullptr},
                       {375, "Quorvel Updated!"}};

TEST(ObservedProgressWindowTest, EveryValueAndStatusIsOnTheScreenWhileTheScriptSleeps) {
  ObserverRun observer;
  ASSERT_TRUE(observer.Start({"watch", "--title", kTitle, "--pid", std::to_string(GetCurrentProcessId())}));
  ASSERT_NE(OpenProgressWindow(0, 100, 100, 400, 100, kTitle), 0);
  ASSERT_NE(AddProgressBar(1, 25, 24, 350, 20, 0, 350), 0);
  Sleep(kPauseMs);
  // Each step is due on the screen from the moment it is begun until the next
  // one begins: seen then, it was there during the pause; seen only later, it
  // was not. No bound depends on how fast the observer happens to look.
  std::vector<int64_t> stepBegunAt;
  for (const Step &step : kSteps) {
    stepBegunAt.push_back(NowNs());
    SetProgressValue(1, step.value);
    if (step.status != nullptr) AddStatusText(AnyNumber, 25, 50, 350, 20, step.status);
    Sleep(kPauseMs);
  }
  int64_t closedAt = NowNs();
  stepBegunAt.push_back(closedAt);
  auto duringStep = [&](size_t step, int64_t ns) {
    return ns >= stepBegunAt[step] && ns < stepBegunAt[step + 1];
  };
  CloseProgressWindow(0);
  Sleep(kPauseMs);
  ASSERT_EQ(observer.Stop(), 0);
  std::vector<TimelineEvent> whole = observer.Timeline();
  ASSERT_FALSE(whole.empty());
  EXPECT_EQ(whole.back().kind, "stopped");
  std::vector<TimelineEvent> timeline;  // while the window was open; closing is seen half-way
  for (const TimelineEvent &event : whole)
    if (event.ns < closedAt) timeline.push_back(event);

  // A look while the window is being opened may catch it made but not yet
  // shown; what counts is that it is shown, as it should be, in the pause
  // after the opening, and stays so.
  std::vector<TimelineEvent> windows;  // the last sight before the first step, and every change after
  for (const TimelineEvent &event : EventsOf(timeline, "window")) {
    if (event.ns < stepBegunAt[0]) windows.clear();
    windows.push_back(event);
  }
  ASSERT_FALSE(windows.empty());
  const TimelineEvent &window = windows.front();
  EXPECT_LT(window.ns, stepBegunAt[0]) << "the window was not on the screen in the pause after it opened";
  EXPECT_EQ(window.Text("title"), kTitle);
  EXPECT_EQ(window.Text("rect"), OuterRectAt100());
  EXPECT_EQ(window.Text("client"), "400,100");
  EXPECT_EQ(window.Text("visible"), "1");
  EXPECT_EQ(window.Text("topmost"), "0");
  EXPECT_EQ(window.Number("style") & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(windows.size(), 1u) << "the window never changed while open";
  EXPECT_EQ(EventsOf(whole, "window-gone", "handle", window.Text("handle")).size(), 1u);

  // The controls, with the status lines in the z-order they were made in.
  std::vector<std::string> statusTexts;
  std::vector<int64_t> statusSeenAt;
  std::map<std::string, long long> lastIndex;
  for (const TimelineEvent &control : EventsOf(timeline, "control")) {
    bool firstSight = lastIndex.count(control.Text("handle")) == 0;
    lastIndex[control.Text("handle")] = control.Number("index");
    if (control.Text("class") == "msctls_progress32") {
      EXPECT_EQ(control.Text("rect"), "25,24,375,44");
    } else if (firstSight) {
      EXPECT_EQ(control.Text("class"), "Static");
      EXPECT_EQ(control.Text("rect"), "25,50,375,70");
      statusTexts.push_back(control.Text("text"));
      statusSeenAt.push_back(control.ns);
    }
  }
  std::vector<std::string> expectedTexts;
  std::vector<size_t> statusStep;
  for (size_t i = 0; i < std::size(kSteps); ++i)
    if (kSteps[i].status != nullptr) {
      expectedTexts.push_back(kSteps[i].status);
      statusStep.push_back(i);
    }
  EXPECT_EQ(statusTexts, expectedTexts);
  for (size_t i = 0; i < statusSeenAt.size() && i < statusStep.size(); ++i)
    EXPECT_TRUE(duringStep(statusStep[i], statusSeenAt[i]))
        << expectedTexts[i] << " was first seen " << (statusSeenAt[i] - stepBegunAt[statusStep[i]]) / 1000000
        << " ms after its step began, not during its pause";
  std::multiset<long long> indexes;
  for (auto &entry : lastIndex) indexes.insert(entry.second);
  EXPECT_EQ(indexes, (std::multiset<long long>{0, 1, 2, 3, 4, 5, 6}))
      << "the bar and six lines, none replaced";

  // The bar's values as its process holds them, and as the screen shows them.
  std::vector<long long> positions;
  for (const TimelineEvent &bar : EventsOf(timeline, "bar")) {
    // A look between the bar's creation and its range may catch the platform's default range.
    if (positions.empty() && bar.Text("max") != "350") continue;
    EXPECT_EQ(bar.Text("min"), "0");
    EXPECT_EQ(bar.Text("max"), "350");
    positions.push_back(bar.Number("pos"));
  }
  EXPECT_EQ(positions, (std::vector<long long>{0, 5, 25, 50, 95, 125, 225, 275, 300, 325, 350}))
      << "375 shows as 350, the top of the range";
  std::vector<TimelineEvent> drawn = EventsOf(timeline, "bar-drawn");
  ASSERT_FALSE(drawn.empty());
  for (size_t i = 0; i < std::size(kSteps); ++i) {
    int value = kSteps[i].value;
    bool seen = false;
    for (const TimelineEvent &event : drawn) {
      int expected = ExpectedFill(value, static_cast<int>(event.Number("width")));
      seen = seen || (duringStep(i, event.ns) && std::abs(event.Number("filled") - expected) <= 2);
    }
    EXPECT_TRUE(seen) << "the screen did not show " << value << " during the pause after it was set";
  }
}

// The pixels of the status line's rectangle, from a snapshot of the window.
ScreenBitmap StatusArea(const ScreenBitmap &window, POINT clientOrigin) {
  ScreenBitmap area;
  area.width = 350;
  area.height = 20;
  for (int y = 0; y < area.height; ++y)
    for (int x = 0; x < area.width; ++x)
      area.pixels.push_back(window.At(clientOrigin.x + 25 + x, clientOrigin.y + 50 + y));
  return area;
}

// Opens the updater's window with the bar at `value` and these status lines,
// and snaps it from outside while this thread waits.
ScreenBitmap SnapDuringAPause(int value, const std::vector<const char *> &statuses, POINT &clientOrigin) {
  ScreenBitmap snap;
  EXPECT_NE(OpenProgressWindow(0, 100, 100, 400, 100, kTitle), 0);
  EXPECT_NE(AddProgressBar(1, 25, 24, 350, 20, 0, 350), 0);
  SetProgressValue(1, value);
  for (const char *status : statuses) AddStatusText(AnyNumber, 25, 50, 350, 20, status);
  HWND window = FindWindowA(nullptr, kTitle);
  RECT rect = {};
  GetWindowRect(window, &rect);
  clientOrigin = {0, 0};
  ClientToScreen(window, &clientOrigin);
  clientOrigin = {clientOrigin.x - rect.left, clientOrigin.y - rect.top};
  char folder[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, folder);
  std::string path = std::string(folder) + "quorvel-snap-" + std::to_string(statuses.size()) + ".bmp";
  EXPECT_EQ(RunObserver({"snap", "--title", kTitle, "--out", path}), 0);
  EXPECT_TRUE(ReadBitmapFile(path, snap));
  CloseProgressWindow(0);
  return snap;
}

TEST(ObservedProgressWindowTest, ASnapshotInAPauseShowsTheFillAndOnlyTheNewestText) {
  POINT origin = {};
  ScreenBitmap stacked = SnapDuringAPause(
      95,
      {"Downloading New Files", "Downloading Files Continues", "Verifying file integrity", "File Downloaded"},
      origin);
  POINT aloneOrigin = {};
  ScreenBitmap alone = SnapDuringAPause(95, {"File Downloaded"}, aloneOrigin);
  ASSERT_GT(stacked.width, 400);
  ASSERT_EQ(stacked.width, alone.width);

  COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  uint32_t fill = (GetRValue(highlight) << 16) | (GetGValue(highlight) << 8) | GetBValue(highlight);
  int filled = 0;
  for (int x = 0; x < 350; ++x) filled += stacked.At(origin.x + 25 + x, origin.y + 34) == fill ? 1 : 0;
  EXPECT_NEAR(filled, ExpectedFill(95, 350), 2) << "the bar shows 95 of 350";

  ScreenBitmap line = StatusArea(stacked, origin);
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  uint32_t background = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  int inked = 0;
  for (uint32_t pixel : line.pixels) inked += pixel != background ? 1 : 0;
  EXPECT_GT(inked, 50) << "the newest text is drawn";
  EXPECT_TRUE(line.pixels == StatusArea(alone, aloneOrigin).pixels)
      << "the longer texts beneath left no trace: the line looks as if it were the only one";
}

}  // namespace
