#include "drive_paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string PrefixFolder() {
  const char *prefix = std::getenv("WINEPREFIX");
  if (prefix != nullptr && *prefix != '\0') return prefix;
  const char *home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.wine";
}

std::string DriveRoot(char letter) {
  letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  if (letter == 'c') return PrefixFolder() + "/drive_c";
  if (letter == 'z') return "";
  return PrefixFolder() + "/dosdevices/" + letter + ":";
}

bool Exists(const std::string &path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

// The spelling under which `name` exists in `folder`, ignoring ASCII case.
bool FindSpelling(const std::string &folder, const std::string &name, std::string &spelling) {
  DIR *dir = opendir(folder.empty() ? "/" : folder.c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (dirent *entry = readdir(dir)) {
    if (SameNameIgnoringCase(entry->d_name, name)) {
      spelling = entry->d_name;
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  size_t at = 0;
  while (at < path.size()) {
    while (at < path.size() && IsSeparator(path[at])) ++at;
    size_t end = at;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
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

bool SameNameIgnoringCase(const std::string &a, const std::string &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string HostPath(const char *windowsPath) {
  std::string_view path = windowsPath != nullptr ? windowsPath : "";
  std::string host;
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    host = DriveRoot(path[0]);
    path.remove_prefix(2);
  } else if (!path.empty() && IsSeparator(path[0])) {
    host = DriveRoot('c');
  } else {
    host = ".";
  }
  bool resolving = true;
  for (const std::string &part : Components(path)) {
    std::string next = host + "/" + part;
    if (resolving && !Exists(next)) {
      std::string spelling;
      if (FindSpelling(host, part, spelling))
        next = host + "/" + spelling;
      else
        resolving = false;
    }
    host = next;
  }
  if (host.empty()) return "/";
  if (!path.empty() && IsSeparator(path.back()) && host.back() != '/') host += '/';
  return host;
}
