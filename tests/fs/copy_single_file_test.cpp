#include "fs/file_copy.h"

#include <gtest/gtest.h>

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

TEST_F(CopySingleFileTest, ALockedTargetIsLeftAsItWas) {
  HANDLE lock = test_drive::HoldWithoutSharing(kFolder + "QZ_previous.exe");
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CopySingleFile((kFolder + "QZ.exe").c_str(), (kFolder + "QZ_previous.exe").c_str()), 0);
  CloseHandle(lock);
  EXPECT_EQ(test_drive::ReadBytes(kFolder + "QZ_previous.exe"), "an older and longer executable");
}

TEST_F(CopySingleFileTest, ALockedSourceCannotBeRead) {
  HANDLE lock = test_drive::HoldWithoutSharing(kFolder + "QZ.exe");
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CopySingleFile((kFolder + "QZ.exe").c_str(), (kFolder + "copy.exe").c_str()), 0);
  CloseHandle(lock);
  EXPECT_FALSE(test_drive::Exists(kFolder + "copy.exe"));
}

// As a running program holds its executable: reading shared, deletion not.
TEST_F(CopySingleFileTest, ATargetHeldAsARunningProgramIsLeftWholeWithNothingStaged) {
  HANDLE running = CreateFileA((kFolder + "QZ_previous.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(running, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CopySingleFile((kFolder + "QZ.exe").c_str(), (kFolder + "QZ_previous.exe").c_str()), 0);
  CloseHandle(running);
  EXPECT_EQ(test_drive::ReadBytes(kFolder + "QZ_previous.exe"), "an older and longer executable");
  EXPECT_FALSE(test_drive::Exists(kFolder + "QZ_previous.exe.quorvel-new"));
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
