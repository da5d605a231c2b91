// A test control that has HeapAlloc refuse calls by their number, as an
// exhausted heap does: null, with ERROR_NOT_ENOUGH_MEMORY. For tests only:
// the quorvel_compat_testing target.
#pragma once

#include <climits>

namespace heap_refusals {

constexpr long kEveryOneAfter = LONG_MAX;

// From now on HeapAlloc calls are counted, on every heap, from 1; the `nth`
// and the `count - 1` after it are refused (kEveryOneAfter: all from the
// `nth` on). Refuse(0, 0) refuses none and only counts.
void Refuse(long nth, long count);

// The calls counted since Refuse, refused ones included.
long CallsCounted();

}  // namespace heap_refusals
