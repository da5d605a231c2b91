#pragma once

#include <cstdint>

// Libraries loaded at run time, each under a number of 0 or above that the
// caller chooses. Loading under a number that holds a library frees that one
// first. The platform handle is non-zero when loaded; 0 otherwise (also for an
// absent name or a negative number).
intptr_t LoadDynamicLibrary(int number, const char *fileName);

// The address of `functionName` in the library under `number`, or nullptr
// when the name is absent, nothing is loaded there or the library lacks it.
void *FindDynamicFunction(int number, const char *functionName);

// Frees the library under `number`; 0 when nothing is loaded there.
int FreeDynamicLibrary(int number);

// Frees, in the order of their numbers, every library still loaded.
void FreeAllDynamicLibraries();
