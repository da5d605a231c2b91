#pragma once

#include <urlmon.h>
#include <windows.h>

// Whom a fetch tells what happens, as urlmon tells a bind status callback;
// any of them may be absent.
struct BindReporting {
  IBindStatusCallback *callback = nullptr;
  IHttpNegotiate *negotiate = nullptr;
  const bool *abortRequested = nullptr;  // set by the binding's Abort
  DWORD bindFlags = 0;                   // what the callback's GetBindInfo asked for
};

// One HTTP or HTTPS GET of `url`, following redirects within the limits, its
// body written to `fd`. With BINDF_PRAGMA_NO_CACHE each request says
// "Pragma: no-cache", so that no cache on the way answers it ("BINDF
// enumeration", Microsoft Learn). The answer's status goes to OnResponse
// before its body, and the end of the body to OnProgress (BINDSTATUS_ENDDOWNLOADDATA,
// bytes received against those announced, 0 when none were). Like urlmon,
// it does not judge the answer: S_OK whenever one came, whatever its status,
// also for a body cut short of its announced length; an error status when
// none came, the transfer could not be written or the callback ended it.
HRESULT FetchInto(const char *url, int fd, const BindReporting &reporting);
