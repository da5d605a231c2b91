// Text conversions: the system code page (Windows-1252) and UTF-8, and the
// calls that convert between them and wide text.
#include "code_page.h"

#include <windows.h>

#include <algorithm>

#include "errors.h"

namespace {

// What 0x80 to 0x9F stand for; the five bytes Windows-1252 leaves unassigned
// stand for the control character of the same number, as on Windows.
constexpr wchar_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr wchar_t kReplacement = 0xFFFD;

// The code point of a UTF-8 sequence at `at`, and its length in `used`; U+FFFD
// for one byte that begins no valid sequence (overlong, surrogate, cut short).
wchar_t DecodeUtf8(std::string_view text, size_t at, size_t &used) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(at);
  used = 1;
  if (lead < 0x80) return lead;
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || at + length > text.size()) return kReplacement;
  char32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return kReplacement;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
  used = length;
  return static_cast<wchar_t>(code);
}

void EncodeUtf8(char32_t code, std::string &out) {
  if (code < 0x80) {
    out += static_cast<char>(code);
    return;
  }
  constexpr unsigned char kLeads[] = {0, 0xC0, 0xE0, 0xF0};
  int continuations = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
  out += static_cast<char>(kLeads[continuations] | (code >> (6 * continuations)));
  for (int i = continuations - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F));
}

wchar_t WideOfByte(unsigned char byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

// The code page's byte for `code`, or -1 when it has none.
int ByteOfWide(wchar_t code) {
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
  const wchar_t *found = std::find(std::begin(kHighControls), std::end(kHighControls), code);
  return found != std::end(kHighControls) ? 0x80 + static_cast<int>(found - kHighControls) : -1;
}

// A call's input: `length` characters, or with -1 up to and including the zero that ends it.
template <typename Char>
std::basic_string_view<Char> InputOf(const Char *text, int length) {
  if (length >= 0) return {text, static_cast<size_t>(length)};
  return {text, std::char_traits<Char>::length(text) + 1};
}

// Gives the converted text to a call's buffer as Windows does: the size it
// needs when `size` is 0, nothing but ERROR_INSUFFICIENT_BUFFER when it is too small.
template <typename Char>
int Deliver(const std::basic_string<Char> &converted, Char *out, int size) {
  int needed = static_cast<int>(converted.size());
  if (size == 0) return needed;
  if (needed > size) return Fail(ERROR_INSUFFICIENT_BUFFER, 0);
  std::copy(converted.begin(), converted.end(), out);
  return needed;
}

}  // namespace

std::wstring WideOfUtf8(std::string_view text) {
  std::wstring wide;
  for (size_t at = 0, used = 0; at < text.size(); at += used) wide += DecodeUtf8(text, at, used);
  return wide;
}

std::string Utf8OfWide(std::wstring_view text) {
  std::string utf8;
  for (wchar_t c : text) EncodeUtf8(static_cast<char32_t>(c), utf8);
  return utf8;
}

std::string CodePageOfWide(std::wstring_view text, bool *lossy) {
  std::string bytes;
  bool replaced = false;
  for (wchar_t c : text) {
    int byte = ByteOfWide(c);
    replaced = replaced || byte < 0;
    bytes += byte < 0 ? '?' : static_cast<char>(byte);
  }
  if (lossy != nullptr) *lossy = replaced;
  return bytes;
}

std::wstring WideOfCodePage(std::string_view text) {
  std::wstring wide;
  for (char c : text) wide += WideOfByte(static_cast<unsigned char>(c));
  return wide;
}

std::string Utf8OfCodePage(std::string_view text) { return Utf8OfWide(WideOfCodePage(text)); }

std::string CodePageOfUtf8(std::string_view text) { return CodePageOfWide(WideOfUtf8(text)); }

// The system code page and UTF-8, with no flags and "?" as the default character.
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH text, int length, LPWSTR wide,
                               int wideSize) {
  if ((codePage != CP_ACP && codePage != CP_UTF8) || text == nullptr || length == 0 || wideSize < 0 ||
      (wide == nullptr && wideSize != 0))
    return Fail(ERROR_INVALID_PARAMETER, 0);
  if (flags != 0) return Fail(ERROR_INVALID_FLAGS, 0);
  std::string_view input = InputOf(text, length);
  return Deliver(codePage == CP_UTF8 ? WideOfUtf8(input) : WideOfCodePage(input), wide, wideSize);
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int length, LPSTR text, int size,
                               LPCCH defaultChar, LPBOOL usedDefaultChar) {
  if ((codePage != CP_ACP && codePage != CP_UTF8) || wide == nullptr || length == 0 || size < 0 ||
      (text == nullptr && size != 0) || defaultChar != nullptr ||
      (codePage == CP_UTF8 && usedDefaultChar != nullptr))
    return Fail(ERROR_INVALID_PARAMETER, 0);
  if (flags != 0) return Fail(ERROR_INVALID_FLAGS, 0);
  bool lossy = false;
  std::wstring_view input = InputOf(wide, length);
  std::string converted = codePage == CP_UTF8 ? Utf8OfWide(input) : CodePageOfWide(input, &lossy);
  if (usedDefaultChar != nullptr) *usedDefaultChar = lossy ? TRUE : FALSE;
  return Deliver(converted, text, size);
}
