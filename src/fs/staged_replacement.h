#pragma once

// How every file the updater writes in the installation and preferences
// folders reaches its name, so that whatever stops the run leaves it old or
// new, whole:
//  1. stage: the new content is written beside the target as
//     <name>.quorvel-new and flushed to the disk;
//  2. commit: the staged file is renamed over the target, written through; a
//     file whose attributes and security must stay is replaced instead, the
//     target being kept as <name>.quorvel-old until the new file stands under
//     its name;
//  3. discard: a step that fails removes what it staged, and puts a kept
//     target back under its name;
//  4. recover: before a folder's files are read or copied, a name that lies
//     empty beside its kept file gets that file back; every other leftover goes.
// Each call waits out other programs' passing holds within the step's budget.
#include "base/process_heaps.h"
#include "base/win32.h"
#include "fs/hold_budget.h"

constexpr char kStagedSuffix[] = ".quorvel-new";
constexpr char kKeptSuffix[] = ".quorvel-old";

// The name new content for `target` is written under before it is put in place.
Text StagedName(const char *target);

// True when `name` ends in one of the two suffixes above.
bool IsLeftoverName(const char *name);

// Stages a copy of `source`, or `length` bytes of `bytes`, for `target`.
// Non-zero when flushed to the disk; on failure nothing is left staged.
int StageCopy(const char *source, const char *target, HoldBudget &budget);
int StageBytes(const char *target, const char *bytes, DWORD length, HoldBudget &budget);

// Renames the staged file over `target` (only onto a missing target unless
// `replace`), written through. Non-zero when done; on failure the staged file
// is discarded and the target is as it was.
int CommitStaged(const char *target, bool replace, HoldBudget &budget);

enum class ReplaceOutcome { Replaced, TargetHeld, Failed };

// Replaces the existing `target` by its staged file, keeping the target's
// attributes and security. TargetHeld: another program still holds the target
// itself, so it could only be rewritten in place. After TargetHeld or Failed
// nothing is staged and the target holds its old content.
ReplaceOutcome ReplaceWithStaged(const char *target, HoldBudget &budget);

// Removes the staged file of `target`, if any.
void DiscardStaged(const char *target, HoldBudget &budget);

// Puts back what an interrupted run left in `folder`: a kept file whose
// target is missing takes its name again; every other file under either
// suffix is removed.
void RecoverLeftovers(const char *folder);
