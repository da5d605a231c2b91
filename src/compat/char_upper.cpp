// Upper-casing by the rules of Windows-1252, the system code page the stand-in
// stands for.
#include <windows.h>

namespace {

unsigned char UpperOf(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return c - 0x20;
  switch (c) {
    case 0x9A:  // s with caron
    case 0x9C:  // oe
    case 0x9E:  // z with caron
      return c - 0x10;
    case 0xFF:  // y with diaeresis
      return 0x9F;
    default:
      return c;
  }
}

}  // namespace

LPSTR WINAPI CharUpperA(LPSTR text) {
  for (char *c = text; *c != '\0'; ++c) *c = static_cast<char>(UpperOf(static_cast<unsigned char>(*c)));
  return text;
}
