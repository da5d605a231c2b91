#include "drive_paths.h"

#include <dirent.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "code_page.h"
#include "errors.h"
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
// creating n files in one folder would list that folder n times. Their short
// names are made when first asked for.
struct FolderNames {
  timespec changed = {};
  std::unordered_map<std::string, std::string> spellings;
  bool shortNamesMade = false;
  std::unordered_map<std::string, std::string> shortOf;  // by spelling
  std::unordered_map<std::string, std::string> longOf;   // by folded short name
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

// What a short name holds as it stands: ASCII letters and digits and these.
bool ShortNameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || (c != '\0' && std::strchr("!#$%&'()-@^_`{}~", c));
}

// 1 to 8 such characters, then optionally a dot and 1 to 3 more: a name that
// needs no short name of its own and names its entry in a short form as it stands.
bool IsShortName(std::string_view name) {
  size_t dot = name.find('.');
  std::string_view base = name.substr(0, dot);
  std::string_view extension = dot == std::string_view::npos ? "" : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || extension.size() > 3 ||
      (dot != std::string_view::npos && extension.empty()))
    return false;
  return std::all_of(base.begin(), base.end(), ShortNameCharacter) &&
         std::all_of(extension.begin(), extension.end(), ShortNameCharacter);
}

// What a short name keeps of a part of a long name: the characters it may hold,
// upper-cased; "+,;=[]" become "_"; spaces and dots go; so does every
// character outside ASCII, which marks the name `foreign`.
std::string Kept(std::string_view part, bool &foreign) {
  std::string kept;
  for (char c : part) {
    if (static_cast<unsigned char>(c) >= 0x80)
      foreign = true;
    else if (std::strchr("+,;=[]", c) != nullptr)
      kept += '_';
    else if (ShortNameCharacter(c))
      kept += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return kept;
}

// The short names of a folder's entries that are no short names as they stand,
// given in the order of their spellings' bytes so that each keeps its name
// while the folder keeps its entries. Windows leaves the form to the file
// system ("Naming Files, Paths, and Namespaces", "fsutil 8dot3name" on
// Microsoft Learn); this one follows its outline: up to six characters of the
// name, "~" and a number, and up to three of its extension; a name with
// characters outside ASCII keeps two and four hexadecimal digits of a checksum
// of the whole name instead. Leading dots are skipped.
void MakeShortNames(FolderNames &names) {
  std::vector<std::string> spellings;
  std::set<std::string> taken;
  for (const auto &[folded, spelling] : names.spellings) {
    if (spelling == "." || spelling == "..") continue;
    if (IsShortName(spelling))
      taken.insert(folded);
    else
      spellings.push_back(spelling);
  }
  std::sort(spellings.begin(), spellings.end());
  for (const std::string &spelling : spellings) {
    std::string_view name = spelling;
    name.remove_prefix(std::min(name.find_first_not_of('.'), name.size()));
    size_t dot = name.rfind('.');
    bool foreign = false;
    std::string base = Kept(name.substr(0, dot), foreign);
    std::string extension =
        dot == std::string_view::npos ? "" : Kept(name.substr(dot + 1), foreign).substr(0, 3);
    if (foreign || base.empty()) {
      uint32_t checksum = 2166136261u;
      for (unsigned char c : spelling) checksum = (checksum ^ c) * 16777619u;
      char digits[5];
      std::snprintf(digits, sizeof digits, "%04X",
                    static_cast<unsigned>((checksum ^ (checksum >> 16)) & 0xFFFF));
      base = base.substr(0, 2) + digits;
    }
    std::string shortName;
    for (int number = 1; shortName.empty() || taken.count(FoldedAsciiCase(shortName)) != 0; ++number) {
      std::string tail = "~" + std::to_string(number);
      shortName = base.substr(0, std::min<size_t>(6, 8 - tail.size())) + tail +
                  (extension.empty() ? "" : "." + extension);
    }
    taken.insert(FoldedAsciiCase(shortName));
    names.shortOf[spelling] = shortName;
    names.longOf[FoldedAsciiCase(shortName)] = spelling;
  }
  names.shortNamesMade = true;
}

FolderNames *ShortNamesOf(const std::string &folder) {
  auto *names = const_cast<FolderNames *>(NamesOf(folder));
  if (names != nullptr && !names->shortNamesMade) MakeShortNames(*names);
  return names;
}

// The spelling under which `name` exists in `folder`, ignoring ASCII case, or
// the entry it is the short name of.
bool FindSpelling(const std::string &folder, const std::string &name, std::string &spelling) {
  const FolderNames *names = NamesOf(folder);
  if (names == nullptr) return false;
  auto found = names->spellings.find(FoldedAsciiCase(name));
  if (found != names->spellings.end()) {
    spelling = found->second;
    return true;
  }
  if (name.find('~') == std::string::npos || !IsShortName(name)) return false;
  names = ShortNamesOf(folder);
  auto shortFound = names->longOf.find(FoldedAsciiCase(name));
  if (shortFound == names->longOf.end()) return false;
  spelling = shortFound->second;
  return true;
}

// The host folder a Windows path starts from; takes its drive off `path`.
std::string RootOf(std::string_view &path) {
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    std::string root = DriveRoot(path[0]);
    path.remove_prefix(2);
    return root;
  }
  return !path.empty() && IsPathSeparator(path[0]) ? DriveRoot('c') : ".";
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
  cached->second.shortNamesMade = false;
  cached->second.shortOf.clear();
  cached->second.longOf.clear();
}

std::string HostPath(const char *windowsPath) {
  std::string text = Utf8OfCodePage(windowsPath != nullptr ? windowsPath : "");
  std::string_view path = text;
  std::string host = RootOf(path);
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

std::string WindowsPathOfHost(std::string_view hostPath) {
  std::string path = "Z:" + CodePageOfUtf8(hostPath);
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Every component must exist. One that is a short name as written stays as
// written, as do the drive and the separators; each other gives its entry's
// short name (Microsoft Learn, fileapi.h, GetShortPathNameW).
DWORD WINAPI GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD size) {
  if (longPath == nullptr) return Fail<DWORD>(ERROR_INVALID_PARAMETER, 0);
  std::string text = Utf8OfWide(longPath);
  std::string_view path = text;
  const std::string root = RootOf(path);
  std::string host = root;
  std::string shortForm(text.substr(0, text.size() - path.size()));
  for (size_t at = 0; at < path.size();) {
    size_t end = at;
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    if (end == at) {
      shortForm += path[at++];
      continue;
    }
    std::string part(path.substr(at, end - at));
    at = end;
    shortForm += part;
    if (part == "." || part == "..") {
      if (part == ".." && host != root) host = std::string(ParentFolder(host));
      continue;
    }
    std::string spelling;
    if (!FindSpelling(host, part, spelling))
      return Fail<DWORD>(at == path.size() ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND, 0);
    if (!IsShortName(part)) {
      const auto &shortOf = ShortNamesOf(host)->shortOf;
      auto found = shortOf.find(spelling);
      shortForm.replace(shortForm.size() - part.size(), part.size(),
                        found != shortOf.end() ? found->second : part);
    }
    host = JoinPath(host, spelling, '/');
  }
  std::wstring wide = WideOfUtf8(shortForm);
  if (shortPath == nullptr || size <= wide.size()) return static_cast<DWORD>(wide.size() + 1);
  std::copy(wide.c_str(), wide.c_str() + wide.size() + 1, shortPath);
  return static_cast<DWORD>(wide.size());
}
