#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <string>

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

}  // namespace
}  // namespace karvento
