#pragma once

#include <windows.h>

#include <string>

// Text in `codePage` as wide text, and wide text in `codePage`, through the
// platform's conversions (the stand-in's natively): what the tests hand a
// child's wide environment block and what they expect an 8-bit one to hold.
// Zeros inside the text are converted like any other character.

inline std::wstring WideOf(const std::string &text, UINT codePage) {
  std::wstring wide(text.size(), L'\0');
  int length = text.empty() ? 0
                            : MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                                  wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(length));
  return wide;
}

// Three bytes a character are room enough in any code page.
inline std::string InCodePage(const std::wstring &wide, UINT codePage) {
  std::string text(wide.size() * 3, '\0');
  int length = wide.empty()
                   ? 0
                   : WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                                         static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(static_cast<size_t>(length));
  return text;
}
