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

TEST(StartupTest, LimitsTheLibrarySearchBeforeTheFirstLoadAndStopsGhosting) {
  const std::string systemProbe = SystemFolder() + "probe_library.so";
  const struct {
    const char *system;
    bool withoutDefaultDirectories;
    DWORD defaultDirectoriesAtFirstLoad;
    std::string firstLoadName;
    DWORD firstLoadFlags;
  } rows[] = {
      {"with SetDefaultDllDirectories", false, LOAD_LIBRARY_SEARCH_SYSTEM32, kProbeFile,
       LOAD_LIBRARY_SEARCH_SYSTEM32},
      {"without it", true, 0, SystemFolder() + kProbeFile, LOAD_WITH_ALTERED_SEARCH_PATH},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.system);
    startup_records::StartAfresh(row.withoutDefaultDirectories);
    ASSERT_FALSE(startup_records::GhostingDisabled());
    PrepareProcess();
    EXPECT_TRUE(startup_records::GhostingDisabled());
    EXPECT_FALSE(startup_records::FirstLibraryLoad().made) << "the start-up itself loads nothing";

    ASSERT_TRUE(CopyFileA(SharedProbeBesideTheProgram().c_str(), systemProbe.c_str(), FALSE));
    EXPECT_NE(LoadDynamicLibrary(0, kProbeFile), 0) << GetLastError();
    startup_records::LibraryLoad first = startup_records::FirstLibraryLoad();
    EXPECT_TRUE(first.made);
    EXPECT_EQ(first.defaultDirectories, row.defaultDirectoriesAtFirstLoad);
    EXPECT_EQ(first.fileName, row.firstLoadName);
    EXPECT_EQ(first.flags, row.firstLoadFlags);

    // Only beside the program now: never loaded.
    FreeAllDynamicLibraries();
    ASSERT_TRUE(DeleteFileA(systemProbe.c_str()));
    EXPECT_EQ(LoadDynamicLibrary(0, kProbeFile), 0);
    EXPECT_FALSE(LibraryIsMapped("probe_library"));
  }
  startup_records::StartAfresh(false);
}

}  // namespace
