// SPDX-License-Identifier: Apache-2.0
// karvento-cli check --input FILE on broken and hostile number lists: the
// command line reads lists with the window's reader, so a file that cannot
// be read is an error with exit status 1, never an empty list.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bad_files.h"

namespace karvento {
namespace {

using testing::TempDir;

struct Result {
  int status;
  std::string out, err;
  double seconds;  // of processor time
};

Result RunShell(const TempDir& dir, const std::string& line) {
  const std::string errFile = dir.File("stderr.txt");
  const std::string command = "( " + line + " ) 2>'" + errFile + "'";
  Result r{};
  const double start = testing::ChildProcessorSeconds();
  FILE* p = popen(command.c_str(), "r");
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = pclose(p);
  r.seconds = testing::ChildProcessorSeconds() - start;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = TempDir::Read(errFile);
  std::filesystem::remove(errFile);
  return r;
}

const std::string kCli = KARVENTO_CLI;
const std::string kPrefix = "karvento-cli check: ";

TEST(CliNumberLists, FilesThatCannotBeReadAreErrors) {
  TempDir dir;
  const std::string folder = dir.File("folder.txt");
  std::filesystem::create_directory(folder);
  const std::string huge = testing::MakeSparseFile(dir, "huge.txt", std::size_t{1} << 30);
  struct Case {
    const char* what;
    std::string arguments, message;
  } cases[] = {
      {"missing", "--input '" + dir.File("missing.txt") + "'",
       "无法打开文件 “" + dir.File("missing.txt") + "”：没有那个文件或目录"},
      {"a folder", "--input '" + folder + "'", "无法读取文件 “" + folder + "”：是一个目录"},
      {"a folder as standard input", "< '" + folder + "'",
       "无法读取文件 “/dev/stdin”：是一个目录"},
      {"unreadable even for root", std::string("--input ") + testing::kUnreadableFile,
       std::string("无法读取文件 “") + testing::kUnreadableFile + "”：输入/输出错误"},
      {"a gigabyte", "--input '" + huge + "'",
       "无法读取文件 “" + huge + "”：文件过大（图幅号列表至多 128 MiB）"},
  };
  for (const Case& c : cases) {
    const Result r = RunShell(dir, kCli + " check " + c.arguments);
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_EQ(r.out, "") << c.what;
    EXPECT_EQ(r.err, kPrefix + c.message + "\n") << c.what;
    EXPECT_LT(r.seconds, 1.0) << c.what;  // processor time; reading a gigabyte would take more
  }
}

TEST(CliNumberLists, OddFilesAreCheckedLineByLine) {
  TempDir dir;
  const std::string longLine(10000, 'J');
  struct Case {
    const char* what;
    std::string file;
    int status;
    std::string numbers;  // first field of each output line, "|" after each
    std::string err;
  } cases[] = {
      {"a named pipe that nobody writes to", testing::MakeFifo(dir, "fifo.txt"), 0, "", ""},
      {"a NUL ends the text", dir.Write("nul.txt", std::string("J-50\r\nJ50\0J-50-5\r\n", 18)), 0,
       "J-50|J50|", ""},
      {"only CR line ends", dir.Write("cr.txt", "J-50\rJ50\rJ-50-5"), 0, "J-50|J50|J-50-5|", ""},
      {"bytes that are not GBK", dir.Write("gbk.txt", "J-50\r\nA\xFFZ\r\n\xB1\xB1\r\nJ50"), 1,
       "J-50|J50|", "karvento-cli check: A\xEF\xBF\xBDZ不是标准图幅号！\nkarvento-cli check: 北不是标准图幅号！\n"},
      {"a 10,000-character line", dir.Write("long.txt", "J-50\r\n" + longLine + "\r\nJ50"), 1,
       "J-50|J50|", "karvento-cli check: " + longLine + "不是标准图幅号！\n"},
  };
  for (const Case& c : cases) {
    const Result r = RunShell(dir, kCli + " check --input '" + c.file + "'");
    EXPECT_EQ(r.status, c.status) << c.what;
    std::string numbers;
    for (std::size_t from = 0; from < r.out.size();) {
      const std::size_t end = r.out.find('\n', from);
      numbers += r.out.substr(from, r.out.find('\t', from) - from) + "|";
      from = end + 1;
    }
    EXPECT_EQ(numbers, c.numbers) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
  }
}

// Processor time that only a hang exceeds: ten times the 0.2 s the
// optimised build takes; a sanitized debug build is some ten times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kMostCheckSeconds = 20.0;
#else
constexpr double kMostCheckSeconds = 2.0;
#endif

TEST(CliNumberLists, RandomBytesAreRefusedLineByLineQuickly) {
  TempDir dir;
  const std::string file = testing::MakeRandomFile(dir, "random.bin", 4 << 20, true);
  const Result r = RunShell(dir, kCli + " check --input '" + file + "' >/dev/null");
  EXPECT_EQ(r.status, 1);
  EXPECT_LT(r.seconds, kMostCheckSeconds);
  EXPECT_NE(r.err.find("不是标准图幅号！\n"), std::string::npos);
}

}  // namespace
}  // namespace karvento
