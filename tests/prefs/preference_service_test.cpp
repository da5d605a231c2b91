// Results, states and the moments at which files are written.
#include <gtest/gtest.h>

#include <filesystem>

#include "preference_steps.h"
#include "prefs/preference_file.h"
#include "support/test_drive.h"

namespace {

namespace fs = std::filesystem;

const std::string kFolder = "C:\\users\\Public\\Quorvel\\";
const std::string kFirst = kFolder + "qz.inf";
const std::string kSecond = kFolder + "Addresses.inf";
const std::string kStamped = "[Application]\r\nVersion = 2.51\r\n";

class PreferenceServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    test_drive::MakeFolder(kFolder);
  }
  void TearDown() override { ReleasePreferenceFile(); }

  // Dates the file far back, so that any rewrite shows in its time.
  static fs::file_time_type DateBack(const std::string &windowsPath) {
    fs::path host = test_drive::HostPathOf(windowsPath);
    fs::last_write_time(host, fs::last_write_time(host) - std::chrono::hours(24 * 400));
    return fs::last_write_time(host);
  }
  static fs::file_time_type TimeOf(const std::string &windowsPath) {
    return fs::last_write_time(test_drive::HostPathOf(windowsPath));
  }
};

TEST_F(PreferenceServiceTest, DoesNothingWithoutACurrentFile) {
  EXPECT_EQ(CurrentPreferenceState(), PreferenceState::Empty);
  EXPECT_EQ(ChoosePreferenceGroup("Application"), 0);
  EXPECT_EQ(ChoosePreferenceGroup(""), 0);
  SetPreferenceText("Version", "2.51");
  ReleasePreferenceFile();
  EXPECT_EQ(CurrentPreferenceState(), PreferenceState::Empty);
  EXPECT_EQ(LoadPreferenceFile(nullptr), 0);
  EXPECT_EQ(CurrentPreferenceState(), PreferenceState::Empty);
}

TEST_F(PreferenceServiceTest, ReportsWhetherTheChosenGroupExists) {
  test_drive::WriteBytes(kFirst, "[Main]\r\n[application]\r\n");
  ASSERT_NE(LoadPreferenceFile(kFirst.c_str()), 0);
  EXPECT_EQ(CurrentPreferenceState(), PreferenceState::Open);
  EXPECT_EQ(ChoosePreferenceGroup("APPLICATION"), 1);
  EXPECT_EQ(ChoosePreferenceGroup(""), 1);
  EXPECT_EQ(ChoosePreferenceGroup("Applications"), 0);
  EXPECT_EQ(ChoosePreferenceGroup(nullptr), 0);
  SetPreferenceText("Refused", "after a choice that could not be made");
  SetPreferenceText(nullptr, "x");
  SetPreferenceText("x", nullptr);
  ReleasePreferenceFile();
  EXPECT_EQ(CurrentPreferenceState(), PreferenceState::Empty);
  EXPECT_EQ(test_drive::ReadBytes(kFirst), "[Main]\r\n[application]\r\n");
}

TEST_F(PreferenceServiceTest, WritesTheFirstFileBackWhenTheSecondIsOpened) {
  test_drive::WriteBytes(kFirst, "[Application]\nVersion=2.50\n");
  test_drive::WriteBytes(kSecond, "[Application]\nVersion=2.50\n");
  ASSERT_NE(LoadPreferenceFile(kFirst.c_str()), 0);
  RunSteps(StampVersion());
  EXPECT_EQ(test_drive::ReadBytes(kFirst), "[Application]\nVersion=2.50\n") << "written only at release";
  ASSERT_NE(LoadPreferenceFile(kSecond.c_str()), 0);
  EXPECT_EQ(test_drive::ReadBytes(kFirst), kStamped);
  RunSteps(StampVersion());
  ReleasePreferenceFile();
  EXPECT_EQ(test_drive::ReadBytes(kSecond), kStamped);
}

TEST_F(PreferenceServiceTest, LeavesAFileWithAGroupButNoKeyUntouched) {
  test_drive::WriteBytes(kFirst, "  [Application]\n Version=2.50\n");
  fs::file_time_type dated = DateBack(kFirst);
  EditFile(kFirst, {Choose("Application"), Choose("Missing")});
  EXPECT_EQ(test_drive::ReadBytes(kFirst), "  [Application]\n Version=2.50\n");
  EXPECT_EQ(TimeOf(kFirst), dated);
  EditFile(kFirst, StampVersion());
  EXPECT_NE(TimeOf(kFirst), dated) << "a rewrite shows in the time";
}

TEST_F(PreferenceServiceTest, CreatesAMissingFileOnlyWhenAKeyIsWritten) {
  EXPECT_EQ(LoadPreferenceFile(kFirst.c_str()), 0);
  EXPECT_EQ(CurrentPreferenceState(), PreferenceState::Absent);
  EXPECT_EQ(ChoosePreferenceGroup("Application"), 0);
  ReleasePreferenceFile();
  EXPECT_FALSE(test_drive::Exists(kFirst));

  EXPECT_EQ(LoadPreferenceFile(kFirst.c_str()), 0);
  RunSteps(StampVersion());
  ReleasePreferenceFile();
  EXPECT_EQ(test_drive::ReadBytes(kFirst), kStamped);
}

TEST_F(PreferenceServiceTest, WritesNothingWhereNoFileCanBeMade) {
  const std::string nowhere = kFolder + "Missing Folder\\qz.inf";
  EXPECT_EQ(LoadPreferenceFile(nowhere.c_str()), 0);
  RunSteps(StampVersion());
  ReleasePreferenceFile();
  EXPECT_FALSE(test_drive::Exists(kFolder + "Missing Folder"));
}

TEST(Latin1ToUtf8Test, EncodesEachByteAsItsCodePoint) {
  EXPECT_EQ(Latin1ToUtf8("Version 2.51"), "Version 2.51");
  EXPECT_EQ(Latin1ToUtf8("\x7F\x80\xBF\xC0\xE9\xFF"), "\x7F\xC2\x80\xC2\xBF\xC3\x80\xC3\xA9\xC3\xBF");
  EXPECT_EQ(Latin1ToUtf8(""), "");
}

}  // namespace
