#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_drive.h"
#include "update/update_plan.h"

namespace {

const std::string kInstall = "C:\\Program Files\\Quorvel\\";
const std::string kBackup = kInstall + "Version_251_Preupdate_Backups\\";
const std::string kAllUsersPrefs = "C:\\users\\All Users\\Quorvel\\";
// Not the link itself: Wine 8 would move the folder it names instead.
const std::string kAllUsersTarget = "C:\\ProgramData";

class ResolveUpdatePlanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    updatePlan = UpdatePlan{};
  }

  static void MakeInstallation() {
    test_drive::MakeFolder(kInstall + "Resources");
    test_drive::WriteBytes(kInstall + "QZ.exe", "current executable");
    test_drive::WriteBytes(kInstall + "qz.dll", "library");
    test_drive::WriteBytes(kInstall + "Resources\\icon.bin", "resource");
    test_drive::MakeFolder(kBackup);
    test_drive::WriteBytes(kBackup + "QZ.exe", "executable of an earlier backup");
    test_drive::WriteBytes(kBackup + "extra.txt", "only in the earlier backup");
  }
};

TEST_F(ResolveUpdatePlanTest, FixesTheSettingsAndTheFolderTexts) {
  MakeInstallation();
  ResolveUpdatePlan();
  EXPECT_EQ(updatePlan.appFolderName, "Quorvel\\");
  EXPECT_EQ(updatePlan.downloadTargetSuffix, "\\QZv251.exe");
  EXPECT_EQ(updatePlan.newVersion, "2.51");
  EXPECT_EQ(updatePlan.downloadFileName, "QZv251.exe");
  EXPECT_EQ(updatePlan.mainExecutableName, "QZ.exe");
  EXPECT_EQ(updatePlan.installFolder, "C:\\Program Files\\Quorvel\\");
  EXPECT_EQ(updatePlan.backupFolder, "C:\\Program Files\\Quorvel\\\\Version_251_Preupdate_Backups");
}

// Only what the backup lacks is copied: a file already there is what was
// installed before the first update, and stays.
TEST_F(ResolveUpdatePlanTest, BacksUpTheInstallationFolderFlatKeepingWhatIsThere) {
  MakeInstallation();
  ResolveUpdatePlan();
  EXPECT_EQ(test_drive::ReadBytes(kBackup + "QZ.exe"), "executable of an earlier backup");
  EXPECT_EQ(test_drive::ReadBytes(kBackup + "qz.dll"), "library");
  EXPECT_EQ(test_drive::ReadBytes(kBackup + "extra.txt"), "only in the earlier backup");
  EXPECT_FALSE(test_drive::Exists(kBackup + "Resources"));
  EXPECT_FALSE(test_drive::Exists(kBackup + "Version_251_Preupdate_Backups"));

  test_drive::WriteBytes(kInstall + "qz.dll", "changed since");
  ResolveUpdatePlan();
  EXPECT_EQ(test_drive::ReadBytes(kBackup + "qz.dll"), "library") << "a second run keeps the first copy";
  EXPECT_EQ(test_drive::ReadBytes(kBackup + "QZ.exe"), "executable of an earlier backup");
}

TEST_F(ResolveUpdatePlanTest, MakesTheBackupFolderOnAFirstRun) {
  test_drive::MakeFolder(kInstall);
  test_drive::WriteBytes(kInstall + "QZ.exe", "current executable");
  ResolveUpdatePlan();
  EXPECT_EQ(test_drive::ReadBytes(kBackup + "QZ.exe"), "current executable");
}

// All Users is the symbolic link to ProgramData that Windows makes. What an
// interrupted write-back left there is set right through it: a kept file
// whose name is empty is put back, a staged one goes.
TEST_F(ResolveUpdatePlanTest, RecoversAnInterruptedWriteBackThroughTheAllUsersLink) {
  MakeInstallation();
  test_drive::MakeFolder(kAllUsersPrefs);
  test_drive::WriteBytes(kAllUsersPrefs + "qz.inf.quorvel-old", "old preferences");
  test_drive::WriteBytes(kAllUsersPrefs + "Addresses.inf", "addresses");
  test_drive::WriteBytes(kAllUsersPrefs + "Addresses.inf.quorvel-new", "addr");
  ResolveUpdatePlan();
  EXPECT_EQ(test_drive::ReadBytes("C:\\ProgramData\\Quorvel\\qz.inf"), "old preferences");
  EXPECT_EQ(test_drive::ReadBytes(kAllUsersPrefs + "Addresses.inf"), "addresses");
  for (const char *name : {"qz.inf.quorvel-old", "Addresses.inf.quorvel-new"})
    EXPECT_FALSE(test_drive::Exists(kAllUsersPrefs + name)) << name;
}

// Hidden, the All Users link names nothing and Public is no folder.
const std::string kCandidates[] = {kAllUsersTarget, "C:\\users\\Public"};

struct FolderChoice {
  const char *name;
  bool installed;    // the installation is there before the run
  int unsearchable;  // how many of kCandidates, from the first, are hidden
  const char *chosen;
  bool allUsersSearched;
  bool publicSearched;
};

// The first candidate that can be searched; the last, the installation
// folder, is made when missing. A candidate is never created, and the backup
// of a missing installation comes before its folder exists. Declared last:
// the probe of the installation folder is never ended, and on Windows that
// open search keeps the folder from being removed until the process exits.
TEST_F(ResolveUpdatePlanTest, ChoosesThePreferencesFolderAmongItsCandidates) {
  const FolderChoice choices[] = {
      {"All Users first", true, 0, "C:\\Users\\All Users\\Quorvel\\", true, true},
      {"Public where All Users cannot be searched", true, 1, "C:\\Users\\Public\\Quorvel\\", false, true},
      {"the installation folder, made where it is missing", false, 2, "C:\\Program Files\\Quorvel\\", false,
       false},
      {"the installation folder", true, 2, "C:\\Program Files\\Quorvel\\", false, false},
  };
  for (const FolderChoice &choice : choices) {
    SCOPED_TRACE(choice.name);
    SetUp();
    if (choice.installed) MakeInstallation();
    for (int hidden = 0; hidden < choice.unsearchable; ++hidden) test_drive::HideFolder(kCandidates[hidden]);
    ASSERT_EQ(test_drive::Exists(kInstall), choice.installed);
    ResolveUpdatePlan();
    EXPECT_EQ(updatePlan.preferencesFolder, choice.chosen);
    EXPECT_EQ(updatePlan.allUsersSearch != 0, choice.allUsersSearched);
    EXPECT_EQ(updatePlan.publicSearch != 0, choice.publicSearched);
    for (const char *candidate : {"C:\\ProgramData\\Quorvel", "C:\\users\\Public\\Quorvel"})
      EXPECT_FALSE(test_drive::Exists(candidate)) << candidate;
    EXPECT_TRUE(test_drive::Exists(kInstall));
    EXPECT_EQ(test_drive::Exists(kBackup), choice.installed);
    if (choice.installed) {
      EXPECT_EQ(test_drive::ReadBytes(kInstall + "QZ.exe"), "current executable");
    }
  }
}

}  // namespace
