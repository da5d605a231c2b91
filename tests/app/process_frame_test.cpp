// The whole run, from the entry point on, when the heap refuses one of its
// allocations (natively, through the stand-in's control): the process still
// ends with exit code 0, and the executable it was replacing is whole.
#include "app/process_frame.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "compat/testing/heap_refusals.h"
#include "compat/testing/sleep_record.h"
#include "support/test_drive.h"
#include "support/whole_run.h"
#include "update/pe_file.h"

namespace {

using namespace whole_run;

// Where the run, a child process, leaves the number of HeapAlloc calls it made.
std::string countFile;

void LeaveTheCount() {
  long calls = heap_refusals::CallsCounted();
  if (FILE *file = std::fopen(countFile.c_str(), "w")) {
    std::fprintf(file, "%ld", calls);
    std::fclose(file);
  }
  std::fprintf(stderr, "HeapAlloc calls: %ld\n", calls);
}

// Runs the whole updater in a child process, its sleeps recorded, with
// HeapAlloc calls refused as heap_refusals::Refuse(nth, count) says; expects
// exit code 0. The calls the run made, or -1 when it left no count.
long RunRefusing(const DownloadHost &host, long nth, long count) {
  LayOut();
  host.Aim();
  countFile = test_drive::HostPathOf("C:\\users\\Public\\heap calls.txt").string();
  std::remove(countFile.c_str());
  EXPECT_EXIT(
      {
        std::atexit(LeaveTheCount);
        sleep_record::Start();
        heap_refusals::Refuse(nth, count);
        RunProcessFrame();
      },
      ::testing::ExitedWithCode(0), "HeapAlloc calls: ");
  long calls = -1;
  if (FILE *file = std::fopen(countFile.c_str(), "r")) {
    if (std::fscanf(file, "%ld", &calls) != 1) calls = -1;
    std::fclose(file);
  }
  return calls;
}

// The rows refuse calls at points spread over one whole run, whose count
// comes first: the text heap's refusals end the process at once, the other
// services' are carried as results, and the last call falls in the shut-down.
TEST(ProcessFrameTest, EndsWithExitCodeZeroWhicheverHeapAllocationFails) {
  DownloadHost host(PeBytes(size_t{64} * 1024, 7));
  ASSERT_TRUE(host.Up());
  long total = RunRefusing(host, 0, 0);
  ASSERT_GE(total, 8) << "a whole run";
  struct Row {
    const char *what;
    long nth;
    long count;
  } rows[] = {
      {"the first", 1, 1},        {"a quarter in", total / 4, 1},
      {"half-way", total / 2, 1}, {"three quarters in", total * 3 / 4, 1},
      {"the last", total, 1},     {"every one from half-way", total / 2, heap_refusals::kEveryOneAfter},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_GE(RunRefusing(host, row.nth, row.count), row.nth) << "the run ended before the refusal";
    std::string executable = test_drive::ReadBytes(kInstall + "QZ.exe");
    EXPECT_TRUE(executable == kOldExecutable || executable == test_drive::ReadBytes(kServed));
  }
}

}  // namespace
