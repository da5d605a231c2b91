#pragma once

// What the file-system services ask of a single path.

// True when `path` names a file (not a folder).
bool IsFile(const char *path);

// True when `path` names a folder.
bool IsFolder(const char *path);

// True when `path` names something marked read-only.
bool IsReadOnly(const char *path);

// Deletes the file at `path`, clearing its read-only mark first; the last
// error tells why when it fails.
bool DeleteEvenIfReadOnly(const char *path);
