#pragma once

#include <cstddef>

#include "prefs/preference_entries.h"

// Cuts a preference file's text (after its byte-order mark) into entries
// appended to `entries`. The entries point into `text`, which must outlive
// them and is not changed. False when memory for the entries cannot be had.
//
// A NUL byte is an ordinary byte of the line it stands in: it is kept, and
// written back where it stood, so that no part of a file is lost behind it.
bool ParsePreferenceText(const char *text, size_t length, PreferenceEntries &entries);
