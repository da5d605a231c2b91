// The test controls of the stand-in's process calls: the environment block
// and the system folder.
#include <cstdlib>

#include "environment_block.h"
#include "stand_in_state.h"

void environment_block::WithholdBlocks(bool withhold) {
  stand_in_state::withholdEnvironmentBlocks = withhold;
}

int environment_block::BlocksHeld() { return stand_in_state::environmentBlocksHeld; }

namespace {

// QUORVEL_SYSTEM_FOLDER in a test's environment names the folder that plays
// the system folder, as the stand-in for a system whose library is missing.
// Taken before the test's main runs; the test support links this whole.
[[maybe_unused]] const bool systemFolderTaken = [] {
  stand_in_state::systemFolder = std::getenv("QUORVEL_SYSTEM_FOLDER");
  return true;
}();

}  // namespace
