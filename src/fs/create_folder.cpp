#include "fs/create_folder.h"

#include <windows.h>

#include "fs/path_text.h"

int CreateFolder(const char *path) {
  if (path == nullptr) return 0;
  std::string folder = CutToMaxPath(path);
  while (!folder.empty() && (folder.back() == ' ' || folder.back() == '\\' || folder.back() == '/'))
    folder.pop_back();
  return CreateDirectoryA(folder.c_str(), nullptr) ? 1 : 0;
}
