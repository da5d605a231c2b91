#pragma once

#include <cstddef>

// The UTF-8 byte-order mark that begins a file in UTF-8.
inline constexpr char kUtf8Mark[3] = {'\xEF', '\xBB', '\xBF'};

// The length of `length` Latin-1 bytes once encoded in UTF-8.
size_t Utf8LengthOfLatin1(const char *text, size_t length);

// Encodes `length` Latin-1 bytes as UTF-8 into `out`, which has room for
// Utf8LengthOfLatin1 bytes; returns the end of what was written.
char *EncodeLatin1AsUtf8(const char *text, size_t length, char *out);
