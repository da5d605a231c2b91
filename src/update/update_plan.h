#pragma once

#include <cstdint>
#include <string>

// The updater's settings and the folders, paths and results resolved from
// them; one instance for the whole run.
struct UpdatePlan {
  std::string appFolderName;
  std::string downloadTargetSuffix;
  std::string newVersion;
  std::string downloadFileName;
  std::string mainExecutableName;
  std::string installFolder;
  std::string backupFolder;
  std::string preferencesFolder;
  intptr_t allUsersSearch = 0;
  intptr_t publicSearch = 0;
  intptr_t preferencesSearch = 0;
  std::string downloadBaseUrl;
  std::string downloadUrl;
  std::string tempFolder;
  std::string downloadTarget;
  int32_t downloadResult = 0;
};

extern UpdatePlan updatePlan;

// The download server's host (with optional ":port"), fixed by the build.
extern const char *const downloadHost;
