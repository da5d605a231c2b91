// libFuzzer target for reading and writing preference files. The first byte
// picks the calls, the rest is the file. Properties: no crash or sanitizer
// report; a file given only a group is left as it was; the written form is a
// fixed point (reading it back and writing it again gives the same bytes).
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "prefs/preference_file.h"

namespace {

namespace fs = std::filesystem;

const char *const kFile = "C:\\f.inf";
fs::path hostFile;
fs::path prefix;

// Groups, keys and values that the format can carry unchanged; some convert in a marked file.
const char *const kGroups[] = {"Application", "", "caf\xE9", "Main", " a b "};
const char *const kKeys[] = {"Version", "K\xE9y", "#x", "a;b"};
const char *const kValues[] = {"2.51", "", "\xFF v = w ", "x;y"};

void WriteHost(const uint8_t *data, size_t size) {
  std::ofstream(hostFile, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
}

std::string ReadHost() {
  std::ifstream in(hostFile, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Edit(const char *group, const char *key, const char *value) {
  LoadPreferenceFile(kFile);
  ChoosePreferenceGroup(group);
  if (key != nullptr) SetPreferenceText(key, value);
  ReleasePreferenceFile();
  return ReadHost();
}

void RemovePrefix() { fs::remove_all(prefix); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  std::string pattern = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()).string() +
                        "/quorvel-prefs-fuzz-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return 1;
  prefix = pattern;
  fs::create_directories(prefix / "drive_c");
  setenv("WINEPREFIX", pattern.c_str(), 1);
  hostFile = prefix / "drive_c" / "f.inf";
  atexit(RemovePrefix);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  uint8_t pick = data[0];
  const char *group = kGroups[pick % 5];
  const char *key = kKeys[(pick / 5) % 4];
  const char *value = kValues[(pick / 20) % 4];
  WriteHost(data + 1, size - 1);
  std::string original(reinterpret_cast<const char *>(data + 1), size - 1);

  if (Edit(group, nullptr, nullptr) != original) {
    std::fputs("a file given only a group was rewritten\n", stderr);
    abort();
  }
  std::string written = Edit(group, key, value);
  if (Edit(group, key, value) != written) {
    std::fputs("the written form is not a fixed point\n", stderr);
    abort();
  }
  return 0;
}
