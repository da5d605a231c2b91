#pragma once

#include <cstdint>

#include "base/process_heaps.h"

// The updater's settings and the folders, paths and results resolved from
// them; one instance for the whole run.
struct UpdatePlan {
  Text appFolderName;
  Text downloadTargetSuffix;
  Text newVersion;
  Text downloadFileName;
  Text mainExecutableName;
  Text installFolder;
  Text backupFolder;
  Text preferencesFolder;
  intptr_t allUsersSearch = 0;
  intptr_t publicSearch = 0;
  intptr_t preferencesSearch = 0;
  Text downloadBaseUrl;
  Text downloadUrl;
  Text tempFolder;
  Text downloadTarget;
  int32_t downloadResult = 0;
};

extern UpdatePlan updatePlan;

// The download server's host (with optional ":port"), fixed by the build of
// each executable.
extern const char *const downloadHost;

// First half of the update: fixes the settings, backs up the files that lie
// directly in the installation folder, and chooses the preferences folder.
void ResolveUpdatePlan();

// Second half of the update: checks the preferences folder, then downloads the
// new executable, puts it in place and stamps the version, showing its
// progress in a window as it goes.
void RunUpdateSequence();
