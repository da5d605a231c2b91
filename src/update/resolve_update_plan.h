#pragma once

// First half of the update: fixes the settings, backs up the files that lie
// directly in the installation folder, and chooses the preferences folder.
void ResolveUpdatePlan();
