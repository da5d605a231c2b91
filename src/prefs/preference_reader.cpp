#include "prefs/preference_reader.h"

#include <cstring>

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
    entry->standsWritten = written && end - lineEnd >= 2 && lineEnd[0] == '\r' && lineEnd[1] == '\n';
    InsertEntryAfter(entries, entries.last, entry);
    at = lineEnd;
  }
}
