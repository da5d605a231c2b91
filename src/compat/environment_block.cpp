// The environment block built from the process environment, in the order the
// process holds it, each entry as it stands there (with or without "=").
#include "environment_block.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>

extern char **environ;

namespace {
std::atomic<bool> withheld{false};
std::atomic<int> held{0};
}  // namespace

void environment_block::WithholdBlocks(bool withhold) { withheld = withhold; }

int environment_block::BlocksHeld() { return held; }

LPCH WINAPI GetEnvironmentStrings(void) {
  if (withheld) return nullptr;
  std::string block;
  for (char **entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    if (**entry == '\0') continue;  // an empty entry would end the block early
    block.append(*entry).push_back('\0');
  }
  block.push_back('\0');
  auto *copy = static_cast<char *>(std::malloc(block.size()));
  if (copy == nullptr) return nullptr;
  std::copy(block.begin(), block.end(), copy);
  ++held;
  return copy;
}

BOOL WINAPI FreeEnvironmentStringsA(LPCH block) {
  if (block == nullptr) return FALSE;
  std::free(block);
  --held;
  return TRUE;
}
