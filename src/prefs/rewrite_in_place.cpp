#include "prefs/rewrite_in_place.h"

bool WriteAll(HANDLE file, const char *bytes, DWORD length) {
  if (length == 0) return true;
  DWORD written = 0;
  // A short count is a failure too: some platforms report a disk that filled up part-way so.
  return WriteFile(file, bytes, length, &written, nullptr) && written == length;
}

namespace {

bool ToStart(HANDLE file) { return SetFilePointer(file, 0, nullptr, FILE_BEGIN) == 0; }

}  // namespace

bool RewriteInPlace(HANDLE file, const char *text, DWORD length, const FileContent &old) {
  if (ToStart(file) && WriteAll(file, text, length) && SetEndOfFile(file)) return true;
  if (ToStart(file) && WriteAll(file, old.head, old.headLength) && WriteAll(file, old.body, old.bodyLength))
    SetEndOfFile(file);
  return false;
}
