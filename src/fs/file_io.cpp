#include "fs/file_io.h"

int64_t FileSize(HANDLE file) {
  DWORD high = 0;
  // A low half of all ones is a size too; only the last error tells a failure.
  SetLastError(ERROR_SUCCESS);
  DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return -1;
  return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

bool MoveTo(HANDLE file, uint64_t offset) {
  LONG high = static_cast<LONG>(offset >> 32);
  // As for the size, only the last error tells a failure.
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
