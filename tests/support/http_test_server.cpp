#include "support/http_test_server.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/test_drive.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStartLimit = std::chrono::seconds(10);
constexpr char kHeadersFile[] = "headers";

#ifdef _WIN32
// Wine runs a host program named by its host path, and tells this program the
// host path of any of its files.
std::string ServerPathOf(const std::string &windowsPath) {
  using UnixName = char *(CDECL *)(LPCWSTR);
  auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (unixName == nullptr) return "";
  std::wstring wide(windowsPath.begin(), windowsPath.end());
  char *name = unixName(wide.c_str());
  if (name == nullptr) return "";
  std::string host = name;
  HeapFree(GetProcessHeap(), 0, name);
  return host;
}

std::string MakeFolder() {
  static int made = 0;
  fs::path folder = fs::temp_directory_path() /
                    ("quorvel-http-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made));
  fs::create_directories(folder);
  return folder.string();
}
#else
std::string ServerPathOf(const std::string &hostPath) { return hostPath; }

std::string MakeFolder() {
  std::string pattern = (fs::temp_directory_path() / "quorvel-http-XXXXXX").string();
  return mkdtemp(pattern.data()) != nullptr ? pattern : "";
}
#endif

std::string ReadWhole(const fs::path &file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int ReadPort(const fs::path &portFile) {
  std::ifstream in(portFile);
  int port = 0;
  return in >> port ? port : 0;
}

}  // namespace

std::string HostProgramPathOf(const std::string &windowsPath) {
#ifdef _WIN32
  return ServerPathOf(windowsPath);
#else
  return test_drive::HostPathOf(windowsPath).string();
#endif
}

HttpTestServer::HttpTestServer(const std::string &answer, const std::string &servedFile,
                               long slowBytesPerSecond, long lifetimeSeconds)
    : folder_(MakeFolder()) {
  if (folder_.empty()) return;
  fs::path portFile = fs::path(folder_) / "port";
  std::vector<std::string> arguments = {QUORVEL_HTTP_TEST_SERVER,
                                        "--port-file",
                                        ServerPathOf(portFile.string()),
                                        "--headers-file",
                                        ServerPathOf((fs::path(folder_) / kHeadersFile).string()),
                                        "--answer",
                                        answer};
  if (!servedFile.empty()) arguments.insert(arguments.end(), {"--file", HostProgramPathOf(servedFile)});
  if (slowBytesPerSecond > 0)
    arguments.insert(arguments.end(), {"--rate", std::to_string(slowBytesPerSecond)});
  if (lifetimeSeconds > 0) arguments.insert(arguments.end(), {"--lifetime", std::to_string(lifetimeSeconds)});
  process_ = std::make_unique<ChildProcess>(QUORVEL_PYTHON3, arguments);
  if (!process_->Started()) return;
  for (auto limit = Clock::now() + kStartLimit; port_ == 0 && Clock::now() < limit;) {
    port_ = ReadPort(portFile);
    if (port_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

HttpTestServer::~HttpTestServer() {
  std::error_code ignored;
  if (!folder_.empty()) fs::remove_all(folder_, ignored);
  // It leaves within 0.1 s of its port file; one that does not is ended.
  if (process_ != nullptr && process_->AwaitExit(2000) == ChildProcess::kStillRunning) process_->End();
}

std::string HttpTestServer::Url(const std::string &path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string HttpTestServer::LastRequestHeaders() const { return ReadWhole(fs::path(folder_) / kHeadersFile); }
