#include "update/dynamic_library.h"

#include <gtest/gtest.h>

#include "loaded_library.h"

namespace {

constexpr char kProbe[] = "probe_library";
constexpr char kProbeFile[] = "probe_library.dll";

class DynamicLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(LibraryIsMapped(kProbe)); }
  void TearDown() override { FreeAllDynamicLibraries(); }
};

TEST_F(DynamicLibraryTest, LoadsFindsAndFrees) {
  ASSERT_NE(LoadDynamicLibrary(3, kProbeFile), 0);
  EXPECT_TRUE(LibraryIsMapped(kProbe));
  EXPECT_NE(FindDynamicFunction(3, "QuorvelProbe"), nullptr);
  EXPECT_EQ(FindDynamicFunction(3, "URLDownloadToFileA"), nullptr);
  EXPECT_EQ(FindDynamicFunction(3, nullptr), nullptr);
  EXPECT_EQ(FindDynamicFunction(2, "QuorvelProbe"), nullptr) << "nothing loaded under 2";
  EXPECT_NE(FreeDynamicLibrary(3), 0);
  EXPECT_FALSE(LibraryIsMapped(kProbe));
  EXPECT_EQ(FreeDynamicLibrary(3), 0) << "already freed";
  EXPECT_EQ(FindDynamicFunction(3, "QuorvelProbe"), nullptr);
}

TEST_F(DynamicLibraryTest, RefusesWhatCannotBeLoaded) {
  EXPECT_EQ(LoadDynamicLibrary(0, nullptr), 0);
  EXPECT_EQ(LoadDynamicLibrary(0, "NoSuchLibrary.dll"), 0);
  EXPECT_EQ(LoadDynamicLibrary(-1, kProbeFile), 0) << "numbers start at 0";
  EXPECT_FALSE(LibraryIsMapped(kProbe));
  EXPECT_EQ(FreeDynamicLibrary(0), 0);
}

TEST_F(DynamicLibraryTest, FindsTheLibraryWhateverTheLetterCase) {
  for (const char *name : {"PROBE_LIBRARY.DLL", "Probe_Library"}) {
    EXPECT_NE(LoadDynamicLibrary(0, name), 0) << name;
    EXPECT_NE(FindDynamicFunction(0, "QuorvelProbe"), nullptr) << name;
  }
}

TEST_F(DynamicLibraryTest, ASecondLoadUnderANumberFreesTheFirst) {
  ASSERT_NE(LoadDynamicLibrary(0, kProbeFile), 0);
  ASSERT_NE(LoadDynamicLibrary(0, kProbeFile), 0);
  FreeDynamicLibrary(0);
  EXPECT_FALSE(LibraryIsMapped(kProbe)) << "the first load was never freed";

  ASSERT_NE(LoadDynamicLibrary(0, kProbeFile), 0);
  EXPECT_EQ(LoadDynamicLibrary(0, "NoSuchLibrary.dll"), 0);
  EXPECT_FALSE(LibraryIsMapped(kProbe)) << "freed even though the new load failed";
  EXPECT_EQ(FreeDynamicLibrary(0), 0);
}

TEST_F(DynamicLibraryTest, FreeingAllReleasesEveryNumber) {
  for (int number : {5, 1, 100000}) ASSERT_NE(LoadDynamicLibrary(number, kProbeFile), 0) << number;
  FreeAllDynamicLibraries();
  EXPECT_FALSE(LibraryIsMapped(kProbe));
  for (int number : {1, 5, 100000}) EXPECT_EQ(FreeDynamicLibrary(number), 0) << number;
}

}  // namespace
