#pragma once

#include <cstdint>

// Starts a search of the entries of `folder` that match `pattern` ("*.*" when
// absent or empty) under `number`, or as a new search for AnyNumber. Non-zero
// when the folder can be searched, even if nothing in it matches; for
// AnyNumber the result is the handle that names the search afterwards.
intptr_t OpenFolderSearch(int number, const char *folder, const char *pattern);

// Ends the search named by its number or its AnyNumber handle; 0 when the
// argument names no open search.
int CloseFolderSearch(intptr_t numberOrHandle);
