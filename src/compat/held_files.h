// What a test sets against the file calls (its controls: testing/file_holds.h):
// holds that refuse calls on a file as another program holding it for a moment
// would, and a stop of the next ReplaceFileA between its steps.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace file_holds {

// The calls a hold can refuse, as a mask.
enum Operation : unsigned {
  Open = 1,    // CreateFileA
  Copy = 2,    // CopyFileA, as its source or its target
  Rename = 4,  // MoveFileExA and ReplaceFileA, on any name they take
  Delete = 8,  // DeleteFileA
};

constexpr int kUntilReleased = -1;

struct HeldFile {
  unsigned operations = 0;
  DWORD error = 0;
  int left = 0;  // kUntilReleased: until released
  int refusals = 0;
};

// By host path with its links resolved.
extern std::map<std::string, HeldFile> heldFiles;

// The error the next ReplaceFileA stops with, or 0.
extern DWORD nextReplaceStop;

// True (last error set) when a hold refuses `call` on the file at `hostPath`;
// the call then changes nothing.
bool Refused(const std::string &hostPath, Operation call);

}  // namespace file_holds
