#pragma once

#include <cstddef>
#include <new>
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

template <class T>
struct TextHeapAllocator {
  using value_type = T;
  TextHeapAllocator() = default;
  template <class U>
  TextHeapAllocator(const TextHeapAllocator<U> &) {}
  T *allocate(size_t count) {
    void *memory = HeapAlloc(TextHeap(), 0, count * sizeof(T));
    if (memory == nullptr) throw std::bad_alloc();
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
