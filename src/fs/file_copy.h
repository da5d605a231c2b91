#pragma once

// Copies of single files and of a folder's files, each staged beside its
// target and renamed in place (fs/staged_replacement.h).

// Copies `source` onto `target`, replacing an existing target. Non-zero when
// the file was copied; 0 for an absent name or a failed copy, which leaves the
// target as it was.
int CopySingleFile(const char *source, const char *target);

// Copies each file that lies directly in `source` and matches `pattern`
// ("*.*" when absent or empty) into `destination`, creating that one folder
// when it is missing. A file of the same name already there is kept, and what
// an interrupted run left under the staged or kept suffix is never copied.
// Subfolders are neither copied nor entered. 1 when the destination is there
// and every matching file was copied or kept; 0 otherwise (the other files are
// still copied).
int CopyFolderFiles(const char *source, const char *destination, const char *pattern);
