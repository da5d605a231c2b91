#include "update/transfer_verdict.h"

#include "base/win32.h"
#include "fs/file_io.h"
#include "fs/file_queries.h"
#include "update/download_pin.h"

namespace {

constexpr DWORD kSignatureOffsetAt = 0x3C;

}  // namespace

bool IsSuccessStatus(DWORD status) { return status >= 200 && status <= 299; }

bool IsWindowsExecutable(const char *path) {
  if (path == nullptr) return false;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  unsigned char start[kSignatureOffsetAt + 4];
  unsigned char signature[4];
  bool executable = false;
  if (ReadExactlyAt(file, 0, start, sizeof start) && start[0] == 'M' && start[1] == 'Z') {
    uint32_t offset = static_cast<uint32_t>(start[kSignatureOffsetAt]) |
                      static_cast<uint32_t>(start[kSignatureOffsetAt + 1]) << 8 |
                      static_cast<uint32_t>(start[kSignatureOffsetAt + 2]) << 16 |
                      static_cast<uint32_t>(start[kSignatureOffsetAt + 3]) << 24;
    executable = ReadExactlyAt(file, offset, signature, sizeof signature) && signature[0] == 'P' &&
                 signature[1] == 'E' && signature[2] == 0 && signature[3] == 0;
  }
  CloseHandle(file);
  return executable;
}

HRESULT TransferVerdict(const TransferReport &report, const char *target) {
  if (report.abandoned != S_OK) return report.abandoned;
  // Wine's service reports success for error pages and cut-short bodies, and
  // even when it wrote nothing at all.
  if (report.httpStatus != 0 && !IsSuccessStatus(report.httpStatus)) return INET_E_DOWNLOAD_FAILURE;
  if (report.serviceResult != S_OK) return report.serviceResult;
  if (report.httpStatus == 0 || !report.ended) return INET_E_DOWNLOAD_FAILURE;
  if (report.announced != 0 && report.received != report.announced) return INET_E_DOWNLOAD_FAILURE;
  int64_t size = FileSize(target);
  if (size < 0 || static_cast<uint64_t>(size) != report.received) return INET_E_DOWNLOAD_FAILURE;
  // A captive portal's page or a misconfigured server's answer is no program.
  if (!IsWindowsExecutable(target)) return kNotAnExecutable;
  if (!FileMatchesDownloadPin(target)) return kDigestMismatch;
  return S_OK;
}
