#pragma once

// Inside the preference file service: the record of the current file, its
// entries and texts, and the pieces that read, format and store it.
#include <cstddef>
#include <cstdint>

#include "base/win32.h"

// A text of the service's own, taken from the main heap.
struct HeapText {
  char *bytes = nullptr;  // nullptr: none
  uint32_t length = 0;
};

// Copies a caller's text, encoded as UTF-8 when `toUtf8` is set. False when
// memory for it cannot be had.
bool CopyCallerText(const char *text, bool toUtf8, HeapText &copy);

void FreeHeapText(HeapText &text);

// The UTF-8 byte-order mark that begins a file in UTF-8.
inline constexpr char kUtf8Mark[3] = {'\xEF', '\xBB', '\xBF'};

// The length of `length` Latin-1 bytes once encoded in UTF-8.
size_t Utf8LengthOfLatin1(const char *text, size_t length);

// Encodes `length` Latin-1 bytes as UTF-8 into `out`, which has room for
// Utf8LengthOfLatin1 bytes; returns the end of what was written.
char *EncodeLatin1AsUtf8(const char *text, size_t length, char *out);

enum class EntryKind : uint32_t { Group, Comment, Key };

// The longest text an entry can hold, and so the longest file text.
constexpr uint32_t kLongestEntryText = (uint32_t{1} << 27) - 1;

// One line of a preference file, 32 bytes, since a large file has millions.
// Its texts point into the file's text block, or into heap copies that the
// entry owns.
struct PreferenceEntry {
  PreferenceEntry *next;
  const char *name;  // Key only
  const char *text;  // the group's name, the comment's text or the key's value
  uint32_t nameLength;
  uint32_t textLength : 27;
  EntryKind kind : 2;
  uint32_t ownsName : 1;
  uint32_t ownsText : 1;
  // The file text holds this line as it is written, CR LF included, so it is
  // copied from there as it stands.
  uint32_t fileHoldsWrittenForm : 1;
};
static_assert(sizeof(PreferenceEntry) == 32, "entries are packed");

struct EntryChunk;

// The entries in list order, and the chunks of the main heap they live in.
struct PreferenceEntries {
  PreferenceEntry *first = nullptr;
  PreferenceEntry *last = nullptr;
  EntryChunk *chunks = nullptr;
  PreferenceEntry *reserved = nullptr;  // the end of the newest chunk
  size_t unused = 0;                    // entries still free before it
};

// Makes sure that `count` entries can be taken without failing. False when
// memory for them cannot be had.
bool ReserveEntries(PreferenceEntries &entries, size_t count);

// A blank entry from what was reserved.
inline PreferenceEntry *TakeEntry(PreferenceEntries &entries) {
  PreferenceEntry *entry = entries.reserved - entries.unused--;
  *entry = PreferenceEntry{};
  return entry;
}

// Links `entry` in after `before`, or at the beginning when `before` is nullptr.
inline void InsertEntryAfter(PreferenceEntries &entries, PreferenceEntry *before, PreferenceEntry *entry) {
  PreferenceEntry *&link = before != nullptr ? before->next : entries.first;
  entry->next = link;
  link = entry;
  if (entry->next == nullptr) entries.last = entry;
}

// Frees the texts that `entry` owns; its text pointers are stale afterwards.
void FreeEntryTexts(PreferenceEntry &entry);

// Frees every entry and the texts they own; the list is empty afterwards.
void FreeEntries(PreferenceEntries &entries);

// Cuts a preference file's text (after its byte-order mark) into entries
// appended to `entries`. The entries point into `text`, which must outlive
// them and is not changed. False when memory for the entries cannot be had.
//
// A NUL byte is an ordinary byte of the line it stands in: it is kept, and
// written back where it stood, so that no part of a file is lost behind it.
bool ParsePreferenceText(const char *text, size_t length, PreferenceEntries &entries);

// The written form of `entries` in one block from the main heap, its length
// counted first: the head of a marked file (the UTF-8 byte-order mark and an
// empty line), then "[name]", "; text" or "name = value" per entry, each ended
// by CR LF. nullptr when memory for the block cannot be had or it would not
// fit one write.
//
// In an unmarked file whose first line would begin with the mark's bytes (a
// key named so), that line is written after one blank: read again, the file
// would otherwise count as marked and the key would lose those bytes.
char *BuildPreferenceText(const PreferenceEntries &entries, bool utf8, DWORD &length);

enum class PreferenceEncoding { Ansi, Utf8 };

// The service's one current preference file.
struct PreferenceFile {
  HANDLE file = INVALID_HANDLE_VALUE;
  HeapText path;
  bool modified = false;
  bool readOnly = false;  // opened for reading only, or not opened at all
  PreferenceEncoding encoding = PreferenceEncoding::Ansi;
  HeapText text;  // the file's text after its byte-order mark, as read
  PreferenceEntries entries;
  PreferenceEntry *currentGroup = nullptr;  // nullptr: the part before the first group
  HeapText pendingGroup;                    // chosen, but not in the file yet
  bool groupUnknown = false;                // the last choice could not be kept: keys are refused
};

enum class OpenOutcome {
  Opened,
  CannotOpen,  // no open mode succeeded
  CannotRead,  // opened, but the text could not be had whole (memory, a short read)
};

// Opens `path` in the first of the open modes that succeeds, and reads and
// parses its whole text into `preferences`, which starts empty.
OpenOutcome OpenPreferenceFile(PreferenceFile &preferences, const char *path);

// Writes the file back in its written form, when it was edited and may be
// written; creates it anew when it could not be opened.
void WritePreferenceFileBack(PreferenceFile &preferences);
