#pragma once

#include <cstdint>

// Fetches `url` into the file `target` through the platform's URL download
// service ("URLDownloadToFileA" of "urlMON.dll", loaded at run time under
// library number 0, where it stays until the process end). Returns 0 when the
// whole resource now lies at the target and is a Windows executable that
// matches the download pin, if one is set; otherwise a non-zero status, and
// no file is left at the target (unless another program holds it open).
// Returns 1000 ms after the attempt, on every path.
int32_t DownloadFile(const char *url, const char *target);
