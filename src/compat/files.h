// What the stand-in's other calls need to know of its file calls.
#pragma once

#include <sys/stat.h>

#include <string>

// True while the file at `hostPath` is deleted but some handle still holds it,
// so that its name stays taken. A deleted file that nobody holds any more (its
// last holder died without closing) is removed here, and the answer is false.
bool DeletePending(const std::string &hostPath);

// True when the entry at `hostPath`, whose own (lstat) details are `entry`, is
// a folder as Windows sees it: a folder, or a symbolic link that names one,
// which Windows makes as a folder link and treats as a folder (Microsoft Learn,
// "Symbolic Link Effects on File Systems Functions").
bool NamesFolder(const std::string &hostPath, const struct stat &entry);
