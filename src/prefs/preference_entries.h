#pragma once

#include <cstddef>
#include <cstdint>

enum class EntryKind : uint8_t { Group, Comment, Key };

// One line of a preference file. Its texts point into the file's text block,
// or into heap copies that the entry owns.
struct PreferenceEntry {
  PreferenceEntry *next;
  const char *name;  // Key only
  const char *text;  // the group's name, the comment's text or the key's value
  uint32_t nameLength;
  uint32_t textLength;
  EntryKind kind;
  bool ownsName;
  bool ownsText;
};

struct EntryChunk;

// The entries in list order, and the chunks of the main heap they live in.
struct PreferenceEntries {
  PreferenceEntry *first = nullptr;
  PreferenceEntry *last = nullptr;
  EntryChunk *chunks = nullptr;
  size_t unused = 0;  // entries still free in the newest chunk
};

// Makes sure that `count` entries can be taken without failing. False when
// memory for them cannot be had.
bool ReserveEntries(PreferenceEntries &entries, size_t count);

// A blank entry from what was reserved.
PreferenceEntry *TakeEntry(PreferenceEntries &entries);

// Links `entry` in after `before`, or at the beginning when `before` is nullptr.
void InsertEntryAfter(PreferenceEntries &entries, PreferenceEntry *before, PreferenceEntry *entry);

// Frees the texts that `entry` owns; its text pointers are stale afterwards.
void FreeEntryTexts(PreferenceEntry &entry);

// Frees every entry and the texts they own; the list is empty afterwards.
void FreeEntries(PreferenceEntries &entries);
