#include "app/process_frame.h"

#include "app/services.h"
#include "base/process_heaps.h"
#include "base/win32.h"
#include "update/update_plan.h"

void RunProcessFrame() {
  PrepareProcess();
  updatePlan = UpdatePlan{};
  HINSTANCE module = GetModuleHandleA(nullptr);
  HANDLE mainHeap = HeapCreate(0, 4096, 0);
  UseMainHeap(mainHeap);
  StartServices(module);

  ResolveUpdatePlan();
  RunUpdateSequence();

  StopServices();
  // The program's texts go with the text heap.
  updatePlan = UpdatePlan{};
  HeapDestroy(TextHeap());
  UseTextHeap(nullptr);
  UseMainHeap(nullptr);
  HeapDestroy(mainHeap);
  ExitProcess(0);
}
