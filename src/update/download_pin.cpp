#include "update/download_pin.h"

#include "update/file_digest.h"

bool FileMatchesDownloadPin(const char *path) {
  if (downloadSha256 == nullptr || downloadSha256[0] == '\0') return true;
  uint8_t digest[kSha256Bytes];
  return Sha256OfFile(path, digest) && DigestMatchesHex(digest, downloadSha256);
}
