#include "fs/copy_folder_files.h"

#include <windows.h>

#include "fs/copy_single_file.h"
#include "fs/path_text.h"

namespace {

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
