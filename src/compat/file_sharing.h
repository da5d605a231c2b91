// Windows' sharing and deletion rules for the stand-in's file calls: what an
// open handle's access and sharing let other calls do, delete-pending, and what
// Windows refuses to rename, replace or delete.
#pragma once

#include <sys/stat.h>
#include <windows.h>

#include <string>

// The access a handle is opened with.
struct Rights {
  bool read, write, remove;
};

// Gives the open file `fd` the rights `asked` and denies other handles what
// `shareMode` does not share; false when a handle somewhere, in any process,
// denies what is asked or holds what is not shared (ERROR_SHARING_VIOLATION).
bool TakeRights(int fd, Rights asked, DWORD shareMode);

// Closes a file `fd` that TakeRights was given; the last handle on a file
// deleted while it was open removes it.
void CloseWithRights(int fd);

// `mode`'s permission bits, as a copy or a replacement takes them over:
// without the delete-pending mark.
mode_t PermissionBits(mode_t mode);

// True while the file at `hostPath` is deleted but some handle still holds it,
// so that its name stays taken. A deleted file that nobody holds any more (its
// last holder died without closing) is removed here, and the answer is false.
bool DeletePending(const std::string &hostPath);

// True when the entry at `hostPath`, whose own (lstat) details are `entry`, is
// a folder as Windows sees it: a folder, or a symbolic link that names one,
// which Windows makes as a folder link and treats as a folder (Microsoft Learn,
// "Symbolic Link Effects on File Systems Functions").
bool NamesFolder(const std::string &hostPath, const struct stat &entry);

// A file Windows would not let a call rename or replace away, whose lstat
// details are `info`: a folder (also a link to one), read-only, or
// delete-pending.
bool RefusesRenaming(const std::string &hostPath, const struct stat &info);

// True while a handle denies deleting the file, which on Windows also keeps it
// from being renamed or replaced.
bool HeldAgainstRenaming(const std::string &hostPath);

// The error ReplaceFileA gives before it changes anything (ERROR_SUCCESS: none),
// for its replaced file, its replacement and the name the replaced file is to
// be kept under.
DWORD ReplaceRefusal(const std::string &replaced, const std::string &replacement, const std::string &kept);

// Deletes the file at `hostPath`, whose lstat mode is `mode`, as DeleteFileA
// does once its name and attributes allow it: refused while a handle shares no
// deletion, only marked while other handles hold it.
BOOL DeleteOrMark(const std::string &hostPath, mode_t mode);
