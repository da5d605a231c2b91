#include "update/transfer_verdict.h"

#include <gtest/gtest.h>
#include <urlmon.h>

#include <algorithm>
#include <string>

#include "pe_file.h"
#include "support/test_drive.h"

namespace {

const std::string kTarget = "C:\\users\\Public\\verdict.exe";
constexpr size_t kSize = 4096;

// A report of a transfer that brought `bytes` whole with a length.
TransferReport WholeAnswer(size_t bytes) {
  TransferReport report;
  report.httpStatus = 200;
  report.ended = true;
  report.received = report.announced = bytes;
  return report;
}

std::string WithSignatureAt(uint32_t offset, size_t size = kSize) {
  std::string bytes = PeBytes(size, 3);
  bytes.replace(0x3C, 4,
                std::string{static_cast<char>(offset), static_cast<char>(offset >> 8),
                            static_cast<char>(offset >> 16), static_cast<char>(offset >> 24)});
  // As much of the signature as fits.
  if (offset < size) {
    size_t fits = std::min<size_t>(4, size - offset);
    bytes.replace(offset, fits, std::string("PE\0\0", 4), 0, fits);
  }
  return bytes;
}

struct Case {
  const char *what;
  TransferReport report;
  std::string file;  // empty: no file at the target
  HRESULT expected;
};

TEST(TransferVerdictTest, JudgesTheAnswerAndTheFile) {
  const std::string pe = PeBytes(kSize, 3);
  TransferReport chunked = WholeAnswer(kSize);
  chunked.announced = 0;
  TransferReport notFound = WholeAnswer(kSize);
  notFound.httpStatus = 404;
  TransferReport noAnswer = WholeAnswer(kSize);
  noAnswer.httpStatus = 0;
  TransferReport notEnded = WholeAnswer(kSize);
  notEnded.ended = false;
  TransferReport cutShort = WholeAnswer(kSize);
  cutShort.received = kSize / 2;
  TransferReport serviceFailed = WholeAnswer(kSize);
  serviceFailed.serviceResult = INET_E_CANNOT_CONNECT;
  TransferReport stalled = WholeAnswer(kSize);
  stalled.abandoned = INET_E_CONNECTION_TIMEOUT;
  std::string badSignature = pe;
  badSignature[0x83] = 1;
  std::string noMz = pe;
  noMz[1] = 'X';

  const Case cases[] = {
      {"an executable that came whole", WholeAnswer(kSize), pe, S_OK},
      {"chunked, ended cleanly", chunked, pe, S_OK},
      {"signature in the last four bytes", WholeAnswer(kSize), WithSignatureAt(kSize - 4), S_OK},
      {"404", notFound, pe, INET_E_DOWNLOAD_FAILURE},
      {"no answer", noAnswer, pe, INET_E_DOWNLOAD_FAILURE},
      {"no end of the body", notEnded, pe, INET_E_DOWNLOAD_FAILURE},
      {"fewer bytes than announced", cutShort, pe.substr(0, kSize / 2), INET_E_DOWNLOAD_FAILURE},
      {"service failure", serviceFailed, pe, INET_E_CANNOT_CONNECT},
      {"abandoned by the watch", stalled, pe, INET_E_CONNECTION_TIMEOUT},
      {"file missing", WholeAnswer(kSize), "", INET_E_DOWNLOAD_FAILURE},
      {"file of another size than received", WholeAnswer(kSize), pe + "x", INET_E_DOWNLOAD_FAILURE},
      {"no MZ", WholeAnswer(kSize), noMz, kNotAnExecutable},
      {"wrong signature", WholeAnswer(kSize), badSignature, kNotAnExecutable},
      {"signature offset at the end", WholeAnswer(kSize), WithSignatureAt(kSize), kNotAnExecutable},
      {"signature half outside", WholeAnswer(kSize), WithSignatureAt(kSize - 2), kNotAnExecutable},
      {"signature offset far outside", WholeAnswer(kSize), WithSignatureAt(0xFFFFFFF0u), kNotAnExecutable},
      {"shorter than the offset field", WholeAnswer(0x3E), pe.substr(0, 0x3E), kNotAnExecutable},
      {"an HTML page", WholeAnswer(14), "<html></html>\n", kNotAnExecutable},
  };
  test_drive::UseFreshDrive();
  for (const Case &c : cases) {
    DeleteFileA(kTarget.c_str());
    if (!c.file.empty()) test_drive::WriteBytes(kTarget, c.file);
    EXPECT_EQ(TransferVerdict(c.report, kTarget.c_str()), c.expected) << c.what;
  }
}

}  // namespace
