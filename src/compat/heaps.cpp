// Private heaps over malloc. A heap made with a maximum size refuses what
// would take it past that size, as a fixed-size Windows heap does; destroying
// a heap releases every block still in it. A test control can have calls
// refused by their number, as an exhausted heap refuses them.
#include "heaps.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "kernel_object.h"

namespace {

struct Heap : KernelObject {
  size_t maximum = 0;
  size_t used = 0;
  std::unordered_map<void *, size_t> blocks;
  ~Heap() override {
    for (auto &block : blocks) std::free(block.first);
  }
};

Heap *HeapFromHandle(HANDLE handle) {
  return handle == nullptr ? nullptr : dynamic_cast<Heap *>(static_cast<KernelObject *>(handle));
}

bool RefusedByTest() {
  long call = ++heap_refusals::calls;
  return heap_refusals::first != 0 && call >= heap_refusals::first && call <= heap_refusals::last;
}

}  // namespace

std::atomic<long> heap_refusals::calls{0};
long heap_refusals::first = 0;
long heap_refusals::last = 0;

HANDLE WINAPI HeapCreate(DWORD, size_t, size_t maximumSize) {
  auto *heap = new Heap;
  heap->maximum = maximumSize;
  return heap;
}

BOOL WINAPI HeapDestroy(HANDLE handle) {
  Heap *heap = HeapFromHandle(handle);
  if (heap == nullptr || handle == GetProcessHeap()) return FALSE;
  delete heap;
  return TRUE;
}

LPVOID WINAPI HeapAlloc(HANDLE handle, DWORD flags, size_t bytes) {
  Heap *heap = HeapFromHandle(handle);
  if (heap == nullptr) return nullptr;
  if (RefusedByTest() ||
      (heap->maximum != 0 && (bytes > heap->maximum || heap->used > heap->maximum - bytes))) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  void *memory =
      (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1);
  if (memory == nullptr) return nullptr;
  heap->blocks.emplace(memory, bytes);
  heap->used += bytes;
  return memory;
}

BOOL WINAPI HeapFree(HANDLE handle, DWORD, LPVOID memory) {
  Heap *heap = HeapFromHandle(handle);
  if (heap == nullptr) return FALSE;
  if (memory == nullptr) return TRUE;
  auto block = heap->blocks.find(memory);
  if (block == heap->blocks.end()) return FALSE;
  heap->used -= block->second;
  heap->blocks.erase(block);
  std::free(memory);
  return TRUE;
}

HANDLE WINAPI GetProcessHeap(void) {
  static Heap *processHeap = new Heap;
  return processHeap;
}
