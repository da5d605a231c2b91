// What other programs and the read-only attribute let the service do.
#include <gtest/gtest.h>

#include "other_process.h"
#include "preference_steps.h"
#include "prefs/preference_file.h"
#include "support/test_drive.h"

namespace {

const std::string kFile = "C:\\users\\Public\\qz.inf";
const std::string kBefore = "[Application]\nVersion=2.50\n";
const std::string kStamped = "[Application]\r\nVersion = 2.51\r\n";

class PreferenceSharingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    test_drive::WriteBytes(kFile, kBefore);
  }
  void TearDown() override {
    ReleasePreferenceFile();
    SetFileAttributesA(kFile.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
};

TEST_F(PreferenceSharingTest, LetsOthersReadButNotWriteWhileOpen) {
  ASSERT_NE(LoadPreferenceFile(kFile.c_str()), 0);
  EXPECT_EQ(CurrentPreferenceState(), PreferenceState::Open);
  const DWORD kShared = ERROR_SUCCESS, kRefused = ERROR_SHARING_VIOLATION;
  EXPECT_EQ(other_process::OpenError(kFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE), kShared);
  EXPECT_EQ(other_process::OpenError(kFile, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE), kRefused);
  EXPECT_EQ(other_process::OpenError(kFile, GENERIC_READ, FILE_SHARE_READ), kRefused)
      << "we write; it would not share";
  RunSteps(StampVersion());
  ReleasePreferenceFile();
  EXPECT_EQ(other_process::OpenError(kFile, GENERIC_WRITE, FILE_SHARE_READ), kShared);
  EXPECT_EQ(test_drive::ReadBytes(kFile), kStamped);
  EXPECT_FALSE(test_drive::Exists(kFile + ".quorvel-new"));
}

// A reader that shares writing but not deletion keeps the new file from being
// renamed over it: then, and only then, the file is rewritten where it stands.
TEST_F(PreferenceSharingTest, RewritesInPlaceWhenAReaderKeepsItFromBeingReplaced) {
  ASSERT_NE(LoadPreferenceFile(kFile.c_str()), 0);
  other_process::FileHolder reader(kFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(reader.holds());
  RunSteps(StampVersion());
  ReleasePreferenceFile();
  EXPECT_EQ(test_drive::ReadBytes(kFile), kStamped);
  EXPECT_FALSE(test_drive::Exists(kFile + ".quorvel-new"));
}

TEST_F(PreferenceSharingTest, ReadsBesideAWriterAndNeverWrites) {
  other_process::FileHolder writer(kFile, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(writer.holds());
  ASSERT_NE(LoadPreferenceFile(kFile.c_str()), 0);
  EXPECT_EQ(CurrentPreferenceState(), PreferenceState::OpenReadOnly);
  EXPECT_EQ(ChoosePreferenceGroup("Application"), 1) << "the text was read";
  SetPreferenceText("Version", "2.51");
  ReleasePreferenceFile();
  EXPECT_EQ(test_drive::ReadBytes(kFile), kBefore);
}

TEST_F(PreferenceSharingTest, ReadsBesideAReaderThatSharesOnlyReading) {
  other_process::FileHolder reader(kFile, GENERIC_READ, FILE_SHARE_READ);
  ASSERT_TRUE(reader.holds());
  ASSERT_NE(LoadPreferenceFile(kFile.c_str()), 0);
  EXPECT_EQ(CurrentPreferenceState(), PreferenceState::OpenReadOnly);
  RunSteps(StampVersion());
  ReleasePreferenceFile();
  EXPECT_EQ(test_drive::ReadBytes(kFile), kBefore);
}

TEST_F(PreferenceSharingTest, TakesAFileLockedAgainstReadingAsAbsentAndWritesNothing) {
  {
    other_process::FileHolder locker(kFile, GENERIC_READ, 0);
    ASSERT_TRUE(locker.holds());
    EXPECT_EQ(LoadPreferenceFile(kFile.c_str()), 0);
    EXPECT_EQ(CurrentPreferenceState(), PreferenceState::Absent);
    RunSteps(StampVersion());
    ReleasePreferenceFile();
  }
  EXPECT_EQ(test_drive::ReadBytes(kFile), kBefore);
}

TEST_F(PreferenceSharingTest, LeavesAReadOnlyFileUnchanged) {
  ASSERT_TRUE(SetFileAttributesA(kFile.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_NE(LoadPreferenceFile(kFile.c_str()), 0);
  EXPECT_EQ(CurrentPreferenceState(), PreferenceState::OpenReadOnly);
  EXPECT_EQ(ChoosePreferenceGroup("Application"), 1);
  SetPreferenceText("Version", "2.51");
  ReleasePreferenceFile();
  EXPECT_EQ(test_drive::ReadBytes(kFile), kBefore);
}

}  // namespace
