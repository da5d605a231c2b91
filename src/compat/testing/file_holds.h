// Test controls that make the stand-in's file calls behave as Windows does
// while another program (a scanner, an indexer, a sync agent) holds a file for
// a moment, and that stop ReplaceFileA between its steps. For tests only: the
// quorvel_compat_testing target.
#pragma once

#include <windows.h>

#include <string>

#include "compat/held_files.h"

namespace file_holds {

// The next `count` calls among `operations` that name `windowsPath` fail with
// `error` (ERROR_SHARING_VIOLATION or ERROR_ACCESS_DENIED) and change nothing;
// kUntilReleased: every such call until Release. Names are compared as the
// stand-in maps them onto the host with symbolic links resolved, so any
// spelling of the path counts, also one through a link.
void Hold(const std::string &windowsPath, unsigned operations, DWORD error, int count);

// Calls refused so far for holds on `windowsPath`.
int Refusals(const std::string &windowsPath);

// Ends every hold, and a stop that no ReplaceFileA has met yet.
void ReleaseAll();

// The next ReplaceFileA stops with `error` (ERROR_UNABLE_TO_REMOVE_REPLACED,
// ERROR_UNABLE_TO_MOVE_REPLACEMENT or ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) and
// leaves the files in the state its documentation gives for that error.
void StopNextReplace(DWORD error);

}  // namespace file_holds
