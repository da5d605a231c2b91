#include "update/dynamic_library.h"

#include <windows.h>

#include <map>
#include <new>

namespace {

// Loaded libraries by number, in number order.
auto &libraries = *new std::map<int, HMODULE>;

}  // namespace

intptr_t LoadDynamicLibrary(int number, const char *fileName) {
  if (number < 0) return 0;
  FreeDynamicLibrary(number);
  if (fileName == nullptr) return 0;
  HMODULE library = LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library == nullptr) return 0;
  try {
    libraries[number] = library;
  } catch (const std::bad_alloc &) {
    FreeLibrary(library);
    return 0;
  }
  return reinterpret_cast<intptr_t>(library);
}

void *FindDynamicFunction(int number, const char *functionName) {
  auto loaded = libraries.find(number);
  if (loaded == libraries.end() || functionName == nullptr) return nullptr;
  return reinterpret_cast<void *>(GetProcAddress(loaded->second, functionName));
}

int FreeDynamicLibrary(int number) {
  auto loaded = libraries.find(number);
  if (loaded == libraries.end()) return 0;
  FreeLibrary(loaded->second);
  libraries.erase(loaded);
  return 1;
}

void FreeAllDynamicLibraries() {
  for (auto &loaded : libraries) FreeLibrary(loaded.second);
  libraries.clear();
}

void *SystemFunction(int number, const char *fileName, const char *functionName) {
  if (libraries.count(number) == 0 && LoadDynamicLibrary(number, fileName) == 0) return nullptr;
  return FindDynamicFunction(number, functionName);
}
