#pragma once

#include <windows.h>

#include <string>

#include "support/child_process.h"

// Another process opening a file, as another program would: this test
// executable started again with helper arguments.
namespace other_process {

// In a helper run, does its work and gives its exit code; -1 in a test run.
int RunHelperIfAsked(int argc, char **argv);

// The error another process's CreateFileA of `windowsPath` gives now:
// ERROR_SUCCESS when it opens, 0xDEADBEEF when no helper reported.
DWORD OpenError(const std::string &windowsPath, DWORD access, DWORD sharing);

// Holds `windowsPath` open in another process for as long as it lives.
class FileHolder {
 public:
  FileHolder(const std::string &windowsPath, DWORD access, DWORD sharing);
  ~FileHolder();
  bool holds() const { return holds_; }

 private:
  std::string path_;
  bool holds_ = false;
  ChildProcess process_;
};

}  // namespace other_process
