#include "fs/environment_walk.h"

#include <cstring>
#include <cwchar>

#include "base/process_heaps.h"
#include "base/win32.h"

namespace {

struct EnvironmentWalk {
  HANDLE heap = nullptr;
  char *snapshot = nullptr;
  // Before the first entry while null; rests on the end mark once the walk is over.
  const char *current = nullptr;
};

EnvironmentWalk walk;

void ReleaseSnapshot() {
  if (walk.snapshot != nullptr) HeapFree(walk.heap, 0, walk.snapshot);
  walk = EnvironmentWalk{};
}

// Through the empty entry that ends the block.
size_t BlockSize(const char *block) {
  size_t size = 0;
  while (block[size] != '\0') size += std::strlen(block + size) + 1;
  return size + 1;
}

// The first "=" of the current entry; null without one, or without a current entry.
const char *CurrentSeparator() {
  if (walk.current == nullptr || *walk.current == '\0') return nullptr;
  return std::strchr(walk.current, '=');
}

// The most bytes any system code page takes for MAX_PATH wide characters.
constexpr int kTextRoom = 3 * MAX_PATH;

// Whether `text` is what the system code page makes of `wide`, `length` (below
// MAX_PATH) characters; `exact` tells whether it also gives `wide` back, so
// that no character was replaced by "?" or by a similar one (best fit).
bool GivenAs(const WCHAR *wide, int length, const char *text, size_t textLength, bool &exact) {
  exact = true;
  if (length == 0) return textLength == 0;
  char converted[kTextRoom];
  int size = WideCharToMultiByte(CP_ACP, 0, wide, length, converted, kTextRoom, nullptr, nullptr);
  WCHAR back[MAX_PATH];
  exact = size > 0 && MultiByteToWideChar(CP_ACP, 0, converted, size, back, MAX_PATH) == length &&
          std::wmemcmp(back, wide, static_cast<size_t>(length)) == 0;
  return size > 0 && static_cast<size_t>(size) == textLength && std::memcmp(converted, text, textLength) == 0;
}

// The value of the wide entry, when the 8-bit entry is that entry in the
// system code page but the code page could not hold its value; null for every
// other entry, and for one too long to be a path (the file services take less
// than MAX_PATH).
const WCHAR *LostValue(const char *entry, const WCHAR *wide) {
  const char *separator = std::strchr(entry, '=');
  const WCHAR *wideSeparator = std::wcschr(wide, L'=');
  if (separator == nullptr || wideSeparator == nullptr) return nullptr;
  const WCHAR *value = wideSeparator + 1;
  auto nameLength = static_cast<int>(wideSeparator - wide);
  size_t valueLength = std::wcslen(value);
  if (nameLength >= MAX_PATH || valueLength >= MAX_PATH) return nullptr;
  bool exactName = false, exactValue = false;
  bool given =
      GivenAs(wide, nameLength, entry, static_cast<size_t>(separator - entry), exactName) &&
      GivenAs(value, static_cast<int>(valueLength), separator + 1, std::strlen(separator + 1), exactValue);
  return given && !exactValue ? value : nullptr;
}

// The short form of the path `value` names, in the system code page, into
// `text`: its length, or 0 when it names nothing or the code page cannot hold
// its short form either (short names not made there, or made of characters
// the code page lacks).
int ShortFormOf(const WCHAR *value, char (&text)[kTextRoom]) {
  WCHAR shortForm[MAX_PATH];
  DWORD length = GetShortPathNameW(value, shortForm, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 0;
  int size =
      WideCharToMultiByte(CP_ACP, 0, shortForm, static_cast<int>(length), text, kTextRoom, nullptr, nullptr);
  bool exact = false;
  bool held =
      size > 0 && GivenAs(shortForm, static_cast<int>(length), text, static_cast<size_t>(size), exact);
  return held && exact ? size : 0;
}

// The next entry of each block, walked side by side; the wide one rests on its
// end mark should it end first.
void StepBoth(const char *&entry, const WCHAR *&wide) {
  entry += std::strlen(entry) + 1;
  if (*wide != L'\0') wide += std::wcslen(wide) + 1;
}

// The room the snapshot needs: the 8-bit block, and for each lost value room
// for a short form in its place.
size_t SnapshotSize(const char *block, const WCHAR *wide) {
  size_t size = BlockSize(block);
  if (wide == nullptr) return size;
  for (const char *entry = block; *entry != '\0'; StepBoth(entry, wide))
    if (LostValue(entry, wide) != nullptr) size += kTextRoom;
  return size;
}

// Copies the 8-bit block into `snapshot` entry by entry, each lost value as
// its short form where there is one; through the end mark.
void CopyWithShortForms(const char *block, const WCHAR *wide, char *snapshot) {
  char *out = snapshot;
  for (const char *entry = block; *entry != '\0'; StepBoth(entry, wide)) {
    const WCHAR *lost = LostValue(entry, wide);
    char shortForm[kTextRoom];
    int shortLength = lost != nullptr ? ShortFormOf(lost, shortForm) : 0;
    size_t kept =
        shortLength > 0 ? static_cast<size_t>(std::strchr(entry, '=') + 1 - entry) : std::strlen(entry);
    std::memcpy(out, entry, kept);
    out += kept;
    std::memcpy(out, shortForm, static_cast<size_t>(shortLength));
    out += shortLength;
    *out++ = '\0';
  }
  *out = '\0';
}

}  // namespace

int StartEnvironmentWalk() {
  ReleaseSnapshot();
  char *block = GetEnvironmentStrings();
  if (block == nullptr) return 0;
  // Without the wide block the 8-bit one is taken as it is; so is each entry
  // in which the two differ.
  WCHAR *wide = GetEnvironmentStringsW();
  size_t size = SnapshotSize(block, wide);
  HANDLE heap = MainHeap();
  auto *snapshot = static_cast<char *>(HeapAlloc(heap, 0, size));
  if (snapshot != nullptr && wide != nullptr)
    CopyWithShortForms(block, wide, snapshot);
  else if (snapshot != nullptr)
    std::memcpy(snapshot, block, size);
  if (wide != nullptr) FreeEnvironmentStringsW(wide);
  FreeEnvironmentStringsA(block);
  if (snapshot == nullptr) return 0;
  walk.heap = heap;
  walk.snapshot = snapshot;
  return 1;
}

int NextEnvironmentEntry() {
  if (walk.snapshot == nullptr) return 0;
  if (walk.current == nullptr)
    walk.current = walk.snapshot;
  else if (*walk.current != '\0')
    walk.current += std::strlen(walk.current) + 1;
  return *walk.current != '\0' ? 1 : 0;
}

Text CurrentEntryName() {
  const char *separator = CurrentSeparator();
  return separator != nullptr ? Text(walk.current, separator) : Text();
}

Text CurrentEntryValue() {
  const char *separator = CurrentSeparator();
  return separator != nullptr ? Text(separator + 1) : Text();
}

Text UpperCaseCopy(const char *text) {
  if (text == nullptr) return Text();
  Text copy(text);
  CharUpperA(copy.data());
  return copy;
}
