#include "base/any_number.h"
#include "fs/file_copy.h"
#include "fs/folders.h"
#include "fs/staged_replacement.h"
#include "update/update_plan.h"

UpdatePlan updatePlan;

namespace {

void FixSettings(UpdatePlan &plan) {
  plan.appFolderName = "Quorvel\\";
  plan.downloadTargetSuffix = "\\QZv251.exe";
  plan.newVersion = "2.51";
  plan.downloadFileName = "QZv251.exe";
  plan.mainExecutableName = "QZ.exe";
}

// The backup folder's text holds "\\" twice in a row; it names the same folder.
void BackUpInstallation(UpdatePlan &plan) {
  plan.installFolder = "C:\\Program Files\\" + plan.appFolderName;
  plan.backupFolder = "C:\\Program Files\\" + plan.appFolderName + "\\Version_251_Preupdate_Backups";
  CreateFolder(plan.backupFolder.c_str());
  // What an interrupted run left is put back or removed before anything is copied.
  RecoverLeftovers(plan.installFolder.c_str());
  RecoverLeftovers(plan.backupFolder.c_str());
  CopyFolderFiles(plan.installFolder.c_str(), plan.backupFolder.c_str(), "*.*");
}

void ChoosePreferencesFolder(UpdatePlan &plan) {
  plan.preferencesFolder = "";
  plan.allUsersSearch = OpenFolderSearch(AnyNumber, "C:\\Users\\All Users\\", "*.*");
  plan.publicSearch = OpenFolderSearch(AnyNumber, "C:\\Users\\Public\\", "*.*");
  if (plan.allUsersSearch != 0) plan.preferencesFolder = "C:\\Users\\All Users\\Quorvel\\";
  if (plan.publicSearch != 0 && plan.preferencesFolder.empty())
    plan.preferencesFolder = "C:\\Users\\Public\\Quorvel\\";
  if (plan.allUsersSearch == 0 && plan.publicSearch == 0) {
    plan.preferencesFolder = "C:\\Program Files\\Quorvel\\";
    // This probe is never ended; it lasts until the process exits.
    if (OpenFolderSearch(AnyNumber, plan.preferencesFolder.c_str(), "*.*") == 0)
      CreateFolder(plan.preferencesFolder.c_str());
  }
  CloseFolderSearch(plan.allUsersSearch);
  CloseFolderSearch(plan.publicSearch);
  RecoverLeftovers(plan.preferencesFolder.c_str());
}

}  // namespace

void ResolveUpdatePlan() {
  FixSettings(updatePlan);
  BackUpInstallation(updatePlan);
  ChoosePreferencesFolder(updatePlan);
}
