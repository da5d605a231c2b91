// What the library calls keep for their test controls
// (testing/startup_records.h) to set and read: the process's library search.
#pragma once

#include <windows.h>

#include <string>

namespace library_search {

// The first library load recorded: the name and flags it was given, and the
// default DLL directories then in force.
struct LibraryLoad {
  bool made = false;
  std::string fileName;
  DWORD flags = 0;
  DWORD defaultDirectories = 0;
};
extern LibraryLoad firstLoad;

// What SetDefaultDllDirectories made the default; 0 before it is called.
extern DWORD defaultDirectories;

// While set, GetProcAddress withholds SetDefaultDllDirectories and
// LoadLibraryExA refuses the search flags, as a system without that call does.
extern bool withholdSetDefaultDllDirectories;

// The folder that plays the system folder in place of the build's one, or
// nullptr: a system whose library is missing.
extern const char *systemFolder;

}  // namespace library_search
