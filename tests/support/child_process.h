#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A program the tests start beside themselves, the same way in both builds:
// the test executable again as a helper, a probe, the observer, or a host
// program such as the loopback server's python3 (which Wine starts as well).
class ChildProcess {
 public:
  static constexpr unsigned long kForever = 0xFFFFFFFF;
  static constexpr int kStillRunning = INT32_MIN;

  // Starts `program` with `arguments`. With `environment` ("NAME=value"
  // entries in UTF-8) that is its whole environment; else it gets this one's.
  ChildProcess(const std::string &program, const std::vector<std::string> &arguments,
               const std::vector<std::string> *environment = nullptr);
  // Ends it, should it still run: no child outlives its test.
  ~ChildProcess();
  ChildProcess(const ChildProcess &) = delete;
  ChildProcess &operator=(const ChildProcess &) = delete;

  bool Started() const { return started_; }

  // Waits up to `milliseconds` for it to end. Its exit code (-1 when it ended
  // by a signal, or there is nothing to wait for: Wine gives no handle for a
  // host program it starts), or kStillRunning.
  int AwaitExit(unsigned long milliseconds = kForever);

  // Ends it now, unless it has ended; its exit code.
  int End();

  // The running executable, to be started again as a helper.
  static std::string OwnPath();

 private:
  bool started_ = false;
  intptr_t process_ = 0;  // a process id or handle, until it is waited for
  int exitCode_ = -1;
};
