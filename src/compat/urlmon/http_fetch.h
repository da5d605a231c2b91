#pragma once

#include <windows.h>

// One HTTP or HTTPS GET of `url`, following redirects within the limits, its
// body written to `fd`. S_OK only for a 2xx answer whose body came whole; the
// descriptor may hold part of an answer otherwise.
HRESULT FetchInto(const char *url, int fd);
