#include "part_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "errno_errors.h"

namespace {

HRESULT FromErrno() { return HRESULT_FROM_WIN32(Win32ErrorFromErrno(errno)); }

}  // namespace

PartFile::PartFile(const std::string &hostTarget)
    : target_(hostTarget), part_(hostTarget + ".part-" + std::to_string(getpid())) {}

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
