#include <gtest/gtest.h>

#include <climits>

#include "base/any_number.h"
#include "fs/folders.h"
#include "support/test_drive.h"

namespace {

class FolderSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    test_drive::MakeFolder("C:\\Program Files\\Quorvel\\Empty");
    test_drive::WriteBytes("C:\\Program Files\\Quorvel\\QZ.exe", "old");
  }
};

struct ProbeCase {
  const char *folder;
  const char *pattern;
  bool present;
};

TEST_F(FolderSearchTest, ProbeTellsWhetherAFolderCanBeSearched) {
  const ProbeCase cases[] = {
      {"C:\\Program Files\\Quorvel\\Empty", "*.*", true},
      {"C:\\Program Files\\Quorvel\\Empty\\", "*.*", true},
      {"C:\\Program Files\\Quorvel", nullptr, true},
      {"C:\\Program Files\\Quorvel\\", "", true},
      {"C:\\Program Files\\Quorvel\\", "nothing-like-this.*", true},
      {"C:\\Program Files\\\\Quorvel\\", "*.*", true},
      {"C:\\PROGRAM FILES\\quorvel\\", "*.*", true},
      {"C:\\Users\\Public\\", "*.*", true},
      // The symbolic link to ProgramData that Windows makes.
      {"C:\\Users\\All Users\\", "*.*", true},
      {"C:\\USERS\\all users", nullptr, true},
      {"C:\\Users\\All Users\\Missing\\", "*.*", false},
      {"C:\\Program Files\\Missing\\", "*.*", false},
      {"C:\\Program Files\\Missing\\Deeper\\", "*.*", false},
      {"C:\\Program Files\\Quorvel\\QZ.exe", "*.*", false},
      {"C:\\Program Files\\Quorvel\\QZ.exe\\", "*.*", false},
  };
  for (const ProbeCase &c : cases) {
    intptr_t search = OpenFolderSearch(AnyNumber, c.folder, c.pattern);
    EXPECT_EQ(search != 0, c.present) << c.folder << " with " << (c.pattern ? c.pattern : "(none)");
    EXPECT_EQ(CloseFolderSearch(search), c.present ? 1 : 0) << c.folder;
  }
}

TEST_F(FolderSearchTest, AnEmptyFolderTextSearchesTheCurrentFolder) {
  intptr_t search = OpenFolderSearch(AnyNumber, "", "*.*");
  EXPECT_NE(search, 0);
  EXPECT_EQ(CloseFolderSearch(search), 1);
  search = OpenFolderSearch(AnyNumber, nullptr, "surely-no-such-entry-here");
  EXPECT_NE(search, 0) << "nothing matched, yet the folder can be searched";
  EXPECT_EQ(CloseFolderSearch(search), 1);
}

TEST_F(FolderSearchTest, AnyNumberSearchesAreSeparateAndClosedOnce) {
  intptr_t first = OpenFolderSearch(AnyNumber, "C:\\Program Files\\Quorvel\\", "*.*");
  intptr_t second = OpenFolderSearch(AnyNumber, "C:\\Program Files\\Quorvel\\", "*.*");
  ASSERT_NE(first, 0);
  ASSERT_NE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(CloseFolderSearch(first), 1);
  EXPECT_EQ(CloseFolderSearch(first), 0) << "a closed search is no longer named";
  EXPECT_EQ(CloseFolderSearch(second), 1) << "closing one leaves the other open";
}

TEST_F(FolderSearchTest, NumberedSearchesNeverEndAnAnyNumberOne) {
  intptr_t anonymous = OpenFolderSearch(AnyNumber, "C:\\Program Files\\Quorvel\\", "*.*");
  ASSERT_GT(anonymous, intptr_t{INT_MAX}) << "above every number a caller can pick";
  // Numbers a caller may pick, the handle's value cut to an int among them.
  for (int number : {0, 1, INT_MAX, static_cast<int>(anonymous & INT_MAX)}) {
    EXPECT_NE(OpenFolderSearch(number, "C:\\Program Files\\Quorvel\\", "*.*"), 0) << number;
    EXPECT_EQ(CloseFolderSearch(number), 1) << number;
  }
  EXPECT_EQ(CloseFolderSearch(anonymous), 1) << "the AnyNumber search lives apart from every number";
}

TEST_F(FolderSearchTest, ReusingANumberEndsTheEarlierSearchEvenWhenTheNewOneFails) {
  EXPECT_NE(OpenFolderSearch(3, "C:\\Program Files\\Quorvel\\", "*.*"), 0);
  EXPECT_NE(OpenFolderSearch(3, "C:\\Program Files\\Quorvel\\Empty\\", "*.*"), 0);
  EXPECT_EQ(CloseFolderSearch(3), 1);
  EXPECT_EQ(CloseFolderSearch(3), 0);

  EXPECT_NE(OpenFolderSearch(5, "C:\\Program Files\\Quorvel\\", "*.*"), 0);
  EXPECT_EQ(OpenFolderSearch(5, "C:\\Program Files\\Missing\\", "*.*"), 0);
  EXPECT_EQ(CloseFolderSearch(5), 0) << "the failed open left number 5 free";
}

TEST_F(FolderSearchTest, ClosingWhatWasNeverOpenedDoesNothing) {
  EXPECT_EQ(CloseFolderSearch(0), 0);
  EXPECT_EQ(CloseFolderSearch(42), 0);
  EXPECT_EQ(OpenFolderSearch(-2, "C:\\Program Files\\Quorvel\\", "*.*"), 0)
      << "negative numbers other than AnyNumber are refused";
}

}  // namespace
