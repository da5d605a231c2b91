#pragma once

#include "base/win32.h"
#include "update/download_watch.h"

// One call of the service's `download` with `watch` as its bind status
// callback, the watch checking for a stall about once a second meanwhile;
// the service's own result. The stand-in's service calls back on the
// transfer's thread and never waits for window messages, so a thread of the
// watchdog's own makes the check, and each call of the service reaches the
// watch under the same lock: the watch still sees one call at a time.
HRESULT DownloadWatchedForStalls(decltype(&URLDownloadToFileA) download, const char *url, const char *target,
                                 DownloadWatch &watch);
