// The download pin of a test executable: none, or the digest of the file
// that tests/support/pe_file.py --pinned writes.
#include "update/download_pin.h"

const char *const downloadSha256 = QUORVEL_TEST_DOWNLOAD_SHA256;
