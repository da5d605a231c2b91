#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/test_drive.h"

namespace {

const std::string kFile = "C:\\Program Files\\Quorvel\\qz.inf";

struct Opening {
  DWORD access;
  DWORD share;
};

struct SharingCase {
  const char *name;
  Opening first;
  Opening second;
  bool secondOpens;
};

constexpr DWORD kRead = GENERIC_READ;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareRead = FILE_SHARE_READ;
constexpr DWORD kShareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;

HANDLE Open(const Opening &opening, DWORD disposition = OPEN_EXISTING) {
  return CreateFileA(kFile.c_str(), opening.access, opening.share, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

class FileSharingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test_drive::UseFreshDrive();
    test_drive::MakeFolder("C:\\Program Files\\Quorvel");
    test_drive::WriteBytes(kFile, "[Application]\r\n");
  }
};

TEST_F(FileSharingTest, OpeningsRespectEachOthersSharing) {
  const SharingCase cases[] = {
      {"reader beside reader", {kRead, kShareRead}, {kRead, kShareRead}, true},
      {"writer after a reader that shares reading only",
       {kRead, kShareRead},
       {kReadWrite, kShareRead},
       false},
      {"writer after a reader that shares writing", {kRead, kShareBoth}, {kReadWrite, kShareRead}, true},
      {"reader that denies writing after a writer", {kReadWrite, kShareBoth}, {kRead, kShareRead}, false},
      {"reader sharing writing after a writer", {kReadWrite, kShareBoth}, {kRead, kShareBoth}, true},
      {"reader after an opening that shares nothing", {kRead, 0}, {kRead, kShareBoth}, false},
      {"anything after a writer that shares reading", {kReadWrite, kShareRead}, {kRead, kShareBoth}, true},
      {"second writer after a writer that shares reading",
       {kReadWrite, kShareRead},
       {kReadWrite, kShareBoth},
       false},
  };
  for (const SharingCase &c : cases) {
    HANDLE first = Open(c.first);
    ASSERT_NE(first, INVALID_HANDLE_VALUE) << c.name;
    HANDLE second = Open(c.second);
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.secondOpens) << c.name;
    if (second != INVALID_HANDLE_VALUE) {
      CloseHandle(second);
    } else {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << c.name;
    }
    CloseHandle(first);
  }
}

TEST_F(FileSharingTest, AFailedCreateAlwaysLeavesTheContent) {
  HANDLE reader = Open({kRead, kShareRead});
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Open({kReadWrite, kShareRead}, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  EXPECT_EQ(test_drive::ReadBytes(kFile), "[Application]\r\n");
}

TEST_F(FileSharingTest, TheReadOnlyAttributeRefusesWritingOnly) {
  ASSERT_TRUE(SetFileAttributesA(kFile.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(GetFileAttributesA(kFile.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  HANDLE reader = Open({kRead, kShareRead});
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  HANDLE writer = Open({kReadWrite, kShareRead});
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  ASSERT_TRUE(SetFileAttributesA(kFile.c_str(), FILE_ATTRIBUTE_NORMAL));
  if (test_drive::UnderWineAsRoot()) {
    GTEST_SKIP() << "Wine keeps the attribute as missing write permission, which root passes; "
                    "Windows refuses writing to administrators too";
  }
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
}

TEST_F(FileSharingTest, ReadWriteAndCutInPlace) {
  HANDLE file = Open({kReadWrite, kShareRead});
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileSize(file, nullptr), 15u);
  char buffer[32] = {};
  DWORD count = 0;
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(std::string(buffer, count), "[Application]\r\n");
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), 0u);
  ASSERT_TRUE(WriteFile(file, "[A]\r\n", 5, &count, nullptr));
  EXPECT_EQ(count, 5u);
  ASSERT_TRUE(SetEndOfFile(file));
  CloseHandle(file);
  EXPECT_EQ(test_drive::ReadBytes(kFile), "[A]\r\n");
}

struct RenameCase {
  const char *name;
  Opening holder;  // of the file renamed over; access 0: none
  bool replaceFile;
  DWORD error;  // 0: the rename succeeds
};

// Replacing a file by renaming another over it, as the updater writes every
// file: a holder that shares no deletion refuses it, as a running program
// refuses it for its executable. Windows documents the same errors.
TEST_F(FileSharingTest, RenamingOverAFileRespectsItsHolders) {
  const std::string staged = kFile + ".quorvel-new";
  const RenameCase cases[] = {
      {"move, nobody holds it", {0, 0}, false, 0},
      {"replace, nobody holds it", {0, 0}, true, 0},
      {"move over a running program's hold", {kRead, kShareRead}, false, ERROR_ACCESS_DENIED},
      {"replace under a running program's hold", {kRead, kShareRead}, true, ERROR_SHARING_VIOLATION},
      {"replace under a hold that shares deletion", {kRead, kShareRead | FILE_SHARE_DELETE}, true, 0},
  };
  for (const RenameCase &c : cases) {
    test_drive::WriteBytes(kFile, "old");
    test_drive::WriteBytes(staged, "new");
    HANDLE holder = c.holder.access != 0 ? Open(c.holder) : INVALID_HANDLE_VALUE;
    BOOL renamed = c.replaceFile ? ReplaceFileA(kFile.c_str(), staged.c_str(), nullptr, 0, nullptr, nullptr)
                                 : MoveFileExA(staged.c_str(), kFile.c_str(),
                                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    DWORD error = renamed ? 0 : GetLastError();
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(test_drive::ReadBytes(kFile), c.error == 0 ? "new" : "old") << c.name;
    EXPECT_EQ(test_drive::Exists(staged), c.error != 0) << c.name;
    DeleteFileA(staged.c_str());
  }
  test_drive::WriteBytes(kFile, "old");
  test_drive::WriteBytes(staged, "new");
  EXPECT_FALSE(MoveFileExA(staged.c_str(), kFile.c_str(), MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(test_drive::ReadBytes(kFile), "old");
}

}  // namespace
