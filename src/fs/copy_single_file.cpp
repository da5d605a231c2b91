#include "fs/copy_single_file.h"

#include <windows.h>

namespace {

// Read-only files must lose the attribute to be removed or opened for writing.
bool RemoveFile(const std::string &path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(path.c_str()) != 0;
}

bool FlushToDisk(const std::string &path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly) SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool flushed = file != INVALID_HANDLE_VALUE && FlushFileBuffers(file);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (readOnly) SetFileAttributesA(path.c_str(), attributes);
  return flushed;
}

}  // namespace

std::string StagedName(const char *target) { return std::string(target) + kStagedSuffix; }

int StageCopy(const char *source, const char *target) {
  if (source == nullptr || target == nullptr) return 0;
  std::string staged = StagedName(target);
  DiscardStaged(target);
  if (CopyFileA(source, staged.c_str(), FALSE) && FlushToDisk(staged)) return 1;
  DiscardStaged(target);
  return 0;
}

int PutStagedInPlace(const char *target, bool replace) {
  if (target == nullptr) return 0;
  std::string staged = StagedName(target);
  DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (MoveFileExA(staged.c_str(), target, flags)) return 1;
  DiscardStaged(target);
  return 0;
}

void DiscardStaged(const char *target) {
  std::string staged = StagedName(target);
  if (GetFileAttributesA(staged.c_str()) != INVALID_FILE_ATTRIBUTES) RemoveFile(staged);
}

int CopySingleFile(const char *source, const char *target) {
  return StageCopy(source, target) && PutStagedInPlace(target, true) ? 1 : 0;
}

void RemoveStagedLeftovers(const char *folder) {
  if (folder == nullptr) return;
  std::string base = folder;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((base + "*" + kStagedSuffix).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) RemoveFile(base + entry.cFileName);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
}
