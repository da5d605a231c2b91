#pragma once

// Names compared as Windows compares file, class and library names: ASCII
// letters without regard to case, every other byte exact (no locale, no code
// page); and paths cut at either slash.
#include <cstddef>
#include <string>
#include <string_view>

constexpr char FoldAsciiCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

inline std::string FoldedAsciiCase(std::string_view text) {
  std::string folded(text);
  for (char &c : folded) c = FoldAsciiCase(c);
  return folded;
}

constexpr bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
  return true;
}

constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }
