// What other programs and the read-only attribute let the service do.
#include <gtest/gtest.h>

#include <optional>
#include <string>

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

struct Holder {
  const char *name;
  DWORD access;  // of another program's open; 0: none, the file is read-only instead
  DWORD sharing;
  bool opensAfterTheService;  // else before
  PreferenceState state;      // after the load
  int groupFound;             // ChoosePreferenceGroup("Application")
  std::string after;
};

// What another program holding the file, or its read-only mark, leaves the
// service free to do. A reader that shares writing but not deletion keeps the
// new file from being renamed over it: then, and only then, the file is
// rewritten where it stands. One that locks reading makes it absent.
TEST_F(PreferenceSharingTest, WritesOnlyWhatOthersAndTheReadOnlyMarkLetItWrite) {
  const Holder holders[] = {
      {"a reader keeping it from being replaced", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true,
       PreferenceState::Open, 1, kStamped},
      {"a writer", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, false, PreferenceState::OpenReadOnly, 1,
       kBefore},
      {"a reader that shares only reading", GENERIC_READ, FILE_SHARE_READ, false,
       PreferenceState::OpenReadOnly, 1, kBefore},
      {"a lock against reading", GENERIC_READ, 0, false, PreferenceState::Absent, 0, kBefore},
      {"the read-only mark", 0, 0, false, PreferenceState::OpenReadOnly, 1, kBefore},
  };
  for (const Holder &holder : holders) {
    SCOPED_TRACE(holder.name);
    SetUp();
    std::optional<other_process::FileHolder> other;
    auto hold = [&] {
      other.emplace(kFile, holder.access, holder.sharing);
      return other->holds();
    };
    if (holder.access == 0) {
      ASSERT_TRUE(SetFileAttributesA(kFile.c_str(), FILE_ATTRIBUTE_READONLY));
    } else if (!holder.opensAfterTheService) {
      ASSERT_TRUE(hold());
    }
    EXPECT_EQ(LoadPreferenceFile(kFile.c_str()) != 0, holder.state != PreferenceState::Absent);
    EXPECT_EQ(CurrentPreferenceState(), holder.state);
    if (holder.access != 0 && holder.opensAfterTheService) {
      ASSERT_TRUE(hold());
    }
    EXPECT_EQ(ChoosePreferenceGroup("Application"), holder.groupFound) << "the text was read";
    SetPreferenceText("Version", "2.51");
    ReleasePreferenceFile();
    other.reset();
    EXPECT_EQ(test_drive::ReadBytes(kFile), holder.after);
    EXPECT_FALSE(test_drive::Exists(kFile + ".quorvel-new"));
    TearDown();
  }
}

}  // namespace
