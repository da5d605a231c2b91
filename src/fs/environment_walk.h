#pragma once

#include "base/process_heaps.h"

// One walk over a private copy of the process environment, for the whole
// program. Entries come in the order the block holds them, unsorted and
// unfiltered; an entry beginning with "=" (such as "=C:=C:\") has an empty name.
// Each entry is as the 8-bit block gives it, except a value that the system
// code page cannot hold (a profile folder named in another script): where the
// path it names has a short form the code page holds, the walk gives that
// form, which names the same folder; otherwise the block's text.

// Takes a fresh copy of the environment and places the walk before its first
// entry. 0 when no copy could be taken; the walk must then be started again.
int StartEnvironmentWalk();

// Moves to the next entry: 1 while there is one, 0 at the end (and ever after).
int NextEnvironmentEntry();

// The current entry's text before its first "=", and after it. Both are empty
// for an entry without "=", before the first entry and at the end.
Text CurrentEntryName();
Text CurrentEntryValue();

// The text with its letters upper-cased by the system code page's rules; empty
// for an absent text.
Text UpperCaseCopy(const char *text);
