#pragma once

// Whether the library `name` (without ".dll" or ".so") is mapped into this
// process now.
bool LibraryIsMapped(const char *name);
