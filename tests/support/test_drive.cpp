#include "support/test_drive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace test_drive {
namespace {

constexpr const char *kHiddenSuffix = ".hidden-by-test";
std::vector<std::string> hiddenFolders;

#ifndef _WIN32
fs::path currentPrefix;

void MakeNativePrefix() {
  if (!currentPrefix.empty()) fs::remove_all(currentPrefix);
  // Not temp_directory_path(): tests set TEMP to Windows paths.
  const char *tmpdir = std::getenv("TMPDIR");
  std::string pattern = (fs::path(tmpdir != nullptr ? tmpdir : "/tmp") / "quorvel-drive-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  currentPrefix = pattern;
  setenv("WINEPREFIX", pattern.c_str(), 1);
  const char *user = std::getenv("USER");
  for (const char *folder :
       {"drive_c/users/Public", "drive_c/Program Files", "drive_c/windows", "drive_c/ProgramData"})
    fs::create_directories(currentPrefix / folder);
  fs::create_directories(currentPrefix / "drive_c/users" / (user ? user : "user") / "Temp");
  // Relative, as tests/support/wine-prefix.sh makes it: a copy of the drive keeps its own.
  fs::create_directory_symlink("../ProgramData", currentPrefix / "drive_c/users/All Users");
}
#endif

}  // namespace

fs::path HostPathOf(const std::string &windowsPath) {
#ifdef _WIN32
  return fs::path(windowsPath);
#else
  std::string rest = windowsPath.substr(2);
  for (char &c : rest)
    if (c == '\\') c = '/';
  return fs::path(std::getenv("WINEPREFIX")) / ("drive_c" + rest);
#endif
}

void ShowHiddenFolders() {
  std::error_code ignored;
  for (const std::string &folder : hiddenFolders) {
    fs::remove_all(HostPathOf(folder), ignored);
    fs::rename(HostPathOf(folder + kHiddenSuffix), HostPathOf(folder), ignored);
  }
  hiddenFolders.clear();
}

void UseFreshDrive() {
#ifdef _WIN32
  ShowHiddenFolders();
  std::error_code ignored;
  // Whatever a test added next to what the new prefix holds goes again.
  static std::map<std::string, std::set<std::string>> original;
  for (const char *folder :
       {"C:\\", "C:\\Program Files", "C:\\users", "C:\\users\\Public", "C:\\ProgramData"}) {
    std::set<std::string> names;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder, ignored))
      names.insert(entry.path().filename().string());
    if (original.emplace(folder, names).second) continue;
    for (const std::string &name : names)
      if (original[folder].count(name) == 0) fs::remove_all(fs::path(folder) / name, ignored);
  }
#else
  hiddenFolders.clear();
  MakeNativePrefix();
#endif
}

void WriteBytes(const std::string &windowsPath, const std::string &bytes) {
  std::ofstream out(HostPathOf(windowsPath), std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << windowsPath;
}

std::string ReadBytes(const std::string &windowsPath) {
  std::ifstream in(HostPathOf(windowsPath), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool Exists(const std::string &windowsPath) { return fs::exists(HostPathOf(windowsPath)); }

void MakeFolder(const std::string &windowsPath) { fs::create_directories(HostPathOf(windowsPath)); }

void HideFolder(const std::string &windowsPath) {
  fs::rename(HostPathOf(windowsPath), HostPathOf(windowsPath + kHiddenSuffix));
  hiddenFolders.push_back(windowsPath);
}

bool UnderWineAsRoot() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  const char *user = std::getenv("USERNAME");  // Wine sets it from the host's user
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr && user != nullptr &&
         std::string(user) == "root";
#else
  return false;
#endif
}

HANDLE HoldWithoutSharing(const std::string &windowsPath) {
  return CreateFileA(windowsPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

}  // namespace test_drive
