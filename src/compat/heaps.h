// What the heap calls keep for their test control (testing/heap_refusals.h)
// to set and read.
#pragma once

#include <atomic>

namespace heap_refusals {

// HeapAlloc calls counted since the control started counting, and the first
// and last of them (by that count) that are refused; 0: none.
extern std::atomic<long> calls;
extern long first;
extern long last;

}  // namespace heap_refusals
