#pragma once

#include <cstdint>

constexpr int kSha256Bytes = 32;

// The SHA-256 of the whole file at `path` (a Windows path), computed by the
// system's CNG library (bcrypt, loaded from the system folder); false when
// the file cannot be read or the library fails.
bool Sha256OfFile(const char *path, uint8_t (&digest)[kSha256Bytes]);

// True when `hex` is exactly the 64 hexadecimal digits of `digest`, in
// either letter case.
bool DigestMatchesHex(const uint8_t (&digest)[kSha256Bytes], const char *hex);
