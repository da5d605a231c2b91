// What the stand-in keeps for its test controls (src/compat/testing) to read
// and set. The stand-in itself only keeps it up to date or obeys it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace stand_in_state {

// The folder that plays the system folder in place of the build's one, or
// nullptr: a system whose library is missing.
extern const char *systemFolder;

// The process's library search: the default directories (SetDefaultDllDirectories),
// whether GetProcAddress withholds that call as a system without it does, and
// the first LoadLibraryA or LoadLibraryExA since the start: its name, its
// flags and the default directories then in force.
struct LibraryLoad {
  bool made = false;
  std::string fileName;
  uint32_t flags = 0;
  uint32_t defaultDirectories = 0;
};
extern uint32_t defaultDllDirectories;
extern bool withholdSetDefaultDllDirectories;
extern LibraryLoad firstLibraryLoad;

// Whether DisableProcessWindowsGhosting was called.
extern bool windowsGhostingDisabled;

// HeapAlloc calls counted since a test control started counting, and the
// first and last of them (by that count) that are refused; 0: none.
extern std::atomic<long> heapAllocCalls;
extern long firstRefusedHeapAlloc;
extern long lastRefusedHeapAlloc;

}  // namespace stand_in_state
