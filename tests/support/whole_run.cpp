#include "support/whole_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "compat/testing/file_holds.h"
#include "compat/testing/sleep_record.h"
#include "compat/testing/window_model.h"
#include "prefs/preference_file.h"
#include "support/test_drive.h"
#include "support/window_readout.h"
#include "ui/progress_window.h"
#include "update/update_plan.h"

char downloadHostText[32] = "127.0.0.1:1";
const char *const downloadHost = downloadHostText;

namespace whole_run {

const std::string kInstall = "C:\\Program Files\\Quorvel\\";
const std::string kBackup = kInstall + "Version_251_Preupdate_Backups\\";
const std::string kPrefs = "C:\\users\\All Users\\Quorvel\\";
const std::string kPublicPrefs = "C:\\users\\Public\\Quorvel\\";
const std::string kServed = "C:\\users\\Public\\served.exe";
const std::string kTempFile = "C:\\users\\Public\\QZv251.exe";
const std::string kOldExecutable = "old executable";
const std::string kOldInf = "[Application]\r\nVersion = 2.50\r\n";
const std::string kNewInf = "[Application]\r\nVersion = 2.51\r\n";
const char kTitle[] = "Checking for Updates";
const std::vector<DWORD> kWholeBudget = {20, 40, 80, 160, 320, 500, 500, 500, 500, 380};

namespace {

const char kContinues[] = "bar 25, Downloading Files Continues";
const char kUpdating[] = "bar 225, Updating Quorvel";

// The server keeps its port file in the host's temporary folder, which a
// TEMP entry naming a Windows folder would move.
bool FreshDriveServing(const std::string &servedBytes) {
  test_drive::UseFreshDrive();
  test_drive::WriteBytes(kServed, servedBytes);
  unsetenv("TEMP");
  return true;
}

}  // namespace

void LayOut(const Installation &installation) {
  test_drive::ShowHiddenFolders();
  for (const std::string &path :
       {kInstall, kPrefs, kPublicPrefs, std::string("C:\\users\\All Users\\temp"), kTempFile})
    std::filesystem::remove_all(test_drive::HostPathOf(path));
  window_model::Reset();
  updatePlan = UpdatePlan{};
  test_drive::MakeFolder(kInstall);
  test_drive::WriteBytes(kInstall + "QZ.exe", kOldExecutable);
  test_drive::MakeFolder(installation.prefs);
  test_drive::WriteBytes(installation.prefs + "qz.inf", kOldInf);
  if (installation.withLibraryAndAddresses) {
    test_drive::WriteBytes(kInstall + "qz.dll", "library");
    test_drive::WriteBytes(installation.prefs + "Addresses.inf", kOldInf);
  }
  for (const char *name : {"TEMP", "temp", "tEmP", "TMP"}) unsetenv(name);
}

DownloadHost::DownloadHost(const std::string &servedBytes)
    : driveReady_(FreshDriveServing(servedBytes)), server_("file", kServed) {}

void DownloadHost::Aim() const {
  std::snprintf(downloadHostText, sizeof downloadHostText, "127.0.0.1:%d", server_.Port());
  setenv("TEMP", "C:\\users\\Public", 1);
}

void AimNowhere() { std::snprintf(downloadHostText, sizeof downloadHostText, "127.0.0.1:1"); }

Events RecordedRun(const std::function<void(const std::string &)> &atEachEvent) {
  Events events;
  window_model::AnswerMessageBoxes([&](const window_model::MessageBoxCall &call) {
    events.push_back("box " + call.caption + " " + std::to_string(call.type) + (call.owner ? " owned" : "") +
                     (FindWindowA(nullptr, kTitle) ? " over the window" : "") + ": " + call.text);
    return IDOK;
  });
  sleep_record::Start([&](DWORD length) {
    events.push_back(std::to_string(length) + " ms at " + window_readout::ProgressShown(kTitle));
    if (atEachEvent) atEachEvent(events.back());
  });
  ResolveUpdatePlan();
  RunUpdateSequence();
  ReleasePreferenceFile();  // as the process frame does at its end
  sleep_record::Stop();
  window_model::AnswerMessageBoxes(nullptr);
  file_holds::ReleaseAll();
  EXPECT_EQ(FindWindowA(nullptr, kTitle), nullptr) << "the window outlived the run";
  CloseAllProgressWindows();
  return events;
}

std::vector<std::string> Leftovers() {
  std::vector<std::string> left;
  for (const std::string &folder : {kInstall, kPrefs, kPublicPrefs})
    if (test_drive::Exists(folder))
      for (const auto &entry : std::filesystem::recursive_directory_iterator(test_drive::HostPathOf(folder)))
        if (entry.path().filename().string().find(".quorvel-") != std::string::npos)
          left.push_back(entry.path().string());
  return left;
}

Events SleepsAt(const std::string &window, const std::vector<DWORD> &lengths) {
  Events events;
  for (DWORD length : lengths) events.push_back(std::to_string(length) + " ms at " + window);
  return events;
}

Events Joined(std::initializer_list<Events> pieces) {
  Events all;
  for (const Events &piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

Events UntilDownloaded(const std::vector<DWORD> &tempPauses) {
  return Joined({SleepsAt("bar 0", {150}), SleepsAt("bar 5", {150}),
                 SleepsAt("bar 5, Downloading New Files", {150, 150}), SleepsAt(kContinues, {150}),
                 SleepsAt(kContinues, tempPauses), SleepsAt(kContinues, {150}),
                 SleepsAt("bar 50, Verifying file integrity", {150, 1000}),
                 SleepsAt("bar 95, Verifying file integrity", {150})});
}

Events DownloadFailed() {
  return Joined({SleepsAt("bar 95, Verifying file integrity", {250}),
                 SleepsAt("bar 95, ERROR DOWNLOADING FILE", {5000})});
}

Events Installing(const std::vector<DWORD> &waits) {
  return Joined({SleepsAt("bar 95, File Downloaded", {2000}), SleepsAt("bar 125, Updating Quorvel", {1000}),
                 SleepsAt(kUpdating, waits)});
}

// The move to 375 stops at the end of the bar's range, 350.
Events Updated(const std::vector<DWORD> &openWaits, const std::vector<DWORD> &writeBackWaits) {
  return Joined(
      {SleepsAt(kUpdating, {1000}), SleepsAt("bar 275, Updating Quorvel", {1000}),
       SleepsAt("bar 300, Updating Quorvel", {1000}), SleepsAt("bar 300, Updating Quorvel", openWaits),
       SleepsAt("bar 325, Updating Quorvel", {1000}), SleepsAt("bar 350, Updating Quorvel", writeBackWaits),
       SleepsAt("bar 350, Updating Quorvel", {1250}), SleepsAt("bar 350, Quorvel Updated!", {5000})});
}

Events NotUpdated() { return SleepsAt("bar 225, ERROR UPDATING QUORVEL", {5000}); }

}  // namespace whole_run
