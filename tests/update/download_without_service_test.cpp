// Built three times, each with the download service arranged otherwise
// (QUORVEL_URLMON): missing from the system folder, lacking its function
// there, or a planted "urlmon" beside the program that lacks the function
// while the system's own is in place.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>

#include "support/test_drive.h"
#include "update/download_file.h"
#include "update/dynamic_library.h"

#define QUORVEL_URLMON_MISSING 0
#define QUORVEL_URLMON_WITHOUT_FUNCTION 1
#define QUORVEL_URLMON_PLANTED 2

namespace {

using Clock = std::chrono::steady_clock;

const std::string kTarget = "C:\\users\\Public\\QZv251.exe";

#if QUORVEL_URLMON == QUORVEL_URLMON_PLANTED
// A plain load by name takes the planted library beside the program (under
// Wine with a native-first override for urlmon); the service's load from the
// system folder takes the system's own, which has the function.
TEST(PlantedUrlmonTest, IsNeverLoadedByTheService) {
  ASSERT_NE(LoadDynamicLibrary(0, "urlMON.dll"), 0);
  EXPECT_NE(FindDynamicFunction(0, "URLDownloadToFileA"), nullptr);
  EXPECT_EQ(FindDynamicFunction(0, "QuorvelProbe"), nullptr) << "the planted library was loaded";
  FreeAllDynamicLibraries();

  HMODULE plain = LoadLibraryA("urlMON.dll");
  ASSERT_NE(plain, nullptr);
  EXPECT_NE(GetProcAddress(plain, "QuorvelProbe"), nullptr) << "a plain load would take the planted library";
  FreeLibrary(plain);
}

// What the entry point does first: from then on a plain load looks in the
// system folder only, too.
TEST(PlantedUrlmonTest, IsNotLoadedOnceTheDefaultIsTheSystemFolder) {
  ASSERT_EQ(LimitLibrarySearchToSystemFolder(), 1);
  HMODULE plain = LoadLibraryA("urlMON.dll");
  ASSERT_NE(plain, nullptr);
  EXPECT_NE(GetProcAddress(plain, "URLDownloadToFileA"), nullptr);
  EXPECT_EQ(GetProcAddress(plain, "QuorvelProbe"), nullptr) << "the planted library was loaded";
  FreeLibrary(plain);
}
#else
TEST(DownloadWithoutServiceTest, FailsAfterThePauseAndLeavesNoTarget) {
  test_drive::UseFreshDrive();
  test_drive::WriteBytes(kTarget, "earlier");
  auto start = Clock::now();
  EXPECT_NE(DownloadFile("http://127.0.0.1:1/downloads/QZv251.exe", kTarget.c_str()), 0);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_FALSE(test_drive::Exists(kTarget));
  FreeAllDynamicLibraries();
}

TEST(DownloadWithoutServiceTest, TheServiceIsMissingAsArranged) {
#if QUORVEL_URLMON == QUORVEL_URLMON_WITHOUT_FUNCTION
  EXPECT_NE(LoadDynamicLibrary(0, "urlMON.dll"), 0);
  EXPECT_EQ(FindDynamicFunction(0, "URLDownloadToFileA"), nullptr);
#else
  EXPECT_EQ(LoadDynamicLibrary(0, "urlMON.dll"), 0);
#endif
  FreeAllDynamicLibraries();
}
#endif

}  // namespace
