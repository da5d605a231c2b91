#pragma once

#include <windows.h>

#include "prefs/heap_text.h"
#include "prefs/preference_entries.h"

enum class PreferenceEncoding { Ansi, Utf8 };

// The service's one current preference file.
struct PreferenceFile {
  HANDLE file = INVALID_HANDLE_VALUE;
  HeapText path;
  bool modified = false;
  bool readOnly = false;  // opened for reading only, or not opened at all
  PreferenceEncoding encoding = PreferenceEncoding::Ansi;
  HeapText text;  // the file's text after its byte-order mark, as read
  PreferenceEntries entries;
  PreferenceEntry *currentGroup = nullptr;  // nullptr: the part before the first group
  HeapText pendingGroup;                    // chosen, but not in the file yet
  bool groupUnknown = false;                // the last choice could not be kept: keys are refused
};

enum class OpenOutcome {
  Opened,
  CannotOpen,  // no open mode succeeded
  CannotRead,  // opened, but the text could not be had whole (memory, a short read)
};

// Opens `path` in the first of the open modes that succeeds, and reads and
// parses its whole text into `preferences`, which starts empty.
OpenOutcome OpenPreferenceFile(PreferenceFile &preferences, const char *path);

// Writes the file back in its written form, when it was edited and may be
// written; creates it anew when it could not be opened.
void WritePreferenceFileBack(PreferenceFile &preferences);
