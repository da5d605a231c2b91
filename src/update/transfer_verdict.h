#pragma once

#include <cstdint>

#include "base/win32.h"

// What one transfer of the download service showed, whatever the platform.
struct TransferReport {
  HRESULT serviceResult = S_OK;  // what URLDownloadToFileA returned
  HRESULT abandoned = S_OK;      // why this side ended the transfer, if it did
  DWORD httpStatus = 0;          // 0 when no answer came
  bool ended = false;            // the service reported the end of the body
  uint64_t received = 0;         // bytes of the body that came
  uint64_t announced = 0;        // bytes announced (Content-Length); 0 when none
};

// An HTTP status that brings the resource: 2xx.
bool IsSuccessStatus(DWORD status);

// S_OK only when the transfer brought a 2xx answer whole into `target` and
// the file there is a Windows executable that matches the download pin, if
// one is set; otherwise a non-zero status saying what was wrong. An answer
// without a length (chunked) counts as whole when its body ended cleanly.
HRESULT TransferVerdict(const TransferReport &report, const char *target);

// True when the open `file` starts with "MZ" and holds "PE\0\0" at the
// offset given, little-endian in 32 bits, at byte 0x3C, inside the file.
bool IsWindowsExecutable(HANDLE file);

// The statuses of a transfer whose answer came but is not to be installed.
constexpr HRESULT kNotAnExecutable = HRESULT_FROM_WIN32(193L);         // ERROR_BAD_EXE_FORMAT
constexpr HRESULT kDigestMismatch = static_cast<HRESULT>(0x80091007);  // CRYPT_E_HASH_VALUE
