#include "support/http_test_server.h"

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

#include "support/test_drive.h"

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
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

std::string Quoted(const std::string &argument) { return "\"" + argument + "\""; }

long Spawn(const std::vector<std::string> &arguments) {
  std::string commandLine;
  for (const std::string &argument : arguments) commandLine += Quoted(argument) + " ";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return 0;
  // Wine gives no handle for a host process; it ends itself with its port file.
  if (process.hProcess != nullptr) CloseHandle(process.hProcess);
  if (process.hThread != nullptr) CloseHandle(process.hThread);
  return 1;
}

void Reap(long) {}
#else
std::string ServerPathOf(const std::string &hostPath) { return hostPath; }

std::string MakeFolder() {
  std::string pattern = (fs::temp_directory_path() / "quorvel-http-XXXXXX").string();
  return mkdtemp(pattern.data()) != nullptr ? pattern : "";
}

long Spawn(const std::vector<std::string> &arguments) {
  std::vector<char *> argv;
  argv.reserve(arguments.size() + 1);
  for (const std::string &argument : arguments) argv.push_back(const_cast<char *>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : 0;
}

// The server leaves within 0.1 s of its port file; waits a while, then ends it.
void Reap(long process) {
  if (process == 0) return;
  auto limit = Clock::now() + std::chrono::seconds(2);
  while (waitpid(static_cast<pid_t>(process), nullptr, WNOHANG) == 0) {
    if (Clock::now() > limit) {
      kill(static_cast<pid_t>(process), SIGKILL);
      waitpid(static_cast<pid_t>(process), nullptr, 0);
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
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
  std::vector<std::string> arguments = {
      QUORVEL_PYTHON3,  QUORVEL_HTTP_TEST_SERVER,
      "--port-file",    ServerPathOf(portFile.string()),
      "--headers-file", ServerPathOf((fs::path(folder_) / kHeadersFile).string()),
      "--answer",       answer};
  if (!servedFile.empty()) arguments.insert(arguments.end(), {"--file", HostProgramPathOf(servedFile)});
  if (slowBytesPerSecond > 0)
    arguments.insert(arguments.end(), {"--rate", std::to_string(slowBytesPerSecond)});
  if (lifetimeSeconds > 0) arguments.insert(arguments.end(), {"--lifetime", std::to_string(lifetimeSeconds)});
  process_ = Spawn(arguments);
  if (process_ == 0) return;
  for (auto limit = Clock::now() + kStartLimit; port_ == 0 && Clock::now() < limit;) {
    port_ = ReadPort(portFile);
    if (port_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

HttpTestServer::~HttpTestServer() {
  std::error_code ignored;
  if (!folder_.empty()) fs::remove_all(folder_, ignored);
  Reap(process_);
}

std::string HttpTestServer::Url(const std::string &path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string HttpTestServer::LastRequestHeaders() const { return ReadWhole(fs::path(folder_) / kHeadersFile); }
