// The whole update natively while another program holds, for a moment or for
// good, one of the files it writes (the stand-in refuses the calls as Windows
// does), and while ReplaceFileA stops between its steps. Sleeps are recorded,
// not slept, so the retry waits can be counted exactly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "compat/testing/file_holds.h"
#include "compat/testing/sleep_record.h"
#include "compat/testing/window_model.h"
#include "prefs/preference_file.h"
#include "support/http_test_server.h"
#include "support/test_drive.h"
#include "ui/progress_window.h"
#include "update/pe_file.h"
#include "update/update_plan.h"

char downloadHostText[32] = "127.0.0.1:1";
const char *const downloadHost = downloadHostText;

namespace {

const std::string kInstall = "C:\\Program Files\\Quorvel\\";
const std::string kBackup = kInstall + "Version_251_Preupdate_Backups\\";
// All Users is the symbolic link to ProgramData that Windows makes.
const std::string kPrefs = "C:\\users\\All Users\\Quorvel\\";
const std::string kServed = "C:\\users\\Public\\served.exe";
const std::string kOldInf = "[Application]\r\nVersion = 2.50\r\n";
const std::string kNewInf = "[Application]\r\nVersion = 2.51\r\n";

// The waits of one step that waits a hold out to the end of its budget.
const std::vector<DWORD> kWholeBudget = {20, 40, 80, 160, 320, 500, 500, 500, 500, 380};

enum class Outcome { Updated, BackupLacksFile, NoPreviousCopy, ExecutableKept, InfUnstamped };

struct HoldCase {
  const char *name;
  std::string path;  // held, or for a stop: the preference file
  unsigned operations;
  DWORD error;  // refusal, or the error ReplaceFileA stops with
  int count;    // refusals before the hold clears; file_holds::kUntilReleased
  Outcome outcome;
  std::vector<DWORD> waits;
};

std::vector<DWORD> RetryWaits(const std::vector<DWORD> &sleeps) {
  // The script's own pauses are all of these lengths; the retry waits never are.
  const std::set<DWORD> pauses = {150, 250, 1000, 1250, 2000, 5000};
  std::vector<DWORD> waits;
  for (DWORD sleep : sleeps)
    if (pauses.count(sleep) == 0) waits.push_back(sleep);
  return waits;
}

std::vector<std::string> Leftovers() {
  std::vector<std::string> left;
  for (const std::string &folder : {kInstall, kBackup, kPrefs})
    for (const char *suffix : {".quorvel-new", ".quorvel-old"})
      for (const char *name : {"QZ.exe", "QZ_previous.exe", "qz.dll", "qz.inf", "Addresses.inf"})
        if (test_drive::Exists(folder + name + suffix)) left.push_back(folder + name + suffix);
  return left;
}

class HeldFilesTest : public ::testing::Test {
 protected:
  void LayOut() {
    test_drive::UseFreshDrive();
    window_model::Reset();
    updatePlan = UpdatePlan{};
    test_drive::MakeFolder(kInstall);
    test_drive::WriteBytes(kInstall + "QZ.exe", "old executable");
    test_drive::WriteBytes(kInstall + "qz.dll", "library");
    test_drive::MakeFolder(kPrefs);
    test_drive::WriteBytes(kPrefs + "qz.inf", kOldInf);
    test_drive::WriteBytes(kPrefs + "Addresses.inf", kOldInf);
    test_drive::MakeFolder("C:\\users\\Public");
    test_drive::WriteBytes(kServed, PeBytes(size_t{64} * 1024, 7));
  }

  // Runs the whole update with the sleeps recorded; the retry waits it made.
  std::vector<DWORD> Run(int port) {
    std::snprintf(downloadHostText, sizeof downloadHostText, "127.0.0.1:%d", port);
    setenv("TEMP", "C:\\users\\Public", 1);
    sleep_record::Start();
    ResolveUpdatePlan();
    RunUpdateSequence();
    ReleasePreferenceFile();  // as the process frame does at its end
    std::vector<DWORD> sleeps = sleep_record::Stop();
    file_holds::ReleaseAll();
    CloseAllProgressWindows();
    return RetryWaits(sleeps);
  }
};

TEST_F(HeldFilesTest, PassingHoldsAreWaitedOutAndLastingOnesEndAsToday) {
  const std::vector<DWORD> three = {20, 40, 80};
  const unsigned any = file_holds::Open | file_holds::Copy | file_holds::Rename | file_holds::Delete;
  const HoldCase cases[] = {
      {"backup copy, passing", kInstall + "qz.dll", file_holds::Copy, ERROR_SHARING_VIOLATION, 3,
       Outcome::Updated, three},
      {"backup copy, lasting", kInstall + "qz.dll", file_holds::Copy, ERROR_SHARING_VIOLATION,
       file_holds::kUntilReleased, Outcome::BackupLacksFile, kWholeBudget},
      {"QZ_previous.exe, passing", kInstall + "QZ_previous.exe", file_holds::Rename, ERROR_ACCESS_DENIED, 3,
       Outcome::Updated, three},
      {"QZ_previous.exe, lasting", kInstall + "QZ_previous.exe", file_holds::Rename, ERROR_ACCESS_DENIED,
       file_holds::kUntilReleased, Outcome::NoPreviousCopy, kWholeBudget},
      {"QZ.exe, passing", kInstall + "QZ.exe", file_holds::Rename, ERROR_ACCESS_DENIED, 3, Outcome::Updated,
       three},
      {"QZ.exe, lasting", kInstall + "QZ.exe", file_holds::Rename, ERROR_ACCESS_DENIED,
       file_holds::kUntilReleased, Outcome::ExecutableKept, kWholeBudget},
      {"preference open, passing", kPrefs + "qz.inf", file_holds::Open, ERROR_SHARING_VIOLATION, 3,
       Outcome::Updated, three},
      {"preference open, lasting", kPrefs + "qz.inf", file_holds::Open, ERROR_SHARING_VIOLATION,
       file_holds::kUntilReleased, Outcome::InfUnstamped, kWholeBudget},
      {"preference write-back, passing", kPrefs + "qz.inf", file_holds::Rename, ERROR_SHARING_VIOLATION, 3,
       Outcome::Updated, three},
      {"preference write-back, lasting", kPrefs + "qz.inf", file_holds::Rename, ERROR_SHARING_VIOLATION,
       file_holds::kUntilReleased, Outcome::InfUnstamped, kWholeBudget},
      {"staged preference file, passing", kPrefs + "qz.inf.quorvel-new", any, ERROR_SHARING_VIOLATION, 3,
       Outcome::Updated, three},
      // A scanner names the file by the folder it lies in, not through the link.
      {"preference write-back, lasting, held by its own folder's name", "C:\\ProgramData\\Quorvel\\qz.inf",
       file_holds::Rename, ERROR_SHARING_VIOLATION, file_holds::kUntilReleased, Outcome::InfUnstamped,
       kWholeBudget},
      {"ReplaceFileA stops at 1175",
       kPrefs + "qz.inf",
       0,
       ERROR_UNABLE_TO_REMOVE_REPLACED,
       0,
       Outcome::Updated,
       {20}},
      {"ReplaceFileA stops at 1176",
       kPrefs + "qz.inf",
       0,
       ERROR_UNABLE_TO_MOVE_REPLACEMENT,
       0,
       Outcome::Updated,
       {20}},
      {"ReplaceFileA stops at 1177",
       kPrefs + "qz.inf",
       0,
       ERROR_UNABLE_TO_MOVE_REPLACEMENT_2,
       0,
       Outcome::Updated,
       {20}},
  };
  const std::string served = PeBytes(size_t{64} * 1024, 7);
  for (const HoldCase &c : cases) {
    LayOut();
    unsetenv("TEMP");  // the server keeps its port file in the host's temporary folder
    HttpTestServer server("file", kServed);
    ASSERT_NE(server.Port(), 0) << c.name;
    if (c.operations != 0)
      file_holds::Hold(c.path, c.operations, c.error, c.count);
    else
      file_holds::StopNextReplace(c.error);
    EXPECT_EQ(Run(server.Port()), c.waits) << c.name;

    bool replaced = c.outcome != Outcome::ExecutableKept;
    EXPECT_EQ(test_drive::ReadBytes(kInstall + "QZ.exe"),
              replaced ? PeBytes(size_t{64} * 1024, 7) : "old executable")
        << c.name;
    EXPECT_EQ(test_drive::Exists(kInstall + "QZ_previous.exe"), c.outcome != Outcome::NoPreviousCopy)
        << c.name;
    EXPECT_EQ(test_drive::Exists(kBackup + "qz.dll"), c.outcome != Outcome::BackupLacksFile) << c.name;
    EXPECT_EQ(test_drive::ReadBytes(kBackup + "QZ.exe"), "old executable") << c.name;
    bool stamped = replaced && c.outcome != Outcome::InfUnstamped;
    EXPECT_EQ(test_drive::ReadBytes(kPrefs + "qz.inf"), stamped ? kNewInf : kOldInf) << c.name;
    EXPECT_EQ(test_drive::ReadBytes(kPrefs + "Addresses.inf"), replaced ? kNewInf : kOldInf) << c.name;
    EXPECT_EQ(Leftovers(), std::vector<std::string>{}) << c.name;
  }
}

}  // namespace
