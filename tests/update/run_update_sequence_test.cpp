// The update script against the stand-in's window model, one row per path:
// every pause it makes (Sleeps are recorded, not slept), what the window shows
// when each begins, the message boxes, and what ends up installed. Pinned to
// PinnedPeBytes(), so that the staged copy's check can refuse a swapped file.
// The paths that wait out a hold on a file are rows of the held-file table.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/test_drive.h"
#include "support/whole_run.h"
#include "update/pe_file.h"
#include "update/update_plan.h"

namespace {

using namespace whole_run;

const char kFileDownloaded[] = "2000 ms at bar 95, File Downloaded";
const char kNoFolder[] =
    "box Error 0: C:\\Users\\All Users\\Quorvel\\ does not exist, can not update preferences";

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
  void HoldQz(DWORD sharing) {
    holder = CreateFileA((kInstall + "QZ.exe").c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  }

  Events Run(const Row &row) {
    Events events = RecordedRun([&](const std::string &event) {
      // Not redundant: the plan's Text lives in its own heap, and only the
      // characters pass to a std::string.
      if (row.swapAt != nullptr && event == row.swapAt)
        test_drive::WriteBytes(
            updatePlan.downloadTarget.c_str(),  // NOLINT(readability-redundant-string-cstr)
            PeBytes(size_t{300} * 1024, 7));
    });
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
    holder = INVALID_HANDLE_VALUE;
    return events;
  }

  HANDLE holder = INVALID_HANDLE_VALUE;
};

TEST_F(RunUpdateSequenceTest, EachPathPausesShowsAndInstallsExactlyAsScripted) {
  const Events untilInstalling = Joined({UntilDownloaded({150}), Installing({})});
  const Row rows[] = {
      {"success", [] {}, Joined({untilInstalling, Updated()}), true, true},
      {"failed download", [] { AimNowhere(); }, Joined({UntilDownloaded({150}), DownloadFailed()}), false,
       false},
      // A running Quorvel holds its executable so: it can be copied, not renamed over.
      {"QZ.exe held as a running program holds it", [this] { HoldQz(FILE_SHARE_READ); },
       Joined({UntilDownloaded({150}), Installing(kWholeBudget), NotUpdated()}), false, false},
      // Neither the backup nor QZ_previous.exe gets a copy, so QZ.exe stays.
      {"QZ.exe unreadable, no copy kept", [this] { HoldQz(FILE_SHARE_DELETE); },
       Joined({SleepsAt("no window", kWholeBudget), UntilDownloaded({150}), Installing(kWholeBudget),
               NotUpdated()}),
       false, false},
      // All Users exists on every Windows; the files lie in a later candidate.
      {"preferences folder missing", [] {}, Joined({{kNoFolder}, untilInstalling, Updated()}), true, false,
       nullptr, kPublicPrefs},
      {"Public, where All Users is missing", [] { test_drive::HideFolder("C:\\users\\All Users"); },
       Joined({untilInstalling, Updated()}), true, true, nullptr, kPublicPrefs},
      {"no TEMP: the All Users temp folder",
       [] {
         unsetenv("TEMP");
         test_drive::MakeFolder("C:\\users\\All Users\\temp");
       },
       Joined({UntilDownloaded({}), Installing({}), Updated()}), true, true},
      // The last entry in any letter case counts; the others name no folder.
      {"several TEMP entries",
       [] {
         setenv("TEMP", "C:\\first", 1);
         setenv("temp", "C:\\second", 1);
         setenv("tEmP", "C:\\users\\Public", 1);
       },
       Joined({UntilDownloaded({150, 150, 150}), Installing({}), Updated()}), true, true},
      // The guards of the installing step.
      {"download swapped in TEMP after its check", [] {}, Joined({untilInstalling, NotUpdated()}), false,
       false, kFileDownloaded},
      {"QZ.exe missing", [] { std::filesystem::remove(test_drive::HostPathOf(kInstall + "QZ.exe")); },
       Joined({untilInstalling, Updated()}), true, true},
  };
  DownloadHost host(PinnedPeBytes());
  ASSERT_TRUE(host.Up());
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    LayOut({row.prefs, false});
    host.Aim();
    row.arrange();

    EXPECT_EQ(Run(row), row.events);
    EXPECT_EQ(test_drive::ReadBytes(kInstall + "QZ.exe"), row.installed ? PinnedPeBytes() : kOldExecutable);
    EXPECT_EQ(test_drive::ReadBytes(row.prefs + "qz.inf"), row.stamped ? kNewInf : kOldInf);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{});
  }
}

}  // namespace
