#include "update/dynamic_library.h"

#include <cstring>

#include "base/numbered_objects.h"
#include "base/win32.h"

namespace {

void FreeLoadedLibrary(HMODULE &library) { FreeLibrary(library); }

// Loaded libraries by number, in number order.
auto &libraries = *new NumberedObjects<HMODULE, FreeLoadedLibrary>;

using SetDefaultDllDirectoriesCall = BOOL(WINAPI *)(DWORD);

// Looked up, never imported: Windows 7 without KB2533623 lacks it, and would
// refuse to start a program that imports it. Its presence is also what tells
// that LoadLibraryExA takes the LOAD_LIBRARY_SEARCH_* flags (Microsoft Learn,
// libloaderapi.h, LoadLibraryExA, Remarks).
SetDefaultDllDirectoriesCall SetDefaultDllDirectoriesOfTheSystem() {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<SetDefaultDllDirectoriesCall>(
      reinterpret_cast<void *>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
}

// Where the search flags are missing: the file by its full path in the system
// folder, and its own dependencies looked for beside it, not beside the program.
HMODULE LoadBySystemPath(const char *fileName) {
  char path[MAX_PATH];
  UINT length = GetSystemDirectoryA(path, sizeof path);
  size_t nameLength = strlen(fileName);
  if (length == 0 || length + 1 + nameLength >= sizeof path) return nullptr;
  path[length] = '\\';
  memcpy(path + length + 1, fileName, nameLength + 1);
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadFromSystemFolder(const char *fileName) {
  if (SetDefaultDllDirectoriesOfTheSystem() != nullptr)
    return LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  return LoadBySystemPath(fileName);
}

}  // namespace

int LimitLibrarySearchToSystemFolder() {
  SetDefaultDllDirectoriesCall limit = SetDefaultDllDirectoriesOfTheSystem();
  return limit != nullptr && limit(LOAD_LIBRARY_SEARCH_SYSTEM32) ? 1 : 0;
}

intptr_t LoadDynamicLibrary(int number, const char *fileName) {
  if (number < 0) return 0;
  libraries.End(number);
  if (fileName == nullptr) return 0;
  HMODULE library = LoadFromSystemFolder(fileName);
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

void *FunctionOfKeptLibrary(int number, const char *fileName, const char *functionName) {
  if (libraries.Find(number) == nullptr && LoadDynamicLibrary(number, fileName) == 0) return nullptr;
  return FindDynamicFunction(number, functionName);
}
