// Walks the environment it was started with and writes every entry's name and
// value, each ended by a zero byte, into the file named by its argument.
#include <fstream>

#include "fs/environment_walk.h"

int main(int argc, char **argv) {
  if (argc < 2) return 2;
  std::ofstream out(argv[1], std::ios::binary);
  if (StartEnvironmentWalk() != 1) return 3;
  while (NextEnvironmentEntry() == 1) out << CurrentEntryName() << '\0' << CurrentEntryValue() << '\0';
  return out ? 0 : 4;
}
