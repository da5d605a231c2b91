#pragma once

#include <windows.h>

// The heap the services take their records and blocks from. The entry point
// hands it the private heap it creates; until then it is the process heap.
HANDLE MainHeap();
void UseMainHeap(HANDLE heap);
