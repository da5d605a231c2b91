#include "fs/file_io.h"

bool MoveTo(HANDLE file, uint64_t offset) {
  LONG high = static_cast<LONG>(offset >> 32);
  // A low half of all ones is a position too; only the last error tells a failure.
  SetLastError(ERROR_SUCCESS);
  return SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN) !=
             INVALID_SET_FILE_POINTER ||
         GetLastError() == ERROR_SUCCESS;
}

bool ReadExactlyAt(HANDLE file, uint64_t offset, void *into, DWORD length) {
  DWORD read = 0;
  return MoveTo(file, offset) && ReadFile(file, into, length, &read, nullptr) && read == length;
}

bool WriteAll(HANDLE file, const char *bytes, DWORD length) {
  if (length == 0) return true;
  DWORD written = 0;
  return WriteFile(file, bytes, length, &written, nullptr) && written == length;
}
