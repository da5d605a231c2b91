#include "window_watch.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "real_click.h"
#include "timeline.h"
#include "window_reading.h"

namespace {

int64_t NowNs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency.QuadPart * 1000000000LL +
         now.QuadPart % frequency.QuadPart * 1000000000LL / frequency.QuadPart;
}

// A bar's reading of one kind: the one last reported, and a changed one that
// waits for the next look to read it again.
struct BarReading {
  std::string reported;
  std::string waiting;
  int64_t waitingSince = 0;
  uint64_t waitingLook = 0;
};

struct WatchedBar {
  BarReading state;  // from the process's memory
  BarReading drawn;  // from the screen
};

struct WatchedWindow {
  std::string fields;
  std::map<HWND, std::string> controls;
  std::map<HWND, WatchedBar> bars;
  RECT lastRect = {};
  int64_t clickedAt = 0;
};

struct Watch {
  const WatchOptions &options;
  std::FILE *timeline;
  std::map<HWND, WatchedWindow> windows = {};
  std::map<DWORD, HANDLE> processes = {};
  uint64_t look = 0;
  // Lines not written yet, by time: none goes out before a waiting reading
  // that may still be reported with an earlier time.
  std::multimap<int64_t, std::string> held = {};
  int64_t earliestWaiting = INT64_MAX;  // of the readings the latest look left waiting
};

struct Search {
  const WatchOptions *options;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM parameter) {
  auto &search = *reinterpret_cast<Search *>(parameter);
  char title[1024] = "";
  GetWindowTextA(window, title, sizeof(title));
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (search.options->titles.count(title) != 0 &&
      (search.options->processId == 0 || search.options->processId == process))
    search.found.push_back(window);
  return TRUE;
}

HANDLE ProcessOf(Watch &watch, HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  auto known = watch.processes.find(id);
  if (known != watch.processes.end()) return known->second;
  return watch.processes[id] = OpenProcess(PROCESS_VM_READ | PROCESS_QUERY_INFORMATION, FALSE, id);
}

std::string Line(int64_t ns, const char *kind, const std::string &fields) {
  return std::to_string(ns) + " " + kind + (fields.empty() ? "" : " ") + fields + "\n";
}

void Hold(Watch &watch, int64_t ns, const char *kind, const std::string &fields) {
  watch.held.emplace(ns, Line(ns, kind, fields));
}

// Writes the held lines that no waiting reading can come before, or with
// `all` every one.
void WriteHeld(Watch &watch, bool all) {
  auto end = all ? watch.held.end() : watch.held.lower_bound(watch.earliestWaiting);
  for (auto line = watch.held.begin(); line != end; ++line) std::fputs(line->second.c_str(), watch.timeline);
  std::fflush(watch.timeline);
  watch.held.erase(watch.held.begin(), end);
}

void Update(Watch &watch, const char *kind, std::string &last, const std::string &now) {
  if (now == last) return;
  last = now;
  Hold(watch, NowNs(), kind, now);
}

// On its way to each value the updater passes the bar through the value one
// above it (at the top, through a range one wider), with the bar's drawing
// held off (WM_SETREDRAW, which also clears its visible mark) until the last
// move: a read may catch such a value. So a reading taken while the bar was
// visible before and after it is reported at once; any other one only once the
// next look reads it again, and then with the time it was first read. Every
// value the updater shows lasts through a pause. An empty reading (the state
// could not be read) is never reported.
void LookAtBar(Watch &watch, const char *kind, BarReading &reading, const std::string &now, bool settled) {
  bool waited = !reading.waiting.empty() && reading.waitingLook + 1 == watch.look;
  if (waited && now == reading.waiting) {
    reading.reported = now;
    Hold(watch, reading.waitingSince, kind, now);
  }
  reading.waiting.clear();
  if (now.empty() || now == reading.reported) return;
  if (settled) {
    reading.reported = now;
    Hold(watch, NowNs(), kind, now);
    return;
  }
  reading.waiting = now;
  reading.waitingSince = NowNs();
  reading.waitingLook = watch.look;
  watch.earliestWaiting = std::min(watch.earliestWaiting, reading.waitingSince);
}

bool IsShown(HWND control) { return (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0; }

// A message box's OK button, clicked once the box has held still for a look;
// again if the box is still there a second later.
void ClickOk(Watch &watch, HWND window, WatchedWindow &watched, const std::vector<ChildControl> &children) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  bool still = EqualRect(&rect, &watched.lastRect) != 0;
  watched.lastRect = rect;
  char className[64] = "";
  GetClassNameA(window, className, sizeof(className));
  if (!watch.options.clickOk || !still || !IsWindowVisible(window) || std::string(className) != "#32770")
    return;
  if (watched.clickedAt != 0 && NowNs() - watched.clickedAt < 1000000000LL) return;
  for (const ChildControl &child : children) {
    if (child.id != IDOK || child.className != "Button") continue;
    POINT at = {};
    if (!ClickInTheMiddle(child.handle, at)) return;
    watched.clickedAt = NowNs();
    Hold(watch, NowNs(), "click",
         "window=" + HandleText(window) + " button=" + QuoteTimelineText(child.text) +
             " x=" + std::to_string(at.x) + " y=" + std::to_string(at.y));
    return;
  }
}

void LookAt(Watch &watch, HWND window) {
  WatchedWindow &watched = watch.windows[window];
  Update(watch, "window", watched.fields, DescribeWindow(window));
  std::vector<ChildControl> children = ReadChildren(window);
  std::map<HWND, std::string> stillThere;
  for (const ChildControl &child : children) {
    stillThere[child.handle] = watched.controls[child.handle];
    Update(watch, "control", stillThere[child.handle], child.fields);
    if (child.className != "msctls_progress32") continue;
    std::string handle = "handle=" + HandleText(child.handle) + " ";
    bool shownBefore = IsShown(child.handle);
    std::string state = ReadBarFromMemory(ProcessOf(watch, window), child.handle);
    std::string drawn = ReadBarFromScreen(child.handle);
    bool settled = shownBefore && IsShown(child.handle);
    WatchedBar &bar = watched.bars[child.handle];
    LookAtBar(watch, "bar", bar.state, state.empty() ? state : handle + state, settled);
    LookAtBar(watch, "bar-drawn", bar.drawn, handle + drawn, settled);
  }
  for (auto &old : watched.controls)
    if (stillThere.count(old.first) == 0)
      Hold(watch, NowNs(), "control-gone",
           "window=" + HandleText(window) + " handle=" + HandleText(old.first));
  watched.controls = stillThere;
  ClickOk(watch, window, watched, children);
}

void LookAround(Watch &watch) {
  ++watch.look;
  watch.earliestWaiting = INT64_MAX;
  Search search{&watch.options, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  for (HWND window : search.found) LookAt(watch, window);
  for (auto entry = watch.windows.begin(); entry != watch.windows.end();) {
    if (IsWindow(entry->first)) {
      ++entry;
      continue;
    }
    Hold(watch, NowNs(), "window-gone", "handle=" + HandleText(entry->first));
    entry = watch.windows.erase(entry);
  }
  WriteHeld(watch, false);
}

}  // namespace

void Emit(std::FILE *timeline, const char *kind, const std::string &fields) {
  std::fputs(Line(NowNs(), kind, fields).c_str(), timeline);
  std::fflush(timeline);
}

bool WatchWindows(const WatchOptions &options, std::FILE *timeline) {
  Watch watch{options, timeline};
  LookAround(watch);
  Hold(watch, NowNs(), "ready", "");
  if (options.readyEvent != nullptr) SetEvent(options.readyEvent);
  int64_t end = NowNs() + static_cast<int64_t>(options.timeoutMs) * 1000000;
  HANDLE waitFor[2];
  DWORD count = 0;
  if (options.stopEvent != nullptr) waitFor[count++] = options.stopEvent;
  if (options.process != nullptr) waitFor[count++] = options.process;
  for (;;) {
    DWORD woken = count != 0 ? WaitForMultipleObjects(count, waitFor, FALSE, options.intervalMs)
                             : (Sleep(options.intervalMs), WAIT_TIMEOUT);
    LookAround(watch);  // after the end too: the last state counts
    if (woken == WAIT_TIMEOUT && NowNs() < end) continue;
    WriteHeld(watch, true);
    return woken != WAIT_TIMEOUT;
  }
}
