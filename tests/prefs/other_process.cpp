#include "other_process.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "support/test_drive.h"

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
  ChildProcess helper(ChildProcess::OwnPath(),
                      {kOpen, windowsPath, std::to_string(access), std::to_string(sharing)});
  if (!helper.Started()) return kStaleError;
  helper.AwaitExit();
  const std::string mark = ResultMark(windowsPath);
  std::string result = test_drive::Exists(mark) ? test_drive::ReadBytes(mark) : "";
  DeleteFileA(mark.c_str());
  return result.empty() ? kStaleError : static_cast<DWORD>(std::strtoul(result.c_str(), nullptr, 10));
}

FileHolder::FileHolder(const std::string &windowsPath, DWORD access, DWORD sharing)
    : path_(windowsPath),
      process_(ChildProcess::OwnPath(),
               {kHold, windowsPath, std::to_string(access), std::to_string(sharing)}) {
  holds_ = process_.Started() && AwaitText(ResultMark(path_)) == "0";
}

FileHolder::~FileHolder() {
  test_drive::WriteBytes(ReleaseMark(path_), "release");
  process_.AwaitExit();
  DeleteFileA(ResultMark(path_).c_str());
  DeleteFileA(ReleaseMark(path_).c_str());
}

}  // namespace other_process
