// Test controls for the stand-in's environment block. For tests only: the
// quorvel_compat_testing target.
#pragma once

namespace environment_block {

// While set, GetEnvironmentStrings gives no block, as a platform out of memory would.
void WithholdBlocks(bool withhold);

// Blocks handed out by GetEnvironmentStrings and not yet given back.
int BlocksHeld();

}  // namespace environment_block
