#pragma once

// The SHA-256 the downloaded executable must have, as 64 hexadecimal digits
// in either letter case, or "" for none; fixed by the build of each
// executable (QUORVEL_DOWNLOAD_SHA256).
extern const char *const downloadSha256;

// True when no digest is pinned, or when the file at `path` (a Windows path)
// can be read whole and its SHA-256 is the pinned one.
bool FileMatchesDownloadPin(const char *path);
