#pragma once

#include <cstdint>

#include "base/win32.h"

// The SHA-256 the downloaded executable must have, as 64 hexadecimal digits
// in either letter case, or "" for none; fixed by the build of each
// executable (QUORVEL_DOWNLOAD_SHA256).
extern const char *const downloadSha256;

// True when no digest is pinned, or when the file at `path` (a Windows path)
// can be read whole and its SHA-256 is the pinned one.
bool FileMatchesDownloadPin(const char *path);

// The same for the open `file`, read from its start.
bool OpenFileMatchesDownloadPin(HANDLE file);

constexpr int kSha256Bytes = 32;

// The SHA-256 of the whole file at `path` (a Windows path), computed by the
// system's CNG library (bcrypt, loaded from the system folder); false when
// the file cannot be read or the library fails.
bool Sha256OfFile(const char *path, uint8_t (&digest)[kSha256Bytes]);

// The same of the open `file`, from its start to its end.
bool Sha256OfOpenFile(HANDLE file, uint8_t (&digest)[kSha256Bytes]);

// True when `hex` is exactly the 64 hexadecimal digits of `digest`, in
// either letter case.
bool DigestMatchesHex(const uint8_t (&digest)[kSha256Bytes], const char *hex);
