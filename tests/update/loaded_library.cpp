#include "loaded_library.h"

#ifdef _WIN32
#include <windows.h>

#include <string>

bool LibraryIsMapped(const char *name) {
  return GetModuleHandleA((std::string(name) + ".dll").c_str()) != nullptr;
}
#else
#include <link.h>

#include <string>

bool LibraryIsMapped(const char *name) {
  std::string file = "/" + std::string(name) + ".so";
  auto isNamed = [](dl_phdr_info *info, size_t, void *wanted) -> int {
    const std::string &suffix = *static_cast<std::string *>(wanted);
    std::string loaded = info->dlpi_name;
    return loaded.size() >= suffix.size() &&
           loaded.compare(loaded.size() - suffix.size(), suffix.size(), suffix) == 0;
  };
  return dl_iterate_phdr(isNamed, &file) != 0;
}
#endif
