#include "fs/environment_walk.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "support/child_process.h"
#include "support/wide_text.h"

#ifndef _WIN32
#include "base/process_heaps.h"
#include "compat/testing/environment_block.h"
#endif

namespace {

using Entry = std::pair<std::string, std::string>;

struct ChildWalk {
  int exitCode = -1;
  std::vector<Entry> entries;
};

// Beside the test, named as the build names its executables.
std::filesystem::path ProbePath() {
  std::filesystem::path self = ChildProcess::OwnPath();
  return self.parent_path() / ("environment_walk_probe" + self.extension().string());
}

// The text in the system code page, as the 8-bit block gives it.
std::string CodePageOf(const std::string &utf8) { return InCodePage(WideOf(utf8, CP_UTF8), CP_ACP); }

// The short form of an existing path, in the system code page.
std::string ShortFormOf(const std::string &utf8) {
  WCHAR shortForm[MAX_PATH];
  DWORD length = GetShortPathNameW(WideOf(utf8, CP_UTF8).c_str(), shortForm, MAX_PATH);
  return InCodePage(std::wstring(shortForm, length < MAX_PATH ? length : 0), CP_ACP);
}

// The child gets the entries, UTF-8 here, as its environment block.
int RunProbe(const std::vector<std::string> &environment, const std::filesystem::path &output) {
  ChildProcess probe(ProbePath().string(), {output.string()}, &environment);
  return probe.Started() ? probe.AwaitExit() : -1;
}

// Starts the probe with exactly this environment block and reads back its walk.
ChildWalk WalkInChild(const std::vector<std::string> &environment) {
  auto output = std::filesystem::temp_directory_path() /
                ("environment_walk_" + std::to_string(GetCurrentProcessId()) + ".bin");
  ChildWalk walk;
  walk.exitCode = RunProbe(environment, output);
  std::ifstream in(output, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> texts;
  for (size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
    texts.push_back(bytes.substr(start, end - start));
  for (size_t i = 0; i + 1 < texts.size(); i += 2) walk.entries.emplace_back(texts[i], texts[i + 1]);
  in.close();
  std::filesystem::remove(output);
  return walk;
}

void SetVariable(const char *name, const char *value) {
#ifdef _WIN32
  SetEnvironmentVariableA(name, value);
#else
  setenv(name, value, 1);
#endif
}

// Walks to the end, gathering the entries.
std::vector<Entry> RestOfWalk() {
  std::vector<Entry> entries;
  while (NextEnvironmentEntry() == 1) entries.emplace_back(CurrentEntryName(), CurrentEntryValue());
  return entries;
}

int CountOf(const std::vector<Entry> &entries, const Entry &wanted) {
  int count = 0;
  for (const Entry &entry : entries) count += entry == wanted ? 1 : 0;
  return count;
}

TEST(EnvironmentWalkTest, YieldsEveryEntryOfTheBlockInItsOrderSplitAtTheFirstEquals) {
  std::vector<std::string> block = {"Path=C:\\bin", "=C:=C:\\work", "NOEQUALS", "Key=a=b==c",   "Temp=first",
                                    "temp=second",  "TEMP=third",   "tEmP=",    "==leading=two"};
  std::vector<Entry> expected = {{"Path", "C:\\bin"}, {"", "C:=C:\\work"}, {"", ""},
                                 {"Key", "a=b==c"},   {"Temp", "first"},   {"temp", "second"},
                                 {"TEMP", "third"},   {"tEmP", ""},        {"", "=leading=two"}};
  std::vector<std::string> temps = {"first", "second", "third", ""};
  // Values in UTF-8 that Windows-1252 cannot hold (Greek; Wine's best fit makes
  // Ωμα "Oµa", which is no "?" but no Ωμα either) give the short form of the
  // folder they name, which the 8-bit file calls find; the rest stay as the
  // 8-bit block gives them. Natively the stand-in's 1252 gives "?" instead.
  const auto folder =
      std::filesystem::temp_directory_path() / ("qzwalk" + std::to_string(GetCurrentProcessId()));
#ifdef _WIN32
  const std::string base = folder.string();
  const bool westernCodePage = GetACP() == 1252;
#else
  std::string base = "Z:" + folder.string();
  std::replace(base.begin(), base.end(), '/', '\\');
  const bool westernCodePage = true;
#endif
  const std::string greek = base + "\\\u03A9\u03BC\u03AD\u03B3\u03B1",
                    bestFit = base + "\\\u03A9\u03BC\u03B1\\";
  std::vector<std::string> shortForms;
  if (westernCodePage) {
    for (const char *name : {"\u03A9\u03BC\u03AD\u03B3\u03B1", "\u03A9\u03BC\u03B1", "Zo\u00EB"})
      std::filesystem::create_directories(folder / std::filesystem::u8path(name));
    shortForms = {ShortFormOf(greek), ShortFormOf(bestFit)};
    block.insert(block.end(), {"QZ_GREEK=" + greek, "Temp=" + bestFit, "QZ_GONE=" + greek + "\\gone",
                               "QZ_WESTERN=" + base + "\\Zo\u00EB", "\u03A9NAME=C:\\bin"});
    expected.insert(expected.end(), {{"QZ_GREEK", shortForms[0]},
                                     {"Temp", shortForms[1]},
                                     {"QZ_GONE", CodePageOf(greek + "\\gone")},
                                     {"QZ_WESTERN", CodePageOf(base) + "\\Zo\xEB"},
                                     {CodePageOf("\u03A9NAME"), "C:\\bin"}});
    temps.push_back(shortForms[1]);
  }
  ChildWalk walk = WalkInChild(block);
  ASSERT_EQ(walk.exitCode, 0);
  ASSERT_GE(walk.entries.size(), expected.size());
#ifdef _WIN32
  // Wine appends entries of its own after the block it was given.
  walk.entries.resize(expected.size());
#endif
  EXPECT_EQ(walk.entries, expected);

  std::vector<std::string> matching;
  for (const Entry &entry : walk.entries)
    if (UpperCaseCopy(entry.first.c_str()) == "TEMP") matching.push_back(entry.second);
  EXPECT_EQ(matching, temps) << "every spelling of TEMP matches the upper-cased comparison";
  for (size_t i = 0; i < shortForms.size(); ++i) {
    const std::string &given = shortForms[i];
    EXPECT_NE(given, CodePageOf(i == 0 ? greek : bestFit)) << "the short form is not the block's text";
    EXPECT_EQ(given.find('?'), std::string::npos) << given;
    EXPECT_EQ(given.back() == '\\', i == 1) << given << ": the separators stay as written";
    DWORD attributes = GetFileAttributesA(given.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        << given << " names no folder";
  }
  std::filesystem::remove_all(folder);
}

#ifndef _WIN32
TEST(EnvironmentWalkTest, AnEmptyEnvironmentGivesAWalkWithoutEntries) {
  ChildWalk walk = WalkInChild({});
  EXPECT_EQ(walk.exitCode, 0) << "the walk starts even with nothing in it";
  EXPECT_TRUE(walk.entries.empty());
}
#endif

TEST(EnvironmentWalkTest, ReadsACopyTakenAtTheStartAndARestartTakesAFreshOne) {
  SetVariable("QUORVEL_WALK_PROBE", "before=start");
  ASSERT_EQ(StartEnvironmentWalk(), 1);
  EXPECT_EQ(CurrentEntryName(), "") << "no entry before the first step";
  EXPECT_EQ(CurrentEntryValue(), "");
  ASSERT_EQ(NextEnvironmentEntry(), 1);
  std::vector<Entry> seen = {Entry(CurrentEntryName(), CurrentEntryValue())};
  SetVariable("QUORVEL_WALK_PROBE", "changed");
  SetVariable("QUORVEL_WALK_LATE", "late");
  std::vector<Entry> rest = RestOfWalk();
  seen.insert(seen.end(), rest.begin(), rest.end());
  EXPECT_EQ(CountOf(seen, {"QUORVEL_WALK_PROBE", "before=start"}), 1);
  EXPECT_EQ(CountOf(seen, {"QUORVEL_WALK_PROBE", "changed"}), 0) << "changes wait for the next start";
  EXPECT_EQ(CountOf(seen, {"QUORVEL_WALK_LATE", "late"}), 0);
  EXPECT_EQ(NextEnvironmentEntry(), 0) << "the end stays the end";
  EXPECT_EQ(CurrentEntryName(), "");
  EXPECT_EQ(CurrentEntryValue(), "");

  ASSERT_EQ(StartEnvironmentWalk(), 1);
  std::vector<Entry> whole = RestOfWalk();
  ASSERT_EQ(StartEnvironmentWalk(), 1);
  ASSERT_EQ(NextEnvironmentEntry(), 1);
  ASSERT_EQ(NextEnvironmentEntry(), 1);
  ASSERT_EQ(StartEnvironmentWalk(), 1) << "restarted in mid-walk";
  EXPECT_EQ(RestOfWalk(), whole) << "a restart goes back before the first entry";
  EXPECT_EQ(CountOf(whole, {"QUORVEL_WALK_PROBE", "changed"}), 1);
  EXPECT_EQ(CountOf(whole, {"QUORVEL_WALK_LATE", "late"}), 1);
}

TEST(EnvironmentWalkTest, UpperCaseCopyUpperCasesLettersOnlyAndLeavesItsInputAlone) {
  struct Case {
    const char *text;
    const char *upper;
  };
  const Case cases[] = {
      {"temp", "TEMP"},
      {"tEmP", "TEMP"},
      {"TEMP", "TEMP"},
      {"", ""},
      {"0123 !#$%=\\_-.~", "0123 !#$%=\\_-.~"},
      {"C:\\users\\qz\\Temp", "C:\\USERS\\QZ\\TEMP"},
  };
  for (const Case &c : cases) {
    std::string input = c.text;
    EXPECT_EQ(UpperCaseCopy(input.c_str()), c.upper) << c.text;
    EXPECT_EQ(input, c.text) << "the input is never changed";
  }
  EXPECT_EQ(UpperCaseCopy(nullptr), "");
}

TEST(EnvironmentWalkTest, UpperCaseCopyFollowsTheWestern8BitCodePage) {
#ifdef _WIN32
  if (GetACP() != 1252) GTEST_SKIP() << "the system code page is " << GetACP();
#endif
  EXPECT_EQ(UpperCaseCopy("\xE9t\xE9"), "\xC9T\xC9");                // été
  EXPECT_EQ(UpperCaseCopy("\xFF\x9A\x9C\x9E"), "\x9F\x8A\x8C\x8E");  // ÿšœž
  EXPECT_EQ(UpperCaseCopy("\xDF\xF7"), "\xDF\xF7");  // ß has no capital here, ÷ is no letter
}

#ifndef _WIN32
TEST(EnvironmentWalkTest, FailsWhenThePlatformGivesNoBlockAndNeedsAFreshStart) {
  ASSERT_EQ(StartEnvironmentWalk(), 1);
  environment_block::WithholdBlocks(true);
  EXPECT_EQ(StartEnvironmentWalk(), 0);
  environment_block::WithholdBlocks(false);
  EXPECT_EQ(NextEnvironmentEntry(), 0) << "the earlier copy went with the failed start";
  EXPECT_EQ(CurrentEntryName(), "");
}

TEST(EnvironmentWalkTest, GivesTheBlockBackWhenItsCopyCannotBeAllocated) {
  HANDLE tiny = HeapCreate(0, 0, 1);
  UseMainHeap(tiny);
  EXPECT_EQ(StartEnvironmentWalk(), 0);
  UseMainHeap(nullptr);
  HeapDestroy(tiny);
  EXPECT_EQ(environment_block::BlocksHeld(), 0);
  EXPECT_EQ(NextEnvironmentEntry(), 0);
  ASSERT_EQ(StartEnvironmentWalk(), 1);
  EXPECT_EQ(environment_block::BlocksHeld(), 0) << "a successful start gives the block back too";
}
#endif

}  // namespace
