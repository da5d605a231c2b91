// What a hold on QZ.exe costs the replacement of the executable: CopySingleFile
// onto a free QZ.exe, onto one a scanner holds for a second (another thread
// lets go), and onto one a running program holds for good; and the budget
// those waits are drawn from.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "fs/file_copy.h"
#include "fs/hold_budget.h"
#include "support/test_drive.h"

using Clock = std::chrono::steady_clock;

namespace {

const std::string kFolder = "C:\\Program Files\\Quorvel\\";

// Milliseconds for one copy onto QZ.exe while it is held for `holdMs` (0: not
// held, -1: for good); 1 when QZ.exe got the new bytes.
double TimeCopy(int holdMs, int &replaced) {
  test_drive::WriteBytes(kFolder + "QZ.exe", "old executable");
  HANDLE holder = INVALID_HANDLE_VALUE;
  if (holdMs != 0)
    holder = CreateFileA((kFolder + "QZ.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  std::thread release([&] {
    if (holdMs <= 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
    CloseHandle(holder);
  });
  auto start = Clock::now();
  CopySingleFile((kFolder + "QZv251.exe").c_str(), (kFolder + "QZ.exe").c_str());
  double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  release.join();
  if (holdMs < 0) CloseHandle(holder);
  replaced = test_drive::ReadBytes(kFolder + "QZ.exe") == "new executable";
  return ms;
}

}  // namespace

int main() {
  test_drive::UseFreshDrive();
  test_drive::MakeFolder(kFolder);
  test_drive::WriteBytes(kFolder + "QZv251.exe", "new executable");
  std::printf("hold budget per step: %lu ms\n", static_cast<unsigned long>(kHoldBudgetMilliseconds));
  const struct {
    const char *label;
    int holdMs;
  } rows[] = {{"QZ.exe free", 0}, {"held for 1 s", 1000}, {"held for good", -1}};
  double free = 0;
  for (const auto &row : rows) {
    int replaced = 0;
    double ms = TimeCopy(row.holdMs, replaced);
    if (row.holdMs == 0) free = ms;
    std::printf("%-14s %8.1f ms   replaced: %s   (%.1f ms over the free copy)\n", row.label, ms,
                replaced ? "yes" : "no", ms - free);
  }
  test_drive::UseFreshDrive();
  return 0;
}
