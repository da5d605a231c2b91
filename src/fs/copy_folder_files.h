#pragma once

// Copies each file that lies directly in `source` and matches `pattern`
// ("*.*" when absent or empty) into `destination`, creating that one folder
// when it is missing. A file of the same name already there is kept, and files
// under the staged suffix are never copied. Subfolders are neither copied nor
// entered. 1 when the destination is there and every matching file was copied
// or kept; 0 otherwise (the other files are still copied).
int CopyFolderFiles(const char *source, const char *destination, const char *pattern);
