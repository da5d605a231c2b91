#include "held_files.h"

#include "drive_paths.h"

std::map<std::string, file_holds::HeldFile> file_holds::heldFiles;
DWORD file_holds::nextReplaceStop = 0;

bool file_holds::Refused(const std::string &hostPath, Operation call) {
  if (heldFiles.empty()) return false;
  auto found = heldFiles.find(LinkFreeHostPath(hostPath));
  if (found == heldFiles.end()) return false;
  HeldFile &hold = found->second;
  if ((hold.operations & call) == 0 || hold.left == 0) return false;
  if (hold.left > 0) --hold.left;
  ++hold.refusals;
  SetLastError(hold.error);
  return true;
}
