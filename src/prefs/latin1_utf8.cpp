#include "prefs/latin1_utf8.h"

#include <cstring>

#include "prefs/preference_file.h"

size_t Utf8LengthOfLatin1(const char *text, size_t length) {
  size_t utf8Length = length;
  for (size_t i = 0; i < length; ++i) utf8Length += static_cast<unsigned char>(text[i]) >> 7;
  return utf8Length;
}

char *EncodeLatin1AsUtf8(const char *text, size_t length, char *out) {
  for (size_t i = 0; i < length; ++i) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      *out++ = static_cast<char>(byte);
    } else {
      *out++ = static_cast<char>(0xC0 | (byte >> 6));
      *out++ = static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

std::string Latin1ToUtf8(const char *text) {
  size_t length = text != nullptr ? std::strlen(text) : 0;
  std::string utf8(Utf8LengthOfLatin1(text, length), '\0');
  EncodeLatin1AsUtf8(text, length, utf8.data());
  return utf8;
}
