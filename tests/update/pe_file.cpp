#include "pe_file.h"

namespace {

constexpr size_t kHeaderOffset = 0x80;

}  // namespace

std::string PeBytes(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  uint32_t state = seed;
  for (char &byte : bytes) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  bytes.replace(0, 2, "MZ");
  bytes.replace(0x3C, 4, std::string("\x80\0\0\0", 4));
  bytes.replace(kHeaderOffset, 4, std::string("PE\0\0", 4));
  return bytes;
}

std::string PinnedPeBytes() { return PeBytes(size_t{300} * 1024, 251); }
