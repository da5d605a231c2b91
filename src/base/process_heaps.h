#pragma once

#include <cstddef>
#include <string>

#include "base/win32.h"

// The heap the services take their records and blocks from. The entry point
// hands it the private heap it creates; until then it is the process heap.
HANDLE MainHeap();
void UseMainHeap(HANDLE heap);

// The heap that holds the program's texts and the paths built from them; the
// process heap until the start-up hands over its own. Switch it only while
// no text is held, since a text goes back to the heap it came from.
HANDLE TextHeap();
void UseTextHeap(HANDLE heap);

// Ends the process with exit code 0 when memory that the program cannot do
// without is refused: a text, or anything asked of the standard allocator
// (the start-up makes this its new-handler, which a failed new, even a
// nothrow one, calls). No step of the shut-down runs: the allocation may have
// failed halfway through a change to the very records that a step would
// write out or walk. The process's end releases what those steps would; the
// edits of the current preference file since it was opened are lost, while
// the file itself stays whole, since it is only ever replaced whole.
[[noreturn]] void EndForLackOfMemory();

template <class T>
struct TextHeapAllocator {
  using value_type = T;
  TextHeapAllocator() = default;
  template <class U>
  TextHeapAllocator(const TextHeapAllocator<U> &) {}
  T *allocate(size_t count) {
    void *memory = HeapAlloc(TextHeap(), 0, count * sizeof(T));
    if (memory == nullptr) EndForLackOfMemory();
    return static_cast<T *>(memory);
  }
  void deallocate(T *memory, size_t) { HeapFree(TextHeap(), 0, memory); }
  template <class U>
  bool operator==(const TextHeapAllocator<U> &) const {
    return true;
  }
  template <class U>
  bool operator!=(const TextHeapAllocator<U> &) const {
    return false;
  }
};

// An 8-bit text in the system code page, kept in the text heap.
using Text = std::basic_string<char, std::char_traits<char>, TextHeapAllocator<char>>;
