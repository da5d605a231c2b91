// The whole update natively while another program holds, for a moment or for
// good, one of the files it writes (the stand-in refuses the calls as Windows
// does), and while ReplaceFileA stops between its steps. Sleeps are recorded,
// not slept, so the retry waits can be counted exactly, and seen in the stage
// of the script where they come.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compat/testing/file_holds.h"
#include "support/test_drive.h"
#include "support/whole_run.h"
#include "update/pe_file.h"

namespace {

using namespace whole_run;

enum class Outcome { Updated, BackupLacksFile, NoPreviousCopy, ExecutableKept, InfUnstamped };

struct HoldCase {
  const char *name;
  std::string path;  // held, or for a stop: the preference file
  unsigned operations;
  DWORD error;  // refusal, or the error ReplaceFileA stops with
  int count;    // refusals before the hold clears; file_holds::kUntilReleased
  Outcome outcome;
  Events events;
};

TEST(HeldFilesTest, HoldsAreWaitedOutForAtMostTheBudgetAndALastingOneFailsItsStep) {
  const std::vector<DWORD> three = {20, 40, 80};
  const unsigned any = file_holds::Open | file_holds::Copy | file_holds::Rename | file_holds::Delete;
  const Events until = UntilDownloaded({150});
  const HoldCase cases[] = {
      {"backup copy, passing", kInstall + "qz.dll", file_holds::Copy, ERROR_SHARING_VIOLATION, 3,
       Outcome::Updated, Joined({SleepsAt("no window", three), until, Installing({}), Updated()})},
      {"backup copy, lasting", kInstall + "qz.dll", file_holds::Copy, ERROR_SHARING_VIOLATION,
       file_holds::kUntilReleased, Outcome::BackupLacksFile,
       Joined({SleepsAt("no window", kWholeBudget), until, Installing({}), Updated()})},
      {"QZ_previous.exe, passing", kInstall + "QZ_previous.exe", file_holds::Rename, ERROR_ACCESS_DENIED, 3,
       Outcome::Updated, Joined({until, Installing(three), Updated()})},
      // QZ.exe is still replaced: the backup keeps a whole copy of it.
      {"QZ_previous.exe, lasting: only the backup keeps QZ.exe", kInstall + "QZ_previous.exe",
       file_holds::Rename, ERROR_ACCESS_DENIED, file_holds::kUntilReleased, Outcome::NoPreviousCopy,
       Joined({until, Installing(kWholeBudget), Updated()})},
      {"QZ.exe, passing", kInstall + "QZ.exe", file_holds::Rename, ERROR_ACCESS_DENIED, 3, Outcome::Updated,
       Joined({until, Installing(three), Updated()})},
      {"QZ.exe, lasting", kInstall + "QZ.exe", file_holds::Rename, ERROR_ACCESS_DENIED,
       file_holds::kUntilReleased, Outcome::ExecutableKept,
       Joined({until, Installing(kWholeBudget), NotUpdated()})},
      {"preference open, passing", kPrefs + "qz.inf", file_holds::Open, ERROR_SHARING_VIOLATION, 3,
       Outcome::Updated, Joined({until, Installing({}), Updated(three)})},
      {"preference open, lasting", kPrefs + "qz.inf", file_holds::Open, ERROR_SHARING_VIOLATION,
       file_holds::kUntilReleased, Outcome::InfUnstamped,
       Joined({until, Installing({}), Updated(kWholeBudget)})},
      {"preference write-back, passing", kPrefs + "qz.inf", file_holds::Rename, ERROR_SHARING_VIOLATION, 3,
       Outcome::Updated, Joined({until, Installing({}), Updated({}, three)})},
      {"preference write-back, lasting", kPrefs + "qz.inf", file_holds::Rename, ERROR_SHARING_VIOLATION,
       file_holds::kUntilReleased, Outcome::InfUnstamped,
       Joined({until, Installing({}), Updated({}, kWholeBudget)})},
      {"staged preference file, passing", kPrefs + "qz.inf.quorvel-new", any, ERROR_SHARING_VIOLATION, 3,
       Outcome::Updated, Joined({until, Installing({}), Updated({}, three)})},
      // A scanner names the file by the folder it lies in, not through the link.
      {"preference write-back, lasting, held by its own folder's name", "C:\\ProgramData\\Quorvel\\qz.inf",
       file_holds::Rename, ERROR_SHARING_VIOLATION, file_holds::kUntilReleased, Outcome::InfUnstamped,
       Joined({until, Installing({}), Updated({}, kWholeBudget)})},
      {"ReplaceFileA stops at 1175", kPrefs + "qz.inf", 0, ERROR_UNABLE_TO_REMOVE_REPLACED, 0,
       Outcome::Updated, Joined({until, Installing({}), Updated({}, {20})})},
      {"ReplaceFileA stops at 1176", kPrefs + "qz.inf", 0, ERROR_UNABLE_TO_MOVE_REPLACEMENT, 0,
       Outcome::Updated, Joined({until, Installing({}), Updated({}, {20})})},
      {"ReplaceFileA stops at 1177", kPrefs + "qz.inf", 0, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, 0,
       Outcome::Updated, Joined({until, Installing({}), Updated({}, {20})})},
  };
  const std::string served = PeBytes(size_t{64} * 1024, 7);
  DownloadHost host(served);
  ASSERT_TRUE(host.Up());
  for (const HoldCase &c : cases) {
    SCOPED_TRACE(c.name);
    LayOut();
    host.Aim();
    if (c.operations != 0)
      file_holds::Hold(c.path, c.operations, c.error, c.count);
    else
      file_holds::StopNextReplace(c.error);
    EXPECT_EQ(RecordedRun(), c.events);

    bool replaced = c.outcome != Outcome::ExecutableKept;
    EXPECT_EQ(test_drive::ReadBytes(kInstall + "QZ.exe"), replaced ? served : kOldExecutable);
    EXPECT_EQ(test_drive::Exists(kInstall + "QZ_previous.exe"), c.outcome != Outcome::NoPreviousCopy);
    EXPECT_EQ(test_drive::Exists(kBackup + "qz.dll"), c.outcome != Outcome::BackupLacksFile);
    EXPECT_EQ(test_drive::ReadBytes(kBackup + "QZ.exe"), kOldExecutable);
    bool stamped = replaced && c.outcome != Outcome::InfUnstamped;
    EXPECT_EQ(test_drive::ReadBytes(kPrefs + "qz.inf"), stamped ? kNewInf : kOldInf);
    EXPECT_EQ(test_drive::ReadBytes(kPrefs + "Addresses.inf"), replaced ? kNewInf : kOldInf);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
}

}  // namespace
