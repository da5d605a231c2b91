#pragma once

#include <string>
#include <vector>

// Calls into the preference service, written down as data.
struct Step {
  enum Kind { Choose, Set } kind;
  std::string group;  // Choose
  std::string key;    // Set
  std::string value;  // Set
};

inline Step Choose(const std::string &group) { return Step{Step::Choose, group, "", ""}; }
inline Step Set(const std::string &key, const std::string &value) { return Step{Step::Set, "", key, value}; }

// The update's own stamp.
inline std::vector<Step> StampVersion() { return {Choose("Application"), Set("Version", "2.51")}; }

void RunSteps(const std::vector<Step> &steps);

// Loads `windowsPath`, runs `steps` and releases the file.
void EditFile(const std::string &windowsPath, const std::vector<Step> &steps);
