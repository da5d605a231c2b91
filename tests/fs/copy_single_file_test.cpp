#include <gtest/gtest.h>

#include "fs/file_copy.h"
#include "support/test_drive.h"

namespace {

const std::string kFolder = "C:\\Program Files\\Quorvel\\";

class CopySingleFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    test_drive::MakeFolder(kFolder);
    test_drive::WriteBytes(kFolder + "QZ.exe", std::string("new\0bytes", 9));
    test_drive::WriteBytes(kFolder + "QZ_previous.exe", "an older and longer executable");
  }
};

TEST_F(CopySingleFileTest, ReplacesAnExistingTargetWhole) {
  EXPECT_NE(CopySingleFile((kFolder + "QZ.exe").c_str(), (kFolder + "QZ_previous.exe").c_str()), 0);
  EXPECT_EQ(test_drive::ReadBytes(kFolder + "QZ_previous.exe"), std::string("new\0bytes", 9));
}

TEST_F(CopySingleFileTest, AbsentOrMissingNamesChangeNothing) {
  EXPECT_EQ(CopySingleFile(nullptr, (kFolder + "QZ_previous.exe").c_str()), 0);
  EXPECT_EQ(CopySingleFile((kFolder + "QZ.exe").c_str(), nullptr), 0);
  EXPECT_EQ(CopySingleFile((kFolder + "missing.exe").c_str(), (kFolder + "QZ_previous.exe").c_str()), 0);
  EXPECT_EQ(CopySingleFile((kFolder + "QZ.exe").c_str(), (kFolder + "NoSuchFolder\\QZ.exe").c_str()), 0);
  EXPECT_EQ(test_drive::ReadBytes(kFolder + "QZ_previous.exe"), "an older and longer executable");
}

struct Lock {
  const char *name;
  const char *held;  // opened for reading with `sharing` while the copy runs
  DWORD sharing;
  const char *target;
  const char *targetAfter;  // nullptr: no such file
};

// A file another program holds fails the copy and leaves the target as it
// was, with nothing staged beside it.
TEST_F(CopySingleFileTest, ALockedSourceOrTargetFailsTheCopyAndLeavesTheTarget) {
  const Lock locks[] = {
      {"a locked target", "QZ_previous.exe", 0, "QZ_previous.exe", "an older and longer executable"},
      {"a locked source", "QZ.exe", 0, "copy.exe", nullptr},
      // As a running program holds its executable: reading shared, deletion not.
      {"a target held as a running program", "QZ_previous.exe", FILE_SHARE_READ, "QZ_previous.exe",
       "an older and longer executable"},
  };
  for (const Lock &lock : locks) {
    SCOPED_TRACE(lock.name);
    SetUp();
    const std::string target = kFolder + lock.target;
    HANDLE held = CreateFileA((kFolder + lock.held).c_str(), GENERIC_READ, lock.sharing, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CopySingleFile((kFolder + "QZ.exe").c_str(), target.c_str()), 0);
    CloseHandle(held);
    EXPECT_EQ(test_drive::Exists(target), lock.targetAfter != nullptr);
    if (lock.targetAfter != nullptr) {
      EXPECT_EQ(test_drive::ReadBytes(target), lock.targetAfter);
    }
    EXPECT_FALSE(test_drive::Exists(target + ".quorvel-new"));
  }
}

TEST_F(CopySingleFileTest, AReadOnlySourceIsCopiedAndStaysReadOnly) {
  ASSERT_TRUE(SetFileAttributesA((kFolder + "QZ.exe").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(CopySingleFile((kFolder + "QZ.exe").c_str(), (kFolder + "copy.exe").c_str()), 0);
  EXPECT_EQ(test_drive::ReadBytes(kFolder + "copy.exe"), std::string("new\0bytes", 9));
  EXPECT_NE(GetFileAttributesA((kFolder + "copy.exe").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  for (const char *name : {"QZ.exe", "copy.exe"})
    SetFileAttributesA((kFolder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
