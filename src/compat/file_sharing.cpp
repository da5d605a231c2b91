// The sharing rules are OFD locks on bytes far beyond any real file size, one
// per right a handle holds or denies, so that they hold between processes and
// between handles of one process. A handle that does not share deletion keeps
// the file from being deleted, renamed over or away.
//
// Delete-pending: DeleteFileA (Microsoft Learn, "DeleteFileA function
// (fileapi.h)") only marks a file that other handles hold with delete sharing;
// its name stays taken and CreateFile on it fails with ERROR_ACCESS_DENIED
// until the last handle closes. The mark is the sticky bit, which nothing else
// here sets on a file, so every process sees it; every handle holds the IsOpen
// lock byte, so any process can tell whether one is left. The closing of the
// last handle removes the file, and so does any call that meets a marked file
// nobody holds (its last holder died without closing).
#include "file_sharing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "errors.h"

namespace {

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

bool SharingAllows(int fd, Rights asked, DWORD shareMode) {
  if (asked.read && SomeoneHolds(fd, DeniesRead)) return false;
  if (asked.write && SomeoneHolds(fd, DeniesWrite)) return false;
  if (asked.remove && SomeoneHolds(fd, DeniesDelete)) return false;
  if (!(shareMode & FILE_SHARE_READ) && SomeoneHolds(fd, HasRead)) return false;
  if (!(shareMode & FILE_SHARE_WRITE) && SomeoneHolds(fd, HasWrite)) return false;
  if (!(shareMode & FILE_SHARE_DELETE) && SomeoneHolds(fd, HasDelete)) return false;
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

std::string HostPathOf(int fd) {
  char path[4096];
  ssize_t length = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : "";
}

}  // namespace

bool TakeRights(int fd, Rights asked, DWORD shareMode) {
  return SharingAllows(fd, asked, shareMode) && Hold(fd, IsOpen) && (!asked.read || Hold(fd, HasRead)) &&
         (!asked.write || Hold(fd, HasWrite)) && (!asked.remove || Hold(fd, HasDelete)) &&
         ((shareMode & FILE_SHARE_READ) || Hold(fd, DeniesRead)) &&
         ((shareMode & FILE_SHARE_WRITE) || Hold(fd, DeniesWrite)) &&
         ((shareMode & FILE_SHARE_DELETE) || Hold(fd, DeniesDelete));
}

void CloseWithRights(int fd) {
  struct stat info;
  if (fstat(fd, &info) == 0 && (info.st_mode & kDeletePending) && info.st_nlink > 0 && !AnyoneElseHolds(fd))
    unlink(HostPathOf(fd).c_str());
  close(fd);
}

mode_t PermissionBits(mode_t mode) { return mode & 07777 & ~kDeletePending; }

bool DeletePending(const std::string &hostPath) {
  struct stat info;
  if (lstat(hostPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || (info.st_mode & kDeletePending) == 0)
    return false;
  if (SomeoneHolds(hostPath, IsOpen)) return true;
  unlink(hostPath.c_str());
  return false;
}

bool NamesFolder(const std::string &hostPath, const struct stat &entry) {
  struct stat target;
  return S_ISDIR(entry.st_mode) ||
         (S_ISLNK(entry.st_mode) && stat(hostPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode));
}

bool RefusesRenaming(const std::string &hostPath, const struct stat &info) {
  return NamesFolder(hostPath, info) || (info.st_mode & 0222) == 0 || DeletePending(hostPath);
}

bool HeldAgainstRenaming(const std::string &hostPath) { return SomeoneHolds(hostPath, DeniesDelete); }

// The replaced file is opened for reading and deletion sharing everything, the
// replacement with no sharing at all, so any handle on it refuses the call
// (Microsoft Learn, "ReplaceFileA function (winbase.h)", the two file
// parameters). A backup that could not be renamed over keeps the replaced file
// from being moved.
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

BOOL DeleteOrMark(const std::string &hostPath, mode_t mode) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return FailWithErrno(hostPath);
  bool deniesDeletion = SomeoneHolds(fd, DeniesDelete);
  if (!deniesDeletion && AnyoneElseHolds(fd)) fchmod(fd, (mode & 07777) | kDeletePending);
  // Looked at again once marked, so that a last handle closed meanwhile does not leave the mark behind.
  bool removeNow = !deniesDeletion && !AnyoneElseHolds(fd);
  close(fd);
  if (deniesDeletion) return Fail(ERROR_SHARING_VIOLATION);
  // The last holder may have closed and removed it since.
  if (removeNow && unlink(hostPath.c_str()) != 0 && errno != ENOENT) return FailWithErrno(hostPath);
  return TRUE;
}
