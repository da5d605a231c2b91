#include "observer_session.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "command_line.h"

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

bool Launch(const std::vector<std::string> &arguments, PROCESS_INFORMATION &process) {
  std::vector<std::string> words = {ObserverPath()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::string line = CommandLineOf(words);
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process) != 0;
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
  bool started = Launch(words, process_);
  HANDLE either[2] = {ready, process_.hProcess};
  bool isReady = started && WaitForMultipleObjects(2, either, FALSE, 10000) == WAIT_OBJECT_0;
  CloseHandle(ready);
  return isReady;
}

int ObserverRun::Stop() {
  if (process_.hProcess == nullptr) return -1;
  SetEvent(stopEvent_);
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
    TerminateProcess(process_.hProcess, code);
  GetExitCodeProcess(process_.hProcess, &code);
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
  CloseHandle(stopEvent_);
  process_ = {};
  stopEvent_ = nullptr;
  return static_cast<int>(code);
}

std::vector<TimelineEvent> ObserverRun::Timeline() const {
  std::ifstream in(timelinePath_);
  return ParseTimeline(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

int RunObserver(const std::vector<std::string> &arguments) {
  PROCESS_INFORMATION process = {};
  if (!Launch(arguments, process)) return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
