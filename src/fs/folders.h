#pragma once

// Folder probes, folder creation and the texts of folder paths.
#include <cstdint>
#include <vector>

#include "base/process_heaps.h"

// Starts a search of the entries of `folder` that match `pattern` ("*.*" when
// absent or empty) under `number`, or as a new search for AnyNumber. Non-zero
// when the folder can be searched, even if nothing in it matches; for
// AnyNumber the result is the handle that names the search afterwards.
intptr_t OpenFolderSearch(int number, const char *folder, const char *pattern);

// Ends the search named by its number or its AnyNumber handle; 0 when the
// argument names no open search.
int CloseFolderSearch(intptr_t numberOrHandle);

// The names of the files, not folders, that the search `searchPath` (a folder
// and a pattern) finds, in the order the platform gives them. False, with no
// names, when it cannot search there or finds nothing at all, not even a
// folder.
bool FileNamesFound(const char *searchPath, std::vector<Text> &names);

// Creates the one folder that `path` names (trailing spaces and separators
// dropped); its parent must exist. Non-zero when it was created, 0 otherwise,
// also when it existed already.
int CreateFolder(const char *path);

// Folder texts are cut to MAX_PATH characters before anything is added to them.
Text CutToMaxPath(const char *text);

// The path that searches `folder`, cut to MAX_PATH, for `pattern` ("*.*" when
// absent or empty).
Text SearchPath(const char *folder, const char *pattern);
