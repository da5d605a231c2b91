// Folder search: entries of one folder whose names match a wildcard pattern,
// "." and ".." included, in the order the file system lists them.
#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>

#include "drive_paths.h"
#include "errno_errors.h"
#include "file_times.h"
#include "kernel_object.h"

namespace {

struct FolderListing : KernelObject {
  DIR *dir = nullptr;
  std::string folder;
  std::string pattern;
  ~FolderListing() override {
    if (dir != nullptr) closedir(dir);
  }
};

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasWildcard(const std::string &pattern) { return pattern.find_first_of("*?") != std::string::npos; }

bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

bool GlobMatches(const char *pattern, const char *name) {
  const char *starPattern = nullptr;
  const char *starName = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern == '?' || (*pattern != '\0' && SameLetter(*pattern, *name))) {
      ++pattern;
      ++name;
    } else if (starPattern != nullptr) {
      pattern = starPattern;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

// Windows lets a trailing ".*" also match names without a dot, so "*.*" is everything.
bool PatternMatches(const std::string &pattern, const char *name) {
  if (GlobMatches(pattern.c_str(), name)) return true;
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
    return GlobMatches(pattern.substr(0, pattern.size() - 2).c_str(), name);
  return false;
}

void FillFindData(const std::string &hostPath, const char *name, LPWIN32_FIND_DATAA data) {
  std::memset(data, 0, sizeof *data);
  struct stat info;
  if (stat(hostPath.c_str(), &info) != 0 && lstat(hostPath.c_str(), &info) != 0) {
    data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  } else {
    data->dwFileAttributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if ((info.st_mode & 0222) == 0) data->dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    ULONGLONG size = S_ISDIR(info.st_mode) ? 0 : static_cast<ULONGLONG>(info.st_size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size);
    data->ftCreationTime = FileTimeFromTimespec(info.st_ctim);
    data->ftLastAccessTime = FileTimeFromTimespec(info.st_atim);
    data->ftLastWriteTime = FileTimeFromTimespec(info.st_mtim);
  }
  std::strncpy(data->cFileName, name, MAX_PATH - 1);
}

bool NextMatch(FolderListing &listing, LPWIN32_FIND_DATAA data) {
  while (dirent *entry = readdir(listing.dir)) {
    if (!PatternMatches(listing.pattern, entry->d_name)) continue;
    FillFindData(listing.folder + "/" + entry->d_name, entry->d_name, data);
    return true;
  }
  return false;
}

bool IsFolder(const std::string &hostPath) {
  struct stat info;
  return stat(hostPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A pattern without wildcards names one entry.
HANDLE FindOneEntry(const std::string &hostFolder, const char *fileName, LPWIN32_FIND_DATAA data) {
  std::string hostPath = HostPath(fileName);
  struct stat info;
  if (stat(hostPath.c_str(), &info) != 0 && lstat(hostPath.c_str(), &info) != 0) {
    SetLastError(IsFolder(hostFolder) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto *listing = new FolderListing;
  FillFindData(hostPath, hostPath.substr(hostPath.rfind('/') + 1).c_str(), data);
  return listing;
}

}  // namespace

HANDLE WINAPI FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
  std::string path = fileName != nullptr ? fileName : "";
  size_t cut = path.size();
  while (cut > 0 && !IsSeparator(path[cut - 1])) --cut;
  std::string folderPart = path.substr(0, cut);
  std::string pattern = path.substr(cut);
  if (cut == 0 && path.size() >= 2 && path[1] == ':') {
    folderPart = path.substr(0, 2);
    pattern = path.substr(2);
  }
  if (pattern.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::string hostFolder = folderPart.empty() ? "." : HostPath(folderPart.c_str());
  if (!HasWildcard(pattern)) return FindOneEntry(hostFolder, fileName, findData);

  DIR *dir = opendir(hostFolder.c_str());
  if (dir == nullptr) {
    SetLastError(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto *listing = new FolderListing;
  listing->dir = dir;
  listing->folder = hostFolder;
  listing->pattern = pattern;
  if (!NextMatch(*listing, findData)) {
    delete listing;
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return listing;
}

BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData) {
  auto *listing = dynamic_cast<FolderListing *>(static_cast<KernelObject *>(find));
  if (find == INVALID_HANDLE_VALUE || listing == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (listing->dir == nullptr || !NextMatch(*listing, findData)) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  return TRUE;
}

BOOL WINAPI FindClose(HANDLE find) {
  if (find == nullptr || find == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete static_cast<KernelObject *>(find);
  return TRUE;
}
