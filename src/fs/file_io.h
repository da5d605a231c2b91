#pragma once

// Reading and writing files through their handles.
#include <cstdint>

#include "base/win32.h"

// Puts the file pointer of `file` at `offset` bytes from its start.
bool MoveTo(HANDLE file, uint64_t offset);

// Reads exactly `length` bytes from `offset` on; a short read fails too.
bool ReadExactlyAt(HANDLE file, uint64_t offset, void *into, DWORD length);

// Writes all `length` bytes in one call; a short count fails too, as some
// platforms report a disk that filled up part-way.
bool WriteAll(HANDLE file, const char *bytes, DWORD length);
