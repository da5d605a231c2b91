#pragma once

#include <string>
#include <string_view>

// Maps a Windows path, 8-bit text in the system code page, onto the host the
// way Wine does: "C:" is $WINEPREFIX/drive_c ($HOME/.wine/drive_c without
// WINEPREFIX), "Z:" is "/", "\" and "/" separate, doubled separators name the
// same folder, and a component whose exact spelling is missing is matched
// without regard to ASCII letter case, or as the short name of an entry (the
// short form GetShortPathNameW gives). Components that match nothing are kept
// as written. The host path is UTF-8.
std::string HostPath(const char *windowsPath);

// The Windows path on drive Z: of a host path, in the system code page.
std::string WindowsPathOfHost(std::string_view hostPath);

// Tells the path cache that this process just made the entry at `hostPath`,
// so that a folder filling with new files is not listed again for each.
void NoteNewEntry(const std::string &hostPath);

// `hostPath` with every symbolic link on the way to its last component
// resolved, so that two spellings through a link name one file; as given when
// its folder does not exist.
std::string LinkFreeHostPath(const std::string &hostPath);
