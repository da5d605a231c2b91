// CopyFileA: opens both files under the Windows sharing rules, then lets the
// kernel move the bytes (copy_file_range, else sendfile), and keeps the
// source's permission bits and times as Windows keeps attributes and times.
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "errno_errors.h"
#include "open_file.h"

namespace {

bool KernelCopy(int from, int to, off_t size) {
  off_t left = size;
  bool rangeCopyWorks = true;
  while (left > 0) {
    size_t chunk = static_cast<size_t>(left > (off_t{1} << 30) ? (off_t{1} << 30) : left);
    ssize_t moved = -1;
    if (rangeCopyWorks) {
      moved = copy_file_range(from, nullptr, to, nullptr, chunk, 0);
      if (moved < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
        rangeCopyWorks = false;
        continue;
      }
    } else {
      moved = sendfile(to, from, nullptr, chunk);
    }
    if (moved < 0 && errno == EINTR) continue;
    if (moved < 0) return false;
    if (moved == 0) break;  // the source shrank while copying
    left -= moved;
  }
  return true;
}

}  // namespace

BOOL WINAPI CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  HANDLE source = CreateFileA(existingFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (source == INVALID_HANDLE_VALUE) return FALSE;
  int from = FileFromHandle(source)->fd;
  struct stat info;
  if (fstat(from, &info) != 0) {
    FailWithErrno();
    CloseHandle(source);
    return FALSE;
  }
  HANDLE target = CreateFileA(newFileName, GENERIC_WRITE, 0, nullptr,
                              failIfExists ? CREATE_NEW : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (target == INVALID_HANDLE_VALUE) {
    CloseHandle(source);
    return FALSE;
  }
  int to = FileFromHandle(target)->fd;
  bool copied = KernelCopy(from, to, info.st_size);
  DWORD error = copied ? ERROR_SUCCESS : Win32ErrorFromErrno(errno);
  if (copied) {
    const timespec times[2] = {info.st_atim, info.st_mtim};
    futimens(to, times);
    fchmod(to, info.st_mode & 07777);
  }
  CloseHandle(target);
  CloseHandle(source);
  SetLastError(error);
  return copied ? TRUE : FALSE;
}
