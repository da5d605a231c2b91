#pragma once

#include <windows.h>

#include <ctime>

// Converts between POSIX times and FILETIME (100 ns ticks since 1601).
FILETIME FileTimeFromTimespec(const timespec &time);
