#pragma once

// Second half of the update: checks the preferences folder, then downloads the
// new executable, puts it in place and stamps the version, showing its
// progress in a window as it goes.
void RunUpdateSequence();
