// Files: opened by CreateFileA under Windows access and sharing rules, read
// and written, copied, moved, replaced and deleted. The read-only attribute
// stands for a file without write permission bits (it holds for root too, as
// it does on Windows for administrators). A handle that does not share
// deletion keeps the file from being deleted, renamed over or away. A file
// deleted while another handle is open on it is only marked (the sticky bit,
// which nothing else here uses): as DeleteFile's page on Microsoft Learn says,
// its name stays taken and CreateFile on it fails with ERROR_ACCESS_DENIED
// until the last handle closes, which then removes it. A copy lets the kernel move the bytes
// (copy_file_range, else sendfile) and keeps the source's permission bits and
// times, as Windows keeps attributes and times. A move is a rename within the
// drive; with write-through the folder is flushed too, so the new name
// survives a power cut.
#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "drive_paths.h"
#include "errors.h"
#include "kernel_object.h"
#include "portable/paths.h"
#include "stand_in_state.h"

namespace {

// One lock byte per right, far beyond any real file size.
constexpr off_t kLockBase = off_t{1} << 62;
enum LockByte { HasRead, HasWrite, HasDelete, DeniesRead, DeniesWrite, DeniesDelete };
constexpr LockByte kLockBytes[] = {HasRead, HasWrite, HasDelete, DeniesRead, DeniesWrite, DeniesDelete};
constexpr mode_t kDeletePending = S_ISVTX;

struct flock LockOn(LockByte byte, short type) {
  struct flock lock = {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = kLockBase + byte;
  lock.l_len = 1;
  return lock;
}

bool SomeoneHolds(int fd, LockByte byte) {
  struct flock lock = LockOn(byte, F_WRLCK);
  return fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

// True while any other handle, in any process, is open on the file.
bool AnyoneElseHolds(int fd) {
  for (LockByte byte : kLockBytes)
    if (SomeoneHolds(fd, byte)) return true;
  return false;
}

bool Hold(int fd, LockByte byte) {
  struct flock lock = LockOn(byte, F_RDLCK);
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

struct Rights {
  bool read, write, remove;
};

bool SharingAllows(int fd, Rights asked, DWORD shareMode) {
  if (asked.read && SomeoneHolds(fd, DeniesRead)) return false;
  if (asked.write && SomeoneHolds(fd, DeniesWrite)) return false;
  if (asked.remove && SomeoneHolds(fd, DeniesDelete)) return false;
  if (!(shareMode & FILE_SHARE_READ) && SomeoneHolds(fd, HasRead)) return false;
  if (!(shareMode & FILE_SHARE_WRITE) && SomeoneHolds(fd, HasWrite)) return false;
  if (!(shareMode & FILE_SHARE_DELETE) && SomeoneHolds(fd, HasDelete)) return false;
  return true;
}

bool TakeRights(int fd, Rights asked, DWORD shareMode) {
  return (!asked.read || Hold(fd, HasRead)) && (!asked.write || Hold(fd, HasWrite)) &&
         (!asked.remove || Hold(fd, HasDelete)) && ((shareMode & FILE_SHARE_READ) || Hold(fd, DeniesRead)) &&
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

HANDLE FailToOpen(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// An open file. Its open description carries OFD locks that stand for the
// Windows access it was opened with and the sharing it denies, so that the
// sharing rules hold between processes and between handles of one process.
struct OpenFile : KernelObject {
  int fd = -1;
  ~OpenFile() override;
};

std::string HostPathOf(int fd) {
  char path[4096];
  ssize_t length = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : "";
}

// The last handle on a file deleted while it was open removes it.
OpenFile::~OpenFile() {
  if (fd < 0) return;
  struct stat info;
  if (fstat(fd, &info) == 0 && (info.st_mode & kDeletePending) && info.st_nlink > 0 && !AnyoneElseHolds(fd))
    unlink(HostPathOf(fd).c_str());
  close(fd);
}

// True while the file at `hostPath` is marked deleted and a handle is still
// open on it; one whose handles have all gone since is removed now.
bool DeletePending(const std::string &hostPath, const struct stat &info) {
  if ((info.st_mode & kDeletePending) == 0) return false;
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  bool held = fd >= 0 && AnyoneElseHolds(fd);
  if (fd >= 0) close(fd);
  if (!held) unlink(hostPath.c_str());
  return held;
}

// A test's hold refuses the call before anything changes (testing/file_holds.h).
bool RefusedByHold(const std::string &hostPath, unsigned call) {
  auto found = stand_in_state::fileHolds.find(hostPath);
  if (found == stand_in_state::fileHolds.end()) return false;
  stand_in_state::FileHold &hold = found->second;
  if ((hold.operations & call) == 0 || hold.left == 0) return false;
  if (hold.left > 0) --hold.left;
  ++hold.refusals;
  SetLastError(hold.error);
  return true;
}

// True while a handle somewhere denies deleting the file at `hostPath`, which
// on Windows also keeps it from being renamed or replaced.
bool HeldAgainstRenaming(const std::string &hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  bool held = SomeoneHolds(fd, DeniesDelete);
  close(fd);
  return held;
}

bool HeldAtAll(const std::string &hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  bool held = AnyoneElseHolds(fd);
  close(fd);
  return held;
}

// The file behind a handle, or nullptr (last error set) when it is none.
OpenFile *FileFromHandle(HANDLE handle) {
  auto *file = handle == INVALID_HANDLE_VALUE || handle == nullptr
                   ? nullptr
                   : dynamic_cast<OpenFile *>(static_cast<KernelObject *>(handle));
  if (file == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

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

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool SyncFolderOf(const std::string &hostPath) {
  std::string folder(ParentFolder(hostPath));
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

// A name in the folder of `hostPath` that no file has yet, as GetTempFileName
// gives: "rf" and a number.
std::string TemporaryNameBeside(const std::string &hostPath) {
  static unsigned counter = static_cast<unsigned>(getpid()) << 8;
  std::string_view folder = ParentFolder(hostPath);
  struct stat info;
  std::string name;
  do {
    char digits[16];
    std::snprintf(digits, sizeof digits, "rf%04X.tmp", ++counter & 0xFFFF);
    name = JoinPath(folder, digits, '/');
  } while (lstat(name.c_str(), &info) == 0);
  return name;
}

// Renames `from` to `to`; the caller has checked what Windows would refuse.
BOOL Rename(const std::string &from, const std::string &to, bool targetExisted, bool writeThrough) {
  if (rename(from.c_str(), to.c_str()) != 0) return FailWithErrno();
  if (!targetExisted) NoteNewEntry(to);
  if (writeThrough && !SyncFolderOf(to)) return FailWithErrno();
  return TRUE;
}

}  // namespace

std::map<std::string, stand_in_state::FileHold> stand_in_state::fileHolds;
DWORD stand_in_state::nextReplaceStop = 0;

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                          DWORD creationDisposition, DWORD, HANDLE) {
  if (fileName == nullptr || *fileName == '\0') return FailToOpen(ERROR_PATH_NOT_FOUND);
  std::string path = HostPath(fileName);
  if (RefusedByHold(path, stand_in_state::kHeldOpen)) return INVALID_HANDLE_VALUE;
  Rights asked{(desiredAccess & GENERIC_READ) != 0, (desiredAccess & GENERIC_WRITE) != 0,
               (desiredAccess & DELETE) != 0};
  bool write = asked.write;

  struct stat info;
  bool existed = stat(path.c_str(), &info) == 0;
  if (existed && DeletePending(path, info)) return FailToOpen(ERROR_ACCESS_DENIED);
  existed = existed && stat(path.c_str(), &info) == 0;
  if (existed && S_ISDIR(info.st_mode)) return FailToOpen(ERROR_ACCESS_DENIED);
  if (existed && creationDisposition == CREATE_NEW) return FailToOpen(ERROR_FILE_EXISTS);
  if (existed && write && (info.st_mode & 0222) == 0) return FailToOpen(ERROR_ACCESS_DENIED);

  // Always readable, so that the lock bytes can be taken; access is checked above.
  int fd = open(path.c_str(), (write ? O_RDWR : O_RDONLY) | OpenFlags(creationDisposition) | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == ENOENT) {
      struct stat parent;
      std::string folder(ParentFolder(path));
      return FailToOpen(stat(folder.c_str(), &parent) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    }
    return FailToOpen(Win32ErrorFromErrno(errno));
  }
  if (!existed) NoteNewEntry(path);
  auto *file = new OpenFile;
  file->fd = fd;
  if (!SharingAllows(fd, asked, shareMode) || !TakeRights(fd, asked, shareMode)) {
    delete file;
    return FailToOpen(ERROR_SHARING_VIOLATION);
  }
  bool truncate = creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
  // A new file is empty already; truncating it anyway would make ext4 flush it on close.
  if (truncate && existed && info.st_size > 0 && ftruncate(fd, 0) != 0) {
    DWORD error = Win32ErrorFromErrno(errno);
    delete file;
    return FailToOpen(error);
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

BOOL WINAPI CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  for (LPCSTR name : {existingFileName, newFileName})
    if (name != nullptr && RefusedByHold(HostPath(name), stand_in_state::kHeldCopy)) return FALSE;
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
    fchmod(to, info.st_mode & 07777 & ~kDeletePending);
  }
  CloseHandle(target);
  CloseHandle(source);
  SetLastError(error);
  return copied ? TRUE : FALSE;
}

BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
  if (existingFileName == nullptr || newFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string from = HostPath(existingFileName);
  std::string to = HostPath(newFileName);
  if (RefusedByHold(from, stand_in_state::kHeldRename) || RefusedByHold(to, stand_in_state::kHeldRename))
    return FALSE;
  struct stat source, target;
  if (lstat(from.c_str(), &source) != 0) return FailWithErrno();
  bool targetExists = lstat(to.c_str(), &target) == 0;
  if (targetExists && !(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
  if (targetExists && (S_ISDIR(target.st_mode) || (target.st_mode & 0222) == 0))
    return Fail(ERROR_ACCESS_DENIED);
  if (HeldAgainstRenaming(from)) return Fail(ERROR_SHARING_VIOLATION);
  if (targetExists && HeldAgainstRenaming(to)) return Fail(ERROR_ACCESS_DENIED);
  return Rename(from, to, targetExists, (flags & MOVEFILE_WRITE_THROUGH) != 0);
}

// ReplaceFileA (Microsoft Learn, "ReplaceFileA function (winbase.h)") is done
// as the separate steps its documented failures imply: the replaced file is
// renamed to the backup name (without one, to a temporary name, deleted at
// once), then the replacement to the replaced file's name. A stop between the
// two is ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 with a backup name (the replaced
// file stands under it) and ERROR_UNABLE_TO_MOVE_REPLACEMENT without one (the
// replaced file is gone). The replacement is opened without sharing, so any
// handle on it refuses the call. It takes the replaced file's owner and mode,
// as Windows keeps its attributes and security; the new name is written
// through.
BOOL WINAPI ReplaceFileA(LPCSTR replacedFileName, LPCSTR replacementFileName, LPCSTR backupFileName, DWORD,
                         LPVOID, LPVOID) {
  if (replacedFileName == nullptr || replacementFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string replaced = HostPath(replacedFileName);
  std::string replacement = HostPath(replacementFileName);
  std::string kept = backupFileName != nullptr ? HostPath(backupFileName) : TemporaryNameBeside(replaced);
  for (const std::string &name : {replaced, replacement, kept})
    if (RefusedByHold(name, stand_in_state::kHeldRename)) return FALSE;
  struct stat old;
  if (lstat(replaced.c_str(), &old) != 0) return FailWithErrno();
  if (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0) return Fail(ERROR_ACCESS_DENIED);
  if (HeldAgainstRenaming(replaced) || HeldAtAll(replacement)) return Fail(ERROR_SHARING_VIOLATION);
  DWORD stop = stand_in_state::nextReplaceStop;
  stand_in_state::nextReplaceStop = 0;
  bool withBackup = backupFileName != nullptr;
  if (stop == ERROR_UNABLE_TO_REMOVE_REPLACED || (stop == ERROR_UNABLE_TO_MOVE_REPLACEMENT && withBackup))
    return Fail(stop);
  if (chmod(replacement.c_str(), old.st_mode & 07777 & ~kDeletePending) != 0) return FailWithErrno();
  // Only root may give a file away; anyone else keeps the owner they had.
  if (chown(replacement.c_str(), old.st_uid, old.st_gid) != 0 && errno != EPERM) return FailWithErrno();
  struct stat existing;
  bool keptExisted = lstat(kept.c_str(), &existing) == 0;
  if (rename(replaced.c_str(), kept.c_str()) != 0) return Fail(ERROR_UNABLE_TO_REMOVE_REPLACED);
  if (!keptExisted) NoteNewEntry(kept);
  if (!withBackup && stop != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) unlink(kept.c_str());
  if (stop != 0 || rename(replacement.c_str(), replaced.c_str()) != 0)
    return Fail(stop != 0    ? stop
                : withBackup ? ERROR_UNABLE_TO_MOVE_REPLACEMENT_2
                             : ERROR_UNABLE_TO_MOVE_REPLACEMENT);
  NoteNewEntry(replaced);
  return SyncFolderOf(replaced) ? TRUE : FailWithErrno();
}

// DeleteFileA (Microsoft Learn, "DeleteFileA function (fileapi.h)"): refused
// for a read-only file and while a handle that shares no deletion is open; a
// file other handles still hold is only marked, and goes with the last of them.
BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  if (fileName == nullptr) return Fail(ERROR_PATH_NOT_FOUND);
  std::string path = HostPath(fileName);
  if (RefusedByHold(path, stand_in_state::kHeldDelete)) return FALSE;
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return FailWithErrno();
  if (S_ISDIR(info.st_mode) || (info.st_mode & 0222) == 0) return Fail(ERROR_ACCESS_DENIED);
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return FailWithErrno();
  bool deniesDeletion = SomeoneHolds(fd, DeniesDelete);
  bool open = AnyoneElseHolds(fd);
  if (!deniesDeletion && open) fchmod(fd, (info.st_mode & 07777) | kDeletePending);
  close(fd);
  if (deniesDeletion) return Fail(ERROR_SHARING_VIOLATION);
  if (!open && unlink(path.c_str()) != 0) return FailWithErrno();
  return TRUE;
}
