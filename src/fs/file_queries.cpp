#include "fs/file_queries.h"

#include "base/win32.h"

namespace {

// True when something is at `path` and its attributes under `mask` are `wanted`.
bool HasAttributes(const char *path, DWORD mask, DWORD wanted) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & mask) == wanted;
}

}  // namespace

bool Exists(const char *path) { return HasAttributes(path, 0, 0); }

bool IsFile(const char *path) { return HasAttributes(path, FILE_ATTRIBUTE_DIRECTORY, 0); }

bool IsFolder(const char *path) {
  return HasAttributes(path, FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
}

bool IsReadOnly(const char *path) {
  return HasAttributes(path, FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
}

DWORD ClearReadOnlyMark(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0)
    return INVALID_FILE_ATTRIBUTES;
  SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  return attributes;
}

void RestoreReadOnlyMark(const char *path, DWORD attributes) {
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path, attributes);
}

bool DeleteEvenIfReadOnly(const char *path) {
  if (DeleteFileA(path)) return true;
  DWORD error = GetLastError();
  if (ClearReadOnlyMark(path) == INVALID_FILE_ATTRIBUTES) {
    SetLastError(error);
    return false;
  }
  return DeleteFileA(path) != 0;
}
