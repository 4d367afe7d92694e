// SPDX-License-Identifier: Apache-2.0
// Points streamed through at, project and dms: one result line per input
// line in order, the rest of a line passed through, bad lines marked with
// their number on standard error while the run goes on, the formats, CSV
// input by column name, and a million points in bounded memory.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "run_cli.h"

namespace karvento::cli {
namespace {

std::string WriteInput(const std::string& name, const std::string& text) {
  const std::string path = testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) {
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(l);
  }
  return lines;
}

TEST(CliPointStream, AtGivesEachLineItsSheetsInOrderAndMarksBadLines) {
  const std::string input = WriteInput("at_points.txt",
                                       "116:28:00 39:54:00 BJ01 control point\n"
                                       "116.4666666667,39.9,BJ02\n"
                                       "# a comment\n"
                                       "\n"
                                       "120 40\r\n"
                                       "116°28′E 39°54′N\n"
                                       "abc 40\n"
                                       "116 95\n"
                                       "190 40\n"
                                       "116\n"
                                       "116:28:00 39:54:00 BJ03, a note\n"
                                       "116:28:00 39:54:00,BJ04\n"
                                       // Lines ended by a CR alone.
                                       "120 40 K1\r121 41 K2\r"
                                       "116:03:45 39:57:30");
  const Result r = RunCli("at --input " + input + " --scale 1:1万,1:100万");
  EXPECT_EQ(r.status, 1) << r.err;
  const std::vector<std::string> want = {
      "116:28:00\t39:54:00\tJ50G003040\tJ-50-5-(24)\tJ50\tJ-50\tBJ01 control point",
      "116.4666666667\t39.9\tJ50G003040\tJ-50-5-(24)\tJ50\tJ-50\tBJ02",
      "# a comment",
      "",
      // On the corner of four 1:100万 sheets: the sheet east and north.
      "120\t40\tK51G096001\tK-51-133-(57)\tK51\tK-51",
      "116°28′E\t39°54′N\tJ50G003040\tJ-50-5-(24)\tJ50\tJ-50",
      "abc\t40\t*\t*\t*\t*",
      "116\t95\t*\t*\t*\t*",
      "190\t40\t*\t*\t*\t*",
      "116\t\t*\t*\t*\t*",
      // A comma in the rest of a "lon lat" line is the rest's.
      "116:28:00\t39:54:00\tJ50G003040\tJ-50-5-(24)\tJ50\tJ-50\tBJ03, a note",
      "116:28:00\t39:54:00\tJ50G003040\tJ-50-5-(24)\tJ50\tJ-50\tBJ04",
      "120\t40\tK51G096001\tK-51-133-(57)\tK51\tK-51\tK1",
      "121\t41\tK51G072017\tK-51-99-(57)\tK51\tK-51\tK2",
      "116:03:45\t39:57:30\tJ50G001034\tJ-50-5-(2)\tJ50\tJ-50"};
  EXPECT_EQ(Lines(r.out), want);
  // Each bad line by its number, and the count at the end.
  for (const char* n : {"第 7 行", "第 8 行", "第 9 行", "第 10 行"}) {
    EXPECT_NE(r.err.find(std::string("karvento-cli at: ") + n), std::string::npos) << n << r.err;
  }
  for (const char* n : {"第 11 行", "第 12 行", "第 13 行", "第 14 行", "第 15 行"}) {
    EXPECT_EQ(r.err.find(n), std::string::npos) << n << r.err;
  }
  EXPECT_NE(r.err.find("15 行中有 4 行无法读取"), std::string::npos) << r.err;

  // The same lines on standard input, and the one-point form agrees.
  const Result piped = RunShell("cat " + input + " | " + kCli + " at --scale 1:1万,1:100万");
  EXPECT_EQ(piped.out, r.out);
  const Result one = RunCli("at 116:03:45,39:57:30 --format csv");
  EXPECT_NE(one.out.find("1:1万,J50G001034,J-50-5-(2)"), std::string::npos) << one.out;
}

TEST(CliPointStream, FormatsAndNames) {
  const std::string input = WriteInput("at_formats.txt", "116:28:00,39:54:00,\"BJ 01\"\nx 1\n");
  struct Case {
    std::string args;
    std::string out;
  };
  const Case cases[] = {
      {"--scale 1:1万 --format csv",
       "\xEF\xBB\xBFlon,lat,图幅号_1万,旧图幅号_1万,rest\r\n"
       "116:28:00,39:54:00,J50G003040,J-50-5-(24),\"\"\"BJ 01\"\"\"\r\n"
       "x,1,*,*,\r\n"},
      {"--scale 1:1万 --standard new --ascii-names --format jsonl",
       "{\"line\":1,\"lon\":\"116:28:00\",\"lat\":\"39:54:00\",\"sheet_10000\":\"J50G003040\","
       "\"rest\":\"\\\"BJ 01\\\"\"}\n"
       "{\"line\":2,\"lon\":\"x\",\"lat\":\"1\",\"sheet_10000\":\"*\",\"rest\":\"\",\"error\":"},
      {"--scale 1:2000 --standard old --format json", ""},  // the old standard stops at 1:5000
      {"--scale 1:5000 --standard old --ascii-names --format json",
       "[\n{\"line\":1,\"lon\":\"116:28:00\",\"lat\":\"39:54:00\",\"old_5000\":\"J-50-5-(24)-A\","
       "\"rest\":\"\\\"BJ 01\\\"\"},\n{\"line\":2,"},
  };
  for (const Case& c : cases) {
    const Result r = RunCli("at --input " + input + " " + c.args);
    SCOPED_TRACE(c.args);
    if (c.out.empty()) {
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.out, "");
      continue;
    }
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << r.out;
  }
  // A JSON array is closed after the last record.
  const Result json = RunCli("at --input " + input + " --format json");
  EXPECT_EQ(json.out.substr(json.out.size() - 4), "}\n]\n") << json.out;
  // Options of one point are refused for a stream, and stream options for one point.
  EXPECT_EQ(RunCli("at --input " + input + " --neighbours").status, 2);
  EXPECT_EQ(RunCli("at 116,40 --x lon").status, 2);
  EXPECT_EQ(RunCli("at --input " + input + " --format geojson").status, 2);
  EXPECT_EQ(RunCli("at --input /nonexistent/points.txt").status, 1);
  EXPECT_EQ(RunCli("at --input " + input + " --output " + testing::TempDir() + "x.gpkg").status, 2);
}

TEST(CliPointStream, CsvInputByColumnNamePassesEveryColumnThrough) {
  const std::string input = WriteInput("at_columns.csv",
                                       "\xEF\xBB\xBF点号,纬度,经度,备注\r\n"
                                       "K1,39:54:00,116:28:00,\"旧点, 已复测\"\r\n"
                                       "K2,40,120\r\n"
                                       "#4,40,120\r\n"  // a record, not a comment
                                       "K3,40\r\n");
  const Result r = RunCli("at --input " + input + " --x 经度 --y 纬度 --scale 1:5万 --standard new");
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"\xEF\xBB\xBF点号,纬度,经度,备注,图幅号_5万",
                                                    "K1,39:54:00,116:28:00,\"旧点, 已复测\",J50E001010",
                                                    "K2,40,120,K51E024001", "#4,40,120,K51E024001", "K3,40,*"}));
  EXPECT_NE(r.err.find("第 5 行"), std::string::npos) << r.err;
  EXPECT_EQ(RunCli("at --input " + input + " --x lon --y 纬度").status, 2);
}

TEST(CliPointStream, ProjectAndDmsStreamAsTheirOnePointForms) {
  const std::string points = WriteInput("project_points.txt", "116:30:00 39:30:00 P1\n117 40\n200 0\n");
  const Result fwd = RunCli("project --cm 117 --input " + points);
  EXPECT_EQ(fwd.status, 1);
  const std::vector<std::string> lines = Lines(fwd.out);
  ASSERT_EQ(lines.size(), 3u) << fwd.out;
  for (const auto& [point, line] : {std::pair{"116:30:00 39:30:00", lines[0]}, std::pair{"117 40", lines[1]}}) {
    std::string one = RunCli(std::string("project --cm 117 ") + point).out;
    one.pop_back();
    std::replace(one.begin(), one.end(), ' ', '\t');
    EXPECT_EQ(line.substr(0, one.size()), one) << point;
  }
  EXPECT_EQ(lines[0].substr(lines[0].size() - 3), "\tP1");
  EXPECT_EQ(lines[2], "*\t*");
  EXPECT_NE(fwd.err.find("第 3 行"), std::string::npos);

  // The inverse takes the forward's output back, through a pipe.
  const Result back = RunShell(kCli + " project --cm 117 --input " + points + " 2>/dev/null | " + kCli +
                               " project --inverse --cm 117 --format csv");
  const std::vector<std::string> rows = Lines(back.out);
  ASSERT_GE(rows.size(), 3u) << back.out << back.err;
  EXPECT_EQ(rows[0], "\xEF\xBB\xBFlon_dms,lat_dms,lon,lat,rest");
  EXPECT_EQ(rows[1].substr(0, 26), "116:30:00.000,39:30:00.000");

  const Result dms = RunShell("printf '116.5 30.9999999\\n-0.5\\nx\\n' | " + kCli + " dms");
  EXPECT_EQ(Lines(dms.out), (std::vector<std::string>{"116:30:00.000\t31:00:00.000", "-0:30:00.000\t", "*\t*"}));
  EXPECT_EQ(dms.status, 1);
}

// A program that writes a point and waits for its answer gets it, whatever
// ends the line, before it writes more or closes the stream (the bound of
// the wait only keeps a broken stream from hanging the test).
TEST(CliPointStream, EachLineIsAnsweredBeforeTheNextArrives) {
  for (const char* end : {"\n", "\r\n", "\r"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(end)));
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[1]);
      close(out[0]);
      execl(kCli.c_str(), kCli.c_str(), "at", "--scale", "1:1万", "--standard", "new", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    std::string answer;
    for (const char* point : {"116.5 39.9", "117 40"}) {
      const std::string line = std::string(point) + end;
      ASSERT_EQ(write(in[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
      answer.clear();
      while (answer.find('\n') == std::string::npos) {
        pollfd p{out[0], POLLIN, 0};
        ASSERT_EQ(poll(&p, 1, 60000), 1) << "no answer to " << point;
        char buffer[256];
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        answer.append(buffer, static_cast<std::size_t>(n));
      }
      EXPECT_EQ(answer.substr(0, std::string(point).size()), std::string(point).replace(std::string(point).find(' '), 1, "\t"));
    }
    EXPECT_EQ(answer, "117\t40\tK50G096049\n");  // the LF of a CR LF is no line of its own
    close(in[1]);
    std::string rest;
    char buffer[256];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) rest.append(buffer, static_cast<std::size_t>(n));
    EXPECT_EQ(rest, "");
    close(out[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
}

// A million points, one in a thousand unreadable: every line answered, the
// bad ones marked, in memory that does not grow with the stream.
TEST(CliPointStream, AMillionPointsInBoundedMemory) {
  const std::string path = testing::TempDir() + "million_points.txt";
  {
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    for (int k = 0; k < 1'000'000; ++k) {
      if (k % 1000 == 999) {
        std::fputs("bad line\n", f);
      } else {
        std::fprintf(f, "%.6f %.6f %d\n", 73 + (k % 6200) * 0.01, 18 + (k / 6200) * 0.2, k);
      }
    }
    ASSERT_EQ(std::fclose(f), 0);
  }
  const std::string out = testing::TempDir() + "million_sheets.txt";
  const std::string err = testing::TempDir() + "million_sheets.err";
  // The program run on its own, so that its own peak and processor time are
  // read (those of every child the test process ever had are not this run's).
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("LC_ALL", "C.UTF-8", 1);
    unsetenv("LANGUAGE");
    if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr)) _exit(127);
    execl(kCli.c_str(), kCli.c_str(), "at", "--scale", "1:1万", "--standard", "new", "--input", path.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage run{};
  ASSERT_EQ(wait4(pid, &status, 0, &run), pid);
  // The run ends with status 1 (bad lines), after every line.
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  const Result r = RunShell("awk -F'\\t' '$3==\"*\"{bad++} END{print NR, bad}' " + out + "; sed -n '1p;1000p;1000000p' " +
                            out + "; grep -c '第 1000000 行' " + err);
  EXPECT_EQ(Lines(r.out), (std::vector<std::string>{"1000000 1000", "73.000000\t18.000000\tE43G048017\t0",
                                                    "bad\tline\t*", "bad\tline\t*", "1"}))
      << r.err.substr(0, 400);
#if !defined(__SANITIZE_ADDRESS__)
  // (AddressSanitizer's shadow memory alone passes the budget.)
  EXPECT_LT(run.ru_maxrss, 64 * 1024) << "KiB";
#endif
  // About a second of processor time here: a bound ten times that and more
  // catches a stream that stalls or goes quadratic.
  const double cpu = static_cast<double>(run.ru_utime.tv_sec + run.ru_stime.tv_sec);
  EXPECT_LT(cpu, 60) << "s";
  std::remove(err.c_str());
  std::remove(path.c_str());
  std::remove(out.c_str());
}

}  // namespace
}  // namespace karvento::cli
