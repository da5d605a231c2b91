#include "prefs/preference_writer.h"

#include <cstring>

#include "base/process_heaps.h"
#include "prefs/latin1_utf8.h"

namespace {

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
    if (entry->standsWritten && WrittenLine(*entry) == run + runLength) {
      runLength += LineLength(*entry);
      continue;
    }
    if (run != nullptr) out = Put(out, run, runLength);
    run = entry->standsWritten ? WrittenLine(*entry) : nullptr;
    runLength = entry->standsWritten ? LineLength(*entry) : 0;
    if (run == nullptr) out = PutLine(out, *entry);
  }
  if (run != nullptr) Put(out, run, runLength);
}

}  // namespace

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
