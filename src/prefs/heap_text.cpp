#include "prefs/heap_text.h"

#include <cstring>

#include "base/process_heaps.h"
#include "prefs/latin1_utf8.h"
#include "prefs/preference_entries.h"

namespace {

unsigned char FoldAscii(char c) {
  auto byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

}  // namespace

bool CopyCallerText(const char *text, bool toUtf8, HeapText &copy) {
  size_t length = std::strlen(text);
  size_t copyLength = toUtf8 ? Utf8LengthOfLatin1(text, length) : length;
  if (copyLength > kLongestEntryText) return false;
  auto *bytes = static_cast<char *>(HeapAlloc(MainHeap(), 0, copyLength + 1));
  if (bytes == nullptr) return false;
  if (toUtf8)
    EncodeLatin1AsUtf8(text, length, bytes);
  else
    std::memcpy(bytes, text, length);
  bytes[copyLength] = '\0';
  copy.bytes = bytes;
  copy.length = static_cast<uint32_t>(copyLength);
  return true;
}

void FreeHeapText(HeapText &text) {
  if (text.bytes != nullptr) HeapFree(MainHeap(), 0, text.bytes);
  text = HeapText{};
}

bool SameNameIgnoringAsciiCase(const char *a, size_t aLength, const char *b, size_t bLength) {
  if (aLength != bLength) return false;
  for (size_t i = 0; i < aLength; ++i)
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  return true;
}
