#include "startup_records.h"

#include "stand_in_state.h"

startup_records::LibraryLoad startup_records::FirstLibraryLoad() {
  const stand_in_state::LibraryLoad &first = stand_in_state::firstLibraryLoad;
  return {first.made, first.fileName, first.flags, first.defaultDirectories};
}

bool startup_records::GhostingDisabled() { return stand_in_state::windowsGhostingDisabled; }

void startup_records::StartAfresh(bool withoutDefaultDirectories) {
  stand_in_state::withholdSetDefaultDllDirectories = withoutDefaultDirectories;
  stand_in_state::defaultDllDirectories = 0;
  stand_in_state::firstLibraryLoad = {};
  stand_in_state::windowsGhostingDisabled = false;
}
