#include "fs/file_queries.h"

#include "base/win32.h"

namespace {

bool HasAttribute(const char *path, DWORD attribute) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & attribute) != 0;
}

}  // namespace

bool IsFile(const char *path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFolder(const char *path) { return HasAttribute(path, FILE_ATTRIBUTE_DIRECTORY); }

bool IsReadOnly(const char *path) { return HasAttribute(path, FILE_ATTRIBUTE_READONLY); }

bool DeleteEvenIfReadOnly(const char *path) {
  if (DeleteFileA(path)) return true;
  DWORD error = GetLastError();
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
    SetLastError(error);
    return false;
  }
  SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  return DeleteFileA(path) != 0;
}
