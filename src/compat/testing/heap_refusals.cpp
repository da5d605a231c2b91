#include "heap_refusals.h"

#include "heaps.h"

void heap_refusals::Refuse(long nth, long count) {
  calls = 0;
  first = nth;
  last = count == kEveryOneAfter ? LONG_MAX : nth + count - 1;
}

long heap_refusals::CallsCounted() { return calls; }
