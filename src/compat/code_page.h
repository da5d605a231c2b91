#pragma once

#include <string>
#include <string_view>

// The stand-in's two encodings: the system code page, Windows-1252, in which
// the 8-bit calls take and give text, and UTF-8, in which the host names files
// and holds the process environment. Wide text holds one code point a WCHAR.

// A byte that begins no valid sequence stands for U+FFFD, as
// MultiByteToWideChar gives for CP_UTF8.
std::wstring WideOfUtf8(std::string_view text);
std::string Utf8OfWide(std::wstring_view text);

// "?" stands for each character the code page lacks; `lossy` tells whether
// one did. Windows would give a similar character where it has one (best
// fit); the stand-in gives "?" for all of them.
std::string CodePageOfWide(std::wstring_view text, bool *lossy = nullptr);
std::wstring WideOfCodePage(std::string_view text);

// Between the host's names and the 8-bit calls' texts.
std::string Utf8OfCodePage(std::string_view text);
std::string CodePageOfUtf8(std::string_view text);
