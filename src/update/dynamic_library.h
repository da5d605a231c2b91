#pragma once

#include <cstdint>

// Libraries loaded at run time, each under a number of 0 or above that the
// caller chooses, from the system folder only: a library of the same name
// beside the program (which could be anyone's) is never loaded, nor one that
// a system library depends on. Loading under a number that holds a library
// frees that one first. The platform handle is non-zero when loaded; 0
// otherwise (also for an absent name or a negative number).
intptr_t LoadDynamicLibrary(int number, const char *fileName);

// Makes the system folder the only place where any library the process loads
// by name is looked for, the system libraries' own loads included; 1 when
// done, 0 where the system cannot (there a load by name still looks beside
// the program, which LoadDynamicLibrary never does). Call it before
// anything loads a library.
int LimitLibrarySearchToSystemFolder();

// The address of `functionName` in the library under `number`, or nullptr
// when the name is absent, nothing is loaded there or the library lacks it.
void *FindDynamicFunction(int number, const char *functionName);

// Frees the library under `number`; 0 when nothing is loaded there.
int FreeDynamicLibrary(int number);

// Frees, in the order of their numbers, every library still loaded.
void FreeAllDynamicLibraries();

// The system libraries the program loads instead of importing them, since
// none of them is among Windows' known DLLs: each under its number, with its
// file name beside it.
enum SystemLibrary : int {
  kDownloadLibrary = 0,
  kInternetLibrary = 1,
  kTimerLibrary = 2,
  kCryptoLibrary = 3,
  kSystemLibraries = 4
};
constexpr const char *kSystemLibraryFiles[kSystemLibraries] = {
    "urlMON.dll",   // 0, kDownloadLibrary
    "WININET.dll",  // 1, kInternetLibrary
    "WINMM.dll",    // 2, kTimerLibrary
    "BCRYPT.dll",   // 3, kCryptoLibrary
};

// `functionName` of the library `fileName`, loaded under `number` on first
// use and kept there until FreeAllDynamicLibraries; nullptr when the library
// or the function is missing.
void *FunctionOfKeptLibrary(int number, const char *fileName, const char *functionName);

// `functionName` of the system library `library`, found as
// FunctionOfKeptLibrary finds it, as a `Function`.
template <typename Function>
Function *SystemLibraryFunction(SystemLibrary library, const char *functionName) {
  return reinterpret_cast<Function *>(
      FunctionOfKeptLibrary(library, kSystemLibraryFiles[library], functionName));
}
