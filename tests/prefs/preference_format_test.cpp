// A file's bytes, the calls made on it, and the bytes it holds afterwards.
#include <gtest/gtest.h>

#include "preference_steps.h"
#include "support/test_drive.h"

namespace {

using namespace std::string_literals;

const std::string kFile = "C:\\users\\Public\\qz.inf";
const std::string kStamped = "[Application]\r\nVersion = 2.51\r\n";

struct FormatCase {
  const char *name;
  std::string before;
  std::vector<Step> steps;
  std::string after;
};

const FormatCase kCases[] = {
    {"ReplacesTheValue", "[Application]\r\nVersion = 2.50\r\n", StampVersion(), kStamped},
    {"KeepsTheGroupSpellingAndTakesTheCallersKeySpelling", "[application]\nversion=2.4\n", StampVersion(),
     "[application]\r\nVersion = 2.51\r\n"},
    {"AddsAMissingGroupAtTheEnd", "[Main]\r\nA=1\r\n", StampVersion(), "[Main]\r\nA = 1\r\n" + kStamped},
    {"AddsANewKeyAfterTheCommentThatClosesItsGroup", "[Application]\r\nName=x\r\n;end\r\n[Other]\r\nB=2\r\n",
     StampVersion(), "[Application]\r\nName = x\r\n; end\r\nVersion = 2.51\r\n[Other]\r\nB = 2\r\n"},
    {"LeavesTheKeyOutsideTheGroupAlone", "Version=1\r\n[Other]\r\nVersion=2\r\n[Application]\r\nX=3\r\n",
     StampVersion(), "Version = 1\r\n[Other]\r\nVersion = 2\r\n[Application]\r\nX = 3\r\nVersion = 2.51\r\n"},
    {"ChangesOnlyTheFirstOfDuplicateKeysAndGroups",
     "[Application]\r\nVersion=1\r\nversion=2\r\n[APPLICATION]\r\nVersion=3\r\n", StampVersion(),
     "[Application]\r\nVersion = 2.51\r\nversion = 2\r\n[APPLICATION]\r\nVersion = 3\r\n"},
    {"NormalisesComments", ";note\r\n; note\r\n;  two\r\n \t;indented\r\n;\ttab\r\n;\r\n[Application]\r\n",
     StampVersion(), "; note\r\n; note\r\n;  two\r\n; indented\r\n; \ttab\r\n; \r\n" + kStamped},
    {"DropsBlankLinesLeadingBlanksAndOtherLineEnds", "\r\n\r\n  [Application]\r\r\tA=1\n\rB=2\n\n\n",
     StampVersion(), "[Application]\r\nA = 1\r\nB = 2\r\nVersion = 2.51\r\n"},
    {"DropsWhatFollowsAGroupsBracket", "[Application] old text\r\nA=1\r\n", StampVersion(),
     "[Application]\r\nA = 1\r\nVersion = 2.51\r\n"},
    {"TakesBlanksInBracketsAsPartOfTheName", "[ Application ]\r\n", StampVersion(),
     "[ Application ]\r\n" + kStamped},
    {"ReadsAGroupWithoutBracketToTheLineEnd", "[Application\r\nVersion=2.50", StampVersion(), kStamped},
    {"ReadsALineWithoutEqualsAsAKey", "#note\r\n[Application]\r\n", StampVersion(),
     "#note = \r\n" + kStamped},
    {"CutsKeyNamesAndValues",
     "  A \t=  \t v = w ; x  \r\n=x\r\nB\r\n \t= \r\n",
     {Set("C", "")},
     "A = v = w ; x  \r\n = x\r\nB = \r\n = \r\nC = \r\n"},
    {"WritesATabAfterEqualsAsOneBlank", "[Main]\r\nA =\tb\r\n[Application]\r\n", StampVersion(),
     "[Main]\r\nA = b\r\n" + kStamped},
    {"DropsABlankLastLine", "[Application]\r\n   ", StampVersion(), kStamped},
    {"DropsABlankLastLineWithItsBreak", "[Application]\r\n \t \r\n", StampVersion(), kStamped},
    {"KeepsTheMarkWithAnEmptyLine", "\xEF\xBB\xBF[Application]\r\nVersion=2.50\r\n", StampVersion(),
     "\xEF\xBB\xBF\r\n" + kStamped},
    {"AddsNoSecondEmptyLineAfterTheMark", "\xEF\xBB\xBF\r\n" + kStamped, StampVersion(),
     "\xEF\xBB\xBF\r\n" + kStamped},
    {"StampsAnEmptyFile", "", StampVersion(), kStamped},
    {"StampsAFileOfOnlyTheMark", "\xEF\xBB\xBF", StampVersion(), "\xEF\xBB\xBF\r\n" + kStamped},
    {"RewritesTheSameValueInTheNormalLayout", "  [Application]\n Version = 2.51\n", StampVersion(), kStamped},
    {"LeavesAFileWithAChoiceButNoKeyAsItWas",
     "  [Application]\n Version=2.50\n",
     {Choose("Application")},
     "  [Application]\n Version=2.50\n"},
    // e-acute matches e-acute whatever the case of the ASCII letters, but not E-acute.
    {"ConvertsTheCallersTextsInAMarkedFile",
     "\xEF\xBB\xBF[Caf\xC3\x89]\r\n[CAF\xC3\xA9]\r\n",
     {Choose("caf\xE9"), Set("K\xE9y", "\xFF"), Choose("Gr\xFC\xDF"), Set("A", "b")},
     "\xEF\xBB\xBF\r\n[Caf\xC3\x89]\r\n[CAF\xC3\xA9]\r\nK\xC3\xA9y = \xC3\xBF\r\n[Gr\xC3\xBC\xC3\x9F]\r\nA = "
     "b\r\n"},
    {"UsesTheCallersBytesInAnUnmarkedFile",
     "[Caf\xE9]\r\n",
     {Choose("CAF\xE9"), Set("K\xE9y", "\xFF")},
     "[Caf\xE9]\r\nK\xE9y = \xFF\r\n"},
    {"PutsKeysOutsideGroupsFirstWhenTheFileBeginsWithAGroup",
     "[Main]\r\nA=1\r\n",
     {Choose(""), Set("Top", "1")},
     "Top = 1\r\n[Main]\r\nA = 1\r\n"},
    {"PutsKeysOutsideGroupsBeforeTheFirstGroup",
     ";c\r\nX=1\r\n[Main]\r\n",
     {Set("Top", "1")},
     "; c\r\nX = 1\r\nTop = 1\r\n[Main]\r\n"},
    {"PutsKeysOutsideGroupsLastWhenThereIsNoGroup", "A=1\r\n", {Set("Top", "1")}, "A = 1\r\nTop = 1\r\n"},
    {"AddsOnlyTheLastOfTwoMissingGroups",
     "[Main]\r\n",
     {Choose("One"), Choose("Two"), Set("K", "v")},
     "[Main]\r\n[Two]\r\nK = v\r\n"},
    {"ForgetsAMissingGroupWhenAnExistingOneIsChosen",
     "[Main]\r\n[End]\r\n",
     {Choose("Missing"), Choose("main"), Set("K", "v"), Choose("Missing"), Choose(""), Set("Top", "1")},
     "Top = 1\r\n[Main]\r\nK = v\r\n[End]\r\n"},
    {"FindsAGroupItAddedAndAKeyItSet",
     "",
     {Choose("New"), Set("K", "1"), Choose("Other"), Set("K", "2"), Choose("NEW"), Set("k", "3"),
      Set("L", "4")},
     "[New]\r\nk = 3\r\nL = 4\r\n[Other]\r\nK = 2\r\n"},
    {"KeepsNulBytesWhereTheyStood", "[Application]\r\nA=x\0y\r\nB\0=2\r\n\0\r\n"s, StampVersion(),
     "[Application]\r\nA = x\0y\r\nB\0 = 2\r\n\0 = \r\nVersion = 2.51\r\n"s},
    {"IndentsAFirstLineThatWouldLookMarked",
     " \xEF\xBB\xBFName=1\r\n",
     {Set("K\xE9y", "1")},
     " \xEF\xBB\xBFName = 1\r\nK\xE9y = 1\r\n"},
};

class PreferenceFormatTest : public ::testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override { test_drive::UseFreshDrive(); }
};

TEST_P(PreferenceFormatTest, WritesTheExpectedBytes) {
  const FormatCase &c = GetParam();
  test_drive::WriteBytes(kFile, c.before);
  EditFile(kFile, c.steps);
  EXPECT_EQ(test_drive::ReadBytes(kFile), c.after);
}

TEST_P(PreferenceFormatTest, WritesAFormThatReadsBackToItself) {
  const FormatCase &c = GetParam();
  test_drive::WriteBytes(kFile, c.after);
  EditFile(kFile, c.steps);
  EXPECT_EQ(test_drive::ReadBytes(kFile), c.after);
}

INSTANTIATE_TEST_SUITE_P(Cases, PreferenceFormatTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FormatCase> &info) { return info.param.name; });

}  // namespace
