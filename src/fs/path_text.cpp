#include "fs/path_text.h"

#include <windows.h>

std::string CutToMaxPath(const char *text) {
  std::string cut = text != nullptr ? text : "";
  if (cut.size() > MAX_PATH) cut.resize(MAX_PATH);
  return cut;
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}
