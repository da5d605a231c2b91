#pragma once

// Reading and writing files through their handles.
#include "base/win32.h"

// Writes all `length` bytes in one call; a short count fails too, as some
// platforms report a disk that filled up part-way.
bool WriteAll(HANDLE file, const char *bytes, DWORD length);
