#include "fs/file_io.h"

bool WriteAll(HANDLE file, const char *bytes, DWORD length) {
  if (length == 0) return true;
  DWORD written = 0;
  return WriteFile(file, bytes, length, &written, nullptr) && written == length;
}
