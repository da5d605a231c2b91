#include "heap_refusals.h"

#include "stand_in_state.h"

void heap_refusals::Refuse(long nth, long count) {
  stand_in_state::heapAllocCalls = 0;
  stand_in_state::firstRefusedHeapAlloc = nth;
  stand_in_state::lastRefusedHeapAlloc = count == kEveryOneAfter ? LONG_MAX : nth + count - 1;
}

long heap_refusals::CallsCounted() { return stand_in_state::heapAllocCalls; }
