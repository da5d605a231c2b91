// Files opened by CreateFileA, with Windows access and sharing rules, and the
// read-only attribute standing for a file without write permission bits (it
// holds for root too, as it does on Windows for administrators). A handle that
// does not share deletion keeps the file from being renamed over or away.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "drive_paths.h"
#include "errno_errors.h"
#include "open_file.h"

namespace {

// One lock byte per right, far beyond any real file size.
constexpr off_t kLockBase = off_t{1} << 62;
enum LockByte { HasRead, HasWrite, DeniesRead, DeniesWrite, DeniesDelete };

bool SomeoneHolds(int fd, LockByte byte) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kLockBase + byte;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

bool Hold(int fd, LockByte byte) {
  struct flock lock = {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kLockBase + byte;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool SharingAllows(int fd, bool read, bool write, DWORD shareMode) {
  if (read && SomeoneHolds(fd, DeniesRead)) return false;
  if (write && SomeoneHolds(fd, DeniesWrite)) return false;
  if (!(shareMode & FILE_SHARE_READ) && SomeoneHolds(fd, HasRead)) return false;
  if (!(shareMode & FILE_SHARE_WRITE) && SomeoneHolds(fd, HasWrite)) return false;
  return true;
}

bool TakeRights(int fd, bool read, bool write, DWORD shareMode) {
  return (!read || Hold(fd, HasRead)) && (!write || Hold(fd, HasWrite)) &&
         ((shareMode & FILE_SHARE_READ) || Hold(fd, DeniesRead)) &&
         ((shareMode & FILE_SHARE_WRITE) || Hold(fd, DeniesWrite)) &&
         ((shareMode & FILE_SHARE_DELETE) || Hold(fd, DeniesDelete));
}

int OpenFlags(DWORD disposition) {
  switch (disposition) {
    case CREATE_NEW:
      return O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
      return O_CREAT;
    default:
      return 0;
  }
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool HeldAgainstRenaming(const std::string &hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  bool held = SomeoneHolds(fd, DeniesDelete);
  close(fd);
  return held;
}

OpenFile::~OpenFile() {
  if (fd >= 0) close(fd);
}

OpenFile *FileFromHandle(HANDLE handle) {
  auto *file = handle == INVALID_HANDLE_VALUE || handle == nullptr
                   ? nullptr
                   : dynamic_cast<OpenFile *>(static_cast<KernelObject *>(handle));
  if (file == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                          DWORD creationDisposition, DWORD, HANDLE) {
  if (fileName == nullptr || *fileName == '\0') return Fail(ERROR_PATH_NOT_FOUND);
  std::string path = HostPath(fileName);
  bool read = (desiredAccess & GENERIC_READ) != 0;
  bool write = (desiredAccess & GENERIC_WRITE) != 0;

  struct stat info;
  bool existed = stat(path.c_str(), &info) == 0;
  if (existed && S_ISDIR(info.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (existed && creationDisposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS);
  if (existed && write && (info.st_mode & 0222) == 0) return Fail(ERROR_ACCESS_DENIED);

  // Always readable, so that the lock bytes can be taken; access is checked above.
  int fd = open(path.c_str(), (write ? O_RDWR : O_RDONLY) | OpenFlags(creationDisposition) | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == ENOENT) {
      struct stat parent;
      std::string folder = path.substr(0, path.rfind('/'));
      return Fail(stat(folder.empty() ? "/" : folder.c_str(), &parent) == 0 ? ERROR_FILE_NOT_FOUND
                                                                            : ERROR_PATH_NOT_FOUND);
    }
    return Fail(Win32ErrorFromErrno(errno));
  }
  if (!existed) NoteNewEntry(path);
  auto *file = new OpenFile;
  file->fd = fd;
  if (!SharingAllows(fd, read, write, shareMode) || !TakeRights(fd, read, write, shareMode)) {
    delete file;
    return Fail(ERROR_SHARING_VIOLATION);
  }
  bool truncate = creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
  // A new file is empty already; truncating it anyway would make ext4 flush it on close.
  if (truncate && existed && info.st_size > 0 && ftruncate(fd, 0) != 0) {
    DWORD error = Win32ErrorFromErrno(errno);
    delete file;
    return Fail(error);
  }
  SetLastError(existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return file;
}

DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD fileSizeHigh) {
  OpenFile *file = FileFromHandle(handle);
  struct stat info;
  if (file == nullptr || fstat(file->fd, &info) != 0) return INVALID_FILE_SIZE;
  auto size = static_cast<ULONGLONG>(info.st_size);
  if (fileSizeHigh != nullptr) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
  if (bytesRead != nullptr) *bytesRead = 0;
  OpenFile *file = FileFromHandle(handle);
  if (file == nullptr) return FALSE;
  DWORD done = 0;
  while (done < bytesToRead) {
    ssize_t got = read(file->fd, static_cast<char *>(buffer) + done, bytesToRead - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return FailWithErrno();
    if (got == 0) break;
    done += static_cast<DWORD>(got);
    if (bytesRead != nullptr) *bytesRead = done;
  }
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED) {
  if (bytesWritten != nullptr) *bytesWritten = 0;
  OpenFile *file = FileFromHandle(handle);
  if (file == nullptr) return FALSE;
  DWORD done = 0;
  while (done < bytesToWrite) {
    ssize_t put = write(file->fd, static_cast<const char *>(buffer) + done, bytesToWrite - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return FailWithErrno();
    done += static_cast<DWORD>(put);
    if (bytesWritten != nullptr) *bytesWritten = done;
  }
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE handle, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod) {
  OpenFile *file = FileFromHandle(handle);
  if (file == nullptr) return INVALID_SET_FILE_POINTER;
  off_t distance =
      distanceToMoveHigh != nullptr
          ? static_cast<off_t>((static_cast<uint64_t>(static_cast<uint32_t>(*distanceToMoveHigh)) << 32) |
                               static_cast<uint32_t>(distanceToMove))
          : static_cast<off_t>(distanceToMove);
  int whence = moveMethod == FILE_END ? SEEK_END : moveMethod == FILE_CURRENT ? SEEK_CUR : SEEK_SET;
  off_t at = lseek(file->fd, distance, whence);
  if (at < 0) {
    FailWithErrno();
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceToMoveHigh != nullptr) *distanceToMoveHigh = static_cast<LONG>(at >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(at);
}

BOOL WINAPI SetEndOfFile(HANDLE handle) {
  OpenFile *file = FileFromHandle(handle);
  if (file == nullptr) return FALSE;
  off_t at = lseek(file->fd, 0, SEEK_CUR);
  if (at < 0 || ftruncate(file->fd, at) != 0) return FailWithErrno();
  return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE handle) {
  OpenFile *file = FileFromHandle(handle);
  if (file == nullptr) return FALSE;
  return fsync(file->fd) == 0 ? TRUE : FailWithErrno();
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete static_cast<KernelObject *>(handle);
  return TRUE;
}
