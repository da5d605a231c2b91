// bcrypt (CNG): the hash calls the download's pin check makes. Natively they
// live in the shared library "bcrypt.so" of the system folder, loaded at run
// time like their Windows counterparts.
#pragma once

#include "win_types.h"

typedef LONG NTSTATUS;
typedef unsigned char UCHAR;
typedef UCHAR *PUCHAR;
typedef void *BCRYPT_ALG_HANDLE;
typedef void *BCRYPT_HASH_HANDLE;

#define BCRYPT_SHA256_ALGORITHM L"SHA256"
#define BCRYPT_SUCCESS(status) (((NTSTATUS)(status)) >= 0)

extern "C" {
NTSTATUS WINAPI BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE *algorithm, LPCWSTR algorithmId,
                                            LPCWSTR implementation, ULONG flags);
NTSTATUS WINAPI BCryptCloseAlgorithmProvider(BCRYPT_ALG_HANDLE algorithm, ULONG flags);
NTSTATUS WINAPI BCryptCreateHash(BCRYPT_ALG_HANDLE algorithm, BCRYPT_HASH_HANDLE *hash, PUCHAR hashObject,
                                 ULONG hashObjectLength, PUCHAR secret, ULONG secretLength, ULONG flags);
NTSTATUS WINAPI BCryptHashData(BCRYPT_HASH_HANDLE hash, PUCHAR input, ULONG inputLength, ULONG flags);
NTSTATUS WINAPI BCryptFinishHash(BCRYPT_HASH_HANDLE hash, PUCHAR output, ULONG outputLength, ULONG flags);
NTSTATUS WINAPI BCryptDestroyHash(BCRYPT_HASH_HANDLE hash);
}
