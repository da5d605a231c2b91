#include "base/process_heaps.h"
#include "prefs/latin1_utf8.h"
#include "prefs/preference_record.h"
#include "prefs/preference_writer.h"
#include "prefs/rewrite_in_place.h"

namespace {

// The fourth mode: a new file, or an existing one emptied.
void CreateAnew(const PreferenceFile &preferences, const char *text, DWORD length) {
  HANDLE file = CreateFileA(preferences.path.bytes, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  bool replaced = GetLastError() == ERROR_ALREADY_EXISTS;
  bool written = RewriteInPlace(file, text, length, FileContent{});
  CloseHandle(file);
  // A file made here and cut short goes again: before, there was none.
  if (!written && !replaced) DeleteFileA(preferences.path.bytes);
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
    bool marked = preferences.encoding == PreferenceEncoding::Utf8;
    FileContent old{kUtf8Mark, marked ? DWORD{sizeof kUtf8Mark} : 0, preferences.text.bytes,
                    preferences.text.length};
    RewriteInPlace(preferences.file, text, length, old);
  } else {
    CreateAnew(preferences, text, length);
  }
  HeapFree(MainHeap(), 0, text);
}
