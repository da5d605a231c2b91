#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>

#include "support/test_drive.h"

namespace {

const std::string kFolder = "C:\\Program Files\\Quorvel\\";
constexpr DWORD kMarker = 0xDEADBEEF;  // set before a call whose error is checked

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
    SetLastError(kMarker);
    HANDLE search = FindFirstFileA(searchPath.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
      if (error != nullptr) *error = GetLastError();
      return names;
    }
    SetLastError(kMarker);
    do {
      bool folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      names.insert(std::string(entry.cFileName) + (folder ? "\\" : ""));
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

struct AttributeCase {
  const char *path;
  DWORD attributes;
};

// The symbolic link to ProgramData that Windows makes shows itself to a query
// of its own name, as a folder link with the reparse mark (Microsoft Learn,
// "Symbolic Link Effects on File Systems Functions"); any other path goes
// through it. Wine 8 shows the same.
TEST_F(FolderListingTest, ALinkShowsItselfAndIsGoneThrough) {
  test_drive::MakeFolder("C:\\ProgramData\\Quorvel");
  test_drive::WriteBytes("C:\\ProgramData\\Quorvel\\qz.inf", "x");
  constexpr DWORD kLink = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  const AttributeCase cases[] = {
      {"C:\\users\\All Users", kLink},
      {"C:\\Users\\ALL USERS\\", FILE_ATTRIBUTE_DIRECTORY},
      {"C:\\users\\all users\\QUORVEL", FILE_ATTRIBUTE_DIRECTORY},
      {"C:\\Users\\All Users\\Quorvel\\QZ.INF", FILE_ATTRIBUTE_ARCHIVE},
  };
  for (const AttributeCase &c : cases) EXPECT_EQ(GetFileAttributesA(c.path), c.attributes) << c.path;
  WIN32_FIND_DATAA entry;
  for (const char *search : {"C:\\users\\All Users", "C:\\users\\All*"}) {
    HANDLE found = FindFirstFileA(search, &entry);
    ASSERT_NE(found, INVALID_HANDLE_VALUE) << search;
    FindClose(found);
    EXPECT_EQ(entry.dwFileAttributes, kLink) << search;
  }
  EXPECT_EQ(Listing("C:\\Users\\All Users\\quorvel\\*.*"), (std::set<std::string>{".\\", "..\\", "qz.inf"}));
  // Neither deleted nor renamed over, as a folder is not.
  SetLastError(kMarker);
  EXPECT_FALSE(DeleteFileA("C:\\users\\All Users"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  SetLastError(kMarker);
  EXPECT_FALSE(MoveFileExA((kFolder + "README").c_str(), "C:\\users\\All Users", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(GetFileAttributesA("C:\\users\\All Users\\Quorvel\\qz.inf"), FILE_ATTRIBUTE_ARCHIVE);
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
    DWORD error = 0;
    EXPECT_TRUE(Listing(c.searchPath, &error).empty()) << c.searchPath;
    EXPECT_EQ(error, c.error) << c.searchPath;
  }
  DWORD error = 0;
  EXPECT_TRUE(Listing(kFolder + "README\\*.*", &error).empty());
  EXPECT_NE(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << "a file is no folder to search";
  EXPECT_NE(error, kMarker);
}

TEST_F(FolderListingTest, FolderCreationErrors) {
  EXPECT_TRUE(CreateDirectoryA((kFolder + "New").c_str(), nullptr));
  SetLastError(kMarker);
  EXPECT_FALSE(CreateDirectoryA((kFolder + "new").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  SetLastError(kMarker);
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
