#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "support/test_drive.h"

namespace {

const std::string kFolder = "C:\\Program Files\\Quorvel\\";

// Set before each call whose error is checked, so that an error left by an
// earlier call cannot pass for the one expected.
constexpr DWORD kStaleError = 0xDEADBEEF;

class FolderListingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    test_drive::MakeFolder(kFolder + "Sub");
    test_drive::WriteBytes(kFolder + "QZ.EXE", "x");
    test_drive::WriteBytes(kFolder + "README", "y");
    test_drive::WriteBytes(kFolder + "notes.txt", "z");
  }

  // Every name the search yields, with a trailing "\" for folders.
  static std::set<std::string> Listing(const std::string &searchPath, DWORD *error = nullptr) {
    std::set<std::string> names;
    WIN32_FIND_DATAA entry;
    SetLastError(kStaleError);
    HANDLE search = FindFirstFileA(searchPath.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
      if (error != nullptr) *error = GetLastError();
      return names;
    }
    do {
      bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      names.insert(std::string(entry.cFileName) + (folder ? "\\" : ""));
      SetLastError(kStaleError);
    } while (FindNextFileA(search, &entry));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    FindClose(search);
    return names;
  }
};

struct PatternCase {
  const char *pattern;
  std::set<std::string> names;
};

TEST_F(FolderListingTest, PatternsMatchNamesWithoutRegardToCase) {
  const PatternCase cases[] = {
      {"*.*", {".\\", "..\\", "Sub\\", "QZ.EXE", "README", "notes.txt"}},
      {"*", {".\\", "..\\", "Sub\\", "QZ.EXE", "README", "notes.txt"}},
      {"*.exe", {"QZ.EXE"}},
      {"q?.*", {"QZ.EXE"}},
      {"NOTES.TXT", {"notes.txt"}},
      {"sub", {"Sub\\"}},
  };
  for (const PatternCase &c : cases) EXPECT_EQ(Listing(kFolder + c.pattern), c.names) << c.pattern;
}

TEST_F(FolderListingTest, PathSpellingsThatNameTheSameFolder) {
  for (const std::string &folder :
       {std::string("C:\\Program Files\\\\Quorvel\\"), std::string("c:\\PROGRAM FILES\\quorvel\\"),
        std::string("C:/Program Files/Quorvel/"), std::string("C:\\Program Files\\Quorvel\\Sub\\..\\")}) {
    EXPECT_EQ(Listing(folder + "*.exe"), std::set<std::string>{"QZ.EXE"}) << folder;
  }
}

struct ErrorCase {
  std::string searchPath;
  DWORD error;
};

TEST_F(FolderListingTest, NothingMatchedIsToldApartFromCannotBeSearched) {
  const ErrorCase cases[] = {
      {kFolder + "*.dll", ERROR_FILE_NOT_FOUND},
      {kFolder + "missing.txt", ERROR_FILE_NOT_FOUND},
      {kFolder + "Missing\\*.*", ERROR_PATH_NOT_FOUND},
      {kFolder + "Missing\\Deeper\\*.*", ERROR_PATH_NOT_FOUND},
  };
  for (const ErrorCase &c : cases) {
    DWORD error = ERROR_SUCCESS;
    EXPECT_TRUE(Listing(c.searchPath, &error).empty()) << c.searchPath;
    EXPECT_EQ(error, c.error) << c.searchPath;
  }
  // A file is no folder to search. FindFirstFileA's page (Microsoft Learn)
  // names only ERROR_FILE_NOT_FOUND, for nothing matched; this code is not
  // given there (Wine 8 sets ERROR_INVALID_NAME, the stand-in ERROR_PATH_NOT_FOUND).
  DWORD error = ERROR_SUCCESS;
  EXPECT_TRUE(Listing(kFolder + "README\\*.*", &error).empty());
  EXPECT_TRUE(error != kStaleError && error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) << error;
}

TEST_F(FolderListingTest, FolderCreationErrors) {
  EXPECT_TRUE(CreateDirectoryA((kFolder + "New").c_str(), nullptr));
  SetLastError(kStaleError);
  EXPECT_FALSE(CreateDirectoryA((kFolder + "new").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  SetLastError(kStaleError);
  EXPECT_FALSE(CreateDirectoryA((kFolder + "Missing\\New").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FolderListingTest, CopyKeepsTheLastWriteTime) {
  WIN32_FIND_DATAA before, after;
  FindClose(FindFirstFileA((kFolder + "notes.txt").c_str(), &before));
  ASSERT_TRUE(CopyFileA((kFolder + "notes.txt").c_str(), (kFolder + "copy.txt").c_str(), FALSE));
  FindClose(FindFirstFileA((kFolder + "copy.txt").c_str(), &after));
  EXPECT_EQ(after.ftLastWriteTime.dwLowDateTime, before.ftLastWriteTime.dwLowDateTime);
  EXPECT_EQ(after.ftLastWriteTime.dwHighDateTime, before.ftLastWriteTime.dwHighDateTime);
  EXPECT_EQ(after.nFileSizeLow, 1u);
}

}  // namespace
