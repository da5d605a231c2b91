#include "file_times.h"

namespace {
constexpr ULONGLONG kSecondsFrom1601To1970 = 11644473600ULL;
}

FILETIME FileTimeFromTimespec(const timespec &time) {
  ULONGLONG ticks = (static_cast<ULONGLONG>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000ULL +
                    static_cast<ULONGLONG>(time.tv_nsec) / 100;
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(ticks);
  result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return result;
}
