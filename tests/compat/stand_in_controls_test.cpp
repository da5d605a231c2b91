// The stand-in's test controls for file holds, ReplaceFileA's stops, recorded
// sleeps and timer raises, its delete-pending mark across processes, and the
// part files its download leaves. Native only: they pin the stand-in, which
// models what Microsoft documents.
#include <gtest/gtest.h>
#include <mmsystem.h>
#include <sys/wait.h>
#include <unistd.h>
#include <urlmon.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "compat/testing/file_holds.h"
#include "compat/testing/sleep_record.h"
#include "compat/testing/timer_periods.h"
#include "support/http_test_server.h"
#include "support/test_drive.h"

namespace {

const std::string kFolder = "C:\\Program Files\\Quorvel\\";
const std::string kFile = kFolder + "qz.inf";
const std::string kStaged = kFile + ".quorvel-new";
const std::string kBackup = kFile + ".quorvel-old";
constexpr DWORD kMarker = 0xDEADBEEF;  // set before a call whose error is checked

// The contents of the folder's temporary files ("rf????.tmp").
std::vector<std::string> TemporaryFiles() {
  std::vector<std::string> contents;
  for (const auto &entry : std::filesystem::directory_iterator(test_drive::HostPathOf(kFolder)))
    if (entry.path().extension() == ".tmp")
      contents.push_back(test_drive::ReadBytes(kFolder + entry.path().filename().string()));
  return contents;
}

class StandInControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    test_drive::MakeFolder(kFolder);
    test_drive::WriteBytes(kFile, "old");
    test_drive::WriteBytes(kStaged, "new");
  }
  void TearDown() override { file_holds::ReleaseAll(); }
};

struct HoldCase {
  const char *name;
  unsigned operations;
  DWORD error;
  std::function<BOOL()> call;  // names kFile; succeeds once the hold clears
};

// Two refusals, then the call goes through; while refused nothing changes.
TEST_F(StandInControlsTest, AHoldRefusesTheNextCallsAndClears) {
  const HoldCase cases[] = {
      {"open", file_holds::Open, ERROR_SHARING_VIOLATION,
       [] {
         HANDLE file = CreateFileA(kFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
         return file != INVALID_HANDLE_VALUE && CloseHandle(file);
       }},
      {"copy onto it", file_holds::Copy, ERROR_SHARING_VIOLATION,
       [] { return CopyFileA(kStaged.c_str(), kFile.c_str(), FALSE); }},
      {"move over it", file_holds::Rename, ERROR_ACCESS_DENIED,
       [] { return MoveFileExA(kStaged.c_str(), kFile.c_str(), MOVEFILE_REPLACE_EXISTING); }},
      {"replace it", file_holds::Rename, ERROR_SHARING_VIOLATION,
       [] { return ReplaceFileA(kFile.c_str(), kStaged.c_str(), kBackup.c_str(), 0, nullptr, nullptr); }},
      {"delete it", file_holds::Delete, ERROR_ACCESS_DENIED, [] { return DeleteFileA(kFile.c_str()); }},
  };
  for (const HoldCase &c : cases) {
    SetUp();
    // Another spelling of the same file, and holds on other calls that must not count.
    file_holds::Hold("c:/PROGRAM FILES/quorvel/QZ.INF", c.operations, c.error, 2);
    file_holds::Hold(kStaged, ~c.operations & 15u & ~file_holds::Copy, ERROR_SHARING_VIOLATION,
                     file_holds::kUntilReleased);
    for (int refused = 0; refused < 2; ++refused) {
      SetLastError(kMarker);
      EXPECT_FALSE(c.call()) << c.name;
      EXPECT_EQ(GetLastError(), c.error) << c.name;
      EXPECT_EQ(test_drive::ReadBytes(kFile), "old") << c.name;
      EXPECT_TRUE(test_drive::Exists(kStaged)) << c.name;
    }
    EXPECT_TRUE(c.call()) << c.name;
    EXPECT_EQ(file_holds::Refusals(kFile), 2) << c.name;
    EXPECT_EQ(file_holds::Refusals(kStaged), 0) << c.name;
    file_holds::ReleaseAll();
  }
}

TEST_F(StandInControlsTest, AHoldUntilReleasedLastsUntilReleased) {
  file_holds::Hold(kFile, file_holds::Delete, ERROR_SHARING_VIOLATION, file_holds::kUntilReleased);
  for (int call = 0; call < 5; ++call) EXPECT_FALSE(DeleteFileA(kFile.c_str()));
  EXPECT_EQ(file_holds::Refusals(kFile), 5);
  file_holds::ReleaseAll();
  EXPECT_TRUE(DeleteFileA(kFile.c_str()));
}

struct StopCase {
  DWORD error;
  bool withBackup;
  const char *file;  // what stands under each name afterwards; nullptr: nothing
  const char *backup;
  const char *temporary;
};

// The state ReplaceFileA's page gives for each stop; the staged file always
// keeps its name. The next call is not stopped.
TEST_F(StandInControlsTest, AStoppedReplaceLeavesTheDocumentedState) {
  const StopCase cases[] = {
      {ERROR_UNABLE_TO_REMOVE_REPLACED, true, "old", nullptr, nullptr},
      {ERROR_UNABLE_TO_REMOVE_REPLACED, false, "old", nullptr, nullptr},
      {ERROR_UNABLE_TO_MOVE_REPLACEMENT, true, "old", nullptr, nullptr},
      {ERROR_UNABLE_TO_MOVE_REPLACEMENT, false, nullptr, nullptr, nullptr},
      {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, true, nullptr, "old", nullptr},
      {ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, false, nullptr, nullptr, "old"},
  };
  for (const StopCase &c : cases) {
    std::string name = std::to_string(c.error) + (c.withBackup ? " with a backup name" : " without");
    SetUp();
    const char *backup = c.withBackup ? kBackup.c_str() : nullptr;
    file_holds::StopNextReplace(c.error);
    SetLastError(kMarker);
    EXPECT_FALSE(ReplaceFileA(kFile.c_str(), kStaged.c_str(), backup, 0, nullptr, nullptr)) << name;
    EXPECT_EQ(GetLastError(), c.error) << name;
    EXPECT_EQ(test_drive::ReadBytes(kStaged), "new") << name;
    EXPECT_EQ(test_drive::Exists(kFile), c.file != nullptr) << name;
    if (c.file != nullptr) {
      EXPECT_EQ(test_drive::ReadBytes(kFile), c.file) << name;
    }
    EXPECT_EQ(test_drive::Exists(kBackup), c.backup != nullptr) << name;
    if (c.backup != nullptr) {
      EXPECT_EQ(test_drive::ReadBytes(kBackup), c.backup) << name;
    }
    EXPECT_EQ(TemporaryFiles(),
              c.temporary ? std::vector<std::string>{c.temporary} : std::vector<std::string>{})
        << name;
    if (!test_drive::Exists(kFile)) test_drive::WriteBytes(kFile, "old");
    EXPECT_TRUE(ReplaceFileA(kFile.c_str(), kStaged.c_str(), backup, 0, nullptr, nullptr)) << name;
    EXPECT_EQ(test_drive::ReadBytes(kFile), "new") << name;
  }
}

// The mark lives on the file, so a handle of another process keeps the name
// taken; when that process dies without closing it, the next call that meets
// the mark removes the file, as Windows closes a dead process's handles.
TEST_F(StandInControlsTest, ADeletedFileHeldByAnotherProcessGoesWhenThatProcessEnds) {
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t holder = fork();
  if (holder == 0) {
    HANDLE file =
        CreateFileA(kFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    char byte = file != INVALID_HANDLE_VALUE ? 'y' : 'n';
    (void)!write(ready[1], &byte, 1);
    (void)!read(release[0], &byte, 1);
    _exit(0);  // without CloseHandle
  }
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  ASSERT_EQ(byte, 'y');
  EXPECT_TRUE(DeleteFileA(kFile.c_str()));
  SetLastError(kMarker);
  EXPECT_EQ(CreateFileA(kFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SetLastError(kMarker);
  EXPECT_EQ(GetFileAttributesA(kFile.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SetLastError(kMarker);
  EXPECT_FALSE(DeleteFileA(kFile.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  (void)!write(release[1], "x", 1);
  int status = 0;
  waitpid(holder, &status, 0);
  HANDLE file = CreateFileA(kFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

TEST(SleepRecordTest, RecordsEachSleepInsteadOfSleeping) {
  std::vector<DWORD> seen;
  auto begun = std::chrono::steady_clock::now();
  sleep_record::Start([&](DWORD length) { seen.push_back(length); });
  Sleep(5000);
  timeBeginPeriod(1);
  Sleep(1);
  EXPECT_EQ(TimerPeriodsInForceAtLastSleep(), 1);
  timeEndPeriod(1);
  EXPECT_EQ(sleep_record::Stop(), (std::vector<DWORD>{5000, 1}));
  EXPECT_EQ(seen, (std::vector<DWORD>{5000, 1}));
  EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(1));
  begun = std::chrono::steady_clock::now();
  Sleep(30);
  EXPECT_GE(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(30));
  EXPECT_EQ(seen.size(), 2u);
}

TEST(TimerPeriodsTest, RefusesUnpairedOrImpossiblePeriods) {
  EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOCANDO)) << "nothing raised";
  EXPECT_EQ(timeBeginPeriod(0), static_cast<MMRESULT>(TIMERR_NOCANDO));
  ASSERT_EQ(timeBeginPeriod(5), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(timeEndPeriod(1), static_cast<MMRESULT>(TIMERR_NOCANDO))
      << "only the period raised can be undone";
  EXPECT_EQ(timeEndPeriod(5), static_cast<MMRESULT>(TIMERR_NOERROR));
  EXPECT_EQ(TimerPeriodsInForce(), 0);
}

// A transfer killed mid-way leaves its part file; the next download removes
// those of processes that no longer run, and leaves those of running ones.
TEST(DownloadStandInTest, RemovesPartFilesOfEndedProcesses) {
  test_drive::UseFreshDrive();
  const std::string target = "C:\\users\\Public\\QZv251.exe";
  HttpTestServer server;
  ASSERT_NE(server.Port(), 0) << "the test server did not start";
  HMODULE urlmon = LoadLibraryExA("urlmon.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  ASSERT_NE(urlmon, nullptr);
  auto download = reinterpret_cast<decltype(&URLDownloadToFileA)>(
      reinterpret_cast<void *>(GetProcAddress(urlmon, "URLDownloadToFileA")));
  ASSERT_NE(download, nullptr);
  long pidMax = 0;
  std::ifstream("/proc/sys/kernel/pid_max") >> pidMax;
  ASSERT_GT(pidMax, 1);
  const std::string ended = target + ".part-" + std::to_string(pidMax + 1);  // no process has it
  const std::string running = target + ".part-1";
  test_drive::WriteBytes(ended, "cut");
  test_drive::WriteBytes(running, "still being written");
  EXPECT_EQ(download(nullptr, server.Url("/downloads/QZv251.exe").c_str(), target.c_str(), 0, nullptr), S_OK);
  EXPECT_FALSE(test_drive::Exists(ended));
  EXPECT_TRUE(test_drive::Exists(running));
  FreeLibrary(urlmon);
}

}  // namespace
