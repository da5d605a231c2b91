#pragma once

// Names compared as Windows compares file, class and library names and URL
// schemes: ASCII letters without regard to case, every other character exact
// (no locale, no code page), in 8-bit and in wide text alike.
#include <cstddef>
#include <string>
#include <string_view>

template <typename Char>
constexpr Char FoldAsciiCase(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c + ('a' - 'A')) : c;
}

inline std::string FoldedAsciiCase(std::string_view text) {
  std::string folded(text);
  for (char &c : folded) c = FoldAsciiCase(c);
  return folded;
}

// `prefix` is 8-bit text; against wide text each of its bytes stands for the
// character of the same number.
template <typename Char>
constexpr bool StartsWithIgnoringAsciiCase(std::basic_string_view<Char> text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (FoldAsciiCase(text[i]) != static_cast<Char>(static_cast<unsigned char>(FoldAsciiCase(prefix[i]))))
      return false;
  return true;
}

constexpr bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithIgnoringAsciiCase(a, b);
}
