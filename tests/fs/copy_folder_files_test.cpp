#include <gtest/gtest.h>

#include <utility>

#include "fs/file_copy.h"
#include "fs/staged_replacement.h"
#include "support/test_drive.h"

namespace {

const std::string kInstall = "C:\\Program Files\\Quorvel\\";
const std::string kBackup = "C:\\Program Files\\Quorvel\\\\Backup";

class CopyFolderFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    test_drive::MakeFolder(kInstall + "plugins");
    test_drive::WriteBytes(kInstall + "QZ.exe", "executable");
    test_drive::WriteBytes(kInstall + "qz.dll", "library");
    test_drive::WriteBytes(kInstall + "README", "no dot in this name");
    test_drive::WriteBytes(kInstall + "plugins\\plugin.dll", "plugin");
  }
};

TEST_F(CopyFolderFilesTest, CopiesOnlyTheFilesDirectlyInTheSource) {
  EXPECT_EQ(CopyFolderFiles(kInstall.c_str(), kBackup.c_str(), "*.*"), 1);
  EXPECT_EQ(test_drive::ReadBytes(kInstall + "Backup\\QZ.exe"), "executable");
  EXPECT_EQ(test_drive::ReadBytes(kInstall + "Backup\\qz.dll"), "library");
  EXPECT_EQ(test_drive::ReadBytes(kInstall + "Backup\\README"), "no dot in this name");
  EXPECT_FALSE(test_drive::Exists(kInstall + "Backup\\plugins"));
  EXPECT_FALSE(test_drive::Exists(kInstall + "Backup\\Backup"));
}

TEST_F(CopyFolderFilesTest, ASecondRunKeepsWhatTheBackupHoldsAndAddsWhatItLacks) {
  ASSERT_EQ(CopyFolderFiles(kInstall.c_str(), kBackup.c_str(), "*.*"), 1);
  test_drive::WriteBytes(kInstall + "QZ.exe", "rebuilt");
  test_drive::WriteBytes(kInstall + "added.dll", "new library");
  test_drive::WriteBytes(kInstall + "Backup\\only-in-backup.txt", "earlier");
  EXPECT_EQ(CopyFolderFiles(kInstall.c_str(), kBackup.c_str(), "*.*"), 1);
  EXPECT_EQ(test_drive::ReadBytes(kInstall + "Backup\\QZ.exe"), "executable");
  EXPECT_EQ(test_drive::ReadBytes(kInstall + "Backup\\added.dll"), "new library");
  EXPECT_EQ(test_drive::ReadBytes(kInstall + "Backup\\only-in-backup.txt"), "earlier");
}

TEST_F(CopyFolderFilesTest, LeftoversAreNeitherCopiedNorLeftBehindAndAnEmptyNameGetsItsKeptFile) {
  test_drive::WriteBytes(kInstall + "QZ.exe.quorvel-new", "cut sho");
  test_drive::WriteBytes(kInstall + "qz.dll.quorvel-old", "older library");
  test_drive::WriteBytes(kInstall + "lost.inf.quorvel-old", "the only copy");
  ASSERT_EQ(CopyFolderFiles(kInstall.c_str(), kBackup.c_str(), "*.*"), 1);
  for (const char *name : {"QZ.exe.quorvel-new", "qz.dll.quorvel-old", "lost.inf.quorvel-old"})
    EXPECT_FALSE(test_drive::Exists(kInstall + "Backup\\" + name)) << name;
  RecoverLeftovers(kInstall.c_str());
  const std::pair<const char *, const char *> after[] = {
      {"QZ.exe", "executable"}, {"qz.dll", "library"}, {"lost.inf", "the only copy"}};
  for (const auto &[name, bytes] : after) {
    EXPECT_EQ(test_drive::ReadBytes(kInstall + name), bytes) << name;
    EXPECT_FALSE(test_drive::Exists(kInstall + name + ".quorvel-new")) << name;
    EXPECT_FALSE(test_drive::Exists(kInstall + name + ".quorvel-old")) << name;
  }
}

struct SpellingCase {
  const char *source;
  const char *destination;
  const char *pattern;
};

TEST_F(CopyFolderFilesTest, SeparatorsAndPatternSpellingsReachTheSameFolders) {
  const SpellingCase cases[] = {
      {"C:\\Program Files\\Quorvel", "C:\\Program Files\\Quorvel\\Backup", "*.*"},
      {"C:\\Program Files\\Quorvel\\", "C:\\Program Files\\Quorvel\\Backup\\", nullptr},
      {"C:\\Program Files\\Quorvel\\", "C:\\Program Files\\Quorvel\\\\Backup", ""},
  };
  for (const SpellingCase &c : cases) {
    test_drive::UseFreshDrive();
    SetUp();
    EXPECT_EQ(CopyFolderFiles(c.source, c.destination, c.pattern), 1) << c.source << " -> " << c.destination;
    EXPECT_EQ(test_drive::ReadBytes(kInstall + "Backup\\README"), "no dot in this name") << c.destination;
  }
}

TEST_F(CopyFolderFilesTest, AFolderWithoutFilesStillMakesTheDestination) {
  test_drive::MakeFolder("C:\\Program Files\\OnlyFolders\\sub");
  EXPECT_EQ(CopyFolderFiles("C:\\Program Files\\OnlyFolders\\", "C:\\Program Files\\Copy", "*.*"), 1);
  EXPECT_TRUE(test_drive::Exists("C:\\Program Files\\Copy"));
  EXPECT_FALSE(test_drive::Exists("C:\\Program Files\\Copy\\sub"));
}

struct FailureCase {
  const char *name;
  const char *source;
  const char *destination;
  const char *mustNotExist;
};

TEST_F(CopyFolderFilesTest, FailuresCopyAndCreateNothing) {
  test_drive::WriteBytes("C:\\Program Files\\a-file", "x");
  const FailureCase cases[] = {
      {"missing source", "C:\\Program Files\\Missing\\", "C:\\Program Files\\Copy",
       "C:\\Program Files\\Copy"},
      {"missing parent", kInstall.c_str(), "C:\\Program Files\\No\\Copy", "C:\\Program Files\\No"},
      {"destination is a file", kInstall.c_str(), "C:\\Program Files\\a-file",
       "C:\\Program Files\\a-file\\QZ.exe"},
      {"empty source", "", "C:\\Program Files\\Copy", "C:\\Program Files\\Copy"},
      {"absent source", nullptr, "C:\\Program Files\\Copy", "C:\\Program Files\\Copy"},
      {"empty destination", kInstall.c_str(), "", nullptr},
      {"absent destination", kInstall.c_str(), nullptr, nullptr},
  };
  for (const FailureCase &c : cases) {
    EXPECT_EQ(CopyFolderFiles(c.source, c.destination, "*.*"), 0) << c.name;
    if (c.mustNotExist != nullptr) {
      EXPECT_FALSE(test_drive::Exists(c.mustNotExist)) << c.name;
    }
  }
  EXPECT_EQ(test_drive::ReadBytes("C:\\Program Files\\a-file"), "x");
}

TEST_F(CopyFolderFilesTest, APatternThatMatchesNothingFailsWithoutMakingTheDestination) {
  EXPECT_EQ(CopyFolderFiles(kInstall.c_str(), kBackup.c_str(), "*.nothing"), 0);
  EXPECT_FALSE(test_drive::Exists(kInstall + "Backup"));
}

TEST_F(CopyFolderFilesTest, ALockedFileFailsTheCopyButNotTheOthers) {
  HANDLE lock = test_drive::HoldWithoutSharing(kInstall + "qz.dll");
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CopyFolderFiles(kInstall.c_str(), kBackup.c_str(), "*.*"), 0);
  CloseHandle(lock);
  EXPECT_EQ(test_drive::ReadBytes(kInstall + "Backup\\QZ.exe"), "executable");
  EXPECT_EQ(test_drive::ReadBytes(kInstall + "Backup\\README"), "no dot in this name");
  EXPECT_FALSE(test_drive::Exists(kInstall + "Backup\\qz.dll"));
}

}  // namespace
