#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "timeline.h"

// The observer program run by a test beside itself, in the same prefix and on
// the same desktop. Its path comes from QUORVEL_OBSERVER.
class ObserverRun {
 public:
  ObserverRun() = default;
  ObserverRun(const ObserverRun &) = delete;
  ObserverRun &operator=(const ObserverRun &) = delete;
  ~ObserverRun();

  // Starts `quorvel-observer <arguments>` with ready and stop events of its
  // own (and, for a watch, a timeline file), and waits until it is ready.
  bool Start(const std::vector<std::string> &arguments);

  // Asks it to stop, waits for it, and gives its exit code (-1 when it did not end).
  int Stop();

  // What a watch recorded; read after Stop.
  std::vector<TimelineEvent> Timeline() const;

 private:
  std::unique_ptr<ChildProcess> process_;
  HANDLE stopEvent_ = nullptr;
  std::string timelinePath_;
};

// Runs the observer to its end (a snap, say) and gives its exit code.
int RunObserver(const std::vector<std::string> &arguments);
