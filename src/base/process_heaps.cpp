#include "base/process_heaps.h"

namespace {
HANDLE mainHeap = nullptr;
HANDLE textHeap = nullptr;
}  // namespace

HANDLE MainHeap() { return mainHeap != nullptr ? mainHeap : GetProcessHeap(); }

void UseMainHeap(HANDLE heap) { mainHeap = heap; }

HANDLE TextHeap() { return textHeap != nullptr ? textHeap : GetProcessHeap(); }

void UseTextHeap(HANDLE heap) { textHeap = heap; }

void EndForLackOfMemory() { ExitProcess(0); }
