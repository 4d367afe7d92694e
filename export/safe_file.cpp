#include "export/safe_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "numbering/error.h"

namespace karvento {
namespace {

mode_t CreationMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// ------------------------------------------------ cleanup on a fatal signal

// The temporary files being written, for the signal handler. A handler may
// only touch lock-free atomics and fixed storage; an entry is 0 free,
// 1 being filled or emptied, 2 a name to remove.
constexpr int kCleanupSlots = 32;
struct CleanupSlot {
  std::atomic<int> state{0};
  char path[PATH_MAX];
};
CleanupSlot cleanupSlots[kCleanupSlots];

int RegisterTemp(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kCleanupSlots; ++i) {
    int expected = 0;
    if (cleanupSlots[i].state.compare_exchange_strong(expected, 1)) {
      std::memcpy(cleanupSlots[i].path, path.c_str(), path.size() + 1);
      cleanupSlots[i].state.store(2);
      return i;
    }
  }
  return -1;  // more files at once than entries: removed normally, not on a signal
}

void UnregisterTemp(int& slot) {
  if (slot >= 0) cleanupSlots[slot].state.store(0);
  slot = -1;
}

extern "C" void RemoveTempsAndDie(int sig) {
  for (CleanupSlot& s : cleanupSlots) {
    if (s.state.load() == 2) ::unlink(s.path);
  }
  // The handler was installed to reset itself: the signal raised again ends
  // the process as it would have without the handler.
  ::raise(sig);
}

void InstallIfDefault(int sig, void (*handler)(int), int flags) {
  struct sigaction old {};
  if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) return;
  if ((old.sa_flags & SA_SIGINFO) != 0) return;
  struct sigaction sa {};
  sa.sa_handler = handler;
  sa.sa_flags = flags;
  sigemptyset(&sa.sa_mask);
  ::sigaction(sig, &sa, nullptr);
}

// ------------------------------------------------------------ names

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string SystemTempFolder() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/";
}

// A descriptor of this process named through /dev/stdout, /dev/fd/N or
// /proc/self/fd/N, or -1.
int OwnDescriptor(const std::string& path) {
  int fd = -1;
  for (const char* prefix : {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/"}) {
    const std::size_t n = std::strlen(prefix);
    if (path.compare(0, n, prefix) == 0 && path.size() > n && path.size() < n + 9 &&
        path.find_first_not_of("0123456789", n) == std::string::npos) {
      fd = std::atoi(path.c_str() + n);
    }
  }
  if (path == "/dev/stdout") fd = 1;
  if (path == "/dev/stderr") fd = 2;
  return fd;
}

// Follows the symbolic links of the last component of path: the file the
// name leads to, which need not exist. Stops at a descriptor of the process
// (OwnDescriptor) and at a link into /proc, whose text is no path.
std::string FollowLinks(std::string path, int* err) {
  for (int hops = 0; hops < 40; ++hops) {
    if (OwnDescriptor(path) >= 0 || path.compare(0, 6, "/proc/") == 0) return path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::vector<char> text(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
    const ssize_t n = ::readlink(path.c_str(), text.data(), text.size());
    if (n < 0 || static_cast<std::size_t>(n) >= text.size()) return path;  // changed meanwhile
    const std::string link(text.data(), static_cast<std::size_t>(n));
    path = link[0] == '/' ? link : FolderOf(path) + link;
  }
  *err = ELOOP;
  return path;
}

}  // namespace

void PrepareFileSignals() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) InstallIfDefault(sig, RemoveTempsAndDie, SA_RESETHAND);
    struct sigaction old {};
    if (::sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) std::signal(SIGXFSZ, SIG_IGN);
  });
}

std::string FileWriteError(std::string_view fileName, std::string_view reason) {
  std::string text = "无法写入文件 “";
  text += fileName;
  text += "”：";
  text += reason;
  return text;
}

SafeFile::SafeFile(std::string target, Mode mode) : target_(std::move(target)), mode_(mode) {
  PrepareFileSignals();
  if (target_.empty()) Fail(ENOENT);
  int err = 0;
  final_ = FollowLinks(target_, &err);
  if (err != 0) Fail(err);

  const int own = OwnDescriptor(final_);
  struct stat st {};
  const bool exists = own >= 0 ? ::fstat(own, &st) == 0 : ::stat(final_.c_str(), &st) == 0;
  if (own >= 0 && !exists) Fail(EBADF);
  if (exists && S_ISDIR(st.st_mode)) Fail(EISDIR);
  if (exists && (!S_ISREG(st.st_mode) || own >= 0 || final_.compare(0, 6, "/proc/") == 0)) {
    if (mode_ == Mode::kByName && !S_ISREG(st.st_mode)) {
      throw Error(FileWriteError(target_, "不是普通文件（设备、管道或终端），工作簿只能写入普通文件"));
    }
    inPlace_ = true;
    regular_ = false;  // written at the descriptor's position, never truncated
    fd_ = own >= 0 ? ::fcntl(own, F_DUPFD_CLOEXEC, 3)
                   : ::open(final_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) Fail(errno);
    if (mode_ == Mode::kByName) {
      // A regular file behind a descriptor: the library writes a hidden file,
      // copied in at the end.
      targetFd_ = fd_;
      fd_ = -1;
      if (!CreateTemp(SystemTempFolder(), "karvento", &err)) Fail(err);
    }
    return;
  }

  const std::string folder = FolderOf(final_);
  const std::string name = final_.substr(folder.size());
  if (name.empty()) Fail(EISDIR);
  if (!exists) {
    if (!CreateTemp(folder, name, &err)) Fail(err);
    if (::fchmod(fd_, CreationMode()) != 0) Fail(errno);
    return;
  }

  // An existing regular file must be writable, as for any open.
  targetFd_ = ::open(final_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (targetFd_ < 0) Fail(errno);
  if (::fstat(targetFd_, &st) != 0) Fail(errno);
  if (::fcntl(targetFd_, F_SETFL, 0) != 0) Fail(errno);
  bool renameKeepsIt = st.st_nlink <= 1;
  if (renameKeepsIt && !CreateTemp(folder, name, &err)) {
    if (err != EACCES && err != EPERM && err != EROFS) Fail(err);
    renameKeepsIt = false;
  }
  if (renameKeepsIt) {
    struct stat mine {};
    if (::fstat(fd_, &mine) != 0) Fail(errno);
    if ((mine.st_uid != st.st_uid || mine.st_gid != st.st_gid) &&
        ::fchown(fd_, st.st_uid, st.st_gid) != 0) {
      renameKeepsIt = false;  // another user's file, and no right to give it away
    } else if (::fchmod(fd_, st.st_mode & 07777) != 0) {
      Fail(errno);
    }
  }
  if (renameKeepsIt) {
    ::close(targetFd_);
    targetFd_ = -1;
    return;
  }
  // In place: through a hidden file when one can be made beside the target
  // (or, for a library writing by name, in the temporary folder), else
  // straight into the target.
  inPlace_ = true;
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
    ::unlink(temp_.c_str());
    UnregisterTemp(slot_);
    temp_.clear();
  }
  if (CreateTemp(folder, name, &err)) return;
  if (mode_ == Mode::kByName) {
    if (!CreateTemp(SystemTempFolder(), "karvento", &err)) Fail(err);
    return;
  }
  fd_ = targetFd_;
  targetFd_ = -1;
}

// A hidden file ".name.XXXXXX" in folder ("" for the current folder);
// false and the reason when none can be made.
bool SafeFile::CreateTemp(const std::string& folder, const std::string& name, int* err) {
  // The temporary name must fit the file system's limit of a name (255
  // bytes) even when the target's name uses it all.
  const std::string t = folder + "." + name.substr(0, 200) + ".XXXXXX";
  std::vector<char> pattern(t.begin(), t.end());
  pattern.push_back('\0');
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    *err = errno;
    return false;
  }
  fd_ = fd;
  temp_.assign(pattern.data());
  slot_ = RegisterTemp(temp_);
  return true;
}

SafeFile::~SafeFile() {
  if (!committed_) Discard();
}

void SafeFile::Discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  if (targetFd_ >= 0) ::close(targetFd_);
  fd_ = targetFd_ = -1;
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  UnregisterTemp(slot_);
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
    written_ += static_cast<std::uint64_t>(n);
  }
}

void SafeFile::Close() {
  if (fd_ < 0) return;
  const int fd = fd_;
  fd_ = -1;
  if (inPlace_ && temp_.empty() && regular_ && ::ftruncate(fd, static_cast<off_t>(written_)) != 0) {
    const int err = errno;
    ::close(fd);
    Fail(err);
  }
  // The descriptor is gone after close even when it reports an error, so it
  // is never retried.
  if (::close(fd) != 0) Fail(errno);
}

// The finished hidden file into the target written in place, from its start
// (or, for a descriptor of the process, at its position); then cut to length.
void SafeFile::CopyIntoTarget() {
  const int in = ::open(temp_.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) Fail(errno);
  std::vector<char> buf(std::size_t{1} << 20);
  std::uint64_t total = 0;
  for (;;) {
    const ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      ::close(in);
      Fail(err);
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(targetFd_, buf.data() + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        const int err = w < 0 ? errno : ENOSPC;
        ::close(in);
        Fail(err);
      }
      done += w;
    }
    total += static_cast<std::uint64_t>(n);
  }
  ::close(in);
  if (regular_ && ::ftruncate(targetFd_, static_cast<off_t>(total)) != 0) Fail(errno);
  const int fd = targetFd_;
  targetFd_ = -1;
  if (::close(fd) != 0) Fail(errno);
  ::unlink(temp_.c_str());
  temp_.clear();
  UnregisterTemp(slot_);
}

void SafeFile::Commit() {
  Close();
  if (inPlace_ && !temp_.empty()) {
    CopyIntoTarget();
  } else if (!temp_.empty()) {
    if (::rename(temp_.c_str(), final_.c_str()) != 0) Fail(errno);
    temp_.clear();
    UnregisterTemp(slot_);
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
