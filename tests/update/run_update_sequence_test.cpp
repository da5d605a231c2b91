// The update script against the stand-in's window model, on the paths that end
// in an error: what the user is shown, in order and at what pace, and what is
// left alone.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "compat/testing/window_model.h"
#include "fs/hold_budget.h"
#include "support/http_test_server.h"
#include "support/test_drive.h"
#include "ui/progress_window.h"
#include "update/update_plan.h"

// Port 1 of loopback, where nothing listens, unless a test serves the file.
char downloadHostText[32] = "127.0.0.1:1";
const char *const downloadHost = downloadHostText;

namespace {

using Clock = std::chrono::steady_clock;

const std::string kInstall = "C:\\Program Files\\Quorvel\\";
const std::string kPrefs = "C:\\users\\Public\\Quorvel\\";
const std::string kQzInf = "[Application]\r\nVersion = 2.50\r\n";

long MillisecondsSince(Clock::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

std::string TextOf(HWND window) {
  char text[256] = "";
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// A file shaped like a Windows executable: "MZ", and "PE\0\0" where the
// offset at 0x3C points.
std::string ExecutableBytes(size_t size) {
  std::string bytes(size, '\x5A');
  bytes.replace(0, 2, "MZ");
  bytes.replace(0x3C, 4, std::string("\x40\0\0\0", 4));
  bytes.replace(0x40, 4, std::string("PE\0\0", 4));
  return bytes;
}

struct Seen {
  std::string what;  // "bar made", "bar", "text" or "gone"
  std::string value;
  long ms;
  int look;  // what one look finds comes in no particular order
};

// Looks at the progress window from another thread every few milliseconds, as
// the observer of the end-to-end runs does under Wine, since a window that
// closes takes its bar and lines with it.
class WindowWatch {
 public:
  WindowWatch() : thread_([this] { Watch(); }) {}
  ~WindowWatch() { Stop(); }

  const std::vector<Seen> &Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  void Note(const std::string &what, const std::string &value) {
    seen_.push_back({what, value, MillisecondsSince(start_), look_});
  }

  void Watch() {
    bool opened = false, barMade = false;
    std::set<HWND> lines;
    size_t values = 0;
    // One more look once told to stop, to see what the run's end left.
    for (bool last = false; !last; ++look_) {
      last = stop_;
      HWND window = FindWindowA(nullptr, "Checking for Updates");
      if (window == nullptr && opened) {
        Note("gone", "");
        return;
      }
      opened = opened || window != nullptr;
      for (HWND child = window != nullptr ? GetWindow(window, GW_CHILD) : nullptr; child != nullptr;
           child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassOf(child) == "Static" && lines.insert(child).second) Note("text", TextOf(child));
        if (ClassOf(child) != PROGRESS_CLASSA) continue;
        if (!barMade) Note("bar made", "");
        barMade = true;
        size_t index = 0;
        for (const window_model::SentMessage &message : window_model::MessagesSentTo(child))
          if (message.message == PBM_SETPOS && index++ >= values) Note("bar", std::to_string(message.wParam));
        values = index;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  Clock::time_point start_ = Clock::now();
  std::atomic<bool> stop_{false};
  int look_ = 0;
  std::vector<Seen> seen_;
  std::thread thread_;
};

// One step the user sees, and the least time after the step before it: the
// pauses the script makes in between; where it matters, also the most. The
// watch may see a step late, so a step can seem up to kLookSlack early.
struct Step {
  std::string what;
  std::string value;
  long least;
  long most = -1;  // no bound
};
constexpr long kLookSlack = 50;
// What the run may take beyond its pauses: the calls between them, a download
// that succeeds, and a busy machine, which was seen to hold the script up to a
// second in all.
constexpr long kRunSlack = 2000;

std::vector<Step> StepsUntilTheDownload(int tempMatches) {
  return {{"bar made", "", 0},
          {"bar", "5", 150},
          {"text", "Downloading New Files", 150},
          {"bar", "25", 300},
          {"text", "Downloading Files Continues", 0},
          {"bar", "50", 300 + 150 * tempMatches},
          {"text", "Verifying file integrity", 0},
          {"bar", "95", 150 + 1000}};  // the download pauses 1000 ms itself
}

std::vector<Step> FailedDownload(int tempMatches) {
  std::vector<Step> steps = StepsUntilTheDownload(tempMatches);
  steps.insert(steps.end(), {{"text", "ERROR DOWNLOADING FILE", 150 + 250}, {"gone", "", 5000}});
  return steps;
}

std::vector<Step> FailedUpdate() {
  std::vector<Step> steps = StepsUntilTheDownload(1);
  steps.insert(steps.end(),
               {{"text", "File Downloaded", 150},
                {"text", "Updating Quorvel", 2000},
                {"bar", "125", 0},
                {"bar", "225", 1000},
                // no pause after the failed step, which waits out the hold first
                {"text", "ERROR UPDATING QUORVEL", 0, kHoldBudgetMilliseconds + 1000 - kLookSlack},
                {"gone", "", 5000}});
  return steps;
}

void ExpectSteps(std::vector<Seen> seen, const std::vector<Step> &expected) {
  std::vector<std::string> shown, wanted;
  for (const Step &step : expected) wanted.push_back(step.what + " " + step.value);
  for (const Seen &step : seen) shown.push_back(step.what + " " + step.value);
  for (size_t i = 0; i + 1 < shown.size() && i + 1 < wanted.size(); ++i)
    if (seen[i].look == seen[i + 1].look && shown[i] == wanted[i + 1] && shown[i + 1] == wanted[i]) {
      std::swap(shown[i], shown[i + 1]);
      std::swap(seen[i], seen[i + 1]);
    }
  ASSERT_EQ(shown, wanted);
  for (size_t i = 1; i < seen.size(); ++i) {
    long gap = seen[i].ms - seen[i - 1].ms;
    EXPECT_GE(gap, expected[i].least - kLookSlack) << wanted[i] << " came too soon after " << wanted[i - 1];
    if (expected[i].most >= 0) {
      EXPECT_LE(gap, expected[i].most) << wanted[i] << " came too late after " << wanted[i - 1];
    }
  }
}

long PausesOf(const std::vector<Step> &steps) {
  long sum = 0;
  for (const Step &step : steps) sum += step.least;
  return sum;
}

std::vector<std::string> StagedLeftovers() {
  std::vector<std::string> left;
  for (const std::string &folder : {kInstall, kPrefs})
    for (const auto &entry : std::filesystem::recursive_directory_iterator(test_drive::HostPathOf(folder)))
      if (entry.path().string().find(".quorvel-new") != std::string::npos)
        left.push_back(entry.path().string());
  return left;
}

class RunUpdateSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    window_model::Reset();
    updatePlan = UpdatePlan{};
    std::snprintf(downloadHostText, sizeof downloadHostText, "127.0.0.1:1");
    test_drive::MakeFolder("C:\\Program Files\\Quorvel");
    test_drive::WriteBytes(kInstall + "QZ.exe", "old executable");
    setenv("TEMP", "C:\\users\\Public", 1);
    unsetenv("TMP");
  }
  void TearDown() override { CloseAllProgressWindows(); }

  // Runs both halves of the script under watch; the steps seen, and how long it took.
  long Run(std::vector<Seen> &seen) {
    WindowWatch watch;
    auto start = Clock::now();
    ResolveUpdatePlan();
    RunUpdateSequence();
    long took = MillisecondsSince(start);
    EXPECT_EQ(FindWindowA(nullptr, "Checking for Updates"), nullptr) << "the window outlived the run";
    seen = watch.Stop();
    return took;
  }
};

TEST_F(RunUpdateSequenceTest, AFailedDownloadShowsItsErrorAndChangesNoFile) {
  test_drive::MakeFolder("C:\\users\\All Users");
  std::vector<window_model::MessageBoxCall> boxes;
  window_model::AnswerMessageBoxes([&](const window_model::MessageBoxCall &call) {
    boxes.push_back(call);
    EXPECT_EQ(FindWindowA(nullptr, "Checking for Updates"), nullptr) << "no progress window under the box";
    return IDOK;
  });

  std::vector<Seen> seen;
  long took = Run(seen);

  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "C:\\Users\\All Users\\Quorvel\\ does not exist, can not update preferences");
  EXPECT_EQ(boxes[0].type, 0u);
  EXPECT_EQ(boxes[0].owner, nullptr);

  // One TEMP entry: 150 ms eight times, 1000 in the download, 150 and 250 before
  // the error, which then stays 5000 ms.
  std::vector<Step> expected = FailedDownload(1);
  ExpectSteps(seen, expected);
  EXPECT_EQ(PausesOf(expected), 7600);
  EXPECT_GE(took, PausesOf(expected));
  EXPECT_LT(took, PausesOf(expected) + kRunSlack);

  EXPECT_EQ(updatePlan.downloadUrl, "http://127.0.0.1:1/downloads/QZv251.exe");
  EXPECT_EQ(updatePlan.downloadTarget, "C:\\users\\Public\\QZv251.exe");
  EXPECT_NE(updatePlan.downloadResult, 0);
  EXPECT_FALSE(test_drive::Exists("C:\\users\\Public\\QZv251.exe"));
  EXPECT_EQ(test_drive::ReadBytes(kInstall + "QZ.exe"), "old executable");
  EXPECT_FALSE(test_drive::Exists(kInstall + "QZ_previous.exe"));
}

TEST_F(RunUpdateSequenceTest, NoTempEntryFallsBackToTheAllUsersTemp) {
  unsetenv("TEMP");
  std::vector<Seen> seen;
  long took = Run(seen);
  EXPECT_EQ(updatePlan.tempFolder, "C:\\Users\\All Users\\temp");
  EXPECT_EQ(updatePlan.downloadTarget, "C:\\Users\\All Users\\temp\\QZv251.exe");
  EXPECT_EQ(updatePlan.preferencesFolder, "C:\\Users\\Public\\Quorvel\\");

  std::vector<Step> expected = FailedDownload(0);
  ExpectSteps(seen, expected);
  EXPECT_GE(took, PausesOf(expected));
  EXPECT_LT(took, PausesOf(expected) + kRunSlack);
}

struct HeldExecutableCase {
  const char *name;
  DWORD sharing;            // of the holder, which reads QZ.exe
  const char *previous;     // QZ_previous.exe afterwards, or nullptr for none
  bool backupHoldsTheFile;  // Version_251_Preupdate_Backups\QZ.exe afterwards
  int stepsHeld;            // steps that wait out the hold to its end
};

// A running Quorvel holds its executable, which Windows then refuses to
// rename over. A holder that lets nobody read it, but would let it be
// replaced, leaves no whole copy of the running version anywhere: then it is
// not replaced either. Either way the update stops before anything is stamped.
TEST_F(RunUpdateSequenceTest, AnExecutableThatCannotBeReplacedOrKeptIsReportedAndNothingIsStamped) {
  const HeldExecutableCase cases[] = {
      {"held as a running program holds it", FILE_SHARE_READ, "old executable", true, 1},
      {"unreadable, but free to be replaced", FILE_SHARE_DELETE, nullptr, false, 2},
  };
  for (const HeldExecutableCase &c : cases) {
    SetUp();
    const std::string served = "C:\\users\\Public\\served.exe";
    test_drive::WriteBytes(served, ExecutableBytes(size_t{64} * 1024));
    test_drive::MakeFolder(kPrefs);
    test_drive::WriteBytes(kPrefs + "qz.inf", kQzInf);
    unsetenv("TEMP");  // the server keeps its port file in the host's temporary folder
    HttpTestServer server("file", served);
    ASSERT_NE(server.Port(), 0) << c.name;
    setenv("TEMP", "C:\\users\\Public", 1);
    std::snprintf(downloadHostText, sizeof downloadHostText, "127.0.0.1:%d", server.Port());
    HANDLE holder = CreateFileA((kInstall + "QZ.exe").c_str(), GENERIC_READ, c.sharing, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE) << c.name;

    std::vector<Seen> seen;
    long took = Run(seen);
    CloseHandle(holder);
    TearDown();

    EXPECT_EQ(updatePlan.downloadResult, 0) << c.name;
    std::vector<Step> expected = FailedUpdate();
    ExpectSteps(seen, expected);
    EXPECT_EQ(PausesOf(expected), 10350);  // no pause after S5, then the 5000 ms hold
    long waited = c.stepsHeld * long{kHoldBudgetMilliseconds};
    EXPECT_GE(took, PausesOf(expected) + waited) << c.name;
    EXPECT_LT(took, PausesOf(expected) + waited + kRunSlack) << c.name;

    EXPECT_EQ(test_drive::ReadBytes(kInstall + "QZ.exe"), "old executable") << c.name;
    EXPECT_EQ(test_drive::Exists(kInstall + "QZ_previous.exe"), c.previous != nullptr) << c.name;
    if (c.previous != nullptr) {
      EXPECT_EQ(test_drive::ReadBytes(kInstall + "QZ_previous.exe"), c.previous) << c.name;
    }
    EXPECT_EQ(test_drive::Exists(kInstall + "Version_251_Preupdate_Backups\\QZ.exe"), c.backupHoldsTheFile)
        << c.name;
    EXPECT_EQ(test_drive::ReadBytes(kPrefs + "qz.inf"), kQzInf) << c.name;
    EXPECT_EQ(StagedLeftovers(), std::vector<std::string>{}) << c.name;
  }
}

}  // namespace
