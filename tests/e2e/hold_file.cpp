// Holds a file open for reading, sharing reading only, as a running program
// holds its executable, until a stop file appears (or a minute has passed).
//   quorvel-hold-file FILE READY-FILE STOP-FILE
// READY-FILE is made once the file is held. Paths are the platform's own.
#include <windows.h>

#include <cstdio>

namespace {

bool Exists(const char *path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: quorvel-hold-file FILE READY-FILE STOP-FILE\n");
    return 2;
  }
  HANDLE held = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot hold %s: error %lu\n", argv[1], static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  HANDLE ready = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  CloseHandle(ready);
  for (int waited = 0; waited < 60000 && !Exists(argv[3]); waited += 20) Sleep(20);
  CloseHandle(held);
  return 0;
}
