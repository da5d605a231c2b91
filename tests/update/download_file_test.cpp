#include "update/download_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/http_test_server.h"
#include "support/test_drive.h"
#include "update/dynamic_library.h"

#ifdef _WIN32
#include <objbase.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

const std::string kFolder = "C:\\users\\Public\\";
const std::string kTarget = kFolder + "QZv251.exe";
const std::string kServed = kFolder + "served.bin";
const std::string kEarlier = "an executable left from an earlier run";

std::string SomeBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char &byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

// Compared by size and content, so that a failure does not print the bytes.
::testing::AssertionResult HoldsExactly(const std::string &windowsPath, const std::string &expected) {
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
    test_drive::WriteBytes(kServed, SomeBytes(size_t{300} * 1024));
    server = new HttpTestServer("file", kServed, 256L * 1024);
  }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(server->Port(), 0) << "the test server did not start";
    test_drive::WriteBytes(kTarget, kEarlier);
  }
  void TearDown() override { FreeAllDynamicLibraries(); }

  static HttpTestServer *server;
};

HttpTestServer *DownloadFileTest::server = nullptr;

TEST_F(DownloadFileTest, FetchesTheWholeFileThenPausesAndKeepsTheLibrary) {
  Attempt attempt = Download(server->Url("/downloads/QZv251.exe"));
  EXPECT_EQ(attempt.result, 0);
  EXPECT_TRUE(HoldsExactly(kTarget, test_drive::ReadBytes(kServed))) << "replaced whole";
  EXPECT_GE(attempt.milliseconds, 1000);
  EXPECT_NE(FindDynamicFunction(0, "URLDownloadToFileA"), nullptr) << "stays loaded under number 0";
  FreeAllDynamicLibraries();
  EXPECT_EQ(FindDynamicFunction(0, "URLDownloadToFileA"), nullptr);
  EXPECT_EQ(FreeDynamicLibrary(0), 0) << "released";
}

TEST_F(DownloadFileTest, FollowsRedirectsAndWaitsForASlowButSteadyServer) {
  for (const char *path : {"/redirect/3", "/slow"}) {
    test_drive::WriteBytes(kTarget, kEarlier);
    EXPECT_EQ(Download(server->Url(path)).result, 0) << path;
    EXPECT_TRUE(HoldsExactly(kTarget, test_drive::ReadBytes(kServed))) << path;
  }
}

// Whatever went wrong, nothing that the update could copy over the program
// may be at the target: the earlier file stays as it was or, where the
// service itself wrote the failed answer there (Wine), is gone.
TEST_F(DownloadFileTest, FailsAndLeavesNothingToCopy) {
  const std::string cases[] = {
      server->Url("/404"),
      server->Url("/500"),
      server->Url("/cut-short"),
      server->Url("/redirect-to-ftp"),
      server->Url("/redirect-to-file-url"),
      "http://nonexistent.invalid/downloads/QZv251.exe",
      "http://127.0.0.1:1/downloads/QZv251.exe",  // nothing listens there: refused
  };
  for (const std::string &url : cases) {
    test_drive::WriteBytes(kTarget, kEarlier);
    Attempt attempt = Download(url);
    EXPECT_NE(attempt.result, 0) << url;
    EXPECT_GE(attempt.milliseconds, 1000) << url;
    if (test_drive::Exists(kTarget)) {
      EXPECT_TRUE(HoldsExactly(kTarget, kEarlier)) << url;
    }
  }
}

TEST_F(DownloadFileTest, FailsWhenTheTargetFolderIsMissing) {
  EXPECT_NE(Download(server->Url("/downloads/QZv251.exe"), kFolder + "NoSuchFolder\\QZv251.exe").result, 0);
  EXPECT_FALSE(test_drive::Exists(kFolder + "NoSuchFolder"));
}

#ifndef _WIN32
// Windows reports redirects to the download's callback, which counts them;
// Wine follows any number unseen, and the stall limit ends an endless loop.
TEST_F(DownloadFileTest, GivesUpAfterTenRedirects) {
  EXPECT_EQ(Download(server->Url("/redirect/10")).result, 0);
  EXPECT_NE(Download(server->Url("/redirect/11")).result, 0);
}

TEST_F(DownloadFileTest, RefusesAReadOnlyTarget) {
  ASSERT_TRUE(SetFileAttributesA(kTarget.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(Download(server->Url("/downloads/QZv251.exe")).result, 0);
  SetFileAttributesA(kTarget.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(test_drive::ReadBytes(kTarget), kEarlier);
}
#endif

}  // namespace
