#include "fs/folders.h"

#include <gtest/gtest.h>

#include "support/test_drive.h"

namespace {

struct CreateCase {
  const char *path;
  int result;
  const char *folderAfterwards;  // checked to exist when set
};

TEST(CreateFolderTest, CreatesOneFolderWithoutTrailingSeparatorsOrSpaces) {
  const CreateCase cases[] = {
      {"C:\\Program Files\\Quorvel", 1, "C:\\Program Files\\Quorvel"},
      {"C:\\Program Files\\Quorvel", 0, "C:\\Program Files\\Quorvel"},  // exists already
      {"C:\\Program Files\\Quorvel\\Prefs\\ \\/ ", 1, "C:\\Program Files\\Quorvel\\Prefs"},
      {"C:\\Program Files\\Quorvel\\\\Backups", 1, "C:\\Program Files\\Quorvel\\Backups"},
      {"C:\\Program Files\\Missing\\Child", 0, nullptr},
      {" \\ / ", 0, nullptr},
      {"", 0, nullptr},
      {nullptr, 0, nullptr},
  };
  test_drive::UseFreshDrive();
  for (const CreateCase &c : cases) {
    EXPECT_EQ(CreateFolder(c.path), c.result) << (c.path ? c.path : "(absent)");
    if (c.folderAfterwards != nullptr) {
      EXPECT_TRUE(test_drive::Exists(c.folderAfterwards));
    }
  }
  EXPECT_FALSE(test_drive::Exists("C:\\Program Files\\Missing"));
}

}  // namespace
