// The service's own texts and the list of a file's entries, in the main heap.
#include <cstring>

#include "base/process_heaps.h"
#include "prefs/preference_record.h"

struct EntryChunk {
  EntryChunk *older;
  size_t capacity;
  PreferenceEntry *Entries() { return reinterpret_cast<PreferenceEntry *>(this + 1); }
};

namespace {

// Chunks grow with the file, but stay small enough for any heap to give.
constexpr size_t kFirstChunk = 32;
constexpr size_t kLargestChunk = 8192;

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

bool ReserveEntries(PreferenceEntries &entries, size_t count) {
  if (entries.unused >= count) return true;
  size_t capacity = entries.chunks != nullptr ? entries.chunks->capacity * 2 : kFirstChunk;
  if (capacity > kLargestChunk) capacity = kLargestChunk;
  if (capacity < count) capacity = count;
  auto *chunk = static_cast<EntryChunk *>(
      HeapAlloc(MainHeap(), 0, sizeof(EntryChunk) + capacity * sizeof(PreferenceEntry)));
  if (chunk == nullptr) return false;
  chunk->older = entries.chunks;
  chunk->capacity = capacity;
  entries.chunks = chunk;
  entries.reserved = chunk->Entries() + capacity;
  entries.unused = capacity;
  return true;
}

void FreeEntryTexts(PreferenceEntry &entry) {
  if (entry.ownsName) HeapFree(MainHeap(), 0, const_cast<char *>(entry.name));
  if (entry.ownsText) HeapFree(MainHeap(), 0, const_cast<char *>(entry.text));
}

void FreeEntries(PreferenceEntries &entries) {
  for (PreferenceEntry *entry = entries.first; entry != nullptr; entry = entry->next) FreeEntryTexts(*entry);
  while (EntryChunk *chunk = entries.chunks) {
    entries.chunks = chunk->older;
    HeapFree(MainHeap(), 0, chunk);
  }
  entries = PreferenceEntries{};
}
