#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "drive_paths.h"
#include "errno_errors.h"

BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPSECURITY_ATTRIBUTES) {
  if (pathName == nullptr || *pathName == '\0') {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  std::string path = HostPath(pathName);
  if (mkdir(path.c_str(), 0777) == 0) {
    NoteNewEntry(path);
    return TRUE;
  }
  SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
  return FALSE;
}

BOOL WINAPI RemoveDirectoryA(LPCSTR pathName) {
  if (pathName != nullptr && rmdir(HostPath(pathName).c_str()) == 0) return TRUE;
  return FailWithErrno();
}

BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  if (fileName != nullptr && unlink(HostPath(fileName).c_str()) == 0) return TRUE;
  return FailWithErrno();
}

DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  struct stat info;
  if (fileName == nullptr || stat(HostPath(fileName).c_str(), &info) != 0) {
    FailWithErrno();
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
  if ((info.st_mode & 0222) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes;
}

// Only the read-only attribute has a host meaning: no write permission bits.
BOOL WINAPI SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
  std::string path = HostPath(fileName);
  struct stat info;
  if (fileName == nullptr || stat(path.c_str(), &info) != 0) return FailWithErrno();
  mode_t mode = info.st_mode & 07777;
  mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~0222) : (mode | 0200);
  return chmod(path.c_str(), mode) == 0 ? TRUE : FailWithErrno();
}
