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
#include "support/http_test_server.h"
#include "support/test_drive.h"
#include "update/pe_file.h"
#include "update/update_plan.h"

char downloadHostText[32] = "127.0.0.1:1";
const char *const downloadHost = downloadHostText;

namespace {

const std::string kInstall = "C:\\Program Files\\Quorvel\\";
const std::string kPrefs = "C:\\users\\All Users\\Quorvel\\";
const std::string kServed = "C:\\users\\Public\\served.exe";
const std::string kOldExecutable = "old executable";

// A fresh installation, preference files to stamp and the file to serve.
void LayOut() {
  test_drive::UseFreshDrive();
  test_drive::MakeFolder(kInstall);
  test_drive::WriteBytes(kInstall + "QZ.exe", kOldExecutable);
  test_drive::WriteBytes(kInstall + "readme.txt", "notes");
  test_drive::MakeFolder(kPrefs);
  test_drive::WriteBytes(kPrefs + "qz.inf", "[Application]\r\nVersion = 2.50\r\n");
  test_drive::WriteBytes(kPrefs + "Addresses.inf", "[Application]\r\nVersion = 2.50\r\n");
  test_drive::WriteBytes(kServed, PeBytes(size_t{64} * 1024, 7));
}

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

// Runs the whole updater in a child process with HeapAlloc calls refused as
// heap_refusals::Refuse(nth, count) says; expects exit code 0. The calls the
// run made, or -1 when it left no count.
long RunRefusing(long nth, long count) {
  LayOut();
  unsetenv("TEMP");  // the server keeps its port file in the host's temporary folder
  HttpTestServer server("file", kServed);
  EXPECT_NE(server.Port(), 0);
  countFile = test_drive::HostPathOf("C:\\users\\Public\\heap calls.txt").string();
  setenv("TEMP", "C:\\users\\Public", 1);
  std::snprintf(downloadHostText, sizeof downloadHostText, "127.0.0.1:%d", server.Port());
  EXPECT_EXIT(
      {
        std::atexit(LeaveTheCount);
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
  long total = RunRefusing(0, 0);
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
    EXPECT_GE(RunRefusing(row.nth, row.count), row.nth) << "the run ended before the refusal";
    std::string executable = test_drive::ReadBytes(kInstall + "QZ.exe");
    EXPECT_TRUE(executable == kOldExecutable || executable == test_drive::ReadBytes(kServed));
  }
}

}  // namespace
