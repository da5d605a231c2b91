// The update script against the stand-in's window model, with a download that
// is refused at once: what the user is shown, in order, and what is left alone.
#include "update/run_update_sequence.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "compat/window_model.h"
#include "support/test_drive.h"
#include "ui/progress_window.h"
#include "update/resolve_update_plan.h"
#include "update/update_plan.h"

// Nothing listens on port 1 of loopback: the download fails at once.
const char *const downloadHost = "127.0.0.1:1";

namespace {

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

class RunUpdateSequenceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    window_model::Reset();
    updatePlan = UpdatePlan{};
    test_drive::MakeFolder("C:\\Program Files\\Quorvel");
    test_drive::WriteBytes("C:\\Program Files\\Quorvel\\QZ.exe", "old executable");
    setenv("TEMP", "C:\\users\\Public", 1);
    unsetenv("TMP");
  }
  void TearDown() override { CloseAllProgressWindows(); }
};

TEST_F(RunUpdateSequenceTest, AFailedDownloadShowsItsErrorAndChangesNoFile) {
  test_drive::MakeFolder("C:\\users\\All Users");
  std::vector<window_model::MessageBoxCall> boxes;
  window_model::AnswerMessageBoxes([&](const window_model::MessageBoxCall &call) {
    boxes.push_back(call);
    EXPECT_EQ(FindWindowA(nullptr, "Checking for Updates"), nullptr) << "no progress window under the box";
    return IDOK;
  });

  auto start = std::chrono::steady_clock::now();
  ResolveUpdatePlan();
  RunUpdateSequence();
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);

  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "C:\\Users\\All Users\\Quorvel\\ does not exist, can not update preferences");
  EXPECT_EQ(boxes[0].type, 0u);
  EXPECT_EQ(boxes[0].owner, nullptr);

  HWND window = FindWindowA(nullptr, "Checking for Updates");
  ASSERT_NE(window, nullptr) << "a failed run leaves its window for the shut-down";
  std::vector<std::string> texts;
  std::vector<WPARAM> values;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == "Static") texts.push_back(TextOf(child));  // new controls go to the bottom
    if (ClassOf(child) == PROGRESS_CLASSA)
      for (const window_model::SentMessage &sent : window_model::MessagesSentTo(child))
        if (sent.message == PBM_SETPOS) values.push_back(sent.wParam);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Downloading New Files", "Downloading Files Continues",
                                             "Verifying file integrity", "ERROR DOWNLOADING FILE"}));
  EXPECT_EQ(values, (std::vector<WPARAM>{5, 25, 50, 95}));

  EXPECT_EQ(updatePlan.downloadUrl, "http://127.0.0.1:1/downloads/QZv251.exe");
  EXPECT_EQ(updatePlan.downloadTarget, "C:\\users\\Public\\QZv251.exe");
  EXPECT_NE(updatePlan.downloadResult, 0);
  EXPECT_EQ(test_drive::ReadBytes("C:\\Program Files\\Quorvel\\QZ.exe"), "old executable");
  EXPECT_FALSE(test_drive::Exists("C:\\Program Files\\Quorvel\\QZ_previous.exe"));
  // 150 ms eight times (one TEMP entry among them), 1000 after the download, 250 before the error.
  EXPECT_GE(took.count(), 2450);
  EXPECT_LT(took.count(), 3200);
}

TEST_F(RunUpdateSequenceTest, NoTempEntryFallsBackToTheAllUsersTemp) {
  unsetenv("TEMP");
  ResolveUpdatePlan();
  RunUpdateSequence();
  EXPECT_EQ(updatePlan.tempFolder, "C:\\Users\\All Users\\temp");
  EXPECT_EQ(updatePlan.downloadTarget, "C:\\Users\\All Users\\temp\\QZv251.exe");
  EXPECT_EQ(updatePlan.preferencesFolder, "C:\\Users\\Public\\Quorvel\\");
}

}  // namespace
