#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The bytes of tests/support/pe_file.py's pe_bytes(size, seed): "MZ", the
// offset 0x80 at 0x3C, "PE\0\0" there, the rest from a generator started at
// `seed`. `size` is at least 0x84.
std::string PeBytes(size_t size, uint32_t seed);

// The file the pinned test executables accept (pe_file.py --pinned).
std::string PinnedPeBytes();
