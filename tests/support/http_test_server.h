#pragma once

#include <memory>
#include <string>

class ChildProcess;

// The loopback HTTP server of http_test_server.py, in a process of its own
// for the life of this object, on a free port it picks itself. `answer` is
// what /downloads/QZv251.exe gives ("file", "404", "500", "html", "chunked",
// "chunked-cut-short", "cut-short", "slow", "stall", "unreachable");
// `servedFile` (a path on drive C:, as the tests name them) is the body,
// else 64 KiB shaped like a Windows executable. The other paths of the
// script answer as its documentation says, whatever `answer` is. After
// `lifetimeSeconds` (0: the script's own limit) the server ends, and with it
// every connection it holds.
// The path under which host programs (the server, curl) see the file of
// drive C: that the tests name `windowsPath`.
std::string HostProgramPathOf(const std::string &windowsPath);

class HttpTestServer {
 public:
  explicit HttpTestServer(const std::string &answer = "file", const std::string &servedFile = "",
                          long slowBytesPerSecond = 0, long lifetimeSeconds = 0);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer &) = delete;
  HttpTestServer &operator=(const HttpTestServer &) = delete;

  // 0 when the server did not come up.
  int Port() const { return port_; }
  // "http://127.0.0.1:<port>" followed by `path`.
  std::string Url(const std::string &path) const;
  // The header lines of the last request that came, as they came; empty
  // before the first.
  std::string LastRequestHeaders() const;

 private:
  std::string folder_;  // holds the port file; removing the file stops the server
  int port_ = 0;
  std::unique_ptr<ChildProcess> process_;
};
