// Holds a file open for reading, sharing reading only, as a running program
// holds its executable, until a stop file appears (or a minute has passed).
//   quorvel-hold-file FILE READY-FILE STOP-FILE [SHARING AFTER-FILE MS]
// READY-FILE is made once the file is held. With the last three, the file is
// held with SHARING (FILE_SHARE_* bits, decimal) and let go MS milliseconds
// after AFTER-FILE appears, as a scanner lets go of a file it opened; the exit
// code is then 3 unless AFTER-FILE was still there when the hold ended, that
// is, unless whoever made it was still waiting for the file. Paths are the
// platform's own.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool Exists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4 && argc != 7) {
    std::fprintf(stderr, "usage: quorvel-hold-file FILE READY-FILE STOP-FILE [SHARING AFTER-FILE MS]\n");
    return 2;
  }
  DWORD sharing = argc == 7 ? static_cast<DWORD>(std::atoi(argv[4])) : FILE_SHARE_READ;
  const char *after = argc == 7 ? argv[5] : nullptr;
  HANDLE held =
      CreateFileA(argv[1], GENERIC_READ, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot hold %s: error %lu\n", argv[1], static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  HANDLE ready =
      CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  CloseHandle(ready);
  bool waitedFor = false;
  for (int waited = 0; waited < 60000 && !Exists(argv[3]); waited += 5) {
    if (after != nullptr && Exists(after)) {
      Sleep(static_cast<DWORD>(std::atoi(argv[6])));
      waitedFor = Exists(after);
      break;
    }
    Sleep(5);
  }
  CloseHandle(held);
  if (after == nullptr || waitedFor) return 0;
  std::fprintf(stderr, "%s was not waited for: %s was not there when the hold ended\n", argv[1], after);
  return 3;
}
