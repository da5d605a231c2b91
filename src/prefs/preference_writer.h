#pragma once

#include <windows.h>

#include "prefs/preference_entries.h"

// The written form of `entries` in one block from the main heap, its length
// counted first: the head of a marked file (the UTF-8 byte-order mark and an
// empty line), then "[name]", "; text" or "name = value" per entry, each ended
// by CR LF. nullptr when memory for the block cannot be had or it would not
// fit one write.
//
// In an unmarked file whose first line would begin with the mark's bytes (a
// key named so), that line is written after one blank: read again, the file
// would otherwise count as marked and the key would lose those bytes.
char *BuildPreferenceText(const PreferenceEntries &entries, bool utf8, DWORD &length);
