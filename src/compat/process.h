// What the process calls keep for their test controls
// (testing/environment_block.h) to set and read.
#pragma once

#include <atomic>

namespace environment_block {

// While set, both GetEnvironmentStrings calls refuse every block.
extern std::atomic<bool> withheld;
// The blocks they gave out, less those given back to FreeEnvironmentStrings.
extern std::atomic<int> held;

}  // namespace environment_block
