#include "drive_paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "portable/ascii_names.h"
#include "portable/paths.h"

namespace {

std::string PrefixFolder() {
  const char *prefix = std::getenv("WINEPREFIX");
  if (prefix != nullptr && *prefix != '\0') return prefix;
  const char *home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.wine";
}

std::string DriveRoot(char letter) {
  letter = FoldAsciiCase(letter);
  if (letter == 'c') return PrefixFolder() + "/drive_c";
  if (letter == 'z') return "/";
  return PrefixFolder() + "/dosdevices/" + letter + ":";
}

bool Exists(const std::string &path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

// The names of recently searched folders by their folded spelling, valid while
// the folder's change time stays as it was when they were read. Without it,
// creating n files in one folder would list that folder n times.
struct FolderNames {
  timespec changed = {};
  std::unordered_map<std::string, std::string> spellings;
};
constexpr size_t kCachedFolders = 64;
auto &folderNames = *new std::unordered_map<std::string, FolderNames>;

bool SameTime(const timespec &a, const timespec &b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

const FolderNames *NamesOf(const std::string &folder) {
  struct stat info;
  if (stat(folder.c_str(), &info) != 0) return nullptr;
  auto cached = folderNames.find(folder);
  if (cached != folderNames.end() && SameTime(cached->second.changed, info.st_mtim)) return &cached->second;
  DIR *dir = opendir(folder.c_str());
  if (dir == nullptr) return nullptr;
  if (folderNames.size() >= kCachedFolders) folderNames.clear();
  FolderNames &names = folderNames[folder];
  names.changed = info.st_mtim;
  names.spellings.clear();
  while (dirent *entry = readdir(dir)) names.spellings.emplace(FoldedAsciiCase(entry->d_name), entry->d_name);
  closedir(dir);
  return &names;
}

// The spelling under which `name` exists in `folder`, ignoring ASCII case.
bool FindSpelling(const std::string &folder, const std::string &name, std::string &spelling) {
  const FolderNames *names = NamesOf(folder);
  if (names == nullptr) return false;
  auto found = names->spellings.find(FoldedAsciiCase(name));
  if (found == names->spellings.end()) return false;
  spelling = found->second;
  return true;
}

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at < path.size()) {
    while (at < path.size() && IsPathSeparator(path[at])) ++at;
    size_t end = at;
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    std::string part(path.substr(at, end - at));
    at = end;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  return parts;
}

}  // namespace

void NoteNewEntry(const std::string &made) {
  std::string_view hostPath = WithoutTrailingSeparators(made);
  std::string folder(ParentFolder(hostPath));
  if (folder.empty()) return;
  auto cached = folderNames.find(folder);
  struct stat info;
  if (cached == folderNames.end() || stat(folder.c_str(), &info) != 0) return;
  std::string name(LastComponent(hostPath));
  cached->second.spellings.emplace(FoldedAsciiCase(name), name);
  cached->second.changed = info.st_mtim;
}

std::string HostPath(const char *windowsPath) {
  std::string_view path = windowsPath != nullptr ? windowsPath : "";
  std::string host;
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    host = DriveRoot(path[0]);
    path.remove_prefix(2);
  } else if (!path.empty() && IsPathSeparator(path[0])) {
    host = DriveRoot('c');
  } else {
    host = ".";
  }
  // The longest run of components that exists as written needs no listing:
  // look for it from the end, where a path usually stops existing.
  std::vector<std::string> parts = Components(path);
  std::vector<std::string> prefixes(parts.size() + 1, host);
  for (size_t i = 0; i < parts.size(); ++i) prefixes[i + 1] = JoinPath(prefixes[i], parts[i], '/');
  size_t exact = parts.size();
  while (exact > 0 && !Exists(prefixes[exact])) --exact;
  host = prefixes[exact];
  bool resolving = true;
  for (size_t i = exact; i < parts.size(); ++i) {
    std::string spelling;
    if (resolving) resolving = FindSpelling(host, parts[i], spelling);
    host = JoinPath(host, spelling.empty() ? parts[i] : spelling, '/');
  }
  if (!path.empty() && IsPathSeparator(path.back())) host = JoinPath(host, "", '/');
  return host;
}

std::string LinkFreeHostPath(const std::string &hostPath) {
  std::string_view path = WithoutTrailingSeparators(hostPath);
  std::string folder(ParentFolder(path));
  char resolved[PATH_MAX];
  if (folder.empty() || realpath(folder.c_str(), resolved) == nullptr) return hostPath;
  return JoinPath(resolved, LastComponent(path), '/');
}
