#pragma once

// Copies of single files and of a folder's files.
#include <string>

// A file is never rewritten in place: its new content is written beside it
// under this suffix, flushed, then renamed over it. Whatever stops the run, the
// file holds its old content or its new one, whole; the next run removes what
// was left under the suffix.
constexpr char kStagedSuffix[] = ".quorvel-new";

// The name new content for `target` is written under before it is put in place.
std::string StagedName(const char *target);

// Copies `source` onto `target`, replacing an existing target. Non-zero when
// the file was copied; 0 for an absent name or a failed copy, which leaves the
// target as it was.
int CopySingleFile(const char *source, const char *target);

// Copies `source` to the staged name of `target` and flushes it to the disk.
// Non-zero when done; on failure nothing is left staged.
int StageCopy(const char *source, const char *target);

// Renames the staged copy over `target` (only onto a missing target unless
// `replace`), written through. Non-zero when done; on failure the staged copy
// is removed and the target is as it was.
int PutStagedInPlace(const char *target, bool replace);

// Removes the staged copy of `target`, if any.
void DiscardStaged(const char *target);

// Removes every file under the suffix in `folder`, given with its trailing
// separator: what an interrupted run left behind.
void RemoveStagedLeftovers(const char *folder);

// Copies each file that lies directly in `source` and matches `pattern`
// ("*.*" when absent or empty) into `destination`, creating that one folder
// when it is missing. A file of the same name already there is kept, and files
// under the staged suffix are never copied. Subfolders are neither copied nor
// entered. 1 when the destination is there and every matching file was copied
// or kept; 0 otherwise (the other files are still copied).
int CopyFolderFiles(const char *source, const char *destination, const char *pattern);
