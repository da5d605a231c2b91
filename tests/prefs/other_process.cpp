#include "other_process.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "support/test_drive.h"

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
extern char **environ;
#endif

namespace other_process {
namespace {

constexpr const char *kOpen = "--open-file";
constexpr const char *kHold = "--hold-file";

// Set before the helper's open, so that only the open's own error is reported.
constexpr DWORD kStaleError = 0xDEADBEEF;

// Where a helper writes the error of its open, "0" when it opened the file.
std::string ResultMark(const std::string &path) { return path + ".opened"; }
std::string ReleaseMark(const std::string &path) { return path + ".release"; }

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }

// Waits up to 20 s for `windowsPath` to hold something.
std::string AwaitText(const std::string &windowsPath) {
  for (int tries = 0; tries < 2000; ++tries) {
    if (test_drive::Exists(windowsPath)) {
      std::string text = test_drive::ReadBytes(windowsPath);
      if (!text.empty()) return text;
    }
    Pause();
  }
  return "";
}

HANDLE OpenAs(const char *path, const char *access, const char *sharing) {
  SetLastError(kStaleError);
  return CreateFileA(path, std::strtoul(access, nullptr, 10), std::strtoul(sharing, nullptr, 10), nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

#ifdef _WIN32
intptr_t Start(const std::vector<std::string> &arguments) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string commandLine = std::string("\"") + self + "\"";
  for (const std::string &argument : arguments) commandLine += " \"" + argument + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return 0;
  CloseHandle(process.hThread);
  return reinterpret_cast<intptr_t>(process.hProcess);
}

int AwaitExit(intptr_t process) {
  HANDLE handle = reinterpret_cast<HANDLE>(process);
  WaitForSingleObject(handle, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(handle, &code);
  CloseHandle(handle);
  return static_cast<int>(code);
}
#else
intptr_t Start(const std::vector<std::string> &arguments) {
  std::vector<char *> argv;
  std::string self = "/proc/self/exe";
  argv.push_back(self.data());
  std::vector<std::string> copies(arguments);
  for (std::string &argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ) == 0 ? pid : 0;
}

int AwaitExit(intptr_t process) {
  int status = 0;
  waitpid(static_cast<pid_t>(process), &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
#endif

}  // namespace

int RunHelperIfAsked(int argc, char **argv) {
  if (argc != 5 || (std::strcmp(argv[1], kOpen) != 0 && std::strcmp(argv[1], kHold) != 0)) return -1;
  HANDLE file = OpenAs(argv[2], argv[3], argv[4]);
  bool opened = file != INVALID_HANDLE_VALUE;
  test_drive::WriteBytes(ResultMark(argv[2]), std::to_string(opened ? ERROR_SUCCESS : GetLastError()));
  if (!opened) return 1;
  for (int tries = 0;
       tries < 3000 && std::strcmp(argv[1], kHold) == 0 && !test_drive::Exists(ReleaseMark(argv[2])); ++tries)
    Pause();
  CloseHandle(file);
  return 0;
}

DWORD OpenError(const std::string &windowsPath, DWORD access, DWORD sharing) {
  intptr_t process = Start({kOpen, windowsPath, std::to_string(access), std::to_string(sharing)});
  if (process == 0) return kStaleError;
  AwaitExit(process);
  const std::string mark = ResultMark(windowsPath);
  std::string result = test_drive::Exists(mark) ? test_drive::ReadBytes(mark) : "";
  DeleteFileA(mark.c_str());
  return result.empty() ? kStaleError : static_cast<DWORD>(std::strtoul(result.c_str(), nullptr, 10));
}

FileHolder::FileHolder(const std::string &windowsPath, DWORD access, DWORD sharing) : path_(windowsPath) {
  process_ = Start({kHold, windowsPath, std::to_string(access), std::to_string(sharing)});
  holds_ = process_ != 0 && AwaitText(ResultMark(path_)) == "0";
}

FileHolder::~FileHolder() {
  test_drive::WriteBytes(ReleaseMark(path_), "release");
  if (process_ != 0) AwaitExit(process_);
  DeleteFileA(ResultMark(path_).c_str());
  DeleteFileA(ReleaseMark(path_).c_str());
}

}  // namespace other_process
