// Every HANDLE the stand-in gives out points at one of these, so that
// CloseHandle can end any kind of object.
#pragma once

struct KernelObject {
  virtual ~KernelObject() = default;
};
