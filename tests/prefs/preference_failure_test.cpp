// Write-backs that cannot be done whole: memory that cannot be had, a disk
// that fills up, a file size limit. The file then keeps its old content.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/process_heaps.h"
#include "preference_steps.h"
#include "prefs/preference_file.h"
#include "support/test_drive.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace {

const std::string kFile = "C:\\users\\Public\\qz.inf";

const std::string kLongVersion(20000, '9');

// Sixty keys under [Main], then the version under [Application].
std::string Content(const char *equals, const std::string &version) {
  std::string text = "[Main]\r\n";
  for (int i = 0; i < 60; ++i) text += "Key" + std::to_string(i) + equals + "some value\r\n";
  return text + "[Application]\r\nVersion" + equals + version + "\r\n";
}

std::string OldContent() { return Content("=", "2.50"); }
std::string NewContent() { return Content(" = ", kLongVersion); }

// Win32 calls, since the small drive lies outside drive C:.
bool WriteWhole(const std::string &windowsPath, const std::string &bytes) {
  HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  bool ok = file != INVALID_HANDLE_VALUE &&
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  return ok;
}

std::string ReadWhole(const std::string &windowsPath) {
  HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(missing)";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  return bytes.substr(0, got);
}

// Writes `windowsPath` until the disk refuses more; false when it is not
// small after all.
bool FillDisk(const std::string &windowsPath) {
  HANDLE file = CreateFileA(windowsPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const std::string chunk(4096, 'f');
  bool full = false;
  for (int chunks = 0; chunks < 4096 && !full; ++chunks) {
    DWORD written = 0;
    full = !WriteFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) ||
           written < chunk.size();
  }
  CloseHandle(file);
  return full;
}

// A tmpfs of a few hundred KiB that the test run mounts (as root), as a
// Windows path; empty when there is none.
std::string SmallDiskFolder() {
  const char *folder = std::getenv("QUORVEL_SMALL_DRIVE");
  if (folder == nullptr ||
      GetFileAttributesA((std::string("Z:") + folder).c_str()) == INVALID_FILE_ATTRIBUTES)
    return "";
  std::string path = std::string("Z:") + folder + "\\";
  for (char &c : path)
    if (c == '/') c = '\\';
  return path;
}

// The main heap, limited to `maximum` bytes, for as long as it lives.
class LimitedMainHeap {
 public:
  explicit LimitedMainHeap(size_t maximum) : heap_(HeapCreate(0, 4096, maximum)) { UseMainHeap(heap_); }
  ~LimitedMainHeap() {
    ReleasePreferenceFile();  // all it holds was taken from this heap
    UseMainHeap(nullptr);
    HeapDestroy(heap_);
  }

 private:
  HANDLE heap_;
};

class PreferenceFailureTest : public ::testing::Test {
 protected:
  void SetUp() override { test_drive::UseFreshDrive(); }
  void TearDown() override { ReleasePreferenceFile(); }
};

TEST_F(PreferenceFailureTest, NeverRewritesAFileWhoseTextCannotBeHad) {
  test_drive::WriteBytes(kFile, OldContent());
  {
    LimitedMainHeap heap(1024);
    EXPECT_EQ(LoadPreferenceFile(kFile.c_str()), 0);
    EXPECT_EQ(CurrentPreferenceState(), PreferenceState::Empty) << "no path kept: nothing can be created";
    EXPECT_EQ(ChoosePreferenceGroup("Application"), 0);
    SetPreferenceText("Version", "2.51");
  }
  EXPECT_EQ(test_drive::ReadBytes(kFile), OldContent());
}

TEST_F(PreferenceFailureTest, LeavesTheFileOldOrNewUnderAnyMemoryLimit) {
  const std::vector<Step> steps = {Choose("Added"), Set("Version", kLongVersion)};
  const std::string added = Content(" = ", "2.50") + "[Added]\r\nVersion = " + kLongVersion + "\r\n";
  int unchangedAfterLoading = 0, written = 0;
  for (size_t maximum = 1024; maximum <= 96 * 1024; maximum += 512) {
    test_drive::WriteBytes(kFile, OldContent());
    int loaded = 0;
    {
      LimitedMainHeap heap(maximum);
      loaded = LoadPreferenceFile(kFile.c_str());
      RunSteps(steps);
    }
    std::string after = test_drive::ReadBytes(kFile);
    if (after == added) {
      ++written;
    } else {
      ASSERT_TRUE(after == OldContent()) << "with a heap of " << maximum << " bytes:\n" << after;
      unchangedAfterLoading += loaded != 0;
    }
  }
  EXPECT_GT(unchangedAfterLoading, 0) << "some limits let the file be read but not edited or written";
  EXPECT_GT(written, 0) << "the largest limits let it be written";
}

TEST_F(PreferenceFailureTest, KeepsTheOldContentWhenTheDiskFillsUp) {
  std::string folder = SmallDiskFolder();
  if (folder.empty()) GTEST_SKIP() << "no small disk: the test run mounts one only as root";
  const std::string file = folder + "qz.inf", created = folder + "new.inf", filler = folder + "filler.bin";
  const std::vector<Step> steps = {Choose("Application"), Set("Version", kLongVersion)};
  ASSERT_TRUE(WriteWhole(file, OldContent()));
  ASSERT_TRUE(FillDisk(filler)) << folder << " is not small";

  EditFile(file, steps);
  EXPECT_TRUE(ReadWhole(file) == OldContent()) << ReadWhole(file).substr(0, 200);
  EditFile(created, steps);
  EXPECT_EQ(ReadWhole(created), "(missing)") << "a file made and cut short goes again";

  DeleteFileA(filler.c_str());
  EditFile(file, steps);
  EXPECT_TRUE(ReadWhole(file) == NewContent()) << ReadWhole(file).substr(0, 200);
  DeleteFileA(file.c_str());
}

#ifndef _WIN32
TEST_F(PreferenceFailureTest, KeepsTheOldContentWhenAFileSizeLimitStopsTheWrite) {
  test_drive::WriteBytes(kFile, OldContent());
  const std::vector<Step> steps = {Choose("Application"), Set("Version", kLongVersion)};
  rlimit before;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  rlimit limited = before;
  limited.rlim_cur = 4096;
  signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  EditFile(kFile, steps);
  setrlimit(RLIMIT_FSIZE, &before);
  signal(SIGXFSZ, SIG_DFL);
  EXPECT_TRUE(test_drive::ReadBytes(kFile) == OldContent()) << test_drive::ReadBytes(kFile).substr(0, 200);

  EditFile(kFile, steps);
  EXPECT_TRUE(test_drive::ReadBytes(kFile) == NewContent()) << test_drive::ReadBytes(kFile).substr(0, 200);
}
#endif

}  // namespace
