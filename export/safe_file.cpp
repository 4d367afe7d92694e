#include "export/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "numbering/error.h"

namespace karvento {
namespace {

mode_t CreationMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::string FileWriteError(std::string_view fileName, std::string_view reason) {
  std::string text = "无法写入文件 “";
  text += fileName;
  text += "”：";
  text += reason;
  return text;
}

SafeFile::SafeFile(std::string target) : target_(std::move(target)) {
  if (target_.empty()) Fail(ENOENT);
  struct stat st {};
  const bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) Fail(EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    fd_ = ::open(target_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd_ < 0) Fail(errno);
    return;
  }
  const std::size_t slash = target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  if (name.empty()) Fail(EISDIR);
  std::vector<char> pattern;
  // The temporary name must fit the file system's limit of a name (255
  // bytes) even when the target's name uses it all.
  const std::string t = folder + "." + name.substr(0, 200) + ".XXXXXX";
  pattern.assign(t.begin(), t.end());
  pattern.push_back('\0');
  fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd_ < 0) Fail(errno);
  temp_.assign(pattern.data());
  const mode_t mode = exists ? (st.st_mode & 07777) : CreationMode();
  if (::fchmod(fd_, mode) != 0) Fail(errno);
}

SafeFile::~SafeFile() {
  if (!committed_) Discard();
}

void SafeFile::Discard() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

void SafeFile::Fail(int err) {
  Discard();
  throw Error(FileWriteError(target_, std::strerror(err)));
}

void SafeFile::Write(std::string_view data) {
  if (fd_ < 0) Fail(EBADF);
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    if (n == 0) Fail(ENOSPC);  // a regular file that accepts nothing is full
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

void SafeFile::Close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  // The descriptor is gone after close even when it reports an error, so it
  // is never retried.
  if (::close(fd) != 0) Fail(errno);
}

void SafeFile::Commit() {
  Close();
  if (!temp_.empty()) {
    if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
    temp_.clear();
  }
  committed_ = true;
}

void CommitPair(SafeFile& first, SafeFile& second) {
  first.Close();
  second.Close();
  second.Commit();
  first.Commit();
}

}  // namespace karvento
