// The message box on Wine's desktop, watched and dismissed from outside by
// the observer with a real click on its OK button.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>

#include "observer_session.h"
#include "test_windows.h"
#include "timeline.h"
#include "ui/message_box.h"

namespace {

using test_windows::MakeWindow;
using test_windows::OtherThreadWindow;

std::string HandleOf(HWND window) {
  char text[24];
  std::snprintf(text, sizeof(text), "0x%llx",
                static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window)));
  return text;
}

// A window's state as the observer last saw it at or before `ns`.
struct Seen {
  std::string enabled, topmost, visible, rect;
  bool operator==(const Seen &other) const {
    return enabled == other.enabled && topmost == other.topmost && visible == other.visible &&
           rect == other.rect;
  }
};

std::ostream &operator<<(std::ostream &out, const Seen &seen) {
  return out << "{enabled " << seen.enabled << ", topmost " << seen.topmost << ", visible " << seen.visible
             << ", at " << seen.rect << "}";
}

Seen SeenAt(const std::vector<TimelineEvent> &timeline, HWND window, int64_t ns) {
  Seen seen;
  for (const TimelineEvent &event : EventsOf(timeline, "window", "handle", HandleOf(window)))
    if (event.ns <= ns)
      seen = {event.Text("enabled"), event.Text("topmost"), event.Text("visible"), event.Text("rect")};
  return seen;
}

TEST(ObservedMessageBoxTest, TheBoxHoldsTheThreadsWindowsUntilItsOkButtonIsClicked) {
  ObserverRun foreignProcess;
  ASSERT_TRUE(foreignProcess.Start({"show", "--title", "other process", "--topmost"}));
  HWND foreign = FindWindowA(nullptr, "other process");
  ASSERT_NE(foreign, nullptr);
  OtherThreadWindow otherThread("other thread");
  HWND lowTopmost = MakeWindow("low topmost", WS_EX_TOPMOST, WS_VISIBLE, 0);
  HWND enabled = MakeWindow("enabled", 0, WS_VISIBLE, 200);
  HWND disabled = MakeWindow("disabled", 0, WS_VISIBLE | WS_DISABLED, 400);
  HWND hidden = MakeWindow("hidden", WS_EX_TOPMOST, 0, 600);
  HWND foreground = MakeWindow("foreground", WS_EX_TOPMOST, WS_VISIBLE, 800);
  ASSERT_TRUE(SetForegroundWindow(foreground));
  HWND highTopmost = MakeWindow("high topmost", WS_EX_TOPMOST, 0, 1000);
  ShowWindow(highTopmost, SW_SHOWNA);  // above the foreground window, which keeps the foreground
  ASSERT_EQ(GetForegroundWindow(), foreground);

  const char *text = "C:\\Users\\Public\\Quorvel\\ does not exist, can not update preferences";
  ObserverRun observer;
  ASSERT_TRUE(observer.Start({"watch",         "--click-ok", "--title",      "Error",    "--title",
                              "other process", "--title",    "other thread", "--title",  "low topmost",
                              "--title",       "enabled",    "--title",      "disabled", "--title",
                              "hidden",        "--title",    "foreground",   "--title",  "high topmost"}));
  EXPECT_EQ(ShowMessage("Error", text, 0), IDOK);
  HWND foregroundAfter = GetForegroundWindow();
  Sleep(100);
  ASSERT_EQ(observer.Stop(), 0);
  std::vector<TimelineEvent> timeline = observer.Timeline();

  std::vector<TimelineEvent> boxes = EventsOf(timeline, "window", "title", "Error");
  ASSERT_FALSE(boxes.empty());
  const TimelineEvent &box = boxes.front();
  EXPECT_EQ(box.Text("class"), "#32770");
  EXPECT_EQ(box.Text("owner"), HandleOf(foreground)) << "the process's own foreground window owns the box";
  std::vector<TimelineEvent> clicks = EventsOf(timeline, "click", "window", box.Text("handle"));
  ASSERT_EQ(clicks.size(), 1u) << "one real click dismissed it";
  ASSERT_EQ(EventsOf(timeline, "window-gone", "handle", box.Text("handle")).size(), 1u);

  // The box as it stood when it was clicked: the platform makes every kind of
  // button first and then drops the ones the flags do not ask for.
  std::map<std::string, TimelineEvent> controls;
  for (const TimelineEvent &event : timeline) {
    if (event.ns > clicks[0].ns || event.Text("window") != box.Text("handle")) continue;
    if (event.kind == "control") controls[event.Text("handle")] = event;
    if (event.kind == "control-gone") controls.erase(event.Text("handle"));
  }
  std::string boxText;
  std::vector<std::string> buttons;
  for (auto &entry : controls) {
    const TimelineEvent &control = entry.second;
    if (control.Number("id") == 0xFFFF) boxText = control.Text("text");
    if (control.Text("class") == "Button" && control.Text("visible") == "1")
      buttons.push_back(control.Text("text"));
  }
  EXPECT_EQ(boxText, text);
  EXPECT_EQ(buttons, std::vector<std::string>{"OK"}) << "flags 0: a single OK button";

  int64_t before = EventsOf(timeline, "ready").at(0).ns;
  int64_t during = clicks[0].ns;
  int64_t after = timeline.back().ns;
  auto held = [](Seen seen, const char *enabledState, const char *topmostState) {
    seen.enabled = enabledState;
    seen.topmost = topmostState;
    return seen;
  };
  EXPECT_EQ(SeenAt(timeline, lowTopmost, during), held(SeenAt(timeline, lowTopmost, before), "0", "0"));
  EXPECT_EQ(SeenAt(timeline, highTopmost, during), held(SeenAt(timeline, highTopmost, before), "0", "0"));
  EXPECT_EQ(SeenAt(timeline, enabled, during), held(SeenAt(timeline, enabled, before), "0", "0"));
  EXPECT_EQ(SeenAt(timeline, foreground, during), held(SeenAt(timeline, foreground, before), "0", "0"))
      << "lowered like the others; the box itself disables its owner";
  for (HWND untouched : {disabled, hidden, foreign, otherThread.window()})
    EXPECT_EQ(SeenAt(timeline, untouched, during), SeenAt(timeline, untouched, before))
        << HandleOf(untouched);
  for (HWND window :
       {lowTopmost, highTopmost, enabled, disabled, hidden, foreground, foreign, otherThread.window()})
    EXPECT_EQ(SeenAt(timeline, window, after), SeenAt(timeline, window, before))
        << "given back: " << HandleOf(window);
  EXPECT_EQ(SeenAt(timeline, disabled, during).enabled, "0");
  EXPECT_EQ(SeenAt(timeline, hidden, during).topmost, "1");
  EXPECT_EQ(foregroundAfter, foreground);

  for (HWND window : {lowTopmost, enabled, disabled, hidden, foreground, highTopmost}) DestroyWindow(window);
  EXPECT_EQ(foreignProcess.Stop(), 0);
}

}  // namespace
