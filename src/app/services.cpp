#include "app/services.h"

#include <new>

#include "base/process_heaps.h"
#include "base/win32.h"
#include "prefs/preference_file.h"
#include "ui/progress_window.h"
#include "update/dynamic_library.h"

void PrepareProcess() {
  // A DLL planted beside the program, which runs elevated, is never taken
  // for a system one.
  LimitLibrarySearchToSystemFolder();
  DisableProcessWindowsGhosting();
  std::set_new_handler(EndForLackOfMemory);
}

void StartServices(HINSTANCE module) {
  UseTextHeap(HeapCreate(0, 4096, 0));
  StartWindowService(module);
  StartControlService();
  // Once more, with the same classes, as the start-up has always done it.
  // The calls add up (Microsoft Learn, "InitCommonControlsEx function",
  // Remarks), so this one changes nothing; it is kept so that the start-up
  // makes the calls it is known to make.
  PrepareCommonControls();
  CoInitialize(nullptr);
}

void StopServices() {
  // First: the file's entries live in the main heap.
  ReleasePreferenceFile();
  FreeAllDynamicLibraries();
  CloseAllProgressWindows();
}
