#include "fs/staged_replacement.h"

#include <string_view>
#include <vector>

#include "fs/file_io.h"
#include "fs/file_queries.h"
#include "fs/folders.h"
#include "portable/paths.h"

namespace {

Text KeptName(const char *target) { return Text(target) + kKeptSuffix; }

HANDLE OpenWaiting(const Text &path, DWORD access, DWORD sharing, DWORD disposition, HoldBudget &budget) {
  HANDLE file = INVALID_HANDLE_VALUE;
  RetryWhileHeld(budget, path.c_str(), nullptr, [&] {
    file = CreateFileA(path.c_str(), access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  return file;
}

bool RenameWaiting(const Text &from, const char *to, DWORD flags, HoldBudget &budget) {
  return RetryWhileHeld(budget, from.c_str(), to, [&] { return MoveFileExA(from.c_str(), to, flags) != 0; });
}

bool DeleteWaiting(const Text &path, HoldBudget &budget) {
  return RetryWhileHeld(budget, path.c_str(), nullptr, [&] { return DeleteEvenIfReadOnly(path.c_str()); });
}

// A copy is flushed through a handle of its own that shares everything, so
// that a scanner which opened the new file meanwhile does not refuse it. A
// read-only copy loses its mark for as long as that takes.
bool FlushCopy(const Text &staged, HoldBudget &budget) {
  DWORD marked = ClearReadOnlyMark(staged.c_str());
  HANDLE file = OpenWaiting(staged, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            OPEN_EXISTING, budget);
  bool flushed = file != INVALID_HANDLE_VALUE && FlushFileBuffers(file);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  RestoreReadOnlyMark(staged.c_str(), marked);
  return flushed;
}

// After a stop between ReplaceFileA's steps the target's content may stand
// under another name: the kept one, or, where the platform dropped the old
// file (ERROR_UNABLE_TO_MOVE_REPLACEMENT without a backup name, as Microsoft
// documents it), only the staged one, which is whole since it was flushed.
void PutBackTarget(const char *target, HoldBudget &budget) {
  if (Exists(target)) return;
  for (const Text &from : {KeptName(target), StagedName(target)})
    if (Exists(from.c_str()) && RenameWaiting(from, target, MOVEFILE_WRITE_THROUGH, budget)) return;
}

// Each documented stop between ReplaceFileA's steps comes of a handle on one
// of the files, and once the target is back both stand as they were.
bool IsStopBetweenSteps(DWORD error) {
  return error == ERROR_UNABLE_TO_REMOVE_REPLACED || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT ||
         error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
}

// A refused call does not say which of its files is held. Asking to delete the
// target while sharing everything is refused only while another program holds
// the target itself without sharing its deletion.
bool TargetIsHeld(const char *target) {
  HANDLE probe = CreateFileA(target, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(probe);
  return false;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() > suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

}  // namespace

Text StagedName(const char *target) { return Text(target) + kStagedSuffix; }

bool IsLeftoverName(const char *name) {
  return name != nullptr && (EndsWith(name, kStagedSuffix) || EndsWith(name, kKeptSuffix));
}

int StageCopy(const char *source, const char *target, HoldBudget &budget) {
  if (source == nullptr || target == nullptr) return 0;
  Text staged = StagedName(target);
  DiscardStaged(target, budget);
  if (RetryWhileHeld(budget, source, staged.c_str(),
                     [&] { return CopyFileA(source, staged.c_str(), FALSE) != 0; }) &&
      FlushCopy(staged, budget))
    return 1;
  DiscardStaged(target, budget);
  return 0;
}

int StageBytes(const char *target, const char *bytes, DWORD length, HoldBudget &budget) {
  if (target == nullptr) return 0;
  Text staged = StagedName(target);
  DiscardStaged(target, budget);
  HANDLE file = OpenWaiting(staged, GENERIC_WRITE, 0, CREATE_ALWAYS, budget);
  bool written = file != INVALID_HANDLE_VALUE && WriteAll(file, bytes, length) && FlushFileBuffers(file);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!written) DiscardStaged(target, budget);
  return written ? 1 : 0;
}

int CommitStaged(const char *target, bool replace, HoldBudget &budget) {
  if (target == nullptr) return 0;
  DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  if (RenameWaiting(StagedName(target), target, flags, budget)) return 1;
  DiscardStaged(target, budget);
  return 0;
}

ReplaceOutcome ReplaceWithStaged(const char *target, HoldBudget &budget) {
  Text staged = StagedName(target);
  Text kept = KeptName(target);
  bool replaced = RetryWhileHeld(budget, target, staged.c_str(), [&] {
    if (ReplaceFileA(target, staged.c_str(), kept.c_str(), 0, nullptr, nullptr)) return true;
    DWORD error = GetLastError();
    PutBackTarget(target, budget);
    SetLastError(IsStopBetweenSteps(error) ? ERROR_SHARING_VIOLATION : error);
    return false;
  });
  if (replaced) {
    DeleteWaiting(kept, budget);
    return ReplaceOutcome::Replaced;
  }
  DWORD error = GetLastError();
  PutBackTarget(target, budget);
  DiscardStaged(target, budget);
  return MayBePassingHold(error, target) && TargetIsHeld(target) ? ReplaceOutcome::TargetHeld
                                                                 : ReplaceOutcome::Failed;
}

void DiscardStaged(const char *target, HoldBudget &budget) {
  Text staged = StagedName(target);
  if (Exists(staged.c_str())) DeleteWaiting(staged, budget);
}

void RecoverLeftovers(const char *folder) {
  if (folder == nullptr) return;
  Text base = folder;
  HoldBudget budget;
  std::vector<Text> names;
  FileNamesFound(JoinPath<Text>(base, "*.quorvel-*").c_str(), names);
  for (const Text &name : names) {
    if (!IsLeftoverName(name.c_str())) continue;
    Text path = JoinPath<Text>(base, name);
    bool kept = EndsWith(name, kKeptSuffix);
    Text target = path.substr(0, path.size() - std::string_view(kept ? kKeptSuffix : kStagedSuffix).size());
    // A staged file may have been cut short. A kept one is a whole old file,
    // and never removed while it is the only one.
    if (!kept || Exists(target.c_str()))
      DeleteWaiting(path, budget);
    else
      RenameWaiting(path, target.c_str(), MOVEFILE_WRITE_THROUGH, budget);
  }
}
