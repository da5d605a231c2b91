// MoveFileExA and ReplaceFileA: a rename within the drive, refused while a
// handle that does not share deletion holds either file, as on Windows. With
// write-through the folder is flushed too, so the new name survives a power cut.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "drive_paths.h"
#include "errno_errors.h"
#include "open_file.h"

namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool SyncFolderOf(const std::string &hostPath) {
  size_t slash = hostPath.rfind('/');
  std::string folder = slash == 0 ? "/" : hostPath.substr(0, slash);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

// Renames `from` to `to`; the caller has checked what Windows would refuse.
BOOL Rename(const std::string &from, const std::string &to, bool targetExisted, bool writeThrough) {
  if (rename(from.c_str(), to.c_str()) != 0) return FailWithErrno();
  if (!targetExisted) NoteNewEntry(to);
  if (writeThrough && !SyncFolderOf(to)) return FailWithErrno();
  return TRUE;
}

}  // namespace

BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
  if (existingFileName == nullptr || newFileName == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  std::string from = HostPath(existingFileName);
  std::string to = HostPath(newFileName);
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

// The replacement takes the replaced file's owner and mode, as Windows keeps
// its attributes and security; it is always written through.
BOOL WINAPI ReplaceFileA(LPCSTR replacedFileName, LPCSTR replacementFileName, LPCSTR backupFileName, DWORD,
                         LPVOID, LPVOID) {
  if (replacedFileName == nullptr || replacementFileName == nullptr || backupFileName != nullptr)
    return Fail(ERROR_INVALID_PARAMETER);
  std::string replaced = HostPath(replacedFileName);
  std::string replacement = HostPath(replacementFileName);
  struct stat old;
  if (lstat(replaced.c_str(), &old) != 0) return FailWithErrno();
  if (!S_ISREG(old.st_mode) || (old.st_mode & 0222) == 0) return Fail(ERROR_ACCESS_DENIED);
  if (HeldAgainstRenaming(replaced)) return Fail(ERROR_SHARING_VIOLATION);
  if (HeldAgainstRenaming(replacement)) return Fail(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
  if (chmod(replacement.c_str(), old.st_mode & 07777) != 0) return FailWithErrno();
  // Only root may give a file away; anyone else keeps the owner they had.
  if (chown(replacement.c_str(), old.st_uid, old.st_gid) != 0 && errno != EPERM) return FailWithErrno();
  return Rename(replacement, replaced, true, true);
}
