#!/usr/bin/env python3
"""Files shaped like a Windows executable, for the tests to serve as the new QZ.exe.

pe_bytes(size, seed) gives `size` bytes (at least PE_MIN_SIZE) that start with
"MZ", hold at 0x3C the little-endian offset PE_HEADER_OFFSET and there the
signature "PE\\0\\0"; every other byte comes from a linear congruential
generator started at `seed`, so the same arguments always give the same
bytes (the C++ tests make the same ones). PINNED is the file whose SHA-256
the pinned loopback updater carries.

  pe_file.py --size N --seed S --out FILE
  pe_file.py --pinned --out FILE
"""

import argparse
import struct
import sys

PE_HEADER_OFFSET = 0x80
PE_MIN_SIZE = PE_HEADER_OFFSET + 4
PINNED = {"size": 300 * 1024, "seed": 251}


def pe_bytes(size, seed):
    if size < PE_MIN_SIZE:
        raise ValueError("a file shaped like an executable needs at least %d bytes" % PE_MIN_SIZE)
    body = bytearray(size)
    state = seed & 0xFFFFFFFF
    for i in range(size):
        state = (state * 1103515245 + 12345) & 0xFFFFFFFF
        body[i] = state >> 24
    body[0:2] = b"MZ"
    body[0x3C:0x40] = struct.pack("<I", PE_HEADER_OFFSET)
    body[PE_HEADER_OFFSET : PE_HEADER_OFFSET + 4] = b"PE\0\0"
    return bytes(body)


def pinned_bytes():
    return pe_bytes(PINNED["size"], PINNED["seed"])


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--size", type=int, help="bytes in the file")
    parser.add_argument("--seed", type=int, default=1, help="start of the byte generator")
    parser.add_argument("--pinned", action="store_true", help="the file the pinned updater accepts")
    parser.add_argument("--out", required=True, help="the file to write")
    options = parser.parse_args(argv)
    if options.pinned == (options.size is not None):
        parser.error("give either --pinned or --size")
    data = pinned_bytes() if options.pinned else pe_bytes(options.size, options.seed)
    with open(options.out, "wb") as out:
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
