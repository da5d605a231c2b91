#include <cstring>

#include "base/process_heaps.h"
#include "prefs/latin1_utf8.h"
#include "prefs/preference_reader.h"
#include "prefs/preference_record.h"

namespace {

struct OpenMode {
  DWORD access;
  DWORD sharing;
};

// Reading and writing while others may only read; else reading only; else
// reading beside a writer.
constexpr OpenMode kOpenModes[] = {
    {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ},
    {GENERIC_READ, FILE_SHARE_READ},
    {GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE},
};

// Some hosts let a privileged user open a read-only file for writing (Wine
// run by root); the attribute is the owner's word that the file stays as it is.
bool MarkedReadOnly(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

HANDLE OpenInFirstMode(const char *path, bool &readOnly) {
  bool skipWriting = MarkedReadOnly(path);
  for (const OpenMode &mode : kOpenModes) {
    if (skipWriting && (mode.access & GENERIC_WRITE)) continue;
    HANDLE file =
        CreateFileA(path, mode.access, mode.sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      readOnly = (mode.access & GENERIC_WRITE) == 0;
      return file;
    }
  }
  return INVALID_HANDLE_VALUE;
}

bool ReadExactly(HANDLE file, char *into, DWORD length) {
  DWORD got = 0;
  return ReadFile(file, into, length, &got, nullptr) && got == length;
}

// One read into one block; anything short of the whole text fails.
bool ReadWholeText(PreferenceFile &preferences) {
  DWORD sizeHigh = 0;
  DWORD size = GetFileSize(preferences.file, &sizeHigh);
  // Also refuses a failed call, which reports INVALID_FILE_SIZE.
  if (sizeHigh != 0 || size > kLongestEntryText) return false;
  if (size >= sizeof kUtf8Mark) {
    char head[sizeof kUtf8Mark];
    if (ReadExactly(preferences.file, head, sizeof head) && std::memcmp(head, kUtf8Mark, sizeof head) == 0) {
      preferences.encoding = PreferenceEncoding::Utf8;
      size -= sizeof kUtf8Mark;
    } else if (SetFilePointer(preferences.file, 0, nullptr, FILE_BEGIN) != 0) {
      return false;
    }
  }
  if (size == 0) return true;
  auto *block = static_cast<char *>(HeapAlloc(MainHeap(), 0, size));
  if (block == nullptr) return false;
  preferences.text.bytes = block;
  preferences.text.length = size;
  return ReadExactly(preferences.file, block, size) && ParsePreferenceText(block, size, preferences.entries);
}

}  // namespace

OpenOutcome OpenPreferenceFile(PreferenceFile &preferences, const char *path) {
  preferences.file = OpenInFirstMode(path, preferences.readOnly);
  if (preferences.file == INVALID_HANDLE_VALUE) return OpenOutcome::CannotOpen;
  return ReadWholeText(preferences) ? OpenOutcome::Opened : OpenOutcome::CannotRead;
}
