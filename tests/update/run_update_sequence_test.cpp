// The update script against the stand-in's window model, one row per path:
// every pause it makes (Sleeps are recorded, not slept), what the window shows
// when each begins, the message boxes, and what ends up installed. Pinned to
// PinnedPeBytes(), so that the staged copy's check can refuse a swapped file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "compat/testing/file_holds.h"
#include "compat/testing/sleep_record.h"
#include "compat/testing/window_model.h"
#include "prefs/preference_file.h"
#include "support/http_test_server.h"
#include "support/test_drive.h"
#include "support/window_readout.h"
#include "ui/progress_window.h"
#include "update/pe_file.h"
#include "update/update_plan.h"

char downloadHostText[32] = "127.0.0.1:1";
const char *const downloadHost = downloadHostText;

namespace {

const std::string kInstall = "C:\\Program Files\\Quorvel\\";
// All Users is the symbolic link to ProgramData that Windows makes.
const std::string kPrefs = "C:\\users\\All Users\\Quorvel\\";
const std::string kPublicPrefs = "C:\\users\\Public\\Quorvel\\";
const std::string kServed = "C:\\users\\Public\\served.exe";
const std::string kTempFile = "C:\\users\\Public\\QZv251.exe";
const std::string kOldInf = "[Application]\r\nVersion = 2.50\r\n";
const std::string kNewInf = "[Application]\r\nVersion = 2.51\r\n";
const char kTitle[] = "Checking for Updates";

// "<length> ms at bar <drawn position>[, <latest status text>]", or "box ..." for a message box.
using Events = std::vector<std::string>;

Events Shown(const std::string &window, std::initializer_list<DWORD> sleeps) {
  Events events;
  for (DWORD sleep : sleeps) events.push_back(std::to_string(sleep) + " ms at " + window);
  return events;
}

Events Cat(std::initializer_list<Events> pieces) {
  Events all;
  for (const Events &piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

const char kDownloading[] = "bar 5, Downloading New Files";
const char kContinues[] = "bar 25, Downloading Files Continues";
const char kUpdating[] = "bar 225, Updating Quorvel";
const char kFileDownloaded[] = "2000 ms at bar 95, File Downloaded";
const char kNoFolder[] =
    "box Error 0: C:\\Users\\All Users\\Quorvel\\ does not exist, can not update preferences";
// The waits of one step that waits a hold out to the end of its budget.
const std::initializer_list<DWORD> kWholeBudget = {20, 40, 80, 160, 320, 500, 500, 500, 500, 380};

// Up to the download's end; one pause of 150 ms per TEMP entry.
Events UntilDownloaded(std::initializer_list<DWORD> tempPauses) {
  return Cat({Shown("bar 0", {150}), Shown("bar 5", {150}), Shown(kDownloading, {150, 150}),
              Shown(kContinues, {150}), Shown(kContinues, tempPauses), Shown(kContinues, {150}),
              Shown("bar 50, Verifying file integrity", {150, 1000}),
              Shown("bar 95, Verifying file integrity", {150})});
}

const Events kDownloadFailed =
    Cat({Shown("bar 95, Verifying file integrity", {250}), Shown("bar 95, ERROR DOWNLOADING FILE", {5000})});

// From "File Downloaded" to the step that puts the download in place, and the
// retry waits it made.
Events Installing(std::initializer_list<DWORD> waits) {
  return Cat({{kFileDownloaded}, Shown("bar 125, Updating Quorvel", {1000}), Shown(kUpdating, waits)});
}

const Events kUpdated =
    Cat({Shown(kUpdating, {1000}), Shown("bar 275, Updating Quorvel", {1000}),
         Shown("bar 300, Updating Quorvel", {1000}), Shown("bar 325, Updating Quorvel", {1000}),
         Shown("bar 350, Updating Quorvel", {1250}), Shown("bar 350, Quorvel Updated!", {5000})});
const Events kNotUpdated = Shown("bar 225, ERROR UPDATING QUORVEL", {5000});

std::vector<std::string> StagedLeftovers() {
  std::vector<std::string> left;
  for (const std::string &folder : {kInstall, kPrefs, kPublicPrefs})
    if (test_drive::Exists(folder))
      for (const auto &entry : std::filesystem::recursive_directory_iterator(test_drive::HostPathOf(folder)))
        if (entry.path().filename().string().find(".quorvel-") != std::string::npos)
          left.push_back(entry.path().string());
  return left;
}

struct Row {
  const char *name;
  std::function<void()> arrange;  // beyond the installation, TEMP and a server that has the file
  Events events;
  bool installed;                // QZ.exe is the download
  bool stamped;                  // qz.inf says 2.51
  const char *swapAt = nullptr;  // the event at which other bytes replace the download in TEMP
  std::string prefs = kPrefs;    // where qz.inf lies
};

class RunUpdateSequenceTest : public ::testing::Test {
 protected:
  // What the rows write or hide goes; the drive and its server stay, since a server takes seconds to start.
  void LayOut(const Row &row) {
    test_drive::ShowHiddenFolders();
    for (const std::string &path :
         {kInstall, kPrefs, kPublicPrefs, std::string("C:\\users\\All Users\\temp"), kTempFile})
      std::filesystem::remove_all(test_drive::HostPathOf(path));
    window_model::Reset();
    updatePlan = UpdatePlan{};
    test_drive::MakeFolder(kInstall);
    test_drive::WriteBytes(kInstall + "QZ.exe", "old executable");
    test_drive::MakeFolder(row.prefs);
    test_drive::WriteBytes(row.prefs + "qz.inf", kOldInf);
    for (const char *name : {"TEMP", "temp", "tEmP", "TMP"}) unsetenv(name);
  }

  void HoldQz(DWORD sharing) {
    holder = CreateFileA((kInstall + "QZ.exe").c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  }

  // Both halves of the script with the sleeps recorded; what was seen, in order.
  Events Run(const Row &row) {
    Events events;
    window_model::AnswerMessageBoxes([&](const window_model::MessageBoxCall &call) {
      events.push_back("box " + call.caption + " " + std::to_string(call.type) +
                       (call.owner ? " owned" : "") +
                       (FindWindowA(nullptr, kTitle) ? " over the window" : "") + ": " + call.text);
      return IDOK;
    });
    sleep_record::Start([&](DWORD length) {
      events.push_back(std::to_string(length) + " ms at " + window_readout::ProgressShown(kTitle));
      if (row.swapAt != nullptr && events.back() == row.swapAt)
        test_drive::WriteBytes(updatePlan.downloadTarget.c_str(), PeBytes(size_t{300} * 1024, 7));
    });
    ResolveUpdatePlan();
    RunUpdateSequence();
    ReleasePreferenceFile();  // as the process frame does at its end
    sleep_record::Stop();
    file_holds::ReleaseAll();
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
    holder = INVALID_HANDLE_VALUE;
    EXPECT_EQ(FindWindowA(nullptr, kTitle), nullptr) << row.name << ": the window outlived the run";
    CloseAllProgressWindows();
    return events;
  }

  HANDLE holder = INVALID_HANDLE_VALUE;
};

TEST_F(RunUpdateSequenceTest, EachPathPausesShowsAndInstallsExactlyAsScripted) {
  const Events untilInstalling = Cat({UntilDownloaded({150}), Installing({})});
  const Row rows[] = {
      {"success", [] {}, Cat({untilInstalling, kUpdated}), true, true},
      {"failed download", [] { std::snprintf(downloadHostText, sizeof downloadHostText, "127.0.0.1:1"); },
       Cat({UntilDownloaded({150}), kDownloadFailed}), false, false},
      // A running Quorvel holds its executable so: it can be copied, not renamed over.
      {"QZ.exe held as a running program holds it", [this] { HoldQz(FILE_SHARE_READ); },
       Cat({UntilDownloaded({150}), Installing(kWholeBudget), kNotUpdated}), false, false},
      // Neither the backup nor QZ_previous.exe gets a copy, so QZ.exe stays.
      {"QZ.exe unreadable, no copy kept", [this] { HoldQz(FILE_SHARE_DELETE); },
       Cat({Shown("no window", kWholeBudget), UntilDownloaded({150}), Installing(kWholeBudget), kNotUpdated}),
       false, false},
      // All Users exists on every Windows; the files lie in a later candidate.
      {"preferences folder missing", [] {}, Cat({{kNoFolder}, untilInstalling, kUpdated}), true, false,
       nullptr, kPublicPrefs},
      {"Public, where All Users is missing", [] { test_drive::HideFolder("C:\\users\\All Users"); },
       Cat({untilInstalling, kUpdated}), true, true, nullptr, kPublicPrefs},
      {"no TEMP: the All Users temp folder",
       [] {
         unsetenv("TEMP");
         test_drive::MakeFolder("C:\\users\\All Users\\temp");
       },
       Cat({UntilDownloaded({}), Installing({}), kUpdated}), true, true},
      // The last entry in any letter case counts; the others name no folder.
      {"several TEMP entries",
       [] {
         setenv("TEMP", "C:\\first", 1);
         setenv("temp", "C:\\second", 1);
         setenv("tEmP", "C:\\users\\Public", 1);
       },
       Cat({UntilDownloaded({150, 150, 150}), Installing({}), kUpdated}), true, true},
      {"a hold on QZ.exe waited out",
       [] { file_holds::Hold(kInstall + "QZ.exe", file_holds::Rename, ERROR_ACCESS_DENIED, 3); },
       Cat({UntilDownloaded({150}), Installing({20, 40, 80}), kUpdated}), true, true},
      // The guards of the installing step.
      {"download swapped in TEMP after its check", [] {}, Cat({untilInstalling, kNotUpdated}), false, false,
       kFileDownloaded},
      {"only the backup keeps QZ.exe",
       [] {
         file_holds::Hold(kInstall + "QZ_previous.exe", file_holds::Rename, ERROR_ACCESS_DENIED,
                          file_holds::kUntilReleased);
       },
       Cat({UntilDownloaded({150}), Installing(kWholeBudget), kUpdated}), true, true},
      {"QZ.exe missing", [] { std::filesystem::remove(test_drive::HostPathOf(kInstall + "QZ.exe")); },
       Cat({untilInstalling, kUpdated}), true, true},
  };
  test_drive::UseFreshDrive();
  test_drive::WriteBytes(kServed, PinnedPeBytes());
  unsetenv("TEMP");  // the server keeps its port file in the host's temporary folder
  HttpTestServer server("file", kServed);
  ASSERT_NE(server.Port(), 0);
  for (const Row &row : rows) {
    LayOut(row);
    std::snprintf(downloadHostText, sizeof downloadHostText, "127.0.0.1:%d", server.Port());
    setenv("TEMP", "C:\\users\\Public", 1);
    row.arrange();

    EXPECT_EQ(Run(row), row.events) << row.name;
    EXPECT_EQ(test_drive::ReadBytes(kInstall + "QZ.exe"), row.installed ? PinnedPeBytes() : "old executable")
        << row.name;
    EXPECT_EQ(test_drive::ReadBytes(row.prefs + "qz.inf"), row.stamped ? kNewInf : kOldInf) << row.name;
    EXPECT_EQ(StagedLeftovers(), std::vector<std::string>{}) << row.name;
  }
}

}  // namespace
