#include "update/transfer_verdict.h"

#include "base/win32.h"
#include "fs/file_io.h"
#include "update/download_pin.h"

namespace {

constexpr DWORD kSignatureOffsetAt = 0x3C;

// The checks of what was written, through one handle, so that they all judge
// the same file.
HRESULT FileVerdict(HANDLE file, uint64_t received) {
  int64_t size = FileSize(file);
  if (size < 0 || static_cast<uint64_t>(size) != received) return INET_E_DOWNLOAD_FAILURE;
  // A captive portal's page or a misconfigured server's answer is no program.
  if (!IsWindowsExecutable(file)) return kNotAnExecutable;
  if (!OpenFileMatchesDownloadPin(file)) return kDigestMismatch;
  return S_OK;
}

}  // namespace

bool IsSuccessStatus(DWORD status) { return status >= 200 && status <= 299; }

bool IsWindowsExecutable(HANDLE file) {
  unsigned char start[kSignatureOffsetAt + 4];
  if (!ReadExactlyAt(file, 0, start, sizeof start) || start[0] != 'M' || start[1] != 'Z') return false;
  uint32_t offset = static_cast<uint32_t>(start[kSignatureOffsetAt]) |
                    static_cast<uint32_t>(start[kSignatureOffsetAt + 1]) << 8 |
                    static_cast<uint32_t>(start[kSignatureOffsetAt + 2]) << 16 |
                    static_cast<uint32_t>(start[kSignatureOffsetAt + 3]) << 24;
  unsigned char signature[4];
  return ReadExactlyAt(file, offset, signature, sizeof signature) && signature[0] == 'P' &&
         signature[1] == 'E' && signature[2] == 0 && signature[3] == 0;
}

HRESULT TransferVerdict(const TransferReport &report, const char *target) {
  if (report.abandoned != S_OK) return report.abandoned;
  // Wine's service reports success for error pages and cut-short bodies, and
  // even when it wrote nothing at all.
  if (report.httpStatus != 0 && !IsSuccessStatus(report.httpStatus)) return INET_E_DOWNLOAD_FAILURE;
  if (report.serviceResult != S_OK) return report.serviceResult;
  if (report.httpStatus == 0 || !report.ended) return INET_E_DOWNLOAD_FAILURE;
  if (report.announced != 0 && report.received != report.announced) return INET_E_DOWNLOAD_FAILURE;
  return ReadOpenFile<HRESULT>(target, INET_E_DOWNLOAD_FAILURE,
                               [&](HANDLE file) { return FileVerdict(file, report.received); });
}
