#pragma once

// Copies `source` onto `target`, replacing an existing target. Non-zero when
// the file was copied; 0 for an absent name or a failed copy.
int CopySingleFile(const char *source, const char *target);
