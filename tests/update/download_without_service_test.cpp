// Built twice: beside an executable with no download library at all, and
// beside one whose "urlmon" lacks the function (QUORVEL_FAKE_URLMON).
#include <gtest/gtest.h>

#include <chrono>

#include "support/test_drive.h"
#include "update/download_file.h"
#include "update/dynamic_library.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kTarget = "C:\\users\\Public\\QZv251.exe";

TEST(DownloadWithoutServiceTest, FailsAfterThePauseAndLeavesTheTargetAlone) {
  test_drive::UseFreshDrive();
  test_drive::WriteBytes(kTarget, "earlier");
  auto start = Clock::now();
  EXPECT_NE(DownloadFile("http://127.0.0.1:1/downloads/QZv251.exe", kTarget.c_str()), 0);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(test_drive::ReadBytes(kTarget), "earlier");
}

TEST(DownloadWithoutServiceTest, TheServiceIsMissingAsArranged) {
#if QUORVEL_FAKE_URLMON
  EXPECT_NE(LoadDynamicLibrary(0, "urlMON.dll"), 0);
  EXPECT_EQ(FindDynamicFunction(0, "URLDownloadToFileA"), nullptr);
#else
  EXPECT_EQ(LoadDynamicLibrary(0, "urlMON.dll"), 0);
#endif
  FreeAllDynamicLibraries();
}

}  // namespace
