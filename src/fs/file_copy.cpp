#include "fs/file_copy.h"

#include "base/win32.h"
#include "fs/folders.h"

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

bool IsFolder(const WIN32_FIND_DATAA &entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FolderIsPresent(const std::string &probePath) {
  WIN32_FIND_DATAA entry;
  HANDLE probe = FindFirstFileA(probePath.c_str(), &entry);
  if (probe == INVALID_HANDLE_VALUE) return false;
  FindClose(probe);
  return IsFolder(entry);
}

bool IsStaged(const std::string &name) {
  size_t suffix = sizeof kStagedSuffix - 1;
  return name.size() > suffix && name.compare(name.size() - suffix, suffix, kStagedSuffix) == 0;
}

// A file already at the destination is kept: it may be all that is left of
// what was there before.
bool CopyUnlessPresent(const std::string &from, const std::string &to) {
  if (GetFileAttributesA(to.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  return StageCopy(from.c_str(), to.c_str()) && PutStagedInPlace(to.c_str(), false);
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

int CopyFolderFiles(const char *source, const char *destination, const char *pattern) {
  if (source == nullptr || *source == '\0' || destination == nullptr || *destination == '\0') return 0;
  std::string sourceBase = WithSeparator(CutToMaxPath(source));
  std::string destinationBase = WithSeparator(CutToMaxPath(destination));
  std::string probePath = CutToMaxPath(destination);
  if (!probePath.empty() && probePath.back() == '\\') probePath.pop_back();

  bool destinationPresent = FolderIsPresent(probePath);

  WIN32_FIND_DATAA entry;
  std::string searchPath = sourceBase + ((pattern != nullptr && *pattern != '\0') ? pattern : "*.*");
  HANDLE search = FindFirstFileA(searchPath.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return 0;

  if (!destinationPresent && !(!probePath.empty() && probePath.back() == ':') &&
      !CreateDirectoryA(destination, nullptr)) {
    FindClose(search);
    return 0;
  }

  int result = 1;
  do {
    if (IsFolder(entry) || IsStaged(entry.cFileName)) continue;
    if (!CopyUnlessPresent(sourceBase + entry.cFileName, destinationBase + entry.cFileName)) result = 0;
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return result;
}
