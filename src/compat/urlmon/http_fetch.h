#pragma once

#include <urlmon.h>
#include <windows.h>

#include <atomic>
#include <string>

// Whom a fetch tells what happens, as urlmon tells a bind status callback;
// any of them may be absent.
struct BindReporting {
  IBindStatusCallback *callback = nullptr;
  IHttpNegotiate *negotiate = nullptr;
  const std::atomic<bool> *abortRequested = nullptr;  // set by the binding's Abort, from any thread
  DWORD bindFlags = 0;                                // what the callback's GetBindInfo asked for
};

// One HTTP or HTTPS GET of `url`, its body written to `fd`. As urlmon, it
// keeps no time or redirect limit of its own and tells the callback what
// comes: each redirect (BINDSTATUS_REDIRECTING with the new URL, followed
// unless the callback refuses it), the answer's status (OnResponse), each
// block of the body (BINDSTATUS_DOWNLOADINGDATA) and its end
// (BINDSTATUS_ENDDOWNLOADDATA), with the bytes received against those
// announced, 0 when none were; the binding's Abort ends it within a second.
// With BINDF_PRAGMA_NO_CACHE each request says "Pragma: no-cache", so that no
// cache on the way answers it ("BINDF enumeration", Microsoft Learn). Like
// urlmon, it does not judge the answer: S_OK whenever one came, whatever its
// status, also for a body cut short of its announced length; an error status
// when none came, the transfer could not be written or the callback ended it.
HRESULT FetchInto(const char *url, int fd, const BindReporting &reporting);

// `text`, ASCII, as the callback's wide strings.
std::wstring Widened(const char *text);
