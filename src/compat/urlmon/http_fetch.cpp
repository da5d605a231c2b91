#include "http_fetch.h"

#include <curl/curl.h>
#include <unistd.h>
#include <urlmon.h>

#include <cerrno>
#include <chrono>

#include "errno_errors.h"
#include "base/download_limits.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr long kBufferBytes = 512L * 1024;

struct Transfer {
  int fd;
  int writeError = 0;
  curl_off_t received = 0;
  Clock::time_point lastByte = Clock::now();
  bool stalled = false;
};

size_t WriteBody(char *data, size_t size, size_t count, void *context) {
  auto *transfer = static_cast<Transfer *>(context);
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
// byte of the body has come for the stall limit.
int WatchForStall(void *context, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
  auto *transfer = static_cast<Transfer *>(context);
  Clock::time_point now = Clock::now();
  if (received != transfer->received) {
    transfer->received = received;
    transfer->lastByte = now;
  }
  transfer->stalled = now - transfer->lastByte >= std::chrono::seconds(kStallLimitSeconds);
  return transfer->stalled ? 1 : 0;
}

HRESULT StatusOf(CURLcode code, long httpStatus, const Transfer &transfer) {
  switch (code) {
    case CURLE_OK:
      return httpStatus >= 200 && httpStatus <= 299 ? S_OK : INET_E_DOWNLOAD_FAILURE;
    case CURLE_WRITE_ERROR:
      return HRESULT_FROM_WIN32(Win32ErrorFromErrno(transfer.writeError));
    case CURLE_ABORTED_BY_CALLBACK:
      return transfer.stalled ? INET_E_CONNECTION_TIMEOUT : INET_E_DOWNLOAD_FAILURE;
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

}  // namespace

HRESULT FetchInto(const char *url, int fd) {
  CURL *curl = curl_easy_init();
  if (curl == nullptr) return E_OUTOFMEMORY;
  Transfer transfer{fd};
  curl_easy_setopt(curl, CURLOPT_URL, url);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kRedirectLimit);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeLimitSeconds);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, WatchForStall);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kBufferBytes);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
  CURLcode code = curl_easy_perform(curl);
  long httpStatus = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &httpStatus);
  curl_easy_cleanup(curl);
  return StatusOf(code, httpStatus, transfer);
}
