#include "update/dynamic_library.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "loaded_library.h"

namespace {

constexpr char kProbe[] = "probe_library";
constexpr char kProbeFile[] = "probe_library.dll";

std::string ProgramFolder() {
#ifdef _WIN32
  char path[MAX_PATH];
  std::string folder(path, GetModuleFileNameA(nullptr, path, sizeof path));
#else
  std::string folder = "Z:" + std::filesystem::read_symlink("/proc/self/exe").string();
#endif
  return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string SystemFolder() {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, sizeof path);
  return std::string(path, length) + "\\";
}

// The probe is built beside this program; the service loads only from the
// system folder, so the tests place a copy there for their time.
class DynamicLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(
        CopyFileA((ProgramFolder() + kSharedProbe).c_str(), (SystemFolder() + kSharedProbe).c_str(), FALSE))
        << GetLastError();
  }
  static void TearDownTestSuite() { DeleteFileA((SystemFolder() + kSharedProbe).c_str()); }
  void SetUp() override { ASSERT_FALSE(LibraryIsMapped(kProbe)); }
  void TearDown() override { FreeAllDynamicLibraries(); }

  static const char kSharedProbe[];
};

#ifdef _WIN32
const char DynamicLibraryTest::kSharedProbe[] = "probe_library.dll";
#else
const char DynamicLibraryTest::kSharedProbe[] = "probe_library.so";
#endif

TEST_F(DynamicLibraryTest, LoadsFindsAndFrees) {
  ASSERT_NE(LoadDynamicLibrary(3, kProbeFile), 0);
  EXPECT_TRUE(LibraryIsMapped(kProbe));
  EXPECT_NE(FindDynamicFunction(3, "QuorvelProbe"), nullptr);
  EXPECT_EQ(FindDynamicFunction(3, "URLDownloadToFileA"), nullptr);
  EXPECT_EQ(FindDynamicFunction(3, nullptr), nullptr);
  EXPECT_EQ(FindDynamicFunction(2, "QuorvelProbe"), nullptr) << "nothing loaded under 2";
  EXPECT_NE(FreeDynamicLibrary(3), 0);
  EXPECT_FALSE(LibraryIsMapped(kProbe));
  EXPECT_EQ(FreeDynamicLibrary(3), 0) << "already freed";
  EXPECT_EQ(FindDynamicFunction(3, "QuorvelProbe"), nullptr);
}

TEST_F(DynamicLibraryTest, RefusesWhatCannotBeLoaded) {
  EXPECT_EQ(LoadDynamicLibrary(0, nullptr), 0);
  EXPECT_EQ(LoadDynamicLibrary(0, "NoSuchLibrary.dll"), 0);
  EXPECT_EQ(LoadDynamicLibrary(-1, kProbeFile), 0) << "numbers start at 0";
  EXPECT_FALSE(LibraryIsMapped(kProbe));
  EXPECT_EQ(FreeDynamicLibrary(0), 0);
}

TEST_F(DynamicLibraryTest, FindsTheLibraryWhateverTheLetterCase) {
  for (const char *name : {"PROBE_LIBRARY.DLL", "Probe_Library"}) {
    EXPECT_NE(LoadDynamicLibrary(0, name), 0) << name;
    EXPECT_NE(FindDynamicFunction(0, "QuorvelProbe"), nullptr) << name;
  }
}

TEST_F(DynamicLibraryTest, ASecondLoadUnderANumberFreesTheFirst) {
  ASSERT_NE(LoadDynamicLibrary(0, kProbeFile), 0);
  ASSERT_NE(LoadDynamicLibrary(0, kProbeFile), 0);
  FreeDynamicLibrary(0);
  EXPECT_FALSE(LibraryIsMapped(kProbe)) << "the first load was never freed";

  ASSERT_NE(LoadDynamicLibrary(0, kProbeFile), 0);
  EXPECT_EQ(LoadDynamicLibrary(0, "NoSuchLibrary.dll"), 0);
  EXPECT_FALSE(LibraryIsMapped(kProbe)) << "freed even though the new load failed";
  EXPECT_EQ(FreeDynamicLibrary(0), 0);
}

TEST_F(DynamicLibraryTest, FreeingAllReleasesEveryNumber) {
  for (int number : {5, 1, 100000}) ASSERT_NE(LoadDynamicLibrary(number, kProbeFile), 0) << number;
  FreeAllDynamicLibraries();
  EXPECT_FALSE(LibraryIsMapped(kProbe));
  for (int number : {1, 5, 100000}) EXPECT_EQ(FreeDynamicLibrary(number), 0) << number;
}

// A library that is only beside the program, where anyone may have put it,
// is what a plain load takes and what the service never takes.
TEST_F(DynamicLibraryTest, NeverLoadsFromBesideTheProgram) {
  ASSERT_TRUE(DeleteFileA((SystemFolder() + kSharedProbe).c_str()));
  EXPECT_EQ(LoadDynamicLibrary(0, kProbeFile), 0);
  EXPECT_FALSE(LibraryIsMapped(kProbe));
  HMODULE plain = LoadLibraryA(kProbeFile);
  EXPECT_NE(plain, nullptr) << "the probe is beside the program, where a plain load looks";
  if (plain != nullptr) FreeLibrary(plain);
  SetUpTestSuite();
}

TEST_F(DynamicLibraryTest, FunctionOfKeptLibraryLoadsOnceAndKeepsTheLibrary) {
  void *first = FunctionOfKeptLibrary(4, kProbeFile, "QuorvelProbe");
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(FunctionOfKeptLibrary(4, kProbeFile, "QuorvelProbe"), first);
  EXPECT_EQ(FunctionOfKeptLibrary(4, kProbeFile, "NoSuchFunction"), nullptr);
  EXPECT_EQ(FunctionOfKeptLibrary(6, "NoSuchLibrary.dll", "QuorvelProbe"), nullptr);
  EXPECT_NE(FreeDynamicLibrary(4), 0) << "kept under its number until freed";
  EXPECT_FALSE(LibraryIsMapped(kProbe));
}

}  // namespace
