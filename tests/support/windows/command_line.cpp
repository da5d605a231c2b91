#include "support/windows/command_line.h"

std::string CommandLineOf(const std::vector<std::string> &words) {
  std::string line;
  for (const std::string &word : words) {
    if (!line.empty()) line += ' ';
    line += '"';
    size_t backslashes = 0;
    for (char c : word) {
      if (c == '\\') {
        ++backslashes;
        line += c;
        continue;
      }
      if (c == '"') line.append(backslashes + 1, '\\');
      backslashes = 0;
      line += c;
    }
    line.append(backslashes, '\\');  // doubled before the closing quote
    line += '"';
  }
  return line;
}
