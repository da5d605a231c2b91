// The test control of the stand-in's system folder.
#include <cstdlib>

#include "stand_in_state.h"

namespace {

// QUORVEL_SYSTEM_FOLDER in a test's environment names the folder that plays
// the system folder, as the stand-in for a system whose library is missing.
// Taken before the test's main runs; the test support links this whole.
[[maybe_unused]] const bool systemFolderTaken = [] {
  stand_in_state::systemFolder = std::getenv("QUORVEL_SYSTEM_FOLDER");
  return true;
}();

}  // namespace
