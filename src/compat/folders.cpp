// Folders, the attributes of what is in them, and folder search: the entries
// of one folder whose names match a wildcard pattern, "." and ".." included,
// in the order the file system lists them.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "code_page.h"
#include "drive_paths.h"
#include "errors.h"
#include "file_sharing.h"
#include "kernel_object.h"
#include "portable/ascii_names.h"
#include "portable/paths.h"

namespace {

// The attributes of the entry at `hostPath`, whose own (lstat) details are
// `entry`, as the host shows them: read-only is a file without write
// permission bits; everything else is archived. A symbolic link shows itself,
// not what it names: a folder link when it names a folder, and the reparse
// mark (Microsoft Learn, "Symbolic Link Effects on File Systems Functions").
DWORD AttributesOf(const std::string &hostPath, const struct stat &entry) {
  DWORD attributes = NamesFolder(hostPath, entry) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if ((entry.st_mode & 0222) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  if (S_ISLNK(entry.st_mode)) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  return attributes;
}

constexpr ULONGLONG kSecondsFrom1601To1970 = 11644473600ULL;

// FILETIME counts 100 ns ticks since 1601.
FILETIME FileTimeFromTimespec(const timespec &time) {
  ULONGLONG ticks = (static_cast<ULONGLONG>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000ULL +
                    static_cast<ULONGLONG>(time.tv_nsec) / 100;
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(ticks);
  result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return result;
}

struct FolderListing : KernelObject {
  DIR *dir = nullptr;
  std::string folder;
  std::string pattern;
  ~FolderListing() override {
    if (dir != nullptr) closedir(dir);
  }
};

bool HasWildcard(const std::string &pattern) { return pattern.find_first_of("*?") != std::string::npos; }

bool GlobMatches(const char *pattern, const char *name) {
  const char *starPattern = nullptr;
  const char *starName = nullptr;
  while (*name != '\0') {
    if (*pattern == '*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern == '?' || (*pattern != '\0' && FoldAsciiCase(*pattern) == FoldAsciiCase(*name))) {
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
  if (lstat(hostPath.c_str(), &info) != 0) {
    data->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  } else {
    data->dwFileAttributes = AttributesOf(hostPath, info);
    ULONGLONG size = S_ISREG(info.st_mode) ? static_cast<ULONGLONG>(info.st_size) : 0;
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(size);
    data->ftCreationTime = FileTimeFromTimespec(info.st_ctim);
    data->ftLastAccessTime = FileTimeFromTimespec(info.st_atim);
    data->ftLastWriteTime = FileTimeFromTimespec(info.st_mtim);
  }
  std::strncpy(data->cFileName, CodePageOfUtf8(name).c_str(), MAX_PATH - 1);
}

bool NextMatch(FolderListing &listing, LPWIN32_FIND_DATAA data) {
  while (dirent *entry = readdir(listing.dir)) {
    if (!PatternMatches(listing.pattern, entry->d_name)) continue;
    FillFindData(JoinPath(listing.folder, entry->d_name, '/'), entry->d_name, data);
    return true;
  }
  return false;
}

// A pattern without wildcards names one entry.
HANDLE FindOneEntry(const char *fileName, LPWIN32_FIND_DATAA data) {
  std::string hostPath = HostPath(fileName);
  struct stat info;
  if (lstat(hostPath.c_str(), &info) != 0) return FailWithErrno(hostPath, INVALID_HANDLE_VALUE);
  auto *listing = new FolderListing;
  FillFindData(hostPath, std::string(LastComponent(hostPath)).c_str(), data);
  return listing;
}

}  // namespace

BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
  if (pathName == nullptr || *pathName == '\0') return Fail(ERROR_PATH_NOT_FOUND);
  std::string path = HostPath(pathName);
  if (mkdir(path.c_str(), 0777) == 0) {
    NoteNewEntry(path);
    return TRUE;
  }
  return FailWithErrno(path);
}

// A delete-pending file cannot be opened to read its attributes; Windows
// refuses the query as it refuses CreateFile (DeleteFileA on Microsoft Learn).
DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  std::string path = HostPath(fileName);
  struct stat info;
  DWORD error = fileName == nullptr               ? ERROR_PATH_NOT_FOUND
                : DeletePending(path)             ? ERROR_ACCESS_DENIED
                : lstat(path.c_str(), &info) != 0 ? Win32ErrorFromErrno(errno, path)
                                                  : ERROR_SUCCESS;
  return error == ERROR_SUCCESS ? AttributesOf(path, info) : Fail<DWORD>(error, INVALID_FILE_ATTRIBUTES);
}

// Only the read-only attribute has a host meaning: no write permission bits.
BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
  std::string path = HostPath(fileName);
  struct stat info;
  if (fileName == nullptr || stat(path.c_str(), &info) != 0) return FailWithErrno(path);
  mode_t mode = info.st_mode & 07777;
  mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~0222) : (mode | 0200);
  return chmod(path.c_str(), mode) == 0 ? TRUE : FailWithErrno();
}

HANDLE WINAPI FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData) {
  std::string_view path = fileName != nullptr ? fileName : "";
  std::string folderPart(ParentFolder(path));
  std::string pattern(LastComponent(path));
  if (folderPart.empty() && path.size() >= 2 && path[1] == ':') {
    folderPart = path.substr(0, 2);
    pattern = path.substr(2);
  }
  if (pattern.empty()) return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  std::string hostFolder = folderPart.empty() ? "." : HostPath(folderPart.c_str());
  if (!HasWildcard(pattern)) return FindOneEntry(fileName, findData);

  DIR *dir = opendir(hostFolder.c_str());
  if (dir == nullptr) return FailWithErrno(JoinPath(hostFolder, pattern, '/'), INVALID_HANDLE_VALUE);
  auto *listing = new FolderListing;
  listing->dir = dir;
  listing->folder = hostFolder;
  listing->pattern = pattern;
  if (!NextMatch(*listing, findData)) {
    delete listing;
    return Fail(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
  }
  return listing;
}

BOOL WINAPI FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA findData) {
  auto *listing = dynamic_cast<FolderListing *>(static_cast<KernelObject *>(find));
  if (find == INVALID_HANDLE_VALUE || listing == nullptr) return Fail(ERROR_INVALID_HANDLE);
  if (listing->dir == nullptr || !NextMatch(*listing, findData)) return Fail(ERROR_NO_MORE_FILES);
  return TRUE;
}

BOOL WINAPI FindClose(HANDLE find) { return CloseHandle(find); }
