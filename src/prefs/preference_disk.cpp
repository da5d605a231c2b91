// Reading a preference file whole and storing it back whole.
#include <cstring>
#include <string>

#include "base/process_heaps.h"
#include "fs/file_io.h"
#include "fs/file_queries.h"
#include "fs/staged_replacement.h"
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

HANDLE OpenInMode(const char *path, const OpenMode &mode) {
  return CreateFileA(path, mode.access, mode.sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Some hosts let a privileged user open a read-only file for writing (Wine
// run by root); the attribute is the owner's word that the file stays as it
// is. A passing hold is waited out before the file is taken for reading only,
// since a file opened so is never written back.
HANDLE OpenWritableElseReadOnly(const char *path, bool &readOnly) {
  HANDLE file = INVALID_HANDLE_VALUE;
  HoldBudget budget;
  if (!IsReadOnly(path) && RetryWhileHeld(budget, path, nullptr, [&] {
        file = OpenInMode(path, kOpenModes[0]);
        return file != INVALID_HANDLE_VALUE;
      })) {
    readOnly = false;
    return file;
  }
  for (const OpenMode &mode : {kOpenModes[1], kOpenModes[2]}) {
    file = OpenInMode(path, mode);
    if (file != INVALID_HANDLE_VALUE) break;
  }
  readOnly = true;
  return file;
}

// One read into one block; anything short of the whole text fails.
bool ReadWholeText(PreferenceFile &preferences) {
  int64_t fileSize = FileSize(preferences.file);
  if (fileSize < 0 || fileSize > kLongestEntryText) return false;
  auto size = static_cast<DWORD>(fileSize);
  char head[sizeof kUtf8Mark];
  bool marked = size >= sizeof kUtf8Mark && ReadExactlyAt(preferences.file, 0, head, sizeof head) &&
                std::memcmp(head, kUtf8Mark, sizeof head) == 0;
  if (marked) {
    preferences.encoding = PreferenceEncoding::Utf8;
    size -= sizeof kUtf8Mark;
  }
  if (size == 0) return true;
  auto *block = static_cast<char *>(HeapAlloc(MainHeap(), 0, size));
  if (block == nullptr) return false;
  preferences.text.bytes = block;
  preferences.text.length = size;
  return ReadExactlyAt(preferences.file, marked ? sizeof kUtf8Mark : 0, block, size) &&
         ParsePreferenceText(block, size, preferences.entries);
}

// What a file held before it is rewritten: an optional head and the body.
struct FileContent {
  const char *head;
  DWORD headLength;
  const char *body;
  DWORD bodyLength;
};

// Replaces the whole content of `file`, open for reading and writing, with
// `text` in one write, under the same open file. When that fails part-way
// (disk full, a write error) the old content is written back over what the
// failed write changed; it fits where it stood, so the file keeps its old
// content whole. True when the new content is in place.
bool RewriteInPlace(HANDLE file, const char *text, DWORD length, const FileContent &old) {
  if (MoveTo(file, 0) && WriteAll(file, text, length) && SetEndOfFile(file)) return true;
  if (MoveTo(file, 0) && WriteAll(file, old.head, old.headLength) && WriteAll(file, old.body, old.bodyLength))
    SetEndOfFile(file);
  return false;
}

// Windows refuses to replace a file another program holds open. Only when the
// hold outlasts the budget is the file rewritten in place, under a handle
// open for reading and writing that lets others only read, with its old bytes
// put back should the write fail part-way.
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

// Replaced rather than renamed over, so that the file keeps its attributes and
// security.
void ReplaceOpenFile(PreferenceFile &preferences, const char *text, DWORD length, HoldBudget &budget) {
  const char *path = preferences.path.bytes;
  if (!StageBytes(path, text, length, budget)) return;
  // The service's own handle shares no deletion, so it would refuse the replacement.
  CloseHandle(preferences.file);
  preferences.file = INVALID_HANDLE_VALUE;
  if (ReplaceWithStaged(path, budget) == ReplaceOutcome::TargetHeld)
    RewriteHeldFile(preferences, text, length);
}

}  // namespace

OpenOutcome OpenPreferenceFile(PreferenceFile &preferences, const char *path) {
  preferences.file = OpenWritableElseReadOnly(path, preferences.readOnly);
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
  HoldBudget budget;
  if (openForWriting) {
    ReplaceOpenFile(preferences, text, length, budget);
  } else if (StageBytes(preferences.path.bytes, text, length, budget)) {
    CommitStaged(preferences.path.bytes, true, budget);
  }
  HeapFree(MainHeap(), 0, text);
}
