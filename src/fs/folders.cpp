#include "fs/folders.h"

#include <windows.h>

#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "base/any_number.h"

namespace {

struct FolderSearch {
  intptr_t identity = 0;
  HANDLE platformSearch = INVALID_HANDLE_VALUE;
  int foundNothing = 0;
  WIN32_FIND_DATAA firstEntry = {};
};

// Numbered searches by number; AnyNumber searches apart, by handle. Searches
// never ended hold their platform search until the process exits, so the
// tables are never torn down.
auto &numberedSearches = *new std::vector<std::unique_ptr<FolderSearch>>;
auto &anonymousSearches = *new std::unordered_map<intptr_t, std::unique_ptr<FolderSearch>>;

void EndPlatformSearch(FolderSearch &search) {
  if (search.platformSearch != INVALID_HANDLE_VALUE) FindClose(search.platformSearch);
  search.platformSearch = INVALID_HANDLE_VALUE;
}

std::unique_ptr<FolderSearch> *RecordNamedBy(intptr_t numberOrHandle) {
  auto anonymous = anonymousSearches.find(numberOrHandle);
  if (anonymous != anonymousSearches.end()) return &anonymous->second;
  if (numberOrHandle >= 0 && static_cast<size_t>(numberOrHandle) < numberedSearches.size() &&
      numberedSearches[numberOrHandle] != nullptr)
    return &numberedSearches[numberOrHandle];
  return nullptr;
}

}  // namespace

std::string CutToMaxPath(const char *text) {
  std::string cut = text != nullptr ? text : "";
  if (cut.size() > MAX_PATH) cut.resize(MAX_PATH);
  return cut;
}

std::string WithSeparator(std::string folder) {
  if (!folder.empty() && folder.back() != '\\') folder += '\\';
  return folder;
}

intptr_t OpenFolderSearch(int number, const char *folder, const char *pattern) {
  if (number < AnyNumber) return 0;
  std::string searchPath = WithSeparator(CutToMaxPath(folder));
  searchPath += (pattern != nullptr && *pattern != '\0') ? pattern : "*.*";

  std::unique_ptr<FolderSearch> search(new (std::nothrow) FolderSearch);
  if (search == nullptr) return 0;
  if (number != AnyNumber) {
    CloseFolderSearch(number);
    if (numberedSearches.size() <= static_cast<size_t>(number)) numberedSearches.resize(number + 1);
  }

  search->platformSearch = FindFirstFileA(searchPath.c_str(), &search->firstEntry);
  if (search->platformSearch == INVALID_HANDLE_VALUE) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return 0;
    search->foundNothing = 1;
  }

  auto handle = reinterpret_cast<intptr_t>(search.get());
  if (number == AnyNumber) {
    search->identity = handle;
    anonymousSearches.emplace(handle, std::move(search));
  } else {
    search->identity = number;
    numberedSearches[number] = std::move(search);
  }
  return handle;
}

int CloseFolderSearch(intptr_t numberOrHandle) {
  std::unique_ptr<FolderSearch> *record = RecordNamedBy(numberOrHandle);
  if (record == nullptr) return 0;
  EndPlatformSearch(**record);
  if (anonymousSearches.count(numberOrHandle) != 0)
    anonymousSearches.erase(numberOrHandle);
  else
    record->reset();
  return 1;
}

int CreateFolder(const char *path) {
  if (path == nullptr) return 0;
  std::string folder = CutToMaxPath(path);
  while (!folder.empty() && (folder.back() == ' ' || folder.back() == '\\' || folder.back() == '/'))
    folder.pop_back();
  return CreateDirectoryA(folder.c_str(), nullptr) ? 1 : 0;
}
