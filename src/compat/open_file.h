#pragma once

#include <windows.h>

#include <string>

#include "kernel_object.h"

// An open file. Its open description carries OFD locks that stand for the
// Windows access it was opened with and the sharing it denies, so that the
// sharing rules hold between processes and between handles of one process.
struct OpenFile : KernelObject {
  int fd = -1;
  ~OpenFile() override;
};

// True while a handle somewhere denies deleting the file at `hostPath`, which
// on Windows also keeps it from being renamed or replaced.
bool HeldAgainstRenaming(const std::string &hostPath);

// The file behind a handle, or nullptr (last error set) when it is none.
OpenFile *FileFromHandle(HANDLE handle);
