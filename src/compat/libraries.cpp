// Libraries loaded at run time. "name.dll" is the shared library "name.so",
// its name matched without regard to ASCII case. As on Windows, a plain load
// looks in the program's own folder first, then in the system folder; the
// system-folder flag, given to the load or made the default, looks only
// there; a full path with LOAD_WITH_ALTERED_SEARCH_PATH loads that file. The
// system folder is one folder of the build (a test may name another, as the
// stand-in for a system whose library is missing). winmm and kernel32 are
// built in, as Wine's own libraries are: found in the system folder without a
// file; kernel32 is loaded from the start, as in every Windows process.
#include "libraries.h"

#include <dlfcn.h>
#include <unistd.h>
#include <windows.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#include "drive_paths.h"
#include "errors.h"
#include "portable/ascii_names.h"
#include "portable/paths.h"

namespace {

struct BuiltInFunction {
  const char *name;
  FARPROC address;
};

struct BuiltInLibrary {
  const char *stem;
  const BuiltInFunction *functions;
  size_t count;
};

// Reached only through GetProcAddress, as on a system that may lack it.
BOOL WINAPI SetDefaultDllDirectories(DWORD directoryFlags) {
  if (directoryFlags != LOAD_LIBRARY_SEARCH_SYSTEM32) return Fail(ERROR_INVALID_PARAMETER);
  library_search::defaultDirectories = directoryFlags;
  return TRUE;
}

template <typename Function>
FARPROC Address(Function *function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void *>(function));
}

const BuiltInFunction winmmFunctions[] = {
    {"timeBeginPeriod", Address(&timeBeginPeriod)},
    {"timeEndPeriod", Address(&timeEndPeriod)},
};
// Of kernel32 only what the program looks up rather than imports.
const BuiltInFunction kernelFunctions[] = {
    {"SetDefaultDllDirectories", Address(&SetDefaultDllDirectories)},
};
const BuiltInLibrary builtInLibraries[] = {
    {"winmm", winmmFunctions, sizeof winmmFunctions / sizeof winmmFunctions[0]},
    {"kernel32", kernelFunctions, sizeof kernelFunctions / sizeof kernelFunctions[0]},
};
const BuiltInLibrary &kernelLibrary = builtInLibraries[1];

HMODULE ModuleOf(const BuiltInLibrary &library) {
  return reinterpret_cast<HMODULE>(const_cast<BuiltInLibrary *>(&library));
}

const BuiltInLibrary *BuiltInOf(HMODULE module) {
  for (const BuiltInLibrary &library : builtInLibraries)
    if (module == reinterpret_cast<const void *>(&library)) return &library;
  return nullptr;
}

// The program's own module: a token, nothing is loaded from it natively.
HINSTANCE__ programModule;

std::string ExecutableFolder() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
  return std::string(ParentFolder(std::string_view(path, static_cast<size_t>(length))));
}

std::string SystemFolder() {
  const char *chosen = library_search::systemFolder;
  return chosen != nullptr && chosen[0] != '\0' ? chosen : QUORVEL_SYSTEM_FOLDER;
}

// The name without ".dll", or "" for a name the stand-in cannot place: one
// with a folder in it, or of another kind than ".dll".
std::string StemOf(std::string_view name) {
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return "";
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return std::string(name);
  return SameIgnoringAsciiCase(name.substr(dot), ".dll") ? std::string(name.substr(0, dot)) : "";
}

const BuiltInLibrary *BuiltInNamed(const std::string &stem) {
  for (const BuiltInLibrary &library : builtInLibraries)
    if (SameIgnoringAsciiCase(stem, library.stem)) return &library;
  return nullptr;
}

// `folder` is a Windows path.
HMODULE LoadFrom(const std::string &folder, const std::string &stem) {
  std::string hostFolder = HostPath(folder.c_str());
  if (hostFolder == HostPath(WindowsPathOfHost(SystemFolder()).c_str()))
    if (const BuiltInLibrary *library = BuiltInNamed(stem)) return ModuleOf(*library);
  std::string path = HostPath(JoinPath(folder, stem + ".so").c_str());
  return static_cast<HMODULE>(path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

HMODULE NotFoundWhenMissing(HMODULE library) {
  if (library == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
  return library;
}

HMODULE LoadByName(const char *fileName, bool systemFolderOnly) {
  std::string stem = StemOf(fileName != nullptr ? fileName : "");
  HMODULE library = nullptr;
  if (!stem.empty()) {
    if (!systemFolderOnly) library = LoadFrom(WindowsPathOfHost(ExecutableFolder()), stem);
    if (library == nullptr) library = LoadFrom(WindowsPathOfHost(SystemFolder()), stem);
  }
  return NotFoundWhenMissing(library);
}

bool IsFullPath(const char *fileName) {
  return fileName != nullptr && std::isalpha(static_cast<unsigned char>(fileName[0])) && fileName[1] == ':' &&
         IsPathSeparator(fileName[2]);
}

HMODULE LoadByFullPath(const char *fileName) {
  std::string stem = StemOf(LastComponent(fileName));
  return NotFoundWhenMissing(stem.empty() ? nullptr : LoadFrom(std::string(ParentFolder(fileName)), stem));
}

void RecordFirstLoad(const char *fileName, DWORD flags) {
  library_search::LibraryLoad &first = library_search::firstLoad;
  if (first.made) return;
  first = {true, fileName != nullptr ? fileName : "", flags, library_search::defaultDirectories};
}

}  // namespace

library_search::LibraryLoad library_search::firstLoad;
DWORD library_search::defaultDirectories = 0;
bool library_search::withholdSetDefaultDllDirectories = false;
const char *library_search::systemFolder = nullptr;

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
  if (moduleName == nullptr) return &programModule;
  return SameIgnoringAsciiCase(StemOf(moduleName), kernelLibrary.stem) ? ModuleOf(kernelLibrary) : nullptr;
}

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) { return LoadLibraryExA(fileName, nullptr, 0); }

// A system without SetDefaultDllDirectories knows none of the search flags.
// With a relative path LOAD_WITH_ALTERED_SEARCH_PATH is undefined (Microsoft
// Learn, libloaderapi.h, LoadLibraryExA): refused here.
HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD flags) {
  RecordFirstLoad(fileName, flags);
  if (file != nullptr) return Fail<HMODULE>(ERROR_INVALID_PARAMETER);
  if (flags == 0)
    return LoadByName(fileName, (library_search::defaultDirectories & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0);
  if (flags == LOAD_WITH_ALTERED_SEARCH_PATH)
    return IsFullPath(fileName) ? LoadByFullPath(fileName) : Fail<HMODULE>(ERROR_INVALID_PARAMETER);
  if (flags != LOAD_LIBRARY_SEARCH_SYSTEM32 || library_search::withholdSetDefaultDllDirectories)
    return Fail<HMODULE>(ERROR_INVALID_PARAMETER);
  return LoadByName(fileName, true);
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
  std::string folder = WindowsPathOfHost(SystemFolder());
  if (buffer == nullptr || size <= folder.size()) return static_cast<UINT>(folder.size() + 1);
  memcpy(buffer, folder.c_str(), folder.size() + 1);
  return static_cast<UINT>(folder.size());
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  // Names below 0x10000 are ordinals, which shared libraries do not have.
  bool named = reinterpret_cast<uintptr_t>(procName) >= 0x10000;
  FARPROC function = nullptr;
  if (const BuiltInLibrary *library = BuiltInOf(module)) {
    for (size_t i = 0; named && i < library->count; ++i)
      if (strcmp(library->functions[i].name, procName) == 0) function = library->functions[i].address;
    if (function == Address(&SetDefaultDllDirectories) && library_search::withholdSetDefaultDllDirectories)
      function = nullptr;
  } else if (module != nullptr && named) {
    function = reinterpret_cast<FARPROC>(dlsym(module, procName));
  }
  if (function == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
  return function;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  if (BuiltInOf(module) != nullptr) return TRUE;
  if (module == nullptr || dlclose(module) != 0) return Fail(ERROR_INVALID_HANDLE);
  return TRUE;
}
