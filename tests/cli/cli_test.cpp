// karvento-cli run as a user would: arguments in, text and exit status out.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "cli/args.h"

namespace karvento::cli {
namespace {

struct Result {
  int status;
  std::string out, err;
};

Result RunCli(const std::string& arguments) {
  // One stderr file per test process: CTest runs the cases in parallel.
  const std::string errFile = testing::TempDir() + "cli_stderr_" + std::to_string(getpid()) + ".txt";
  const std::string command = std::string(KARVENTO_CLI) + " " + arguments + " 2>" + errFile;
  Result r;
  FILE* p = popen(command.c_str(), "r");
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (FILE* e = fopen(errFile.c_str(), "r")) {
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, e)) > 0;) r.err.append(buf, n);
    fclose(e);
  }
  return r;
}

TEST(Cli, SheetsOfTheWorkedExampleEveryScale) {
  struct Case { const char* scale; const char* oldNo; const char* newNo; } cases[] = {
      {"1:100万", "J-50", "J50"},           {"500000", "J-50-A", "J50B001001"},
      {"1:250000", "J-50-[2]", "J50C001002"}, {"1:10万", "J-50-5", "J50D001005"},
      {"1:5万", "J-50-5-B", "J50E001010"},   {"1:2.5万", "J-50-5-B-4", "J50F002020"},
      {"10000", "J-50-5-(24)", "J50G003040"}, {"1:5000", "J-50-5-(24)-A", "J50H005079"},
  };
  for (const auto& c : cases) {
    for (bool old : {true, false}) {
      const Result r = RunCli(std::string("sheets --from 116:28:00,39:54:00 --to 116.4666666667,39.9 ") +
                           "--scale " + c.scale + " --standard " + (old ? "old" : "new"));
      ASSERT_EQ(r.status, 0) << r.err;
      // A header line and one sheet.
      const std::size_t first = r.out.find('\n');
      const std::string line = r.out.substr(first + 1);
      EXPECT_EQ(line.substr(0, line.find(' ')), old ? c.oldNo : c.newNo) << c.scale;
      EXPECT_EQ(line.find('\n'), line.size() - 1) << r.out;
    }
  }
  const Result r = RunCli("sheets --from 116:28:00,39:54:00 --to 116:28:00,39:54:00 --scale 1:10万 --cm 117");
  EXPECT_NE(r.out.find("J50D001005      116:00:00     39:40:00      116:30:00     40:00:00"),
            std::string::npos) << r.out;
}

TEST(Cli, UsageAndDataErrors) {
  struct Case { const char* args; int status; const char* message; } cases[] = {
      {"", 2, "usage"},
      {"frobnicate", 2, "unknown command"},
      {"sheets --from 116,39", 2, "--from and --to are required"},
      {"sheets --from 116,39 --to 117,40 --scale 1:3万", 2, "is none of"},
      {"sheets --from 116,39 --to 117,40 --datum 84", 2, "--datum is 54 or 80"},
      {"sheets --from abc,39 --to 117,40", 2, "'abc' is not a number"},
      {"sheets --from 116,39 --to 117,40 --bogus", 2, "unknown option --bogus"},
      {"sheets --from 116,39 --to 114,40 --scale 1:10万", 1, "Range check error"},
      {"sheets --from 0,0 --to 180,88 --scale 1:5000", 1, "5000000"},
  };
  for (const auto& c : cases) {
    const Result r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
  }
  const Result help = RunCli("sheets --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Example"), std::string::npos);
}

TEST(Cli, AngleForms) {
  struct Case { const char* text; TAngleDMS a; } cases[] = {
      {"116:28:00", {116, 28, 0}}, {"116:28", {116, 28, 0}}, {"116.5", {116, 30, 0}},
      {"116°28′07.5″", {116, 28, 7.5}}, {"-0:30:00", {-0.0, -30, -0}}, {"39d54m", {39, 54, 0}}};
  for (const auto& c : cases) EXPECT_EQ(ParseAngle(c.text, "x"), c.a) << c.text;
  for (const char* bad : {"", "1:2:3:4", "x", "1::2", "nan", "inf"}) {
    EXPECT_THROW(ParseAngle(bad, "x"), UsageError) << bad;
  }
}

}  // namespace
}  // namespace karvento::cli
