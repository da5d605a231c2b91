// What the process calls keep for their test controls
// (testing/environment_block.h) to set and read.
#pragma once

#include <atomic>

namespace environment_block {

// While set, GetEnvironmentStrings gives no block, as a platform out of memory would.
extern std::atomic<bool> withheld;
// Blocks handed out by GetEnvironmentStrings and not yet given back.
extern std::atomic<int> held;

}  // namespace environment_block
