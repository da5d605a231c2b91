// Libraries loaded at run time. "name.dll" is the shared library "name.so",
// its name matched without regard to ASCII case. As on Windows, a plain load
// looks in the program's own folder first, then in the system folder; the
// system-folder flag, given to the load or made the default, looks only
// there. The system folder is one folder of the build (a test may name
// another, as the stand-in for a system whose library is missing). winmm is
// built in, as Wine's own libraries are: it is found in the system folder
// without a file.
#include <dlfcn.h>
#include <unistd.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "drive_paths.h"
#include "portable/ascii_names.h"
#include "stand_in_state.h"

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

const BuiltInFunction winmmFunctions[] = {
    {"timeBeginPeriod", reinterpret_cast<FARPROC>(reinterpret_cast<void *>(&timeBeginPeriod))},
    {"timeEndPeriod", reinterpret_cast<FARPROC>(reinterpret_cast<void *>(&timeEndPeriod))},
};
const BuiltInLibrary builtInLibraries[] = {
    {"winmm", winmmFunctions, sizeof winmmFunctions / sizeof winmmFunctions[0]},
};

const BuiltInLibrary *BuiltInOf(HMODULE module) {
  for (const BuiltInLibrary &library : builtInLibraries)
    if (module == reinterpret_cast<const void *>(&library)) return &library;
  return nullptr;
}

DWORD defaultSearch = 0;

std::string ExecutableFolder() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
  std::string folder(path, static_cast<size_t>(length));
  return folder.substr(0, folder.rfind('/'));
}

std::string SystemFolder() {
  const char *chosen = stand_in_state::systemFolder;
  return chosen != nullptr && chosen[0] != '\0' ? chosen : QUORVEL_SYSTEM_FOLDER;
}

// The name without ".dll", or "" for a name the stand-in cannot place: one
// with a folder in it, or of another kind than ".dll".
std::string StemOf(const char *fileName) {
  std::string name = fileName != nullptr ? fileName : "";
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return "";
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return name;
  return SameIgnoringAsciiCase(std::string_view(name).substr(dot), ".dll") ? name.substr(0, dot) : "";
}

HMODULE LoadFrom(const std::string &folder, const std::string &stem) {
  std::string path = HostPath(("Z:" + folder + "/" + stem + ".so").c_str());
  return static_cast<HMODULE>(path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
}

HMODULE LoadFromSystemFolder(const std::string &stem) {
  for (const BuiltInLibrary &library : builtInLibraries)
    if (SameIgnoringAsciiCase(stem, library.stem))
      return reinterpret_cast<HMODULE>(const_cast<BuiltInLibrary *>(&library));
  return LoadFrom(SystemFolder(), stem);
}

HMODULE Load(const char *fileName, bool systemFolderOnly) {
  std::string stem = StemOf(fileName);
  HMODULE library = nullptr;
  if (!stem.empty()) {
    if (!systemFolderOnly) library = LoadFrom(ExecutableFolder(), stem);
    if (library == nullptr) library = LoadFromSystemFolder(stem);
  }
  if (library == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
  return library;
}

}  // namespace

const char *stand_in_state::systemFolder = nullptr;

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  return Load(fileName, (defaultSearch & LOAD_LIBRARY_SEARCH_SYSTEM32) != 0);
}

HMODULE WINAPI LoadLibraryExA(LPCSTR fileName, HANDLE file, DWORD flags) {
  if (file != nullptr || (flags & ~static_cast<DWORD>(LOAD_LIBRARY_SEARCH_SYSTEM32)) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (flags == 0) return LoadLibraryA(fileName);
  return Load(fileName, true);
}

BOOL WINAPI SetDefaultDllDirectories(DWORD directoryFlags) {
  if (directoryFlags != LOAD_LIBRARY_SEARCH_SYSTEM32) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  defaultSearch = directoryFlags;
  return TRUE;
}

UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size) {
  std::string folder = "Z:" + SystemFolder();
  for (char &c : folder)
    if (c == '/') c = '\\';
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
  } else if (module != nullptr && named) {
    function = reinterpret_cast<FARPROC>(dlsym(module, procName));
  }
  if (function == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
  return function;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  if (BuiltInOf(module) != nullptr) return TRUE;
  if (module == nullptr || dlclose(module) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
