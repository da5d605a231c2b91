#pragma once

#include <cstddef>
#include <cstdint>

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
  uint32_t standsWritten : 1;  // the file holds this line as it is written, CR LF included
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
