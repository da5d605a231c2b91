#pragma once

// What the file-system services ask of a single path, and the read-only mark
// they clear to flush or delete a file.
#include "base/win32.h"

// True when something, a file or a folder, is at `path`.
bool Exists(const char *path);

// True when `path` names a file (not a folder).
bool IsFile(const char *path);

// True when `path` names a folder.
bool IsFolder(const char *path);

// True when `path` names something marked read-only.
bool IsReadOnly(const char *path);

// Clears the read-only mark of `path`. The attributes it had, for
// RestoreReadOnlyMark; INVALID_FILE_ATTRIBUTES when it had no mark to clear.
DWORD ClearReadOnlyMark(const char *path);

// Gives `path` back the mark ClearReadOnlyMark took, with the attributes it
// returned; nothing for INVALID_FILE_ATTRIBUTES.
void RestoreReadOnlyMark(const char *path, DWORD attributes);

// Deletes the file at `path`, clearing its read-only mark first; the last
// error tells why when it fails.
bool DeleteEvenIfReadOnly(const char *path);
