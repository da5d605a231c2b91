#pragma once

#include <string>

// The preference file service: one current INI-style preference file, read
// whole when it is opened and written back whole, in a normalised layout, when
// it is released after an edit. Group and key names are matched with ASCII
// letters compared without regard to case.

enum class PreferenceState {
  Empty,         // no file is current
  Open,          // opened for reading and writing; written back when edited
  OpenReadOnly,  // opened for reading only; edits are discarded
  Absent,        // could not be opened; created at release when edited
};

// Releases the current file, then opens `path`. Non-zero when the file was
// opened, with or without write access; 0 when it could not be opened (the
// path is kept, so edits still create the file at release) or could not be
// read whole (then nothing is current and nothing will be written).
int LoadPreferenceFile(const char *path);

// Selects the group that later keys go into. 1 when it exists or `name` is
// empty (the part before the first group); 0 when it does not exist yet (it is
// added with the first key written), when no file is current, or when memory
// runs out (then keys are refused until a group is chosen again).
int ChoosePreferenceGroup(const char *name);

// Sets `key` in the chosen group to `value`, adding the key (and a chosen
// group still missing) when needed. Does nothing when no file is current.
void SetPreferenceText(const char *key, const char *value);

// Writes the current file back when it was edited and may be written, closes
// it and leaves no file current.
void ReleasePreferenceFile();

PreferenceState CurrentPreferenceState();

// Takes each byte of `text` as a code point U+0000..U+00FF and encodes it in
// UTF-8, as the service converts a caller's texts for a file that begins with
// the UTF-8 byte-order mark.
std::string Latin1ToUtf8(const char *text);
