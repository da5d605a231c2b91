// Libraries loaded at run time. Windows looks in the program's own folder
// first; here "name.dll" is the shared library "name.so" in that folder, its
// name matched without regard to ASCII case.
#include <dlfcn.h>
#include <strings.h>
#include <unistd.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "drive_paths.h"

namespace {

std::string ExecutableFolder() {
  char path[4096];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
  std::string folder(path, static_cast<size_t>(length));
  return folder.substr(0, folder.rfind('/'));
}

// The host path for a library name, or "" for a name the stand-in cannot
// place: one with a folder in it, or of another kind than ".dll".
std::string SharedLibraryPath(const std::string &name) {
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return "";
  std::string stem = name;
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) {
    if (strcasecmp(name.c_str() + dot, ".dll") != 0) return "";
    stem = name.substr(0, dot);
  }
  return HostPath(("Z:" + ExecutableFolder() + "/" + stem + ".so").c_str());
}

}  // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  std::string path = SharedLibraryPath(fileName != nullptr ? fileName : "");
  void *library = path.empty() ? nullptr : dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) SetLastError(ERROR_MOD_NOT_FOUND);
  return static_cast<HMODULE>(library);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  // Names below 0x10000 are ordinals, which shared libraries do not have.
  bool named = reinterpret_cast<uintptr_t>(procName) >= 0x10000;
  void *function = module != nullptr && named ? dlsym(module, procName) : nullptr;
  if (function == nullptr) SetLastError(ERROR_PROC_NOT_FOUND);
  return reinterpret_cast<FARPROC>(function);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  if (module == nullptr || dlclose(module) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
