// The start-up on the stand-in: what the first library load finds in force,
// and the ghosting call, on a system with SetDefaultDllDirectories and on one
// without it (Windows 7 before KB2533623), where each system library is
// loaded by its full path in the system folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "app/services.h"
#include "compat/testing/startup_records.h"
#include "update/dynamic_library.h"
#include "update/loaded_library.h"

namespace {

constexpr char kProbeFile[] = "probe_library.dll";

std::string SystemFolder() {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, sizeof path);
  return std::string(path, length) + "\\";
}

// The probe as a shared library, beside this program and, while a case
// needs it, in the system folder.
std::string SharedProbeBesideTheProgram() {
  return "Z:" + std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/probe_library.so";
}

struct StartupCase {
  const char *system;
  bool withoutDefaultDirectories;
  DWORD defaultDirectoriesAtFirstLoad;
  bool firstLoadByFullPath;
  DWORD firstLoadFlags;
};

void PrintTo(const StartupCase &row, std::ostream *out) { *out << row.system; }

class StartupTest : public ::testing::TestWithParam<StartupCase> {
 protected:
  void TearDown() override {
    FreeAllDynamicLibraries();
    DeleteFileA((SystemFolder() + "probe_library.so").c_str());
    startup_records::StartAfresh(false);
  }
};

TEST_P(StartupTest, LimitsTheLibrarySearchBeforeTheFirstLoadAndStopsGhosting) {
  const StartupCase &row = GetParam();
  startup_records::StartAfresh(row.withoutDefaultDirectories);
  ASSERT_FALSE(startup_records::GhostingDisabled());

  PrepareProcess();
  EXPECT_TRUE(startup_records::GhostingDisabled());
  EXPECT_FALSE(startup_records::FirstLibraryLoad().made) << "the start-up itself loads nothing";

  ASSERT_TRUE(
      CopyFileA(SharedProbeBesideTheProgram().c_str(), (SystemFolder() + "probe_library.so").c_str(), FALSE));
  ASSERT_NE(LoadDynamicLibrary(0, kProbeFile), 0) << GetLastError();
  EXPECT_NE(FindDynamicFunction(0, "QuorvelProbe"), nullptr);
  startup_records::LibraryLoad first = startup_records::FirstLibraryLoad();
  EXPECT_TRUE(first.made);
  EXPECT_EQ(first.defaultDirectories, row.defaultDirectoriesAtFirstLoad);
  EXPECT_EQ(first.fileName, (row.firstLoadByFullPath ? SystemFolder() : "") + kProbeFile);
  EXPECT_EQ(first.flags, row.firstLoadFlags);

  // Only beside the program now: never loaded.
  FreeAllDynamicLibraries();
  ASSERT_TRUE(DeleteFileA((SystemFolder() + "probe_library.so").c_str()));
  EXPECT_EQ(LoadDynamicLibrary(0, kProbeFile), 0);
  EXPECT_FALSE(LibraryIsMapped("probe_library"));
}

INSTANTIATE_TEST_SUITE_P(
    Systems, StartupTest,
    ::testing::Values(StartupCase{"WithDefaultDirectories", false, LOAD_LIBRARY_SEARCH_SYSTEM32, false,
                                  LOAD_LIBRARY_SEARCH_SYSTEM32},
                      StartupCase{"WithoutDefaultDirectories", true, 0, true, LOAD_WITH_ALTERED_SEARCH_PATH}),
    [](const ::testing::TestParamInfo<StartupCase> &info) { return std::string(info.param.system); });

}  // namespace
