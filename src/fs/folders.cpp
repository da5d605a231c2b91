#include "fs/folders.h"

#include "base/numbered_objects.h"
#include "base/win32.h"
#include "portable/paths.h"

namespace {

struct FolderSearch {
  intptr_t identity = 0;
  HANDLE platformSearch = INVALID_HANDLE_VALUE;
  int foundNothing = 0;
  WIN32_FIND_DATAA firstEntry = {};
};

bool IsFolderEntry(const WIN32_FIND_DATAA &entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void EndPlatformSearch(FolderSearch &search) {
  if (search.platformSearch != INVALID_HANDLE_VALUE) FindClose(search.platformSearch);
  search.platformSearch = INVALID_HANDLE_VALUE;
}

// AnyNumber searches get handles above every number a caller can pick, so
// they live apart from the numbered ones. Searches never ended hold their
// platform search until the process exits, so the table is never torn down.
static_assert(sizeof(intptr_t) > sizeof(int), "search handles lie above every int");
auto &searches = *new NumberedObjects<FolderSearch, EndPlatformSearch>(intptr_t{INT_MAX} + 1, INTPTR_MAX);

}  // namespace

Text CutToMaxPath(const char *text) {
  Text cut = text != nullptr ? text : "";
  if (cut.size() > MAX_PATH) cut.resize(MAX_PATH);
  return cut;
}

Text SearchPath(const char *folder, const char *pattern) {
  return JoinPath<Text>(CutToMaxPath(folder), (pattern != nullptr && *pattern != '\0') ? pattern : "*.*");
}

intptr_t OpenFolderSearch(int number, const char *folder, const char *pattern) {
  if (!searches.Accepts(number)) return 0;
  Text searchPath = SearchPath(folder, pattern);

  if (number != AnyNumber) searches.End(number);
  FolderSearch search;
  search.platformSearch = FindFirstFileA(searchPath.c_str(), &search.firstEntry);
  if (search.platformSearch == INVALID_HANDLE_VALUE) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return 0;
    search.foundNothing = 1;
  }
  search.identity = searches.KeyFor(number);
  FolderSearch *recorded = searches.Put(search.identity, search);
  if (recorded == nullptr) return 0;
  return MadeObjectResult(number, recorded->identity, reinterpret_cast<intptr_t>(recorded));
}

int CloseFolderSearch(intptr_t numberOrHandle) { return searches.End(numberOrHandle) ? 1 : 0; }

bool FileNamesFound(const char *searchPath, std::vector<Text> &names) {
  names.clear();
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA(searchPath, &entry);
  if (search == INVALID_HANDLE_VALUE) return false;
  do {
    if (!IsFolderEntry(entry)) names.emplace_back(entry.cFileName);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return true;
}

int CreateFolder(const char *path) {
  if (path == nullptr) return 0;
  Text folder = CutToMaxPath(path);
  while (!folder.empty() && (folder.back() == ' ' || folder.back() == '\\' || folder.back() == '/'))
    folder.pop_back();
  return CreateDirectoryA(folder.c_str(), nullptr) ? 1 : 0;
}
