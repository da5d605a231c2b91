// The thread's last error, and the Win32 codes that stand for POSIX errors.
#include "errors.h"

#include <sys/stat.h>

#include <cerrno>

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

bool FolderOfExists(const std::string &hostPath) {
  size_t slash = hostPath.find_last_of('/', hostPath.size() > 1 ? hostPath.size() - 2 : 0);
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : hostPath.substr(0, slash);
  struct stat info;
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

DWORD WINAPI GetLastError(void) { return lastError; }

void WINAPI SetLastError(DWORD code) { lastError = code; }

DWORD Win32ErrorFromErrno(int error, const std::string &hostPath) {
  switch (error) {
    case ENOENT:
      return hostPath.empty() || FolderOfExists(hostPath) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_INVALID_NAME;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    default:
      return ERROR_WRITE_FAULT;
  }
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

HANDLE FailToOpen(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

BOOL FailWithErrno(const std::string &hostPath) { return Fail(Win32ErrorFromErrno(errno, hostPath)); }
