#include "fs/file_copy.h"

#include "base/win32.h"
#include "fs/file_queries.h"
#include "fs/folders.h"
#include "fs/staged_replacement.h"
#include "portable/paths.h"

namespace {

// A file already at the destination is kept: it may be all that is left of
// what was there before. Each file has a hold budget of its own.
bool CopyUnlessPresent(const Text &from, const Text &to) {
  if (Exists(to.c_str())) return true;
  HoldBudget budget;
  return StageCopy(from.c_str(), to.c_str(), budget) && CommitStaged(to.c_str(), false, budget);
}

}  // namespace

int CopySingleFile(const char *source, const char *target) {
  HoldBudget budget;
  return StageCopy(source, target, budget) && CommitStaged(target, true, budget) ? 1 : 0;
}

int CopyFolderFiles(const char *source, const char *destination, const char *pattern) {
  if (source == nullptr || *source == '\0' || destination == nullptr || *destination == '\0') return 0;
  Text sourceFolder = CutToMaxPath(source);
  Text destinationFolder = CutToMaxPath(destination);
  Text probePath = destinationFolder;
  if (!probePath.empty() && probePath.back() == '\\') probePath.pop_back();

  bool destinationPresent = IsFolder(probePath.c_str());

  std::vector<Text> names;
  if (!FileNamesFound(SearchPath(source, pattern).c_str(), names)) return 0;

  if (!destinationPresent && !(!probePath.empty() && probePath.back() == ':') &&
      !CreateDirectoryA(destination, nullptr))
    return 0;

  int result = 1;
  for (const Text &name : names) {
    if (IsLeftoverName(name.c_str())) continue;
    if (!CopyUnlessPresent(JoinPath<Text>(sourceFolder, name), JoinPath<Text>(destinationFolder, name)))
      result = 0;
  }
  return result;
}
