// The file format: a file's text cut into entries, and entries written out.
#include <cstring>
#include <string>

#include "base/process_heaps.h"
#include "prefs/preference_file.h"
#include "prefs/preference_record.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsBreak(char c) { return c == '\r' || c == '\n'; }
bool IsBlankOrBreak(char c) { return IsBlank(c) || IsBreak(c); }

// The first CR or LF from `from` on, or `end`. One pass, eight bytes at a
// time: for short lines that beats a library search for each of the two
// bytes, most of all where the library searches byte by byte.
const char *LineEnd(const char *from, const char *end) {
  constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  for (; end - from >= 8; from += 8) {
    uint64_t word;
    std::memcpy(&word, from, 8);
    uint64_t cr = word ^ (kOnes * '\r'), lf = word ^ (kOnes * '\n');
    if ((((cr - kOnes) & ~cr) | ((lf - kOnes) & ~lf)) & kHighs) break;
  }
  while (from < end && !IsBreak(*from)) ++from;
  return from;
}

uint32_t Distance(const char *from, const char *to) { return static_cast<uint32_t>(to - from); }

// Each Cut fills the entry and tells whether the line, up to its end, stands
// as it would be written.
bool CutGroup(PreferenceEntry &entry, const char *line, const char *lineEnd) {
  const char *name = line + 1;
  auto *close = static_cast<const char *>(std::memchr(name, ']', lineEnd - name));
  entry.kind = EntryKind::Group;
  entry.text = name;
  entry.textLength = Distance(name, close != nullptr ? close : lineEnd);
  return close != nullptr && close + 1 == lineEnd;
}

bool CutComment(PreferenceEntry &entry, const char *line, const char *lineEnd) {
  const char *text = line + 1;
  if (text < lineEnd && *text == ' ') ++text;
  entry.kind = EntryKind::Comment;
  entry.text = text;
  entry.textLength = Distance(text, lineEnd);
  return text == line + 2;
}

bool CutKey(PreferenceEntry &entry, const char *line, const char *lineEnd) {
  auto *equals = static_cast<const char *>(std::memchr(line, '=', lineEnd - line));
  const char *nameEnd = equals != nullptr ? equals : lineEnd;
  while (nameEnd > line && IsBlank(nameEnd[-1])) --nameEnd;
  const char *value = equals != nullptr ? equals + 1 : lineEnd;
  while (value < lineEnd && IsBlank(*value)) ++value;
  entry.kind = EntryKind::Key;
  entry.name = line;
  entry.nameLength = Distance(line, nameEnd);
  entry.text = value;
  entry.textLength = Distance(value, lineEnd);
  return equals != nullptr && nameEnd + 1 == equals && *nameEnd == ' ' && value == equals + 2 &&
         equals[1] == ' ';
}

// The mark and an empty line.
constexpr size_t kMarkHeadLength = sizeof kUtf8Mark + 2;

bool FirstLineLooksMarked(const PreferenceEntries &entries) {
  const PreferenceEntry *first = entries.first;
  return first != nullptr && first->kind == EntryKind::Key && first->nameLength >= sizeof kUtf8Mark &&
         std::memcmp(first->name, kUtf8Mark, sizeof kUtf8Mark) == 0;
}

size_t LineLength(const PreferenceEntry &entry) {
  return entry.kind == EntryKind::Key ? size_t{entry.nameLength} + entry.textLength + 5
                                      : entry.textLength + 4;
}

uint64_t WrittenLength(const PreferenceEntries &entries, bool marked, bool guarded) {
  uint64_t length = (marked ? kMarkHeadLength : 0) + (guarded ? 1 : 0);
  for (const PreferenceEntry *entry = entries.first; entry != nullptr; entry = entry->next)
    length += LineLength(*entry);
  return length;
}

// Where the file holds the line of an entry that stands written.
const char *WrittenLine(const PreferenceEntry &entry) {
  return entry.kind == EntryKind::Key ? entry.name : entry.text - (entry.kind == EntryKind::Group ? 1 : 2);
}

char *Put(char *out, const char *bytes, size_t length) {
  std::memcpy(out, bytes, length);
  return out + length;
}

char *PutLine(char *out, const PreferenceEntry &entry) {
  switch (entry.kind) {
    case EntryKind::Group:
      *out++ = '[';
      out = Put(out, entry.text, entry.textLength);
      *out++ = ']';
      break;
    case EntryKind::Comment:
      out = Put(out, "; ", 2);
      out = Put(out, entry.text, entry.textLength);
      break;
    case EntryKind::Key:
      out = Put(out, entry.name, entry.nameLength);
      out = Put(out, " = ", 3);
      out = Put(out, entry.text, entry.textLength);
      break;
  }
  return Put(out, "\r\n", 2);
}

void Format(const PreferenceEntries &entries, bool marked, bool guarded, char *out) {
  if (marked) out = Put(Put(out, kUtf8Mark, sizeof kUtf8Mark), "\r\n", 2);
  if (guarded) *out++ = ' ';
  // Lines that stand written one after another in the file are copied in one piece.
  const char *run = nullptr;
  size_t runLength = 0;
  for (const PreferenceEntry *entry = entries.first; entry != nullptr; entry = entry->next) {
    if (entry->fileHoldsWrittenForm && WrittenLine(*entry) == run + runLength) {
      runLength += LineLength(*entry);
      continue;
    }
    if (run != nullptr) out = Put(out, run, runLength);
    run = entry->fileHoldsWrittenForm ? WrittenLine(*entry) : nullptr;
    runLength = entry->fileHoldsWrittenForm ? LineLength(*entry) : 0;
    if (run == nullptr) out = PutLine(out, *entry);
  }
  if (run != nullptr) Put(out, run, runLength);
}

}  // namespace

bool ParsePreferenceText(const char *text, size_t length, PreferenceEntries &entries) {
  const char *end = text + length;
  const char *at = text;
  while (true) {
    // Line breaks, the blanks that start a line and lines of nothing else make no entry.
    while (at < end && IsBlankOrBreak(*at)) ++at;
    if (at == end) return true;
    const char *lineEnd = LineEnd(at, end);
    if (!ReserveEntries(entries, 1)) return false;
    PreferenceEntry *entry = TakeEntry(entries);
    bool written = *at == '['   ? CutGroup(*entry, at, lineEnd)
                   : *at == ';' ? CutComment(*entry, at, lineEnd)
                                : CutKey(*entry, at, lineEnd);
    entry->fileHoldsWrittenForm = written && end - lineEnd >= 2 && lineEnd[0] == '\r' && lineEnd[1] == '\n';
    InsertEntryAfter(entries, entries.last, entry);
    at = lineEnd;
  }
}

char *BuildPreferenceText(const PreferenceEntries &entries, bool utf8, DWORD &length) {
  bool guarded = !utf8 && FirstLineLooksMarked(entries);
  uint64_t written = WrittenLength(entries, utf8, guarded);
  if (written > 0xFFFFFFFFu) return nullptr;
  auto *text = static_cast<char *>(HeapAlloc(MainHeap(), 0, static_cast<size_t>(written)));
  if (text == nullptr) return nullptr;
  Format(entries, utf8, guarded, text);
  length = static_cast<DWORD>(written);
  return text;
}

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
