#pragma once

#include <windows.h>

#include <string>

// The file a transfer writes into: beside the target and named after it and
// the process ("<target>.part-<pid>"). It replaces the target only when
// committed, so a failed transfer leaves the target as it was; uncommitted,
// it is removed.
class PartFile {
 public:
  explicit PartFile(const std::string &hostTarget);
  ~PartFile();
  PartFile(const PartFile &) = delete;
  PartFile &operator=(const PartFile &) = delete;

  // S_OK when the file could be made; its descriptor is then Descriptor().
  HRESULT Open();
  int Descriptor() const { return fd_; }
  HRESULT Commit();

 private:
  std::string target_;
  std::string part_;
  int fd_ = -1;
};

// Removes the part files of `hostTarget` that processes which no longer run
// left behind (killed mid-transfer); those of running ones stay.
void RemoveLeftoverParts(const std::string &hostTarget);
