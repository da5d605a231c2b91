#include "http_fetch.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "errors.h"

namespace {

constexpr long kBufferBytes = 512L * 1024;

struct Transfer {
  CURL *curl;
  int fd;
  const BindReporting &reporting;
  int writeError = 0;
  bool responded = false;
  HRESULT refused = S_OK;  // what the callback answered when it ended the transfer
  curl_off_t received = 0;
};

ULONG ProgressValue(curl_off_t bytes) {
  return static_cast<ULONG>(std::clamp<curl_off_t>(bytes, 0, 0xFFFFFFFF));
}

curl_off_t AnnouncedLength(CURL *curl) {
  curl_off_t length = -1;
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  return std::max<curl_off_t>(length, 0);
}

// Where the answer whose headers are in sends the client, as an absolute
// URL; nullptr when it is no redirect.
const char *RedirectTarget(CURL *curl) {
  long status = 0;
  char *location = nullptr;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  if (status < 300 || status > 399) return nullptr;
  curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location);
  return location;
}

// Passes one report on to the callback; false when it wants no more.
bool Tell(Transfer &transfer, ULONG statusCode, LPCWSTR text = nullptr) {
  if (transfer.reporting.callback == nullptr) return true;
  HRESULT answer = transfer.reporting.callback->OnProgress(
      ProgressValue(transfer.received), ProgressValue(AnnouncedLength(transfer.curl)), statusCode, text);
  if (FAILED(answer)) transfer.refused = answer;
  return transfer.refused == S_OK;
}

// Tells the callback about the answer once its headers are in; false when
// the callback wants no more of it.
bool Respond(Transfer &transfer) {
  if (transfer.responded) return transfer.refused == S_OK;
  transfer.responded = true;
  long status = 0;
  curl_easy_getinfo(transfer.curl, CURLINFO_RESPONSE_CODE, &status);
  if (transfer.reporting.negotiate != nullptr) {
    LPWSTR extra = nullptr;
    HRESULT answer =
        transfer.reporting.negotiate->OnResponse(static_cast<DWORD>(status), nullptr, nullptr, &extra);
    if (FAILED(answer)) transfer.refused = answer;
  }
  return transfer.refused == S_OK && Tell(transfer, BINDSTATUS_BEGINDOWNLOADDATA);
}

// Each block of the answer's body, as it comes, is written and reported.
size_t WriteBody(char *data, size_t size, size_t count, void *context) {
  auto *transfer = static_cast<Transfer *>(context);
  size_t bytes = size * count;
  if (RedirectTarget(transfer->curl) != nullptr) return bytes;  // a redirect's own page
  if (!Respond(*transfer)) return 0;
  for (size_t done = 0; done < bytes;) {
    ssize_t written = write(transfer->fd, data + done, bytes - done);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) {
      transfer->writeError = errno;
      return 0;  // anything short of `bytes` ends the transfer
    }
    done += static_cast<size_t>(written);
  }
  transfer->received += static_cast<curl_off_t>(bytes);
  return Tell(*transfer, BINDSTATUS_DOWNLOADINGDATA) ? bytes : 0;
}

// Called at least once a second while the transfer lasts, also while it
// waits for the server: ends it once the binding was aborted. No time limit
// of its own: ending a silent transfer is the callback's part.
int WatchTransfer(void *context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto *transfer = static_cast<Transfer *>(context);
  return transfer->reporting.abortRequested != nullptr && *transfer->reporting.abortRequested ? 1 : 0;
}

HRESULT TransportStatus(CURLcode code, const Transfer &transfer) {
  switch (code) {
    case CURLE_WRITE_ERROR:
      return HRESULT_FROM_WIN32(Win32ErrorFromErrno(transfer.writeError));
    case CURLE_ABORTED_BY_CALLBACK:
      return E_ABORT;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return INET_E_UNKNOWN_PROTOCOL;
    case CURLE_COULDNT_RESOLVE_HOST:
      return INET_E_RESOURCE_NOT_FOUND;
    case CURLE_COULDNT_CONNECT:
      return INET_E_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
      return INET_E_CONNECTION_TIMEOUT;
    case CURLE_OUT_OF_MEMORY:
      return E_OUTOFMEMORY;
    default:
      return INET_E_DOWNLOAD_FAILURE;
  }
}

// The result urlmon gives for what curl saw, with the end of the body
// reported where urlmon reports it.
HRESULT Conclude(CURLcode code, Transfer &transfer) {
  if (transfer.refused != S_OK) return transfer.refused;
  // A body cut short of its announced length counts as an answer, as with
  // urlmon; one without a length that breaks off has no clean end.
  bool answered = code == CURLE_OK || (code == CURLE_PARTIAL_FILE && AnnouncedLength(transfer.curl) > 0);
  if (!answered) return TransportStatus(code, transfer);
  if (!Respond(transfer)) return transfer.refused;
  Tell(transfer, BINDSTATUS_ENDDOWNLOADDATA);
  return S_OK;
}

// Fetches `url`, and the URL of each redirect the callback lets it follow,
// as many as there are.
HRESULT Follow(const char *url, Transfer &transfer) {
  std::string next = url;
  for (;;) {
    curl_easy_setopt(transfer.curl, CURLOPT_URL, next.c_str());
    CURLcode code = curl_easy_perform(transfer.curl);
    const char *location = code == CURLE_OK ? RedirectTarget(transfer.curl) : nullptr;
    if (location == nullptr) return Conclude(code, transfer);
    next = location;
    if (!Tell(transfer, BINDSTATUS_REDIRECTING, Widened(next.c_str()).c_str())) return transfer.refused;
  }
}

}  // namespace

std::wstring Widened(const char *text) { return std::wstring(text, text + strlen(text)); }

HRESULT FetchInto(const char *url, int fd, const BindReporting &reporting) {
  bool fresh = (reporting.bindFlags & BINDF_PRAGMA_NO_CACHE) != 0;
  curl_slist *headers = fresh ? curl_slist_append(nullptr, "Pragma: no-cache") : nullptr;
  CURL *curl = fresh && headers == nullptr ? nullptr : curl_easy_init();
  if (curl == nullptr) {
    curl_slist_free_all(headers);
    return E_OUTOFMEMORY;
  }
  Transfer transfer{curl, fd, reporting};
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, WatchTransfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kBufferBytes);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  HRESULT status = Follow(url, transfer);
  curl_easy_cleanup(curl);
  curl_slist_free_all(headers);
  return status;
}
