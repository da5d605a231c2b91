#pragma once

// Paths as Windows writes them and as the stand-in's host does: either slash
// separates (the host writes only "/"); a folder and a name are joined with
// one separator.
#include <cstddef>
#include <string>
#include <string_view>

constexpr bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// `name` in `folder`: `separator` between them unless the folder is empty or
// ends with that very separator. Only it counts, so a Windows folder that ends
// with "/" gets a "\" behind it, and a doubled separator in it stays. The
// product's texts take their own string type.
template <typename String = std::string>
String JoinPath(std::string_view folder, std::string_view name, char separator = '\\') {
  String path(folder);
  if (!path.empty() && path.back() != separator) path += separator;
  path += name;
  return path;
}

constexpr size_t LastSeparatorAt(std::string_view path) {
  for (size_t at = path.size(); at > 0; --at)
    if (IsPathSeparator(path[at - 1])) return at - 1;
  return std::string_view::npos;
}

// The folder that the last component of `path` lies in: the text before its
// last separator, the separator itself where that is the root ("/" of "/a");
// empty when there is no separator.
constexpr std::string_view ParentFolder(std::string_view path) {
  size_t cut = LastSeparatorAt(path);
  if (cut == std::string_view::npos) return {};
  return path.substr(0, cut == 0 ? 1 : cut);
}

// `path` without the separators it ends with; a root stays as it is ("/").
constexpr std::string_view WithoutTrailingSeparators(std::string_view path) {
  while (path.size() > 1 && IsPathSeparator(path.back())) path.remove_suffix(1);
  return path;
}

// The text after the last separator of `path`; all of it when there is none.
constexpr std::string_view LastComponent(std::string_view path) {
  size_t cut = LastSeparatorAt(path);
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}
