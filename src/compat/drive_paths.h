#pragma once

#include <string>

// Maps a Windows path onto the host the way Wine does: "C:" is
// $WINEPREFIX/drive_c ($HOME/.wine/drive_c without WINEPREFIX), "Z:" is "/",
// "\" and "/" separate, doubled separators name the same folder, and a
// component whose exact spelling is missing is matched without regard to
// ASCII letter case. Components that match nothing are kept as written.
std::string HostPath(const char *windowsPath);

// Compares two names with ASCII letters folded, as Windows compares file names.
bool SameNameIgnoringCase(const std::string &a, const std::string &b);
