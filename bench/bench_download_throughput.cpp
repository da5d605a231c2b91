// Fetches a 256 MiB file over loopback through DownloadFile and with
// `curl -o` from the same server in the same run, and prints the speed ratio.
// DownloadFile's fixed 1000 ms pause, measured on its own, is taken off.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "support/http_test_server.h"
#include "support/test_drive.h"
#include "update/download_file.h"
#include "update/download_pin.h"
#include "update/pause.h"

#ifdef _WIN32
#include <objbase.h>
#include <windows.h>
#endif

// Fetched without a pin, as the unpinned updater does.
const char *const downloadSha256 = "";

namespace {

using Clock = std::chrono::steady_clock;

const std::string kServed = "C:\\users\\Public\\served.bin";
const std::string kOurs = "C:\\users\\Public\\QZv251.exe";
const std::string kCurls = "C:\\users\\Public\\QZv251-curl.exe";
constexpr size_t kSize = size_t{256} << 20;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// DownloadFile accepts only a file shaped like an executable: "MZ", and at
// the offset held at 0x3C the signature "PE\0\0".
void ShapeLikeAnExecutable(std::vector<char> &start) {
  const char header[] = {'M', 'Z'};
  const char offset[] = {'\x80', 0, 0, 0};
  const char signature[] = {'P', 'E', 0, 0};
  std::copy(std::begin(header), std::end(header), start.begin());
  std::copy(std::begin(offset), std::end(offset), start.begin() + 0x3C);
  std::copy(std::begin(signature), std::end(signature), start.begin() + 0x80);
}

void MakeFile(const std::string &windowsPath, size_t size) {
  std::vector<char> block(1 << 20);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
  std::ofstream out(test_drive::HostPathOf(windowsPath), std::ios::binary);
  std::vector<char> first = block;
  ShapeLikeAnExecutable(first);
  out.write(first.data(), static_cast<std::streamsize>(first.size()));
  for (size_t left = size - block.size(); left > 0; left -= block.size())
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

// Runs a host shell command to its end. Wine starts host programs without a
// handle to wait on, so the command leaves a mark when it is done.
bool RunOnHost(const std::string &command) {
#ifdef _WIN32
  const std::string mark = "C:\\users\\Public\\host-command-done";
  DeleteFileA(mark.c_str());
  std::string line = "/bin/sh -c \"" + command + "; touch '" + HostProgramPathOf(mark) + "'\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  while (GetFileAttributesA(mark.c_str()) == INVALID_FILE_ATTRIBUTES)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return true;
#else
  return std::system(command.c_str()) == 0;
#endif
}

double TimePause() {
  auto start = Clock::now();
  Pause(1000);
  return Seconds(start);
}

double TimeOurs(const std::string &url, double pause) {
  auto start = Clock::now();
  if (DownloadFile(url.c_str(), kOurs.c_str()) != 0) std::puts("DownloadFile failed");
  return Seconds(start) - pause;
}

double TimeCurl(const std::string &url) {
  std::string command = "curl -s -o '" + HostProgramPathOf(kCurls) + "' " + url;
  auto start = Clock::now();
  if (!RunOnHost(command)) std::puts("curl failed");
  return Seconds(start);
}

}  // namespace

int main() {
#ifdef _WIN32
  CoInitialize(nullptr);
#endif
  test_drive::UseFreshDrive();
  MakeFile(kServed, kSize);
  HttpTestServer server("file", kServed);
  if (server.Port() == 0) {
    std::puts("the test server did not start");
    return 1;
  }
  std::string url = server.Url("/downloads/QZv251.exe");
  double pause = TimePause();
  double ours = 1e9, curl = 1e9;
  for (int round = 0; round < 3; ++round) {
    ours = std::min(ours, TimeOurs(url, pause));
    curl = std::min(curl, TimeCurl(url));
  }
  bool same = test_drive::ReadBytes(kOurs).size() == kSize && test_drive::ReadBytes(kCurls).size() == kSize;
  std::printf(
      "256 MiB over loopback, best of 3: DownloadFile %.3f s (pause of %.3f s taken off), curl -o %.3f s\n",
      ours, pause, curl);
  std::printf("speed ratio (curl time / ours) %.2f%s\n", curl / ours,
              same ? "" : "  (a file came out short)");
  test_drive::UseFreshDrive();
  return 0;
}
