#include <string>

#include "base/process_heaps.h"
#include "fs/copy_single_file.h"
#include "prefs/latin1_utf8.h"
#include "prefs/preference_record.h"
#include "prefs/preference_writer.h"
#include "prefs/rewrite_in_place.h"

namespace {

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
