#include <string>

#include "base/any_number.h"
#include "base/win32.h"
#include "fs/environment_walk.h"
#include "fs/file_copy.h"
#include "fs/file_queries.h"
#include "fs/folders.h"
#include "fs/staged_replacement.h"
#include "prefs/preference_file.h"
#include "ui/message_box.h"
#include "ui/progress_window.h"
#include "update/download_file.h"
#include "update/download_pin.h"
#include "update/pause.h"
#include "update/update_plan.h"

namespace {

constexpr int kWindow = 0;
constexpr int kBar = 1;

void AddStatus(const char *text) { AddStatusText(AnyNumber, 25, 50, 350, 20, text); }

void CheckPreferencesFolder(UpdatePlan &plan) {
  // Never ended: the search lasts until the process exits.
  plan.preferencesSearch = OpenFolderSearch(AnyNumber, plan.preferencesFolder.c_str(), "*.*");
  if (plan.preferencesSearch == 0) {
    Text message = plan.preferencesFolder + " does not exist, can not update preferences";
    ShowMessage("Error", message.c_str(), 0);
  }
}

// The last entry named TEMP, in any letter case, gives the folder.
void FindTempFolder(UpdatePlan &plan) {
  if (StartEnvironmentWalk() == 0) return;
  while (NextEnvironmentEntry() != 0) {
    if (UpperCaseCopy(CurrentEntryName().c_str()) == "TEMP") {
      plan.tempFolder = CurrentEntryValue();
      Pause(150);
    }
  }
}

void StampVersion(const UpdatePlan &plan, const char *fileName) {
  Text path = plan.preferencesFolder + fileName;
  if (LoadPreferenceFile(path.c_str()) == 0) return;
  ChoosePreferenceGroup("Application");
  SetPreferenceText("Version", plan.newVersion.c_str());
}

// The download is staged beside the executable and checked against the pin
// there, since the copy in TEMP may have changed since it was checked. Windows
// refuses to rename over a running program, so a running Quorvel keeps its
// executable and the step fails.
bool PutDownloadInPlace(const UpdatePlan &plan, const Text &executable) {
  HoldBudget budget;
  if (!StageCopy(plan.downloadTarget.c_str(), executable.c_str(), budget)) return false;
  if (!FileMatchesDownloadPin(StagedName(executable.c_str()).c_str())) {
    DiscardStaged(executable.c_str(), budget);
    return false;
  }
  return CommitStaged(executable.c_str(), true, budget) != 0;
}

// Keeps the running version as QZ_previous.exe, then puts the download in
// place. The executable is never replaced while no whole copy of the running
// version is kept anywhere.
bool ReplaceExecutable(const UpdatePlan &plan) {
  Text executable = plan.installFolder + plan.mainExecutableName;
  Text previous = plan.installFolder + "QZ_previous.exe";
  Text backup = plan.backupFolder + "\\" + plan.mainExecutableName;
  bool kept = CopySingleFile(executable.c_str(), previous.c_str()) != 0 || !IsFile(executable.c_str()) ||
              IsFile(backup.c_str());
  return kept && PutDownloadInPlace(plan, executable);
}

void FinishWithError(const char *text) {
  AddStatus(text);
  Pause(5000);
  CloseProgressWindow(kWindow);
}

void FinishAfterFailedDownload() {
  Pause(250);
  FinishWithError("ERROR DOWNLOADING FILE");
}

void FinishAfterDownload(const UpdatePlan &plan) {
  AddStatus("File Downloaded");
  Pause(2000);
  AddStatus("Updating Quorvel");
  SetProgressValue(kBar, 125);
  Pause(1000);
  SetProgressValue(kBar, 225);
  // Nothing is stamped for a version that is not in place.
  if (!ReplaceExecutable(plan)) {
    FinishWithError("ERROR UPDATING QUORVEL");
    return;
  }
  Pause(1000);
  SetProgressValue(kBar, 275);
  Pause(1000);
  SetProgressValue(kBar, 300);
  Pause(1000);
  StampVersion(plan, "qz.inf");
  SetProgressValue(kBar, 325);
  Pause(1000);
  SetProgressValue(kBar, 375);
  // Opening the second file writes the first one back.
  StampVersion(plan, "Addresses.inf");
  Pause(1250);
  AddStatus("Quorvel Updated!");
  Pause(5000);
  CloseProgressWindow(kWindow);
}

}  // namespace

void RunUpdateSequence() {
  UpdatePlan &plan = updatePlan;
  CheckPreferencesFolder(plan);

  OpenProgressWindow(kWindow, 100, 100, 400, 100, "Checking for Updates");
  AddProgressBar(kBar, 25, 24, 350, 20, 0, 350);
  Pause(150);
  SetProgressValue(kBar, 5);
  Pause(150);
  AddStatus("Downloading New Files");
  Pause(150);
  plan.downloadBaseUrl = Text("http://") + downloadHost + "/downloads/";
  plan.downloadUrl = plan.downloadBaseUrl + plan.downloadFileName;
  Pause(150);
  SetProgressValue(kBar, 25);
  AddStatus("Downloading Files Continues");
  Pause(150);
  FindTempFolder(plan);
  if (plan.tempFolder.empty()) plan.tempFolder = "C:\\Users\\All Users\\temp";
  Pause(150);
  plan.downloadTarget = plan.tempFolder + plan.downloadTargetSuffix;
  SetProgressValue(kBar, 50);
  AddStatus("Verifying file integrity");
  Pause(150);
  plan.downloadResult = DownloadFile(plan.downloadUrl.c_str(), plan.downloadTarget.c_str());
  SetProgressValue(kBar, 95);
  Pause(150);
  if (plan.downloadResult != 0)
    FinishAfterFailedDownload();
  else
    FinishAfterDownload(plan);
}
