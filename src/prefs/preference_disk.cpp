// Reading a preference file whole and storing it back whole.
#include <cstring>
#include <string>

#include "base/process_heaps.h"
#include "fs/file_copy.h"
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

// What a file held before it is rewritten: an optional head and the body.
struct FileContent {
  const char *head;
  DWORD headLength;
  const char *body;
  DWORD bodyLength;
};

bool ToStart(HANDLE file) { return SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0; }

// One write; a short count is a failure too: some platforms report a disk
// that filled up part-way so.
bool WriteAll(HANDLE file, const char *bytes, DWORD length) {
  if (length == 0) return true;
  DWORD written = 0;
  return WriteFile(file, bytes, length, &written, nullptr) && written == length;
}

// Replaces the whole content of `file`, open for reading and writing, with
// `text` in one write, under the same open file. When that fails part-way
// (disk full, a write error) the old content is written back over what the
// failed write changed; it fits where it stood, so the file keeps its old
// content whole. True when the new content is in place.
bool RewriteInPlace(HANDLE file, const char *text, DWORD length, const FileContent &old) {
  if (ToStart(file) && WriteAll(file, text, length) && SetEndOfFile(file)) return true;
  if (ToStart(file) && WriteAll(file, old.head, old.headLength) && WriteAll(file, old.body, old.bodyLength))
    SetEndOfFile(file);
  return false;
}

// Made anew beside the file, written in one write and flushed to the disk.
bool WriteStaged(const char *path, const char *text, DWORD length) {
  std::string staged = StagedName(path);
  HANDLE file =
      CreateFileA(staged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool written = file != INVALID_HANDLE_VALUE && WriteAll(file, text, length) && FlushFileBuffers(file);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!written) DiscardStaged(path);
  return written;
}

// Windows refuses to replace a file another program holds open. Only then is
// the file rewritten in place, under a handle of the first open mode, with its
// old bytes put back should the write fail part-way.
void RewriteHeldFile(const PreferenceFile &preferences, const char *text, DWORD length) {
  HANDLE file = CreateFileA(preferences.path.bytes, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  bool marked = preferences.encoding == PreferenceEncoding::Utf8;
  FileContent old{kUtf8Mark, marked ? DWORD{sizeof kUtf8Mark} : 0, preferences.text.bytes,
                  preferences.text.length};
  RewriteInPlace(file, text, length, old);
  CloseHandle(file);
}

// ReplaceFileA keeps the file's attributes and security.
void ReplaceOpenFile(PreferenceFile &preferences, const char *text, DWORD length) {
  const char *path = preferences.path.bytes;
  if (!WriteStaged(path, text, length)) return;
  // The service's own handle shares no deletion, so it would refuse the rename.
  CloseHandle(preferences.file);
  preferences.file = INVALID_HANDLE_VALUE;
  if (ReplaceFileA(path, StagedName(path).c_str(), nullptr, 0, nullptr, nullptr)) return;
  DWORD error = GetLastError();
  DiscardStaged(path);
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_UNABLE_TO_REMOVE_REPLACED)
    RewriteHeldFile(preferences, text, length);
}

}  // namespace

OpenOutcome OpenPreferenceFile(PreferenceFile &preferences, const char *path) {
  preferences.file = OpenInFirstMode(path, preferences.readOnly);
  if (preferences.file == INVALID_HANDLE_VALUE) return OpenOutcome::CannotOpen;
  return ReadWholeText(preferences) ? OpenOutcome::Opened : OpenOutcome::CannotRead;
}

void WritePreferenceFileBack(PreferenceFile &preferences) {
  bool openForWriting = preferences.file != INVALID_HANDLE_VALUE && !preferences.readOnly;
  bool absent = preferences.file == INVALID_HANDLE_VALUE && preferences.path.bytes != nullptr;
  if (!preferences.modified || !(openForWriting || absent)) return;
  // Counted and built before the file is touched, so that running out of
  // memory leaves it as it was.
  DWORD length = 0;
  char *text =
      BuildPreferenceText(preferences.entries, preferences.encoding == PreferenceEncoding::Utf8, length);
  if (text == nullptr) return;
  if (openForWriting) {
    ReplaceOpenFile(preferences, text, length);
  } else if (WriteStaged(preferences.path.bytes, text, length)) {
    PutStagedInPlace(preferences.path.bytes, true);
  }
  HeapFree(MainHeap(), 0, text);
}
