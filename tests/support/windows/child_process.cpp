#include "support/child_process.h"

#include <windows.h>

#include "support/wide_text.h"
#include "support/windows/command_line.h"

ChildProcess::ChildProcess(const std::string &program, const std::vector<std::string> &arguments,
                           const std::vector<std::string> *environment) {
  std::vector<std::string> words = {program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::string line = CommandLineOf(words);
  // A wide block, so that any value reaches the child whole; each entry ends
  // with a zero, the block with one more.
  std::string entries;
  if (environment != nullptr)
    for (const std::string &entry : *environment) entries.append(entry).push_back('\0');
  entries.append(2, '\0');
  std::wstring block = WideOf(entries, CP_UTF8);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  started_ =
      CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE,
                     environment != nullptr ? CREATE_UNICODE_ENVIRONMENT : 0,
                     environment != nullptr ? block.data() : nullptr, nullptr, &startup, &process) != 0;
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  process_ = reinterpret_cast<intptr_t>(process.hProcess);
}

ChildProcess::~ChildProcess() { End(); }

int ChildProcess::AwaitExit(unsigned long milliseconds) {
  if (process_ == 0) return exitCode_;
  HANDLE process = reinterpret_cast<HANDLE>(process_);
  if (WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0) return kStillRunning;
  DWORD code = static_cast<DWORD>(-1);
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  process_ = 0;
  exitCode_ = static_cast<int>(code);
  return exitCode_;
}

int ChildProcess::End() {
  if (process_ != 0) TerminateProcess(reinterpret_cast<HANDLE>(process_), static_cast<UINT>(-1));
  return AwaitExit();
}

std::string ChildProcess::OwnPath() {
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  return self;
}
