#include "http_fetch.h"

#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "errors.h"
#include "portable/download_limits.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr long kBufferBytes = 512L * 1024;

struct Transfer {
  CURL *curl;
  int fd;
  const BindReporting &reporting;
  int writeError = 0;
  bool responded = false;
  HRESULT refused = S_OK;  // what the callback answered when it ended the transfer
  curl_off_t received = 0;
  Clock::time_point lastByte = Clock::now();
  bool stalled = false;
};

ULONG ProgressValue(curl_off_t bytes) {
  return static_cast<ULONG>(std::clamp<curl_off_t>(bytes, 0, 0xFFFFFFFF));
}

curl_off_t AnnouncedLength(CURL *curl) {
  curl_off_t length = -1;
  curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  return std::max<curl_off_t>(length, 0);
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
  if (transfer.refused == S_OK && transfer.reporting.callback != nullptr) {
    HRESULT answer = transfer.reporting.callback->OnProgress(0, ProgressValue(AnnouncedLength(transfer.curl)),
                                                             BINDSTATUS_BEGINDOWNLOADDATA, nullptr);
    if (FAILED(answer)) transfer.refused = answer;
  }
  return transfer.refused == S_OK;
}

size_t WriteBody(char *data, size_t size, size_t count, void *context) {
  auto *transfer = static_cast<Transfer *>(context);
  if (!Respond(*transfer)) return 0;
  size_t bytes = size * count;
  for (size_t done = 0; done < bytes;) {
    ssize_t written = write(transfer->fd, data + done, bytes - done);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) {
      transfer->writeError = errno;
      return 0;  // anything short of `bytes` ends the transfer
    }
    done += static_cast<size_t>(written);
  }
  return bytes;
}

// Called at least once a second while the transfer lasts; ends it once no
// byte of the body has come for the stall limit, or when it was aborted.
int WatchTransfer(void *context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
  auto *transfer = static_cast<Transfer *>(context);
  Clock::time_point now = Clock::now();
  if (received != transfer->received) {
    transfer->received = received;
    transfer->lastByte = now;
    if (transfer->reporting.callback != nullptr && transfer->responded) {
      HRESULT answer = transfer->reporting.callback->OnProgress(
          ProgressValue(received), ProgressValue(AnnouncedLength(transfer->curl)), BINDSTATUS_DOWNLOADINGDATA,
          nullptr);
      if (FAILED(answer)) transfer->refused = answer;
    }
  }
  transfer->stalled = now - transfer->lastByte >= std::chrono::seconds(kStallLimitSeconds);
  bool aborted = transfer->reporting.abortRequested != nullptr && *transfer->reporting.abortRequested;
  return transfer->stalled || aborted || transfer->refused != S_OK ? 1 : 0;
}

HRESULT TransportStatus(CURLcode code, const Transfer &transfer) {
  switch (code) {
    case CURLE_WRITE_ERROR:
      return HRESULT_FROM_WIN32(Win32ErrorFromErrno(transfer.writeError));
    case CURLE_ABORTED_BY_CALLBACK:
      return transfer.stalled ? INET_E_CONNECTION_TIMEOUT : E_ABORT;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return INET_E_UNKNOWN_PROTOCOL;
    case CURLE_COULDNT_RESOLVE_HOST:
      return INET_E_RESOURCE_NOT_FOUND;
    case CURLE_COULDNT_CONNECT:
      return INET_E_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
      return INET_E_CONNECTION_TIMEOUT;
    case CURLE_TOO_MANY_REDIRECTS:
      return INET_E_REDIRECT_FAILED;
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
  curl_off_t announced = AnnouncedLength(transfer.curl);
  // A body cut short of its announced length counts as an answer, as with
  // urlmon; one without a length that breaks off has no clean end.
  bool answered = code == CURLE_OK || (code == CURLE_PARTIAL_FILE && announced > 0);
  if (!answered) return TransportStatus(code, transfer);
  if (!Respond(transfer)) return transfer.refused;
  curl_off_t received = 0;
  curl_easy_getinfo(transfer.curl, CURLINFO_SIZE_DOWNLOAD_T, &received);
  if (transfer.reporting.callback != nullptr)
    transfer.reporting.callback->OnProgress(ProgressValue(received), ProgressValue(announced),
                                            BINDSTATUS_ENDDOWNLOADDATA, nullptr);
  return S_OK;
}

}  // namespace

HRESULT FetchInto(const char *url, int fd, const BindReporting &reporting) {
  bool fresh = (reporting.bindFlags & BINDF_PRAGMA_NO_CACHE) != 0;
  curl_slist *headers = fresh ? curl_slist_append(nullptr, "Pragma: no-cache") : nullptr;
  CURL *curl = fresh && headers == nullptr ? nullptr : curl_easy_init();
  if (curl == nullptr) {
    curl_slist_free_all(headers);
    return E_OUTOFMEMORY;
  }
  Transfer transfer{curl, fd, reporting};
  curl_easy_setopt(curl, CURLOPT_URL, url);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kRedirectLimit);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeLimitSeconds);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, WatchTransfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kBufferBytes);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  CURLcode code = curl_easy_perform(curl);
  HRESULT status = Conclude(code, transfer);
  curl_easy_cleanup(curl);
  curl_slist_free_all(headers);
  return status;
}
