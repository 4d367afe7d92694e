// SPDX-License-Identifier: Apache-2.0
// What karvento-cli's text formats write, checked against the readers that
// users open them with: numbers in plain decimal form that read back to the
// same double, GeoJSON as RFC 7946 and GDAL read it, and the numbers that no
// format can carry refused before anything is written.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/output.h"
#include "numbering/error.h"
#include "run_cli.h"

namespace karvento::cli {
namespace {

class StringSink : public Sink {
 public:
  void Write(std::string_view data) override { text.append(data); }
  std::string text;
};

std::string NumberText(double v) {
  StringSink sink;
  Output out(sink);
  out.Number(v);
  out.Flush();
  return sink.text;
}

TEST(CliNumbers, ShortestPlainDecimalThatReadsBack) {
  struct Case { double v; const char* text; } cases[] = {
      {500000, "500000"},
      {1e6, "1000000"},
      {39441290.493, "39441290.493"},
      {39.833333333333336, "39.833333333333336"},
      {0.1, "0.1"},
      {-2.5, "-2.5"},
      {0, "0"},
      {1e21, "1000000000000000000000"},
      {1.5e-7, "0.00000015"},
      {4429607.368, "4429607.368"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberText(c.v), c.text) << c.text;
  // Doubles over thirty orders of magnitude, with every bit pattern of the
  // fraction likely: no exponent, and each reads back exactly.
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const double fraction = static_cast<double>(state >> 11) / 9007199254740992.0;
    const double v = std::ldexp(1 + fraction, static_cast<int>(state % 100) - 34) * (i % 2 ? 1 : -1);
    const std::string text = NumberText(v);
    ASSERT_EQ(text.find_first_of("eE"), std::string::npos) << text;
    ASSERT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
  }
}

// Sheets whose numbers no file can carry, written in every text format: each
// is refused with the number quoted readably, and nothing reaches the output.
TEST(CliNumbers, NumbersNoFileCanCarryAreRefusedBeforeWriting) {
  struct Bad { const char* number; const char* message; } bads[] = {
      {"J50\nG001", "图幅号“J50\\nG001”含有换行符或 NUL 字符，不能写入文件"},
      {"J50\rG001", "图幅号“J50\\rG001”含有换行符或 NUL 字符，不能写入文件"},
      {"\xFF" "1+1", "图幅号“\xEF\xBF\xBD" "1+1”不是有效的 UTF-8 文本，不能写入文件"},
      {"\xE5\x9B", "图幅号“\xEF\xBF\xBD\xEF\xBF\xBD”不是有效的 UTF-8 文本，不能写入文件"},
      {"\xED\xA0\x80", "图幅号“\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD”不是有效的 UTF-8 文本，不能写入文件"},
  };
  for (const auto& bad : bads) {
    TStandardMapUnion good;
    good.MapUnionNo = "J50";
    TStandardMapUnion s = good;
    s.MapUnionNo = bad.number;
    const TStandardMapUnions standard = {{good, s}};
    const TCustomMapUnions custom = {{{"1+1", 0, 0, 1, 1}, {bad.number, 1, 0, 2, 1}}};
    for (Format f : {Format::Table, Format::Csv, Format::Json, Format::GeoJson}) {
      for (bool isCustom : {false, true}) {
        if (isCustom && f == Format::GeoJson) continue;
        StringSink sink;
        Output out(sink);
        try {
          if (isCustom) {
            WriteCustomSheets(f, out, custom, CsvEncoding::Utf8Bom);
          } else {
            WriteStandardSheets(f, out, standard, {"1:100万", 1000000, "new"}, CsvEncoding::Utf8Bom);
          }
          out.Flush();
          ADD_FAILURE() << "written: " << sink.text;
        } catch (const Error& e) {
          EXPECT_EQ(std::string(e.what()), bad.message);
        }
        EXPECT_EQ(sink.text, "");
      }
    }
  }
  // The same from the command line into the file formats: exit status 1,
  // the file and the reason, and an existing file kept as it was.
  const std::string dir = testing::TempDir() + "badnumbers_" + std::to_string(getpid());
  ASSERT_EQ(RunShell("mkdir -p " + dir + " && printf old > " + dir + "/g.xlsx && printf old > " + dir +
                     "/g.mif").status, 0);
  for (const char* format : {"mif", "xlsx", "csv"}) {
    const Result r = RunCli(std::string("grid --min-x 0 --min-y 0 --max-x 1000 --max-y 500 --step-x 500 "
                                        "--step-y 500 --format-string \"$(printf '[ROW]\\n[COL]')\" --format ") +
                            format + " --output " + dir + "/g." + format);
    EXPECT_EQ(r.status, 1) << format;
    EXPECT_NE(r.err.find("图幅号“0\\n0”含有换行符"), std::string::npos) << r.err;
  }
  const Result left = RunShell("cat " + dir + "/g.xlsx " + dir + "/g.mif; ls -A " + dir);
  EXPECT_EQ(left.out.substr(0, 80), "oldoldg.mif\ng.xlsx\n");
  RunShell("rm -r " + dir);
}

TEST(CliGeoJson, AsRfc7946AndGdalReadIt) {
  const std::string file = testing::TempDir() + "s_" + std::to_string(getpid()) + ".geojson";
  ASSERT_EQ(RunCli("sheets --from 116:20,39:50 --to 116:30,40:00 --scale 1:1万 --cm 117 --format geojson "
                   "--output " + file).status, 0);
  // Exterior rings counter-clockwise: a positive signed area for every ring,
  // closed on its first point.
  Result r = RunShell("/usr/bin/python3 -c \"import json\nd=json.load(open('" + file +
                      "'))\nfor f in d['features']:\n r=f['geometry']['coordinates'][0]\n"
                      " a=sum(r[i][0]*r[i+1][1]-r[i+1][0]*r[i][1] for i in range(len(r)-1))\n"
                      " print('ccw' if a>0 and r[0]==r[-1] else 'cw', end=' ')\"");
  EXPECT_EQ(r.out, "ccw ccw ccw ccw ccw ccw ccw ccw ccw ccw ccw ccw ") << r.err;
  // The scale is a number, the caption a text beside it (every scale's
  // caption reads back as text: CliReadBack).
  r = RunShell("ogrinfo -ro -al " + file + " | grep -m 2 -E '^  (scale|number) '");
  EXPECT_EQ(r.out, "  number (String) = J50G001038\n  scale (Integer) = 10000\n") << r.err;
  std::remove(file.c_str());
  // An independent grid's plane metres are no longitude and latitude.
  r = RunCliEn("grid --min-x 0 --min-y 0 --max-x 1000 --max-y 500 --step-x 500 --step-y 500 --format geojson");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "karvento-cli grid: GeoJSON holds longitude and latitude only (RFC 7946); an independent "
            "grid's plane coordinates go to table, csv, json, mif or xlsx\n");
}

// Where the output goes: standard output under its names, a file-size limit
// reported as a failure, a pipe refused for a workbook instead of waited on.
TEST(CliFiles, TargetsAndLimits) {
  const std::string dir = testing::TempDir() + "targets_" + std::to_string(getpid());
  ASSERT_EQ(RunShell("rm -rf " + dir + " && mkdir " + dir + " && mkfifo " + dir + "/pipe.xlsx").status, 0);
  const std::string csv = "sheets --from 116:20,39:50 --to 116:30,40:00 --format csv --quiet ";
  const Result plain = RunCli(csv);
  ASSERT_EQ(plain.status, 0);
  struct Case { const char* what; std::string line; int status; std::string out, err; } cases[] = {
      {"/dev/stdout into a pipe", kCli + " " + csv + "--output /dev/stdout | cat", 0, plain.out, ""},
      {"- into a pipe", kCli + " " + csv + "--output - | cat", 0, plain.out, ""},
      {"/dev/stdout appended to a file",
       "printf old > " + dir + "/a.csv && " + kCli + " " + csv + "--output /dev/stdout >> " + dir +
           "/a.csv && cat " + dir + "/a.csv",
       0, "old" + plain.out, ""},
      {"- for a workbook", kCli + " " + csv + "--format xlsx --output -", 2, "",
       "karvento-cli sheets: --format mif 和 xlsx 写的是文件：请给出 --output 文件\n"},
      {"a file-size limit on a file",
       "printf old > " + dir + "/b.csv && ulimit -f 1 && " + kCli + " " + csv + "--output " + dir + "/b.csv", 1,
       "", "karvento-cli sheets: 无法写入文件 “" + dir + "/b.csv”：文件过大\n"},
      {"a file-size limit on standard output",
       "ulimit -f 1 && " + kCli + " " + csv + "> " + dir + "/c.csv", 1, "",
       "karvento-cli sheets: 无法写入标准输出：文件过大\n"},
      {"a workbook into a named pipe",
       "timeout 20 " + kCli + " " + csv + "--format xlsx --output " + dir + "/pipe.xlsx", 1, "",
       "karvento-cli sheets: 无法写入文件 “" + dir +
           "/pipe.xlsx”：不是普通文件（设备、管道或终端），工作簿只能写入普通文件\n"},
  };
  for (const auto& c : cases) {
    const Result r = RunShell(c.line);
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
  }
  // The file that hit the limit kept its old text; no temporary file stays.
  EXPECT_EQ(RunShell("cat " + dir + "/b.csv; ls -A " + dir).out, "olda.csv\nb.csv\nc.csv\npipe.xlsx\n");
  RunShell("rm -r " + dir);
}

// A long workbook export ended by SIGTERM or SIGHUP leaves nothing behind:
// not its hidden file, not the library's staging files; an existing
// workbook stays. (A background command of a shell ignores SIGINT, so SIGINT
// is shown on the safe writer itself: SafeFile.FatalSignalsRemoveTheTemporaryFiles.)
TEST(CliFiles, EndedExportsLeaveNothingBehind) {
  const std::string dir = testing::TempDir() + "ended_" + std::to_string(getpid());
  for (const char* sig : {"TERM", "HUP"}) {
    // A million sheets take seconds to compress; the signal comes as soon as
    // the hidden file is there.
    const Result r = RunShell("rm -rf " + dir + " && mkdir " + dir + " && cd " + dir + " && printf old > big.xlsx && (" +
                              kCli + " grid --min-x 0 --min-y 0 --max-x 100000 --max-y 100000 --step-x 100 "
                              "--step-y 100 --format xlsx --output big.xlsx & p=$!; "
                              "for i in $(seq 200); do ls -A | grep -q '^[.]big' && break; sleep 0.05; done; "
                              "sleep 0.5; kill -" + sig + " $p; wait $p; echo $?; cat big.xlsx; ls -A)");
    EXPECT_EQ(r.out, std::string(sig) == "TERM" ? "143\noldbig.xlsx\n" : "129\noldbig.xlsx\n") << sig << r.err;
  }
  RunShell("rm -r " + dir);
}

// The workbook library stages its parts in temporary files and does not
// notice when writing them fails. With the system's temporary folder full the
// workbook is still whole (its parts are staged beside it); with the
// target's own file system full the export fails, names the file and the
// reason, and the good workbook already there stays as it was.
TEST(CliFiles, WorkbooksWithFullFileSystems) {
  if (RunShell("unshare -m sh -c 'mount -t tmpfs -o size=64k tmpfs /mnt'").status != 0) {
    GTEST_SKIP() << "no mount namespace here (needs root)";
  }
  // Outside /tmp, which the test mounts over: a build under /tmp would hide
  // the program itself.
  if (std::filesystem::current_path().string().rfind("/tmp/", 0) == 0) {
    GTEST_SKIP() << "the build is under /tmp, which this test mounts over";
  }
  const std::string dir = std::filesystem::current_path().string() + "/fullfs_" + std::to_string(getpid());
  ASSERT_EQ(RunShell("rm -rf " + dir + " && mkdir -p " + dir + "/small").status, 0);
  const std::string many = "sheets --from 116,39 --to 118,40 --scale 1:1万 --cm 117 --format xlsx ";  // 768 rows
  const std::string few = "sheets --from 116,39 --to 118,40 --scale 1:10万 --cm 117 --format xlsx ";  // 12 rows
  const std::string rows = "/usr/bin/python3 -c \"import openpyxl,sys; "
                           "print(openpyxl.load_workbook(sys.argv[1]).worksheets[0].max_row)\" ";
  Result r = RunShell("unshare -m sh -c 'mount -t tmpfs -o size=64k tmpfs /tmp && " + kCli + " " + many +
                      "--output " + dir + "/good.xlsx'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(RunShell(rows + dir + "/good.xlsx").out, "770\n");
  r = RunShell("unshare -m sh -c 'mount -t tmpfs -o size=192k tmpfs " + dir + "/small && " + kCli + " " + few +
               "--output " + dir + "/small/good.xlsx && cp " + dir + "/small/good.xlsx " + dir + "/copy.xlsx && " +
               kCli + " " + many + "--output " + dir + "/small/good.xlsx; s=$?; cmp " + dir + "/small/good.xlsx " +
               dir + "/copy.xlsx && ls -A " + dir + "/small; exit $s'");
  EXPECT_EQ(r.status, 1) << r.err;
  // (The library prints its own lines before ours.)
  EXPECT_NE(r.err.find("\nkarvento-cli sheets: 无法写入文件 “" + dir + "/small/good.xlsx”："), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find(std::strerror(ENOSPC)), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "good.xlsx\n");  // the same bytes as before, and nothing else
  EXPECT_EQ(RunShell(rows + dir + "/copy.xlsx").out, "14\n");
  RunShell("rm -r " + dir);
}

}  // namespace
}  // namespace karvento::cli
