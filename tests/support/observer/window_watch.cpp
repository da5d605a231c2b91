#include "window_watch.h"

#include <map>
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

struct WatchedWindow {
  std::string fields;
  std::map<HWND, std::string> controls;
  std::map<HWND, std::string> bars;
  std::map<HWND, std::string> drawnBars;
  RECT lastRect = {};
  int64_t clickedAt = 0;
};

struct Watch {
  const WatchOptions &options;
  std::FILE *timeline;
  std::map<HWND, WatchedWindow> windows;
  std::map<DWORD, HANDLE> processes;
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

void Update(std::FILE *timeline, const char *kind, std::string &last, const std::string &now) {
  if (now == last) return;
  last = now;
  Emit(timeline, kind, now);
}

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
    Emit(watch.timeline, "click",
         "window=" + HandleText(window) + " button=" + QuoteTimelineText(child.text) +
             " x=" + std::to_string(at.x) + " y=" + std::to_string(at.y));
    return;
  }
}

void LookAt(Watch &watch, HWND window) {
  WatchedWindow &watched = watch.windows[window];
  Update(watch.timeline, "window", watched.fields, DescribeWindow(window));
  std::vector<ChildControl> children = ReadChildren(window);
  std::map<HWND, std::string> stillThere;
  for (const ChildControl &child : children) {
    stillThere[child.handle] = watched.controls[child.handle];
    Update(watch.timeline, "control", stillThere[child.handle], child.fields);
    if (child.className != "msctls_progress32") continue;
    std::string memory = ReadBarFromMemory(ProcessOf(watch, window), child.handle);
    if (!memory.empty())
      Update(watch.timeline, "bar", watched.bars[child.handle],
             "handle=" + HandleText(child.handle) + " " + memory);
    Update(watch.timeline, "bar-drawn", watched.drawnBars[child.handle],
           "handle=" + HandleText(child.handle) + " " + ReadBarFromScreen(child.handle));
  }
  for (auto &old : watched.controls)
    if (stillThere.count(old.first) == 0)
      Emit(watch.timeline, "control-gone",
           "window=" + HandleText(window) + " handle=" + HandleText(old.first));
  watched.controls = stillThere;
  ClickOk(watch, window, watched, children);
}

void LookAround(Watch &watch) {
  Search search{&watch.options, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  for (HWND window : search.found) LookAt(watch, window);
  for (auto entry = watch.windows.begin(); entry != watch.windows.end();) {
    if (IsWindow(entry->first)) {
      ++entry;
      continue;
    }
    Emit(watch.timeline, "window-gone", "handle=" + HandleText(entry->first));
    entry = watch.windows.erase(entry);
  }
}

}  // namespace

void Emit(std::FILE *timeline, const char *kind, const std::string &fields) {
  std::fprintf(timeline, "%lld %s%s%s\n", static_cast<long long>(NowNs()), kind, fields.empty() ? "" : " ",
               fields.c_str());
  std::fflush(timeline);
}

bool WatchWindows(const WatchOptions &options, std::FILE *timeline) {
  Watch watch{options, timeline, {}, {}};
  LookAround(watch);
  Emit(timeline, "ready", "");
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
    if (woken != WAIT_TIMEOUT) return true;
    if (NowNs() >= end) return false;
  }
}
