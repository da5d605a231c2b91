#include <gtest/gtest.h>

#include <string>

#include "support/test_drive.h"
#include "update/download_pin.h"
#include "update/dynamic_library.h"

namespace {

const std::string kFile = "C:\\users\\Public\\digest.bin";

// FIPS 180-2's test vectors; the long one spans several reads of the file.
TEST(FileDigestTest, HashesFilesWithTheSystemLibrary) {
  struct Case {
    std::string content;
    const char *sha256;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  test_drive::UseFreshDrive();
  for (const Case &c : cases) {
    test_drive::WriteBytes(kFile, c.content);
    uint8_t digest[kSha256Bytes] = {};
    ASSERT_TRUE(Sha256OfFile(kFile.c_str(), digest)) << c.content.size();
    EXPECT_TRUE(DigestMatchesHex(digest, c.sha256)) << c.content.size() << " bytes";
  }
  uint8_t digest[kSha256Bytes];
  EXPECT_FALSE(Sha256OfFile("C:\\users\\Public\\missing.bin", digest));
  FreeAllDynamicLibraries();
}

TEST(FileDigestTest, ComparesWithHexOfEitherCaseAndNothingElse) {
  uint8_t digest[kSha256Bytes];
  for (int i = 0; i < kSha256Bytes; ++i) digest[i] = static_cast<uint8_t>(0xA0 + i);
  const std::string lower = "a0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3b4b5b6b7b8b9babbbcbdbebf";
  std::string upper = lower;
  for (char &c : upper) c = static_cast<char>(toupper(c));
  EXPECT_TRUE(DigestMatchesHex(digest, lower.c_str()));
  EXPECT_TRUE(DigestMatchesHex(digest, upper.c_str()));
  std::string lastDiffers = lower;
  lastDiffers.back() = 'e';
  std::string notHex = lower;
  notHex[10] = 'g';
  for (const std::string &wrong : {lastDiffers, notHex, lower.substr(0, 63), lower + "0", std::string()})
    EXPECT_FALSE(DigestMatchesHex(digest, wrong.c_str())) << "\"" << wrong << "\"";
  EXPECT_FALSE(DigestMatchesHex(digest, nullptr));
}

}  // namespace
