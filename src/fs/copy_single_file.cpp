#include "fs/copy_single_file.h"

#include <windows.h>

int CopySingleFile(const char *source, const char *target) {
  if (source == nullptr || target == nullptr) return 0;
  return CopyFileA(source, target, FALSE) ? 1 : 0;
}
