// The thread's last error, and the Win32 codes that stand for POSIX errors.
#include "errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "portable/paths.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

bool FolderOfExists(std::string_view hostPath) {
  std::string folder(ParentFolder(WithoutTrailingSeparators(hostPath)));
  struct stat info;
  return stat(folder.empty() ? "." : folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

DWORD WINAPI GetLastError(void) { return lastError; }

void WINAPI SetLastError(DWORD code) { lastError = code; }

DWORD Win32ErrorFromErrno(int error, std::string_view hostPath) {
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
