#pragma once

// Reading and writing files through their handles.
#include <cstdint>

#include "base/win32.h"

// What `read` finds in the file at `path`, handed to it open for reading
// while others may read it too but not change it, and closed afterwards;
// `otherwise` when the file cannot be opened so (or there is no path).
template <typename Result, typename Read>
Result ReadOpenFile(const char *path, Result otherwise, Read read) {
  if (path == nullptr) return otherwise;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return otherwise;
  Result result = read(file);
  CloseHandle(file);
  return result;
}

// The size of the open `file`, or -1 when the platform cannot tell it.
int64_t FileSize(HANDLE file);

// Puts the file pointer of `file` at `offset` bytes from its start.
bool MoveTo(HANDLE file, uint64_t offset);

// Reads exactly `length` bytes from `offset` on; a short read fails too.
bool ReadExactlyAt(HANDLE file, uint64_t offset, void *into, DWORD length);

// Writes all `length` bytes in one call; a short count fails too, as some
// platforms report a disk that filled up part-way.
bool WriteAll(HANDLE file, const char *bytes, DWORD length);
