#include "update/download_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "pe_file.h"
#include "support/http_test_server.h"
#include "support/test_drive.h"
#include "update/dynamic_library.h"

#ifdef _WIN32
#include <objbase.h>
#endif

// Built twice: without a download pin, and pinned to PinnedPeBytes()
// (QUORVEL_PINNED_DOWNLOAD).
#ifndef QUORVEL_PINNED_DOWNLOAD
#define QUORVEL_PINNED_DOWNLOAD 0
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr bool kPinned = QUORVEL_PINNED_DOWNLOAD != 0;
const std::string kFolder = "C:\\users\\Public\\";
const std::string kTarget = kFolder + "QZv251.exe";
const std::string kPinnedFile = kFolder + "pinned.exe";
const std::string kOtherFile = kFolder + "other.exe";
const std::string kEarlier = "an executable left from an earlier run";

// Compared by size and content, so that a failure does not print the bytes.
::testing::AssertionResult HoldsExactly(const std::string &windowsPath, const std::string &expected) {
  if (!test_drive::Exists(windowsPath)) return ::testing::AssertionFailure() << windowsPath << " is missing";
  std::string held = test_drive::ReadBytes(windowsPath);
  if (held == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << windowsPath << " holds " << held.size() << " bytes, not the " << expected.size() << " expected";
}

struct Attempt {
  int32_t result;
  long milliseconds;
};

Attempt Download(const std::string &url, const std::string &target = kTarget) {
  auto start = Clock::now();
  int32_t result = DownloadFile(url.c_str(), target.c_str());
  auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  return {result, static_cast<long>(waited)};
}

class DownloadFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
#ifdef _WIN32
    CoInitialize(nullptr);  // as the program's start-up does
#endif
    test_drive::UseFreshDrive();
    test_drive::WriteBytes(kPinnedFile, PinnedPeBytes());
    test_drive::WriteBytes(kOtherFile, PeBytes(size_t{300} * 1024, 7));
    pinned = new HttpTestServer("file", kPinnedFile, 256L * 1024);
    other = new HttpTestServer("file", kOtherFile);
  }
  static void TearDownTestSuite() {
    delete pinned;
    delete other;
    pinned = other = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(pinned->Port(), 0) << "the test server did not start";
    ASSERT_NE(other->Port(), 0) << "the test server did not start";
    test_drive::WriteBytes(kTarget, kEarlier);
  }
  void TearDown() override { FreeAllDynamicLibraries(); }

  static HttpTestServer *pinned;
  static HttpTestServer *other;
};

HttpTestServer *DownloadFileTest::pinned = nullptr;
HttpTestServer *DownloadFileTest::other = nullptr;

TEST_F(DownloadFileTest, FetchesTheWholeFileThenPausesAndKeepsTheLibrary) {
  Attempt attempt = Download(pinned->Url("/downloads/QZv251.exe"));
  EXPECT_EQ(attempt.result, 0);
  EXPECT_TRUE(HoldsExactly(kTarget, PinnedPeBytes())) << "replaced whole";
  EXPECT_GE(attempt.milliseconds, 1000);
  EXPECT_NE(FindDynamicFunction(0, "URLDownloadToFileA"), nullptr) << "stays loaded under number 0";
  FreeAllDynamicLibraries();
  EXPECT_EQ(FindDynamicFunction(0, "URLDownloadToFileA"), nullptr);
  EXPECT_EQ(FreeDynamicLibrary(0), 0) << "released";
}

// Every way of bringing the pinned file whole: plain, redirected, slowly,
// chunked without a length; each time, up to the last request, caches on the
// way are asked for a fresh copy. Wine's urlmon sends no "Pragma: no-cache"
// whatever the bind flags ask (measured), so only the native build checks
// that the download asks for it.
TEST_F(DownloadFileTest, AcceptsTheExecutableHoweverItComesWhole) {
  for (const char *path : {"/redirect/3", "/slow", "/chunked"}) {
    test_drive::WriteBytes(kTarget, kEarlier);
    EXPECT_EQ(Download(pinned->Url(path)).result, 0) << path;
    EXPECT_TRUE(HoldsExactly(kTarget, PinnedPeBytes())) << path;
#ifndef _WIN32
    EXPECT_NE(pinned->LastRequestHeaders().find("Pragma: no-cache\n"), std::string::npos) << path;
#endif
  }
}

// Another executable than the pinned one: installed only without a pin.
TEST_F(DownloadFileTest, TakesAnotherExecutableOnlyWithoutAPin) {
  Attempt attempt = Download(other->Url("/downloads/QZv251.exe"));
  if (kPinned) {
    EXPECT_NE(attempt.result, 0);
    EXPECT_FALSE(test_drive::Exists(kTarget)) << "a file that fails the pin is removed";
  } else {
    EXPECT_EQ(attempt.result, 0);
    EXPECT_TRUE(HoldsExactly(kTarget, PeBytes(size_t{300} * 1024, 7)));
  }
}

// Whatever went wrong, nothing that the update could copy over the program
// is left at the target: neither what the service wrote nor the earlier file.
TEST_F(DownloadFileTest, FailsAndLeavesNoTarget) {
  const std::string cases[] = {
      pinned->Url("/404"), pinned->Url("/500"),
      pinned->Url("/html"),  // 200 with a page, as a captive portal answers
      pinned->Url("/cut-short"),
#ifndef _WIN32
      // Wine's service reports a chunked body that breaks off exactly as one
      // that ended (the end of the data, then success): there the Windows
      // build cannot tell them apart.
      pinned->Url("/chunked-cut-short"),
#endif
      pinned->Url("/redirect-to-ftp"), pinned->Url("/redirect-to-file-url"),
      "http://nonexistent.invalid/downloads/QZv251.exe",
      "http://127.0.0.1:1/downloads/QZv251.exe",  // nothing listens there: refused
  };
  for (const std::string &url : cases) {
    test_drive::WriteBytes(kTarget, kEarlier);
    Attempt attempt = Download(url);
    EXPECT_NE(attempt.result, 0) << url;
    EXPECT_GE(attempt.milliseconds, 1000) << url;
    EXPECT_FALSE(test_drive::Exists(kTarget)) << url;
  }
}

TEST_F(DownloadFileTest, FailsWhenTheTargetFolderIsMissing) {
  EXPECT_NE(Download(pinned->Url("/downloads/QZv251.exe"), kFolder + "NoSuchFolder\\QZv251.exe").result, 0);
  EXPECT_FALSE(test_drive::Exists(kFolder + "NoSuchFolder"));
}

#ifndef _WIN32
// Windows reports redirects to the download's callback, which counts them;
// Wine follows any number unseen, and the stall limit ends an endless loop.
TEST_F(DownloadFileTest, GivesUpAfterTenRedirects) {
  EXPECT_EQ(Download(pinned->Url("/redirect/10")).result, 0);
  EXPECT_NE(Download(pinned->Url("/redirect/11")).result, 0);
  EXPECT_FALSE(test_drive::Exists(kTarget));
}

// The service cannot write over a read-only file; the file is removed all
// the same.
TEST_F(DownloadFileTest, RefusesAReadOnlyTargetAndRemovesIt) {
  ASSERT_TRUE(SetFileAttributesA(kTarget.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(Download(pinned->Url("/downloads/QZv251.exe")).result, 0);
  EXPECT_FALSE(test_drive::Exists(kTarget));
}
#endif

}  // namespace
