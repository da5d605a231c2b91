#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/test_drive.h"

namespace {

const std::string kFile = "C:\\Program Files\\Quorvel\\qz.inf";

// Set before each call whose error is checked, so that an error left by an
// earlier call cannot pass for the one expected.
constexpr DWORD kStaleError = 0xDEADBEEF;

// Rights and sharing both as sets of the sharing flags: an opening's rights
// are the ones the flag of the same name lets another opening have.
constexpr DWORD kRead = FILE_SHARE_READ;
constexpr DWORD kWrite = FILE_SHARE_WRITE;
constexpr DWORD kDelete = FILE_SHARE_DELETE;
constexpr DWORD kReadWrite = kRead | kWrite;

struct Opening {
  DWORD rights;
  DWORD sharing;
};

DWORD AccessFor(DWORD rights) {
  return ((rights & kRead) ? GENERIC_READ : 0) | ((rights & kWrite) ? GENERIC_WRITE : 0) |
         ((rights & kDelete) ? DELETE : 0);
}

std::string Letters(DWORD rights) {
  std::string letters;
  for (auto [right, letter] : {std::pair{kRead, 'R'}, std::pair{kWrite, 'W'}, std::pair{kDelete, 'D'}})
    if (rights & right) letters += letter;
  return letters.empty() ? "-" : letters;
}

std::string Describe(const Opening &opening) {
  return Letters(opening.rights) + " sharing " + Letters(opening.sharing);
}

HANDLE Open(const Opening &opening, DWORD disposition = OPEN_EXISTING) {
  return CreateFileA(kFile.c_str(), AccessFor(opening.rights), opening.sharing, nullptr, disposition,
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

// Every pair of openings out of each right against each sharing: the second
// opens only when each one's sharing allows every right the other has.
TEST_F(FileSharingTest, EachOpeningsSharingMustAllowTheOthersRights) {
  std::vector<Opening> openings;
  for (DWORD rights : {kRead, kWrite, kReadWrite, kDelete})
    for (DWORD sharing = 0; sharing <= (kRead | kWrite | kDelete); ++sharing)
      openings.push_back({rights, sharing});
  std::vector<std::string> wrong;
  for (const Opening &first : openings) {
    HANDLE held = Open(first);
    ASSERT_NE(held, INVALID_HANDLE_VALUE) << Describe(first);
    for (const Opening &second : openings) {
      bool shared = (second.rights & ~first.sharing) == 0 && (first.rights & ~second.sharing) == 0;
      SetLastError(kStaleError);
      HANDLE opened = Open(second);
      DWORD error = opened != INVALID_HANDLE_VALUE ? ERROR_SUCCESS : GetLastError();
      if (opened != INVALID_HANDLE_VALUE) CloseHandle(opened);
      if (error != (shared ? ERROR_SUCCESS : ERROR_SHARING_VIOLATION))
        wrong.push_back(Describe(first) + ", then " + Describe(second) + ": error " + std::to_string(error));
    }
    CloseHandle(held);
  }
  EXPECT_EQ(wrong, std::vector<std::string>{});
}

TEST_F(FileSharingTest, AFailedCreateAlwaysLeavesTheContent) {
  HANDLE reader = Open({kRead, kRead});
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  SetLastError(kStaleError);
  EXPECT_EQ(Open({kReadWrite, kRead}, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(reader);
  EXPECT_EQ(test_drive::ReadBytes(kFile), "[Application]\r\n");
}

TEST_F(FileSharingTest, TheReadOnlyAttributeRefusesWritingOnly) {
  ASSERT_TRUE(SetFileAttributesA(kFile.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(GetFileAttributesA(kFile.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  HANDLE reader = Open({kRead, kRead});
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  CloseHandle(reader);
  SetLastError(kStaleError);
  HANDLE writer = Open({kReadWrite, kRead});
  DWORD error = GetLastError();
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  ASSERT_TRUE(SetFileAttributesA(kFile.c_str(), FILE_ATTRIBUTE_NORMAL));
  if (test_drive::UnderWineAsRoot()) {
    GTEST_SKIP() << "Wine keeps the attribute as missing write permission, which root passes; "
                    "Windows refuses writing to administrators too";
  }
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(FileSharingTest, ReadWriteAndCutInPlace) {
  HANDLE file = Open({kReadWrite, kRead});
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
  Opening holder;  // of the file renamed over; no rights: none
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
      {"move over a running program's hold", {kRead, kRead}, false, ERROR_ACCESS_DENIED},
      {"replace under a running program's hold", {kRead, kRead}, true, ERROR_SHARING_VIOLATION},
      {"replace under a hold that shares deletion", {kRead, kRead | kDelete}, true, 0},
  };
  for (const RenameCase &c : cases) {
    test_drive::WriteBytes(kFile, "old");
    test_drive::WriteBytes(staged, "new");
    HANDLE holder = c.holder.rights != 0 ? Open(c.holder) : INVALID_HANDLE_VALUE;
    SetLastError(kStaleError);
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
  SetLastError(kStaleError);
  EXPECT_FALSE(MoveFileExA(staged.c_str(), kFile.c_str(), MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(test_drive::ReadBytes(kFile), "old");
}

}  // namespace
