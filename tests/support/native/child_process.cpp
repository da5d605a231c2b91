// Natively a child is spawned and reaped with the host's calls: the stand-in
// models no processes.
#include "support/child_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

std::vector<char *> NullEnded(std::vector<std::string> &words) {
  std::vector<char *> pointers;
  pointers.reserve(words.size() + 1);
  for (std::string &word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::string &program, const std::vector<std::string> &arguments,
                           const std::vector<std::string> *environment) {
  std::vector<std::string> words = {program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<std::string> entries = environment != nullptr ? *environment : std::vector<std::string>{};
  std::vector<char *> argv = NullEnded(words), envp = NullEnded(entries);
  pid_t pid = 0;
  started_ = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(),
                         environment != nullptr ? envp.data() : environ) == 0;
  process_ = started_ ? pid : 0;
}

ChildProcess::~ChildProcess() { End(); }

int ChildProcess::AwaitExit(unsigned long milliseconds) {
  if (process_ == 0) return exitCode_;
  auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  int status = 0;
  pid_t ended = 0;
  while ((ended = waitpid(static_cast<pid_t>(process_), &status, milliseconds == kForever ? 0 : WNOHANG)) ==
         0) {
    if (std::chrono::steady_clock::now() >= limit) return kStillRunning;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  exitCode_ = ended > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  process_ = 0;
  return exitCode_;
}

int ChildProcess::End() {
  if (process_ != 0) kill(static_cast<pid_t>(process_), SIGKILL);
  return AwaitExit();
}

std::string ChildProcess::OwnPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }
