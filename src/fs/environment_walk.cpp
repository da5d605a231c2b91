#include "fs/environment_walk.h"

#include <cstring>

#include "base/process_heaps.h"
#include "base/win32.h"

namespace {

struct EnvironmentWalk {
  HANDLE heap = nullptr;
  char *snapshot = nullptr;
  // Before the first entry while null; rests on the end mark once the walk is over.
  const char *current = nullptr;
};

EnvironmentWalk walk;

void ReleaseSnapshot() {
  if (walk.snapshot != nullptr) HeapFree(walk.heap, 0, walk.snapshot);
  walk = EnvironmentWalk{};
}

// Through the empty entry that ends the block.
size_t BlockSize(const char *block) {
  size_t size = 0;
  while (block[size] != '\0') size += std::strlen(block + size) + 1;
  return size + 1;
}

// The first "=" of the current entry; null without one, or without a current entry.
const char *CurrentSeparator() {
  if (walk.current == nullptr || *walk.current == '\0') return nullptr;
  return std::strchr(walk.current, '=');
}

}  // namespace

int StartEnvironmentWalk() {
  ReleaseSnapshot();
  char *block = GetEnvironmentStrings();
  if (block == nullptr) return 0;
  size_t size = BlockSize(block);
  HANDLE heap = MainHeap();
  auto *snapshot = static_cast<char *>(HeapAlloc(heap, 0, size));
  if (snapshot != nullptr) std::memcpy(snapshot, block, size);
  FreeEnvironmentStringsA(block);
  if (snapshot == nullptr) return 0;
  walk.heap = heap;
  walk.snapshot = snapshot;
  return 1;
}

int NextEnvironmentEntry() {
  if (walk.snapshot == nullptr) return 0;
  if (walk.current == nullptr)
    walk.current = walk.snapshot;
  else if (*walk.current != '\0')
    walk.current += std::strlen(walk.current) + 1;
  return *walk.current != '\0' ? 1 : 0;
}

Text CurrentEntryName() {
  const char *separator = CurrentSeparator();
  return separator != nullptr ? Text(walk.current, separator) : Text();
}

Text CurrentEntryValue() {
  const char *separator = CurrentSeparator();
  return separator != nullptr ? Text(separator + 1) : Text();
}

Text UpperCaseCopy(const char *text) {
  if (text == nullptr) return Text();
  Text copy(text);
  CharUpperA(copy.data());
  return copy;
}
