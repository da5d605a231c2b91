// Times CopyFolderFiles on 2,000 small files and two 256 MiB files against
// `cp` of the same files in the same run, and against `cp` followed by `sync`
// of each copy and its folder (the same durability as ours), and prints the
// speed ratios.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fs/file_copy.h"
#include "support/test_drive.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void MakeFile(const fs::path &path, size_t size) {
  std::vector<char> block(1 << 20);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + size);
  std::ofstream out(path, std::ios::binary);
  for (size_t left = size; left > 0;) {
    size_t n = left < block.size() ? left : block.size();
    out.write(block.data(), static_cast<std::streamsize>(n));
    left -= n;
  }
}

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

double TimeOurs(const std::string &source, const std::string &destination) {
  fs::remove_all(test_drive::HostPathOf(destination));
  auto start = Clock::now();
  if (CopyFolderFiles(source.c_str(), destination.c_str(), "*.*") != 1) std::puts("copy failed");
  return Seconds(start);
}

double TimeCp(const fs::path &source, const fs::path &destination, bool durable) {
  fs::remove_all(destination);
  fs::create_directory(destination);
  std::string to = "'" + destination.string() + "'";
  std::string command = "cp --preserve=mode,timestamps '" + source.string() + "'/* " + to + "/";
  if (durable) command += " && sync " + to + "/* " + to;
  auto start = Clock::now();
  if (std::system(command.c_str()) != 0) std::puts("cp failed");
  return Seconds(start);
}

void Compare(const char *label, const std::string &source) {
  const std::string ours = "C:\\bench\\ours";
  fs::path cpTarget = test_drive::HostPathOf("C:\\bench\\cp");
  double bestOurs = 1e9, bestCp = 1e9, bestSynced = 1e9;
  for (int round = 0; round < 3; ++round) {
    bestOurs = std::min(bestOurs, TimeOurs(source, ours));
    bestCp = std::min(bestCp, TimeCp(test_drive::HostPathOf(source), cpTarget, false));
    bestSynced = std::min(bestSynced, TimeCp(test_drive::HostPathOf(source), cpTarget, true));
  }
  std::printf("%-20s ours %7.3f s   cp %7.3f s (ratio %.2f)   cp+sync %7.3f s (ratio %.2f)\n", label, bestOurs,
              bestCp, bestCp / bestOurs, bestSynced, bestSynced / bestOurs);
}

}  // namespace

int main() {
  test_drive::UseFreshDrive();
  fs::path small = test_drive::HostPathOf("C:\\bench\\small");
  fs::path large = test_drive::HostPathOf("C:\\bench\\large");
  fs::create_directories(small);
  fs::create_directories(large);
  for (int i = 0; i < 2000; ++i) MakeFile(small / ("file" + std::to_string(i) + ".dat"), 4096 + i);
  MakeFile(large / "first.bin", size_t{256} << 20);
  MakeFile(large / "second.bin", size_t{256} << 20);
  std::puts("best of 3 rounds each, warm page cache; ratio: their time / ours");
  Compare("2,000 small files", "C:\\bench\\small\\");
  Compare("two 256 MiB files", "C:\\bench\\large\\");
  test_drive::UseFreshDrive();
  return 0;
}
