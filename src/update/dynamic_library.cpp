#include "update/dynamic_library.h"

#include "base/numbered_objects.h"
#include "base/win32.h"

namespace {

void FreeLoadedLibrary(HMODULE &library) { FreeLibrary(library); }

// Loaded libraries by number, in number order.
auto &libraries = *new NumberedObjects<HMODULE, FreeLoadedLibrary>;

}  // namespace

intptr_t LoadDynamicLibrary(int number, const char *fileName) {
  if (number < 0) return 0;
  libraries.End(number);
  if (fileName == nullptr) return 0;
  HMODULE library = LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library == nullptr || libraries.Put(number, library) == nullptr) return 0;
  return MadeObjectResult(number, number, reinterpret_cast<intptr_t>(library));
}

void *FindDynamicFunction(int number, const char *functionName) {
  HMODULE *library = libraries.Find(number);
  if (library == nullptr || functionName == nullptr) return nullptr;
  return reinterpret_cast<void *>(GetProcAddress(*library, functionName));
}

int FreeDynamicLibrary(int number) { return libraries.End(number) ? 1 : 0; }

void FreeAllDynamicLibraries() { libraries.EndAll(); }

void *SystemFunction(int number, const char *fileName, const char *functionName) {
  if (libraries.Find(number) == nullptr && LoadDynamicLibrary(number, fileName) == 0) return nullptr;
  return FindDynamicFunction(number, functionName);
}
