#include "file_holds.h"

#include "drive_paths.h"

void file_holds::Hold(const std::string &windowsPath, unsigned operations, DWORD error, int count) {
  heldFiles[LinkFreeHostPath(HostPath(windowsPath.c_str()))] = {operations, error, count, 0};
}

int file_holds::Refusals(const std::string &windowsPath) {
  auto hold = heldFiles.find(LinkFreeHostPath(HostPath(windowsPath.c_str())));
  return hold == heldFiles.end() ? 0 : hold->second.refusals;
}

void file_holds::ReleaseAll() {
  heldFiles.clear();
  nextReplaceStop = 0;
}

void file_holds::StopNextReplace(DWORD error) { nextReplaceStop = error; }
