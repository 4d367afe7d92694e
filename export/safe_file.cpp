// SPDX-License-Identifier: Apache-2.0
#include "export/safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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

int RegisterIn(CleanupSlot (&slots)[kCleanupSlots], const std::string& path);

// More files at once than entries: removed normally, not on a signal.
int RegisterTemp(const std::string& path) { return RegisterIn(cleanupSlots, path); }

void UnregisterTemp(int& slot) {
  if (slot >= 0) cleanupSlots[slot].state.store(0);
  slot = -1;
}

// The hidden folders of file sets being written, likewise.
CleanupSlot folderSlots[kCleanupSlots];

int RegisterIn(CleanupSlot (&slots)[kCleanupSlots], const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kCleanupSlots; ++i) {
    int expected = 0;
    if (slots[i].state.compare_exchange_strong(expected, 1)) {
      std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
      slots[i].state.store(2);
      return i;
    }
  }
  return -1;
}

// Empties and removes a folder with calls that a signal handler may make:
// the entries are read with the getdents64 system call (no allocation), and
// the reading starts over until a pass removes nothing, since removing
// entries while reading may skip some.
void RemoveFolderNow(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    alignas(8) char buf[4096];
    for (bool removed = true; removed;) {
      removed = false;
      if (::lseek(fd, 0, SEEK_SET) != 0) break;
      for (;;) {
        const long n = ::syscall(SYS_getdents64, fd, buf, sizeof buf);
        if (n <= 0) break;
        for (long off = 0; off < n;) {
          // struct linux_dirent64: d_ino (8), d_off (8), d_reclen (2), d_type (1), d_name.
          unsigned short reclen = 0;
          std::memcpy(&reclen, buf + off + 16, sizeof reclen);
          const char* name = buf + off + 19;
          const bool dot = name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
          if (!dot && ::unlinkat(fd, name, 0) == 0) removed = true;
          if (reclen == 0) break;
          off += reclen;
        }
      }
    }
    ::close(fd);
  }
  ::rmdir(path);
}

extern "C" void RemoveTempsAndDie(int sig) {
  for (CleanupSlot& s : cleanupSlots) {
    if (s.state.load() == 2) ::unlink(s.path);
  }
  for (CleanupSlot& s : folderSlots) {
    if (s.state.load() == 2) RemoveFolderNow(s.path);
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

// The start of every hidden name of target name: ".name." (the name cut to
// 200 bytes, so that the whole fits the file system's 255), followed by the
// writing process's id, a dot and six random characters.
std::string HiddenPrefix(const std::string& name) { return "." + name.substr(0, 200) + "."; }

std::string HiddenPattern(const std::string& folder, const std::string& name) {
  return folder + HiddenPrefix(name) + std::to_string(::getpid()) + ".XXXXXX";
}

// Removes the hidden files and folders of target name in folder that a
// process ended by SIGKILL (or a power cut) left behind: those whose writing
// process no longer runs. A process that runs, even another user's, keeps
// its own; anything not shaped like a hidden name is never touched.
void RemoveStaleHidden(const std::string& folder, const std::string& name) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return;
  const std::string prefix = HiddenPrefix(name);
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view entry(e->d_name);
    if (entry.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string_view rest = entry.substr(prefix.size());  // "<pid>.XXXXXX"
    const std::size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot > 9 || rest.size() != dot + 7 ||
        rest.substr(0, dot).find_first_not_of("0123456789") != std::string_view::npos) {
      continue;
    }
    const pid_t pid = static_cast<pid_t>(std::atol(std::string(rest.substr(0, dot)).c_str()));
    if (pid <= 0 || pid == ::getpid()) continue;
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    stale.emplace_back(entry);
  }
  ::closedir(dir);
  for (const std::string& entry : stale) {
    std::error_code ec;
    std::filesystem::remove_all(folder + entry, ec);
  }
}

}  // namespace

std::string FileNameBehind(const std::string& name) {
  int err = 0;
  return FollowLinks(name, &err);
}

bool LeadsToRegularFile(const std::string& name) {
  int err = 0;
  const std::string file = FollowLinks(name, &err);
  const int own = OwnDescriptor(file);
  struct stat st {};
  if (own >= 0) return ::fstat(own, &st) == 0 && S_ISREG(st.st_mode);
  // A name that leads nowhere (yet) is for the writer to create or to fail
  // on with its own reason.
  return ::stat(file.c_str(), &st) != 0 || S_ISREG(st.st_mode);
}

void PrepareFileSignals() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) InstallIfDefault(sig, RemoveTempsAndDie, SA_RESETHAND);
    struct sigaction old {};
    if (::sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) std::signal(SIGXFSZ, SIG_IGN);
  });
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
      throw Error(FileWriteError(target_, Message(msg::kWorkbookNotRegular)));
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
    keep_ = {true, ::geteuid(), ::getegid(), CreationMode()};
    keep_.sameGroup = true;
    return;
  }

  // An existing regular file must be writable, as for any open; one without
  // any write bit is read-only whoever runs the program (root's open would
  // pass), as an editor refuses it without being forced.
  if ((st.st_mode & 0222) == 0) Fail(EACCES);
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
    keep_ = {true, st.st_uid, st.st_gid, st.st_mode & 07777};
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
  RemoveStaleHidden(folder, name);
  const std::string t = HiddenPattern(folder, name);
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
  throw Error(FileWriteError(target_, err));
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

void SafeFile::TakeAttributesOf(const std::string& file) {
  struct stat st {};
  if (!keep_.sameGroup || fd_ < 0 || ::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
  const mode_t mode = st.st_mode & 0666;
  if ((st.st_uid == keep_.uid && st.st_gid == keep_.gid) || ::fchown(fd_, st.st_uid, st.st_gid) == 0) {
    keep_ = {true, st.st_uid, st.st_gid, mode, false};
  } else {
    keep_.mode &= mode;  // another user's: at least no more open than it
  }
  ::fchmod(fd_, keep_.mode);
}

void SafeFile::CommitFrom(const std::string& staged) {
  if (!inPlace_ && !temp_.empty() && keep_.valid) {
    // Renamed into place when the staged file can be given what the target
    // is and lies on its file system.
    const int in = ::open(staged.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) Fail(errno);
    struct stat st {};
    bool ok = ::fstat(in, &st) == 0 && ::fchmod(in, keep_.mode) == 0;
    if (ok && !keep_.sameGroup && (st.st_uid != keep_.uid || st.st_gid != keep_.gid)) {
      ok = ::fchown(in, keep_.uid, keep_.gid) == 0;
    }
    ::close(in);
    if (ok && ::rename(staged.c_str(), final_.c_str()) == 0) {
      Discard();  // the empty hidden file prepared for the target
      committed_ = true;
      return;
    }
  }
  // Otherwise copied, through Write, into what the target is written as.
  const int in = ::open(staged.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) Fail(errno);
  std::vector<char> buf(std::size_t{1} << 20);
  for (;;) {
    const ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int err = errno;
      ::close(in);
      if (n < 0) Fail(err);
      break;
    }
    try {
      Write(std::string_view(buf.data(), static_cast<std::size_t>(n)));
    } catch (...) {
      ::close(in);
      throw;
    }
  }
  Commit();
}

void CommitPair(SafeFile& first, SafeFile& second) {
  first.Close();
  second.Close();
  second.Commit();
  first.Commit();
}

namespace {

std::string TitleOf(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1
             ? fileName
             : fileName.substr(0, dot);
}

[[noreturn]] void RefuseNonRegular(const std::string& target, std::string_view what) {
  std::string reason = "不是普通文件（设备、管道或终端），";
  reason += what;
  reason += " 只能写入普通文件";
  throw Error(FileWriteError(target, reason));
}

}  // namespace

SafeFileSet::SafeFileSet(std::string target, const std::vector<std::string>& companionExtensions,
                         bool streams, std::string_view what) {
  PrepareFileSignals();
  const bool regular = LeadsToRegularFile(target);
  if (!regular && !streams) RefuseNonRegular(target, what);
  const std::string mainFile = FileNameBehind(target);
  const std::string folder = FolderOf(mainFile);
  const std::string name = mainFile.substr(folder.size());
  // The main file, then each companion, is checked and prepared before the
  // library writes anything.
  main_ = std::make_unique<SafeFile>(std::move(target));
  if (regular && !name.empty()) {
    for (const std::string& ext : companionExtensions) {
      const std::string companion = TitleOf(mainFile) + ext;
      if (!LeadsToRegularFile(companion)) RefuseNonRegular(companion, what);
      companions_.push_back(std::make_unique<SafeFile>(companion));
      companions_.back()->TakeAttributesOf(mainFile);
    }
  }
  std::string pattern = HiddenPattern(folder, name.empty() ? "karvento" : name);
  if (!regular || ::mkdtemp(pattern.data()) == nullptr) {
    if (regular && errno != EACCES && errno != EPERM && errno != EROFS) {
      throw Error(FileWriteError(main_->target(), errno));
    }
    pattern = HiddenPattern(SystemTempFolder(), "karvento");
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw Error(FileWriteError(main_->target(), errno));
    }
  }
  folder_ = pattern;
  slot_ = RegisterIn(folderSlots, folder_);
  staged_ = folder_ + "/" + (name.empty() ? std::string("karvento") : name);
  for (const std::string& ext : companionExtensions) {
    companionStaged_.push_back(TitleOf(staged_) + ext);
  }
}

SafeFileSet::~SafeFileSet() {
  std::error_code ec;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
  if (slot_ >= 0) folderSlots[slot_].state.store(0);
}

void SafeFileSet::Commit() {
  struct stat st {};
  for (std::size_t i = 0; i < companions_.size(); ++i) {
    if (::stat(companionStaged_[i].c_str(), &st) == 0) {
      companions_[i]->CommitFrom(companionStaged_[i]);
      continue;
    }
    // Not part of the new set: an old one of the name must not stay beside
    // it. A link is removed, never a file it leads to (which may be shared).
    const std::string old = companions_[i]->target();
    companions_[i].reset();
    if (::unlink(old.c_str()) != 0 && errno != ENOENT) {
      throw Error(FileWriteError(old, errno));
    }
  }
  if (::stat(staged_.c_str(), &st) == 0) {
    main_->CommitFrom(staged_);
  } else {
    main_->Commit();
  }
}

}  // namespace karvento
