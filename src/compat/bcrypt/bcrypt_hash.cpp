// The stand-in for bcrypt's hash calls, over OpenSSL's libcrypto: SHA-256
// only, the one algorithm the program asks for.
#include <bcrypt.h>
#include <openssl/evp.h>

#include <cwchar>

namespace {

constexpr NTSTATUS kSuccess = 0;
constexpr NTSTATUS kInvalidHandle = static_cast<NTSTATUS>(0xC0000008);
constexpr NTSTATUS kInvalidParameter = static_cast<NTSTATUS>(0xC000000D);
constexpr NTSTATUS kNoMemory = static_cast<NTSTATUS>(0xC0000017);
constexpr NTSTATUS kNotFound = static_cast<NTSTATUS>(0xC0000225);
constexpr ULONG kSha256Bytes = 32;

// The one algorithm handle there is; hashes are libcrypto digest contexts.
int sha256Provider;

bool IsProvider(BCRYPT_ALG_HANDLE algorithm) { return algorithm == &sha256Provider; }

}  // namespace

#define EXPORTED extern "C" __attribute__((visibility("default")))

EXPORTED NTSTATUS WINAPI BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE *algorithm, LPCWSTR algorithmId,
                                                     LPCWSTR implementation, ULONG flags) {
  if (algorithm == nullptr || algorithmId == nullptr) return kInvalidParameter;
  *algorithm = nullptr;
  if (implementation != nullptr || flags != 0) return kNotFound;
  if (wcscmp(algorithmId, BCRYPT_SHA256_ALGORITHM) != 0) return kNotFound;
  *algorithm = &sha256Provider;
  return kSuccess;
}

EXPORTED NTSTATUS WINAPI BCryptCloseAlgorithmProvider(BCRYPT_ALG_HANDLE algorithm, ULONG) {
  return IsProvider(algorithm) ? kSuccess : kInvalidHandle;
}

// Like Windows 7 and later, the hash keeps its state itself when no buffer
// for it is given; a secret (HMAC) is not offered.
EXPORTED NTSTATUS WINAPI BCryptCreateHash(BCRYPT_ALG_HANDLE algorithm, BCRYPT_HASH_HANDLE *hash, PUCHAR,
                                          ULONG, PUCHAR secret, ULONG secretLength, ULONG flags) {
  if (!IsProvider(algorithm)) return kInvalidHandle;
  if (hash == nullptr || secret != nullptr || secretLength != 0 || flags != 0) return kInvalidParameter;
  EVP_MD_CTX *context = EVP_MD_CTX_new();
  if (context == nullptr) return kNoMemory;
  if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(context);
    return kNoMemory;
  }
  *hash = context;
  return kSuccess;
}

EXPORTED NTSTATUS WINAPI BCryptHashData(BCRYPT_HASH_HANDLE hash, PUCHAR input, ULONG inputLength,
                                        ULONG flags) {
  if (hash == nullptr) return kInvalidHandle;
  if ((input == nullptr && inputLength != 0) || flags != 0) return kInvalidParameter;
  if (EVP_DigestUpdate(static_cast<EVP_MD_CTX *>(hash), input, inputLength) != 1) return kInvalidParameter;
  return kSuccess;
}

EXPORTED NTSTATUS WINAPI BCryptFinishHash(BCRYPT_HASH_HANDLE hash, PUCHAR output, ULONG outputLength,
                                          ULONG flags) {
  if (hash == nullptr) return kInvalidHandle;
  if (output == nullptr || outputLength != kSha256Bytes || flags != 0) return kInvalidParameter;
  unsigned int written = 0;
  if (EVP_DigestFinal_ex(static_cast<EVP_MD_CTX *>(hash), output, &written) != 1 || written != kSha256Bytes)
    return kInvalidParameter;
  return kSuccess;
}

EXPORTED NTSTATUS WINAPI BCryptDestroyHash(BCRYPT_HASH_HANDLE hash) {
  if (hash == nullptr) return kInvalidHandle;
  EVP_MD_CTX_free(static_cast<EVP_MD_CTX *>(hash));
  return kSuccess;
}
