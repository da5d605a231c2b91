// Files: opened by CreateFileA under Windows access and sharing rules, read
// and written, copied, moved, replaced and deleted. The read-only attribute
// stands for a file without write permission bits (it holds for root too, as
// it does on Windows for administrators). A handle that does not share
// deletion keeps the file from being deleted, renamed over or away.
//
// Delete-pending: DeleteFileA (Microsoft Learn, "DeleteFileA function
// (fileapi.h)") only marks a file that other handles hold with delete sharing;
// its name stays taken and CreateFile on it fails with ERROR_ACCESS_DENIED
// until the last handle closes. The mark is the sticky bit, which nothing else
// here sets on a file, so every process sees it; every handle holds the IsOpen
// lock byte, so any process can tell whether one is left. The closing of the
// last handle removes the file, and so does any call that meets a marked file
// nobody holds (its last holder died without closing).
//
// A copy lets the kernel move the bytes (copy_file_range, else sendfile) and
// keeps the source's permission bits and times, as Windows keeps attributes and
// times. A move is a rename within the drive; with write-through the folder is
// flushed too, so the new name survives a power cut.
#include "files.h"

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
enum LockByte { IsOpen, HasRead, HasWrite, HasDelete, DeniesRead, DeniesWrite, DeniesDelete };
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
bool AnyoneElseHolds(int fd) { return SomeoneHolds(fd, IsOpen); }

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
  return Hold(fd, IsOpen) && (!asked.read || Hold(fd, HasRead)) && (!asked.write || Hold(fd, HasWrite)) &&
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

// A test's hold refuses the call before anything changes (testing/file_holds.h).
bool RefusedByHold(const std::string &hostPath, unsigned call) {
  if (stand_in_state::fileHolds.empty()) return false;
  auto found = stand_in_state::fileHolds.find(LinkFreeHostPath(hostPath));
  if (found == stand_in_state::fileHolds.end()) return false;
  stand_in_state::FileHold &hold = found->second;
  if ((hold.operations & call) == 0 || hold.left == 0) return false;
  if (hold.left > 0) --hold.left;
  ++hold.refusals;
  SetLastError(hold.error);
  return true;
}

// True while a handle somewhere holds `byte` of the file at `hostPath`.
bool SomeoneHolds(const std::string &hostPath, LockByte byte) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  bool held = SomeoneHolds(fd, byte);
  close(fd);
  return held;
}

// A handle that denies deleting a file also keeps it from being renamed or
// replaced on Windows.
bool HeldAgainstRenaming(const std::string &hostPath) { return SomeoneHolds(hostPath, DeniesDelete); }

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

// The file at `hostPath` opened as CreateFileA opens it; test holds aside.
HANDLE OpenHostFile(const std::string &path, DWORD desiredAccess, DWORD shareMode,
                    DWORD creationDisposition) {
  Rights asked{(desiredAccess & GENERIC_READ) != 0, (desiredAccess & GENERIC_WRITE) != 0,
               (desiredAccess & DELETE) != 0};
  if (DeletePending(path)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  struct stat info;
  bool existed = stat(path.c_str(), &info) == 0;
  if (existed && S_ISDIR(info.st_mode)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
  if (existed && creationDisposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
  if (existed && asked.write && (info.st_mode & 0222) == 0)
    return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);

  // Always readable, so that the lock bytes can be taken; access is checked above.
  int fd = open(path.c_str(), (asked.write ? O_RDWR : O_RDONLY) | OpenFlags(creationDisposition) | O_CLOEXEC,
                0666);
  if (fd < 0) return FailWithErrno(path, INVALID_HANDLE_VALUE);
  if (!existed) NoteNewEntry(path);
  auto *file = new OpenFile;
  file->fd = fd;
  if (!SharingAllows(fd, asked, shareMode) || !TakeRights(fd, asked, shareMode)) {
    delete file;
    return Fail(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
  }
  bool truncate = creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
  // A new file is empty already; truncating it anyway would make ext4 flush it on close.
  if (truncate && existed && info.st_size > 0 && ftruncate(fd, 0) != 0) {
    DWORD error = Win32ErrorFromErrno(errno);
    delete file;
    return Fail(error, INVALID_HANDLE_VALUE);
  }
  SetLastError(existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return file;
}

// A file the stand-in would not let a Windows call rename or replace away:
// a folder (also a link to one), read-only, or delete-pending.
bool RefusesRenaming(const std::string &hostPath, const struct stat &info) {
  return NamesFolder(hostPath, info) || (info.st_mode & 0222) == 0 || DeletePending(hostPath);
}

}  // namespace

std::map<std::string, stand_in_state::FileHold> stand_in_state::fileHolds;
DWORD stand_in_state::nextReplaceStop = 0;

bool NamesFolder(const std::string &hostPath, const struct stat &entry) {
  struct stat target;
  return S_ISDIR(entry.st_mode) ||
         (S_ISLNK(entry.st_mode) && stat(hostPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode));
}

bool DeletePending(const std::string &hostPath) {
  struct stat info;
  if (lstat(hostPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || (info.st_mode & kDeletePending) == 0)
    return false;
  if (SomeoneHolds(hostPath, IsOpen)) return true;
  unlink(hostPath.c_str());
  return false;
}

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                          DWORD creationDisposition, DWORD, HANDLE) {
  if (fileName == nullptr || *fileName == '\0') return Fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
  std::string path = HostPath(fileName);
  if (RefusedByHold(path, stand_in_state::kHeldOpen)) return INVALID_HANDLE_VALUE;
  return OpenHostFile(path, desiredAccess, shareMode, creationDisposition);
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
  if (at < 0) return FailWithErrno<DWORD>({}, INVALID_SET_FILE_POINTER);
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
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return Fail(ERROR_INVALID_HANDLE);
  delete static_cast<KernelObject *>(handle);
  return TRUE;
}

BOOL WINAPI CopyFileA(LPCSTR existingFileName, LPCSTR newFileName, BOOL failIfExists) {
  if (existingFileName == nullptr || newFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string sourcePath = HostPath(existingFileName);
  std::string targetPath = HostPath(newFileName);
  if (RefusedByHold(sourcePath, stand_in_state::kHeldCopy) ||
      RefusedByHold(targetPath, stand_in_state::kHeldCopy))
    return FALSE;
  HANDLE source = OpenHostFile(sourcePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (source == INVALID_HANDLE_VALUE) return FALSE;
  int from = FileFromHandle(source)->fd;
  struct stat info;
  if (fstat(from, &info) != 0) {
    FailWithErrno();
    CloseHandle(source);
    return FALSE;
  }
  HANDLE target = OpenHostFile(targetPath, GENERIC_WRITE, 0, failIfExists ? CREATE_NEW : CREATE_ALWAYS);
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
  if (lstat(from.c_str(), &source) != 0) return FailWithErrno(from);
  if (DeletePending(from)) return Fail(ERROR_ACCESS_DENIED);
  bool targetExists = lstat(to.c_str(), &target) == 0;
  if (targetExists && !(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
  if (targetExists && RefusesRenaming(to, target)) return Fail(ERROR_ACCESS_DENIED);
  if (HeldAgainstRenaming(from)) return Fail(ERROR_SHARING_VIOLATION);
  if (targetExists && HeldAgainstRenaming(to)) return Fail(ERROR_ACCESS_DENIED);
  return Rename(from, to, targetExists, (flags & MOVEFILE_WRITE_THROUGH) != 0);
}

namespace {

// The checks ReplaceFileA makes before it changes anything. The replaced file
// is opened for reading and deletion sharing everything, the replacement with
// no sharing at all, so any handle on it refuses the call (Microsoft Learn,
// "ReplaceFileA function (winbase.h)", the two file parameters). A backup
// that could not be renamed over keeps the replaced file from being moved.
DWORD ReplaceRefusal(const std::string &replaced, const std::string &replacement, const std::string &kept) {
  struct stat info;
  if (lstat(replaced.c_str(), &info) != 0) return Win32ErrorFromErrno(errno, replaced);
  if (!S_ISREG(info.st_mode) || RefusesRenaming(replaced, info)) return ERROR_ACCESS_DENIED;
  if (lstat(replacement.c_str(), &info) != 0) return Win32ErrorFromErrno(errno, replacement);
  if (!S_ISREG(info.st_mode) || DeletePending(replacement)) return ERROR_ACCESS_DENIED;
  if (SomeoneHolds(replaced, DeniesRead) || HeldAgainstRenaming(replaced) ||
      SomeoneHolds(replacement, IsOpen))
    return ERROR_SHARING_VIOLATION;
  if (lstat(kept.c_str(), &info) == 0 && (RefusesRenaming(kept, info) || HeldAgainstRenaming(kept)))
    return ERROR_UNABLE_TO_REMOVE_REPLACED;
  return ERROR_SUCCESS;
}

// The replacement takes the replaced file's owner and mode, as Windows keeps
// its attributes and security.
bool TakeOverAttributes(const std::string &replaced, const std::string &replacement) {
  struct stat old;
  if (lstat(replaced.c_str(), &old) != 0 ||
      chmod(replacement.c_str(), old.st_mode & 07777 & ~kDeletePending) != 0)
    return false;
  // Only root may give a file away; anyone else keeps the owner they had.
  return chown(replacement.c_str(), old.st_uid, old.st_gid) == 0 || errno == EPERM;
}

}  // namespace

// ReplaceFileA (Microsoft Learn, "ReplaceFileA function (winbase.h)") is done
// as the separate steps its documented failures imply, each its own system
// call, so a kill can fall between them:
//   1. the replacement takes over the replaced file's attributes;
//   2. the replaced file is renamed to the backup name, replacing an old backup
//      (without a backup name: to a temporary name beside it, "rf????.tmp",
//      deleted at once, so that a failing step 3 leaves what 1176 documents);
//   3. the replacement is renamed to the replaced file's name;
//   4. the folder is flushed, so the names are written through.
// Step 2 failing: ERROR_UNABLE_TO_REMOVE_REPLACED, both keep their names.
// Step 3 failing: ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 with a backup name (the
// replaced file stands under it, the replacement under its own name), else
// ERROR_UNABLE_TO_MOVE_REPLACEMENT (the replaced file is gone, the replacement
// keeps its name). A test's StopNextReplace leaves the state documented for
// its error: 1175 and, with a backup name, 1176 change nothing; 1176 without
// one is a stop after step 2; 1177 is a stop after step 2 that keeps the
// replaced file (under the backup name, else under the temporary one).
BOOL WINAPI ReplaceFileA(LPCSTR replacedFileName, LPCSTR replacementFileName, LPCSTR backupFileName, DWORD,
                         LPVOID, LPVOID) {
  if (replacedFileName == nullptr || replacementFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string replaced = HostPath(replacedFileName);
  std::string replacement = HostPath(replacementFileName);
  bool withBackup = backupFileName != nullptr;
  std::string kept = withBackup ? HostPath(backupFileName) : TemporaryNameBeside(replaced);
  for (const std::string &name : {replaced, replacement, kept})
    if (RefusedByHold(name, stand_in_state::kHeldRename)) return FALSE;
  if (DWORD refusal = ReplaceRefusal(replaced, replacement, kept)) return Fail(refusal);
  DWORD stop = stand_in_state::nextReplaceStop;
  stand_in_state::nextReplaceStop = 0;
  if (stop == ERROR_UNABLE_TO_REMOVE_REPLACED || (stop == ERROR_UNABLE_TO_MOVE_REPLACEMENT && withBackup))
    return Fail(stop);
  if (!TakeOverAttributes(replaced, replacement)) return FailWithErrno(replacement);
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
// with ERROR_ACCESS_DENIED for a read-only file, a folder and a file already
// delete-pending, with ERROR_SHARING_VIOLATION while a handle that shares no
// deletion is open; a file other handles hold with delete sharing is only
// marked, and goes with the last of them.
BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  if (fileName == nullptr) return Fail(ERROR_PATH_NOT_FOUND);
  std::string path = HostPath(fileName);
  if (RefusedByHold(path, stand_in_state::kHeldDelete)) return FALSE;
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return FailWithErrno(path);
  if (RefusesRenaming(path, info)) return Fail(ERROR_ACCESS_DENIED);
  if (lstat(path.c_str(), &info) != 0) return TRUE;  // a mark nobody held any more: gone just now
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return FailWithErrno(path);
  bool deniesDeletion = SomeoneHolds(fd, DeniesDelete);
  if (!deniesDeletion && AnyoneElseHolds(fd)) fchmod(fd, (info.st_mode & 07777) | kDeletePending);
  // Looked at again once marked, so that a last handle closed meanwhile does not leave the mark behind.
  bool removeNow = !deniesDeletion && !AnyoneElseHolds(fd);
  close(fd);
  if (deniesDeletion) return Fail(ERROR_SHARING_VIOLATION);
  // The last holder may have closed and removed it since.
  if (removeNow && unlink(path.c_str()) != 0 && errno != ENOENT) return FailWithErrno(path);
  return TRUE;
}
