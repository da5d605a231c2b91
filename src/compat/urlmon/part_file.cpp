#include "part_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "errors.h"
#include "portable/paths.h"

namespace {

HRESULT FromErrno() { return HRESULT_FROM_WIN32(Win32ErrorFromErrno(errno)); }

constexpr char kPartSuffix[] = ".part-";

bool ProcessRuns(long pid) { return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH); }

}  // namespace

PartFile::PartFile(const std::string &hostTarget)
    : target_(hostTarget), part_(hostTarget + kPartSuffix + std::to_string(getpid())) {}

PartFile::~PartFile() {
  if (fd_ < 0) return;
  close(fd_);
  unlink(part_.c_str());
}

HRESULT PartFile::Open() {
  // Never through a link planted under the part's name: one left behind by a
  // process with this number is removed and the file made anew.
  for (int attempt = 0; attempt < 2 && fd_ < 0; ++attempt) {
    fd_ = open(part_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno == EEXIST) unlink(part_.c_str());
  }
  return fd_ >= 0 ? S_OK : FromErrno();
}

HRESULT PartFile::Commit() {
  if (close(fd_) != 0) {
    fd_ = -1;
    unlink(part_.c_str());
    return FromErrno();
  }
  fd_ = -1;
  if (rename(part_.c_str(), target_.c_str()) != 0) {
    HRESULT error = FromErrno();
    unlink(part_.c_str());
    return error;
  }
  return S_OK;
}

void RemoveLeftoverParts(const std::string &hostTarget) {
  std::string folder(ParentFolder(hostTarget));
  std::string prefix = std::string(LastComponent(hostTarget)) + kPartSuffix;
  DIR *entries = opendir(folder.empty() ? "." : folder.c_str());
  if (entries == nullptr) return;
  while (dirent *entry = readdir(entries)) {
    std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0 || name.size() == prefix.size()) continue;
    char *end = nullptr;
    long pid = strtol(name.c_str() + prefix.size(), &end, 10);
    if (*end != '\0' || name[prefix.size()] < '0' || name[prefix.size()] > '9') continue;
    if (!ProcessRuns(pid)) unlinkat(dirfd(entries), entry->d_name, 0);
  }
  closedir(entries);
}
