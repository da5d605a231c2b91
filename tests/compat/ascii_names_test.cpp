// The portable layer that the stand-in and the services share. The one case
// fold of file, class, library and preference names and URL schemes: only A-Z
// fold, so that a name in another code page never matches by accident. The
// one path toolkit: either slash separates, joins add exactly one separator.
#include "portable/ascii_names.h"

#include <gtest/gtest.h>

#include <utility>

#include "portable/paths.h"

namespace {

TEST(AsciiNamesTest, FoldsOnlyAsciiCapitals) {
  struct Case {
    char byte;
    char folded;
  };
  const Case cases[] = {
      {'A', 'a'}, {'Z', 'z'}, {'a', 'a'},   {'@', '@'},       {'[', '['},       {'`', '`'},
      {'{', '{'}, {'1', '1'}, {'\\', '\\'}, {'\xC0', '\xC0'}, {'\xE0', '\xE0'}, {'\0', '\0'},
  };
  for (const Case &c : cases)
    EXPECT_EQ(FoldAsciiCase(c.byte), c.folded)
        << "byte " << static_cast<int>(static_cast<unsigned char>(c.byte));
  EXPECT_EQ(FoldedAsciiCase("QZ_Previous.EXE"), "qz_previous.exe");
}

TEST(AsciiNamesTest, ComparesWholeNamesWithoutRegardToAsciiCase) {
  struct Case {
    std::string_view a;
    std::string_view b;
    bool same;
  };
  const Case cases[] = {
      {"Application", "APPLICATION", true},
      {"urlmon.DLL", "URLMON.dll", true},
      {"", "", true},
      {"Version", "Versio", false},  // a prefix is not the name
      {"Versio", "Version", false},
      {"\xC0pp", "\xE0pp", false},                                       // Latin-1 letters stay exact
      {std::string_view("a\0b", 3), std::string_view("A\0B", 3), true},  // bytes after a NUL count
      {std::string_view("a\0b", 3), std::string_view("A\0C", 3), false},
  };
  for (const Case &c : cases) EXPECT_EQ(SameIgnoringAsciiCase(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(AsciiNamesTest, PrefixesMatchWithoutRegardToAsciiCase) {
  struct Case {
    std::wstring_view text;
    std::string_view prefix;
    bool starts;
  };
  const Case cases[] = {
      {L"HTTPS://host/a", "https://", true},  // a redirect's scheme in any case
      {L"http://host/a", "HTTP://", true},    // the prefix folds too
      {L"http:/", "http://", false},          // shorter than the prefix
      {L"xhttp://", "http://", false},        // a prefix, not a part
      {L"\x00C0pp", "\xE0", false},           // no case beyond ASCII
      {L"\x00E0pp", "\xE0", true},            // a byte stands for the character of its number
      {L"\x0148ttp", "http", false},          // no fold into ASCII from a wide character
  };
  for (const Case &c : cases) EXPECT_EQ(StartsWithIgnoringAsciiCase(c.text, c.prefix), c.starts) << c.prefix;
  EXPECT_TRUE(StartsWithIgnoringAsciiCase(std::string_view("QZ_Previous.EXE"), "qz_"));
}

TEST(PortablePathsTest, EitherSlashSeparates) {
  EXPECT_TRUE(IsPathSeparator('\\'));
  EXPECT_TRUE(IsPathSeparator('/'));
  for (char other : {':', '.', ' ', '|', '\0'}) EXPECT_FALSE(IsPathSeparator(other)) << other;
}

TEST(PortablePathsTest, JoinsWithExactlyOneOfTheGivenSeparator) {
  struct Case {
    std::string_view folder;
    std::string_view name;
    char separator;
    std::string_view joined;
  };
  const Case cases[] = {
      {"C:\\Quorvel", "QZ.exe", '\\', "C:\\Quorvel\\QZ.exe"},
      {"C:\\Quorvel\\", "QZ.exe", '\\', "C:\\Quorvel\\QZ.exe"},                // never doubled
      {"C:\\Quorvel\\\\Backups", "*.*", '\\', "C:\\Quorvel\\\\Backups\\*.*"},  // a doubled one inside stays
      {"C:/Quorvel/", "QZ.exe", '\\', "C:/Quorvel/\\QZ.exe"},  // only the given separator counts
      {"", "*.*", '\\', "*.*"},                                // no folder: the name alone
      {"/tmp", "rf0001.tmp", '/', "/tmp/rf0001.tmp"},
      {"/", "tmp", '/', "/tmp"},
      {"/tmp", "", '/', "/tmp/"},  // an empty name: the folder and one separator
      {"/tmp/", "", '/', "/tmp/"},
  };
  for (const Case &c : cases) EXPECT_EQ(JoinPath(c.folder, c.name, c.separator), c.joined) << c.folder;
}

TEST(PortablePathsTest, CutsAtTheLastSeparatorIntoParentFolderAndLastComponent) {
  struct Case {
    std::string_view path;
    std::string_view parent;
    std::string_view last;
  };
  const Case cases[] = {
      {"/a/b/QZ.exe", "/a/b", "QZ.exe"},
      {"C:\\Quorvel/QZ.exe", "C:\\Quorvel", "QZ.exe"},  // either slash
      {"C:\\x.dll", "C:", "x.dll"},
      {"/QZ.exe", "/", "QZ.exe"},  // the root keeps its separator
      {"\\*.*", "\\", "*.*"},
      {"QZ.exe", "", "QZ.exe"},  // no folder
      {"/a/b/", "/a/b", ""},     // a trailing separator ends an empty component
      {"a\\\\b", "a\\", "b"},    // of a doubled separator only the last is cut
  };
  for (const Case &c : cases) {
    EXPECT_EQ(ParentFolder(c.path), c.parent) << c.path;
    EXPECT_EQ(LastComponent(c.path), c.last) << c.path;
  }
}

TEST(PortablePathsTest, DropsTrailingSeparatorsButKeepsARoot) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"/a/b/", "/a/b"}, {"C:\\Quorvel\\/", "C:\\Quorvel"}, {"/a", "/a"}, {"//", "/"}, {"", ""},
  };
  for (const auto &[path, trimmed] : cases) EXPECT_EQ(WithoutTrailingSeparators(path), trimmed) << path;
}

}  // namespace
