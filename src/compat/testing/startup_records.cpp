#include "startup_records.h"

#include <cstdlib>

#include "window_table.h"

startup_records::LibraryLoad startup_records::FirstLibraryLoad() { return library_search::firstLoad; }

bool startup_records::GhostingDisabled() {
  TableLock hold(Windows().lock);
  return Windows().ghostingDisabled;
}

void startup_records::StartAfresh(bool withoutDefaultDirectories) {
  library_search::withholdSetDefaultDllDirectories = withoutDefaultDirectories;
  library_search::defaultDirectories = 0;
  library_search::firstLoad = {};
  TableLock hold(Windows().lock);
  Windows().ghostingDisabled = false;
}

namespace {

// QUORVEL_SYSTEM_FOLDER in a test's environment names the folder that plays
// the system folder, as the stand-in for a system whose library is missing.
// Taken before the test's main runs; the test support links this whole.
[[maybe_unused]] const bool systemFolderTaken = [] {
  library_search::systemFolder = std::getenv("QUORVEL_SYSTEM_FOLDER");
  return true;
}();

}  // namespace
