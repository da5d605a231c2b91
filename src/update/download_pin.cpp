#include "update/download_pin.h"

#include <memory>

#include "base/win32.h"
#include "fs/file_io.h"
#include "update/dynamic_library.h"

namespace {

constexpr DWORD kChunkBytes = 256 * 1024;

template <typename Function>
Function *CryptoFunction(const char *name) {
  return SystemLibraryFunction<Function>(kCryptoLibrary, name);
}

// Feeds the file to `hash` chunk by chunk; false unless it was read to its end.
bool HashFileInto(HANDLE file, BCRYPT_HASH_HANDLE hash, decltype(&BCryptHashData) hashData) {
  std::unique_ptr<UCHAR[]> buffer(new (std::nothrow) UCHAR[kChunkBytes]);
  if (buffer == nullptr) return false;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, buffer.get(), kChunkBytes, &read, nullptr)) return false;
    if (read == 0) return true;
    if (!BCRYPT_SUCCESS(hashData(hash, buffer.get(), read, 0))) return false;
  }
}

// True when no digest is pinned, or when `hashInto` gives the pinned one; it
// is not called without a pin, so no hash is taken then.
template <typename HashInto>
bool MatchesPin(HashInto hashInto) {
  if (downloadSha256 == nullptr || downloadSha256[0] == '\0') return true;
  uint8_t digest[kSha256Bytes];
  return hashInto(digest) && DigestMatchesHex(digest, downloadSha256);
}

int DigitValue(char digit) {
  if (digit >= '0' && digit <= '9') return digit - '0';
  if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
  if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
  return -1;
}

}  // namespace

bool Sha256OfOpenFile(HANDLE file, uint8_t (&digest)[kSha256Bytes]) {
  auto open = CryptoFunction<decltype(BCryptOpenAlgorithmProvider)>("BCryptOpenAlgorithmProvider");
  auto close = CryptoFunction<decltype(BCryptCloseAlgorithmProvider)>("BCryptCloseAlgorithmProvider");
  auto create = CryptoFunction<decltype(BCryptCreateHash)>("BCryptCreateHash");
  auto hashData = CryptoFunction<decltype(BCryptHashData)>("BCryptHashData");
  auto finish = CryptoFunction<decltype(BCryptFinishHash)>("BCryptFinishHash");
  auto destroy = CryptoFunction<decltype(BCryptDestroyHash)>("BCryptDestroyHash");
  if (open == nullptr || close == nullptr || create == nullptr || hashData == nullptr || finish == nullptr ||
      destroy == nullptr || !MoveTo(file, 0))
    return false;

  bool hashed = false;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCRYPT_SUCCESS(open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (BCRYPT_SUCCESS(create(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
      hashed = HashFileInto(file, hash, hashData) && BCRYPT_SUCCESS(finish(hash, digest, kSha256Bytes, 0));
      destroy(hash);
    }
    close(algorithm, 0);
  }
  return hashed;
}

bool Sha256OfFile(const char *path, uint8_t (&digest)[kSha256Bytes]) {
  return ReadOpenFile(path, false, [&](HANDLE file) { return Sha256OfOpenFile(file, digest); });
}

bool DigestMatchesHex(const uint8_t (&digest)[kSha256Bytes], const char *hex) {
  if (hex == nullptr) return false;
  for (int i = 0; i < kSha256Bytes; ++i) {
    int high = DigitValue(hex[2 * i]);
    if (high < 0) return false;
    int low = DigitValue(hex[2 * i + 1]);
    if (low < 0 || digest[i] != ((high << 4) | low)) return false;
  }
  return hex[2 * kSha256Bytes] == '\0';
}

bool FileMatchesDownloadPin(const char *path) {
  return MatchesPin([&](uint8_t(&digest)[kSha256Bytes]) { return Sha256OfFile(path, digest); });
}

bool OpenFileMatchesDownloadPin(HANDLE file) {
  return MatchesPin([&](uint8_t(&digest)[kSha256Bytes]) { return Sha256OfOpenFile(file, digest); });
}
