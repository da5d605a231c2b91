#include "base/process_heaps.h"

namespace {
HANDLE mainHeap = nullptr;
}

HANDLE MainHeap() { return mainHeap != nullptr ? mainHeap : GetProcessHeap(); }

void UseMainHeap(HANDLE heap) { mainHeap = heap; }
