// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "export/safe_file.h"
#include "numbering/error.h"
#include "test_files.h"

namespace karvento {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

std::string FailureOf(const std::string& target, const std::string& data) {
  try {
    SafeFile f(target);
    f.Write(data);
    f.Commit();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(SafeFile, WritesAndReplacesWhole) {
  ScratchDir dir;
  const std::string name = dir.File("a.mif");
  std::string big(5'000'000, 'x');
  for (std::size_t i = 0; i < big.size(); i += 997) big[i] = static_cast<char>('a' + i % 26);
  {
    SafeFile f(name);
    f.Write("first");
    EXPECT_FALSE(FileExists(name));  // nothing under the name until committed
    f.Commit();
  }
  EXPECT_EQ(ReadFile(name), "first");
  {
    SafeFile f(name);
    f.Write(big.substr(0, 1000));
    f.Write(big.substr(1000));
    EXPECT_EQ(ReadFile(name), "first");
    f.Commit();
  }
  EXPECT_EQ(ReadFile(name), big);
  EXPECT_EQ(dir.Listing(), "a.mif\n");
}

TEST(SafeFile, TargetNameOfTheLongestLength) {
  ScratchDir dir;
  const std::string name = dir.File(std::string(251, 'n') + ".mif");  // 255 bytes
  {
    SafeFile f(name);
    f.Write("long");
    f.Commit();
  }
  EXPECT_EQ(ReadFile(name), "long");
  EXPECT_EQ(FailureOf(name + "x", "one byte too long"),
            "无法写入文件 “" + name + "x”：" + std::strerror(ENAMETOOLONG));
}

TEST(SafeFile, UncommittedFileLeavesNoTrace) {
  ScratchDir dir;
  WriteFile(dir.File("keep.mif"), "old contents\r\n");
  {
    SafeFile f(dir.File("keep.mif"));
    f.Write("new contents that are never committed");
    f.Close();
  }
  {
    SafeFile f(dir.File("new.mif"));
    f.Write("abandoned");
  }
  EXPECT_EQ(ReadFile(dir.File("keep.mif")), "old contents\r\n");
  EXPECT_EQ(dir.Listing(), "keep.mif\n");
}

TEST(SafeFile, KeepsThePermissionsOfTheReplacedFile) {
  ScratchDir dir;
  const std::string name = dir.File("p.mid");
  WriteFile(name, "x");
  ASSERT_EQ(::chmod(name.c_str(), 0640), 0);
  {
    SafeFile f(name);
    f.Write("y");
    f.Commit();
  }
  struct stat st {};
  ASSERT_EQ(::stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  const std::string fresh = dir.File("fresh.mid");
  {
    SafeFile f(fresh);
    f.Commit();
  }
  ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask);  // not mkstemp's 0600
}

// Targets that cannot be written, each with the system's reason. The tests
// run as root, which may write into any folder, so the failures come from
// paths that no permission makes writable.
TEST(SafeFile, FailuresNameTheFileAndTheReason) {
  ScratchDir dir;
  WriteFile(dir.File("plain"), "a file, not a folder");
  struct Case { std::string target; std::string reason; } cases[] = {
      {dir.File("missing/a.mif"), std::strerror(ENOENT)},
      {dir.File("plain/a.mif"), std::strerror(ENOTDIR)},
      {"/sys/karvento-test.mif", std::strerror(EACCES)},   // sysfs accepts no new files
      {"/proc/karvento-test.mif", std::strerror(ENOENT)},  // nor does procfs
      {dir.path(), std::strerror(EISDIR)},
      {"/dev/full", std::strerror(ENOSPC)},  // a device is written in place
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FailureOf(c.target, std::string(100000, 'z')),
              "无法写入文件 “" + c.target + "”：" + c.reason);
  }
  EXPECT_EQ(dir.Listing(), "plain\n");
}

TEST(SafeFile, DevicesAreWrittenInPlace) {
  EXPECT_EQ(FailureOf("/dev/null", "anything"), "");
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));  // still the device, not a renamed file
}

TEST(SafeFile, PairCommitsBothFiles) {
  ScratchDir dir;
  SafeFile mif(dir.File("s.mif"));
  SafeFile mid(dir.File("s.mid"));
  mif.Write("M");
  mid.Write("D");
  CommitPair(mif, mid);
  EXPECT_EQ(ReadFile(dir.File("s.mif")), "M");
  EXPECT_EQ(ReadFile(dir.File("s.mid")), "D");
  EXPECT_EQ(dir.Listing(), "s.mid\ns.mif\n");
}

struct stat StatOf(const std::string& name) {
  struct stat st {};
  EXPECT_EQ(::lstat(name.c_str(), &st), 0) << name;
  return st;
}

// A name that is a symbolic link is written through: the file it leads to
// gets the new text and the link stays a link, as with a shell redirect.
TEST(SafeFile, WritesThroughSymbolicLinks) {
  ScratchDir dir;
  std::filesystem::create_directory(dir.File("real"));
  WriteFile(dir.File("real/a.mif"), "old");
  struct Case {
    const char* what;
    std::string link, leadsTo;  // leadsTo: the link's text
    std::string file;           // the file that must hold the new text
  } cases[] = {
      {"a relative link", dir.File("rel.mif"), "real/a.mif", dir.File("real/a.mif")},
      {"an absolute link", dir.File("abs.mif"), dir.File("real/a.mif"), dir.File("real/a.mif")},
      {"a link to a link", dir.File("chain.mif"), "rel.mif", dir.File("real/a.mif")},
      {"a link inside a folder, relative to it", dir.File("real/up.mif"), "../real/b.mif",
       dir.File("real/b.mif")},
      {"a dangling link creates its file", dir.File("new.mif"), "real/c.mif", dir.File("real/c.mif")},
  };
  for (const auto& c : cases) {
    std::filesystem::create_symlink(c.leadsTo, c.link);
    const std::string text = std::string("new through ") + c.what;
    EXPECT_EQ(FailureOf(c.link, text), "") << c.what;
    EXPECT_TRUE(S_ISLNK(StatOf(c.link).st_mode)) << c.what;
    EXPECT_EQ(std::filesystem::read_symlink(c.link).string(), c.leadsTo) << c.what;
    EXPECT_EQ(ReadFile(c.file), text) << c.what;
  }
  EXPECT_EQ(dir.Listing(), "abs.mif\nchain.mif\nnew.mif\nreal\nrel.mif\n");
  // A loop of links leads nowhere.
  std::filesystem::create_symlink("loop2", dir.File("loop1"));
  std::filesystem::create_symlink("loop1", dir.File("loop2"));
  EXPECT_EQ(FailureOf(dir.File("loop1"), "x"),
            "无法写入文件 “" + dir.File("loop1") + "”：" + std::strerror(ELOOP));
}

// Runs body in a child process, as an ordinary user (nobody, 65534) when the
// tests run as root; returns what body returned, or a note on how the child
// ended.
std::string AsOrdinaryUser(const std::function<std::string()>& body) {
  int fds[2];
  if (::pipe(fds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                             ::setresuid(65534, 65534, 65534) != 0)) {
      ::_exit(3);
    }
    const std::string out = body();
    if (::write(fds[1], out.data(), out.size()) < 0) ::_exit(4);
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child ended with status " + std::to_string(status);
  return out;
}

// What a rename would change is kept, or the file is written in place: its
// owner, group and permissions, its other names. A file that may not be
// written is refused as an open would refuse it, never replaced.
TEST(SafeFile, KeepsWhatTheFileIsOrWritesInPlace) {
  const bool root = ::geteuid() == 0;
  const uid_t me = ::geteuid();
  ScratchDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  struct Case {
    const char* what;
    bool needsRoot;
    bool asOrdinaryUser;
    std::function<void(const std::string& file)> prepare;
    std::string failure;  // empty: written
    uid_t owner;
    mode_t mode;
  } cases[] = {
      {"another user's file, root writing", true, false,
       [](const std::string& f) { ASSERT_EQ(::chown(f.c_str(), 12345, 23456), 0); }, "", 12345, 0640},
      {"a file with a second name", false, false,
       [](const std::string& f) { std::filesystem::create_hard_link(f, f + ".other"); }, "", me, 0640},
      {"a read-only file", false, true,
       [root](const std::string& f) {
         if (root) {
           ASSERT_EQ(::chown(f.c_str(), 65534, 65534), 0);
         }
         ASSERT_EQ(::chmod(f.c_str(), 0444), 0);
       },
       std::strerror(EACCES), root ? 65534 : me, 0444},
      // Root may open any file, but a file without a write bit is read-only
      // to whoever writes it.
      {"a read-only file of root's, written by root", true, false,
       [](const std::string& f) { ASSERT_EQ(::chmod(f.c_str(), 0444), 0); }, std::strerror(EACCES), 0, 0444},
      {"a file of root's that others may write, written by an ordinary user", true, true,
       [](const std::string& f) { ASSERT_EQ(::chmod(f.c_str(), 0666), 0); }, "", 0, 0666},
      {"a writable file in a folder that may not be written", true, true,
       [](const std::string& f) {
         ASSERT_EQ(::chown(f.c_str(), 65534, 65534), 0);
         const std::string folder = f.substr(0, f.rfind('/'));
         ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
       },
       "", 65534, 0640},
  };
  int n = 0;
  for (const auto& c : cases) {
    if (c.needsRoot && !root) continue;
    const std::string folder = dir.File("case" + std::to_string(++n));
    ASSERT_EQ(::mkdir(folder.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    const std::string file = folder + "/f.mid";
    WriteFile(file, "old contents, longer than the new");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    c.prepare(file);
    const struct stat before = StatOf(file);
    const std::string failure =
        c.asOrdinaryUser ? AsOrdinaryUser([&] { return FailureOf(file, "new"); }) : FailureOf(file, "new");
    EXPECT_EQ(failure, c.failure.empty() ? "" : "无法写入文件 “" + file + "”：" + c.failure) << c.what;
    ::chmod(folder.c_str(), 0777);
    const struct stat after = StatOf(file);
    EXPECT_EQ(ReadFile(file), c.failure.empty() ? "new" : "old contents, longer than the new") << c.what;
    EXPECT_EQ(after.st_uid, c.owner) << c.what;
    EXPECT_EQ(after.st_gid, before.st_gid) << c.what;
    EXPECT_EQ(after.st_mode & 07777, c.mode) << c.what;
    EXPECT_EQ(after.st_nlink, before.st_nlink) << c.what;
    if (before.st_nlink > 1) {
      EXPECT_EQ(after.st_ino, before.st_ino) << c.what;
      EXPECT_EQ(ReadFile(file + ".other"), "new") << c.what;
    }
    // No temporary file is left beside it.
    std::string names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) names += e.path().filename().string() + " ";
    EXPECT_EQ(names.find(".f.mid."), std::string::npos) << c.what << ": " << names;
  }
}

// A process ended by SIGINT, SIGTERM or SIGHUP in the middle of a write
// leaves no hidden temporary file behind, and still ends by the signal.
TEST(SafeFile, FatalSignalsRemoveTheTemporaryFiles) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    ScratchDir dir;
    WriteFile(dir.File("keep.mif"), "old");
    const pid_t pid = ::fork();
    if (pid == 0) {
      PrepareFileSignals();  // as SafeFile does
      SafeFile mif(dir.File("keep.mif"));
      SafeFile mid(dir.File("keep.mid"));
      mif.Write(std::string(100000, 'x'));
      mid.Write("y");
      ::raise(sig);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " " << status;
    EXPECT_EQ(dir.Listing(), "keep.mif\n") << sig;
    EXPECT_EQ(ReadFile(dir.File("keep.mif")), "old");
  }
}

// A set written as a library writes one: every file whole into the set's
// folder, then Commit. "missing" stands for a companion the library did not
// write. Returns the failure, or "".
std::string SetFailureOf(const std::string& target, bool streams,
                         const std::vector<std::pair<std::string, std::string>>& files) {
  try {
    SafeFileSet set(target, {".dbf", ".prj"}, streams, "Shapefile");
    const std::string title = set.staged().substr(0, set.staged().rfind('.'));
    for (const auto& [ext, text] : files) {
      if (text != "missing") WriteFile(ext.empty() ? set.staged() : title + ext, text);
    }
    set.Commit();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

// Every file of a set keeps the rules of a single file: links followed (the
// companions beside the file the main name leads to), owner, group and
// permissions kept, a read-only companion refusing the whole set before
// anything changes, an old companion the new set lacks removed, and a target
// that is no regular file refused or written in place.
TEST(SafeFileSet, EveryFileOfTheSetUnderTheRulesOfOne) {
  ScratchDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
  const auto folder = [&](const std::string& name) {
    std::filesystem::create_directory(dir.File(name));
    return dir.File(name) + "/";
  };
  struct Case {
    const char* what;
    std::function<std::string()> prepare;  // returns the target
    bool streams;
    std::string failure;  // "" written
    std::string listing;  // of the folder it changes, afterwards
    std::string dbf;      // the .dbf it holds afterwards
  } cases[] = {
      {"a new set", [&] { return folder("new") + "a.shp"; }, false, "", "a.dbf\na.prj\na.shp\n", "D"},
      {"through a link: the companions beside the real file",
       [&] {
         const std::string f = folder("link");
         std::filesystem::create_directory(f + "real");
         WriteFile(f + "real/b.shp", "old");
         std::filesystem::create_symlink("real/b.shp", f + "a.shp");
         return f + "a.shp";
       },
       false, "", "b.dbf\nb.prj\nb.shp\n", "D"},
      {"a private set stays private, its new companion too",
       [&] {
         const std::string f = folder("private");
         for (const char* n : {"a.shp", "a.dbf"}) {
           WriteFile(f + n, "old");
           ::chmod((f + n).c_str(), 0600);
         }
         return f + "a.shp";
       },
       false, "", "a.dbf\na.prj\na.shp\n", "D"},
      {"a read-only companion",
       [&] {
         const std::string f = folder("readonly");
         WriteFile(f + "a.shp", "old");
         WriteFile(f + "a.dbf", "old");
         ::chmod((f + "a.dbf").c_str(), 0444);
         // Root may write any file: the set is written by an ordinary user.
         ::chmod(f.c_str(), 0777);
         for (const char* n : {"", "a.shp", "a.dbf"}) {
           if (::geteuid() == 0) {
             EXPECT_EQ(::chown((f + n).c_str(), 65534, 65534), 0);
           }
         }
         return f + "a.shp";
       },
       false, "无法写入文件 “" + dir.File("readonly/a.dbf") + "”：" + std::strerror(EACCES), "a.dbf\na.shp\n",
       "old"},
      {"an old companion the new set lacks",
       [&] {
         const std::string f = folder("stale");
         WriteFile(f + "a.prj", "old system");
         return f + "a.shp";
       },
       false, "", "a.dbf\na.shp\n", "D"},
      {"a named pipe, for a format that cannot stream",
       [&] {
         const std::string f = folder("fifo");
         ::mkfifo((f + "a.shp").c_str(), 0600);
         return f + "a.shp";
       },
       false,
       "无法写入文件 “" + dir.File("fifo/a.shp") + "”：不是普通文件（设备、管道或终端），Shapefile 只能写入普通文件",
       "a.shp\n", ""},
  };
  for (const Case& c : cases) {
    const std::string target = c.prepare();
    const bool lacksPrj = std::string(c.what).find("lacks") != std::string::npos;
    const auto write = [&] {
      return SetFailureOf(target, c.streams, {{"", "S"}, {".dbf", "D"}, {".prj", lacksPrj ? "missing" : "P"}});
    };
    const bool readOnly = std::string(c.what).find("read-only") != std::string::npos;
    EXPECT_EQ(readOnly ? AsOrdinaryUser(write) : write(), c.failure) << c.what;
    const std::string real = FileNameBehind(target);
    const std::string f = real.substr(0, real.rfind('/') + 1);
    std::string listing;
    for (const auto& e : std::filesystem::directory_iterator(f)) {
      if (!e.is_directory()) listing += e.path().filename().string() + "\n";
    }
    // (sorted: the names differ in their extension only)
    std::vector<std::string> names;
    for (std::size_t a = 0, b; (b = listing.find('\n', a)) != std::string::npos; a = b + 1) names.push_back(listing.substr(a, b - a));
    std::sort(names.begin(), names.end());
    listing.clear();
    for (const auto& n : names) listing += n + "\n";
    EXPECT_EQ(listing, c.listing) << c.what;
    const std::string dbf = real.substr(0, real.rfind('.')) + ".dbf";
    EXPECT_EQ(FileExists(dbf) ? ReadFile(dbf) : "", c.dbf) << c.what;
    if (std::string(c.what).find("private") != std::string::npos) {
      for (const char* ext : {".shp", ".dbf", ".prj"}) {
        EXPECT_EQ(StatOf(f + "a" + ext).st_mode & 07777, 0600u) << ext;
      }
    }
    if (std::string(c.what).find("link") != std::string::npos) {
      EXPECT_TRUE(S_ISLNK(StatOf(target).st_mode));
      EXPECT_EQ(ReadFile(target), "S");
    }
  }
}

// A format that streams is written into a pipe, through the process's own
// descriptor of it, and the pipe stays a pipe; nothing is created beside it.
TEST(SafeFileSet, AStreamingFormatIsWrittenIntoWhatTheNameOpens) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const std::string target = "/proc/self/fd/" + std::to_string(fds[1]);
  EXPECT_EQ(SetFailureOf(target, true, {{"", "streamed"}}), "");
  ::close(fds[1]);
  char buf[64];
  const ssize_t n = ::read(fds[0], buf, sizeof buf);
  ::close(fds[0]);
  EXPECT_EQ(std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0), "streamed");
}

// The set's hidden folder goes with a fatal signal, as a single file's
// temporary file does; one left by a process killed outright is removed by
// the next export of the same name, while one of a running process stays.
TEST(SafeFileSet, HiddenFoldersGoWithSignalsAndAfterKilledProcesses) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    ScratchDir dir;
    WriteFile(dir.File("keep.shp"), "old");
    const pid_t pid = ::fork();
    if (pid == 0) {
      SafeFileSet set(dir.File("keep.shp"), {".dbf"}, false, "Shapefile");
      WriteFile(set.staged(), std::string(100000, 'x'));
      WriteFile(set.folder() + "/keep.dbf", "y");
      ::raise(sig);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig << " " << status;
    EXPECT_EQ(dir.Listing(), "keep.shp\n") << sig;
  }
  ScratchDir dir;
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string dead = ".a.shp." + std::to_string(gone) + ".Ab12Cd";
  const std::string live = ".a.shp." + std::to_string(::getppid()) + ".Ab12Cd";
  const std::string other = ".b.shp." + std::to_string(gone) + ".Ab12Cd";
  for (const std::string& f : {dead, live, other}) {
    std::filesystem::create_directory(dir.File(f));
    WriteFile(dir.File(f) + "/a.shp", "part");
  }
  WriteFile(dir.File(".a.shp." + std::to_string(gone) + ".Zz9Zz9"), "a single file's");
  EXPECT_EQ(SetFailureOf(dir.File("a.shp"), false, {{"", "S"}, {".dbf", "D"}, {".prj", "P"}}), "");
  EXPECT_EQ(dir.Listing(), live + "\n" + other + "\na.dbf\na.prj\na.shp\n");
}

}  // namespace
}  // namespace karvento
