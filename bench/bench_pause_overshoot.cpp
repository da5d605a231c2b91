// Pause(150) a hundred times: how far past 150 ms each returns, against a
// plain sleep of the same length in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "update/pause.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 100;
constexpr auto kWait = std::chrono::milliseconds(150);

template <typename Wait>
void Report(const char *label, Wait wait) {
  std::vector<double> overshoots;
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    wait();
    overshoots.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start - kWait).count());
  }
  std::sort(overshoots.begin(), overshoots.end());
  std::printf("%-32s overshoot median %.3f ms, largest %.3f ms\n", label, overshoots[kRounds / 2],
              overshoots.back());
}

}  // namespace

int main() {
  std::printf("%d waits of 150 ms each\n", kRounds);
  Report("Pause(150)", [] { Pause(150); });
  Report("std::this_thread::sleep_for", [] { std::this_thread::sleep_for(kWait); });
  return 0;
}
