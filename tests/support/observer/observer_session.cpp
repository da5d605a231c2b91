#include "observer_session.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

// The Windows spelling of the observer's path, which the build gives as a Unix
// path (drive Z: is the root of the Unix file system in a Wine prefix).
std::string ObserverPath() {
  const char *path = std::getenv("QUORVEL_OBSERVER");
  std::string windowsPath = path != nullptr ? path : "quorvel-observer.exe";
  if (!windowsPath.empty() && windowsPath[0] == '/') windowsPath = "Z:" + windowsPath;
  for (char &c : windowsPath)
    if (c == '/') c = '\\';
  return windowsPath;
}

std::string UniqueName(const char *what) {
  static int runs = 0;
  return "quorvel-observer-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++runs) + "-" +
         what;
}

constexpr unsigned long kObserverLimit = 10000;

// Whether the observer said it is ready before it ended or its time was up.
bool AwaitReady(HANDLE ready, ChildProcess &observer) {
  for (unsigned long waited = 0; waited < kObserverLimit; waited += 20) {
    if (WaitForSingleObject(ready, 20) == WAIT_OBJECT_0) return true;
    if (observer.AwaitExit(0) != ChildProcess::kStillRunning)
      return WaitForSingleObject(ready, 0) == WAIT_OBJECT_0;
  }
  return false;
}

// Its exit code once it has ended, at the latest when its time is up.
int AwaitEnd(ChildProcess &observer) {
  int code = observer.AwaitExit(kObserverLimit);
  return code == ChildProcess::kStillRunning ? observer.End() : code;
}

}  // namespace

ObserverRun::~ObserverRun() { Stop(); }

bool ObserverRun::Start(const std::vector<std::string> &arguments) {
  std::string readyName = UniqueName("ready");
  std::string stopName = UniqueName("stop");
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
  stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, stopName.c_str());
  std::vector<std::string> words = arguments;
  words.insert(words.begin() + 1, {"--ready-event", readyName, "--stop-event", stopName});
  if (!arguments.empty() && arguments[0] == "watch") {
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    timelinePath_ = std::string(folder) + UniqueName("timeline.txt");
    words.insert(words.begin() + 1, {"--out", timelinePath_});
  }
  process_ = std::make_unique<ChildProcess>(ObserverPath(), words);
  bool isReady = process_->Started() && AwaitReady(ready, *process_);
  CloseHandle(ready);
  return isReady;
}

int ObserverRun::Stop() {
  if (process_ == nullptr || !process_->Started()) return -1;
  SetEvent(stopEvent_);
  int code = AwaitEnd(*process_);
  CloseHandle(stopEvent_);
  process_.reset();
  stopEvent_ = nullptr;
  return code;
}

std::vector<TimelineEvent> ObserverRun::Timeline() const {
  std::ifstream in(timelinePath_);
  return ParseTimeline(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

int RunObserver(const std::vector<std::string> &arguments) {
  ChildProcess observer(ObserverPath(), arguments);
  return observer.Started() ? AwaitEnd(observer) : -1;
}
