#pragma once

// Creates the one folder that `path` names (trailing spaces and separators
// dropped); its parent must exist. Non-zero when it was created, 0 otherwise,
// also when it existed already.
int CreateFolder(const char *path);
