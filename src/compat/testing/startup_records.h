// Test controls of what a program does at start-up: its library search and
// the ghosting of its windows; and a system that lacks SetDefaultDllDirectories
// (Windows 7 without KB2533623). For tests only: the quorvel_compat_testing
// target.
#pragma once

#include "compat/libraries.h"

namespace startup_records {

// The first LoadLibraryA or LoadLibraryExA since the process started (or
// since StartAfresh): the name and flags it was given, and the default DLL
// directories (SetDefaultDllDirectories) then in force.
using library_search::LibraryLoad;
LibraryLoad FirstLibraryLoad();

// Whether DisableProcessWindowsGhosting was called.
bool GhostingDisabled();

// As a process that has just started, on a system that has
// SetDefaultDllDirectories or, `withoutDefaultDirectories`, one without it:
// GetProcAddress gives nothing for it and LoadLibraryExA refuses the
// LOAD_LIBRARY_SEARCH_* flags. No default directories, no load recorded, no
// ghosting call.
void StartAfresh(bool withoutDefaultDirectories);

}  // namespace startup_records
