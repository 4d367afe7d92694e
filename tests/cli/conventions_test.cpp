// SPDX-License-Identifier: Apache-2.0
// karvento-cli as scripts and terminals use it, and its files as the
// programs that open them read them: GDAL's type guessing, Python's csv and
// a spreadsheet's cells, SVG viewers on other systems.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "cli/number_input.h"
#include "cli/progress.h"
#include "run_cli.h"

namespace karvento::cli {
namespace {

std::string Temp(const std::string& name) {
  return testing::TempDir() + "conv_" + std::to_string(getpid()) + "_" + name;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// GDAL reads "1:5万" in a GeoJSON as the time 01:05:00; every caption of the
// scale series must read back as the text written.
TEST(CliReadBack, EveryScaleCaptionIsTextInGdalsDefaultReading) {
  const char* captions[][2] = {{"1:100万", "1∶100万"}, {"1:50万", "1∶50万"},   {"1:25万", "1∶25万"},
                               {"1:10万", "1∶10万"},   {"1:5万", "1∶5万"},     {"1:2.5万", "1∶2.5万"},
                               {"1:1万", "1∶1万"},     {"1:5000", "1∶5000"},   {"1:2000", "1∶2000"},
                               {"1:1000", "1∶1000"},   {"1:500", "1∶500"}};
  const std::string file = Temp("caption.geojson");
  for (const auto& [scale, written] : captions) {
    ASSERT_EQ(RunCli(std::string("sheets --from 116:20,39:50 --to 116:20:01,39:50:01 --datum 2000 --scale ") +
                     scale + " --output " + file).status, 0) << scale;
    const Result r = RunShell("ogrinfo -ro -al -q " + file + " | grep -m 1 '  scale_caption '");
    EXPECT_EQ(r.out, std::string("  scale_caption (String) = ") + written + "\n") << scale << r.err;
  }
  std::remove(file.c_str());
}

// Grid numbers such as 1-2 are text for programs; a spreadsheet gets them as
// text cells, which Excel and WPS keep (="1-2"), and the tool reads both back.
TEST(CliReadBack, CsvForProgramsAndForSpreadsheets) {
  const std::string grid =
      "grid --min-x 0 --min-y 0 --max-x 1000 --max-y 1000 --step-x 500 --step-y 500 --format csv "
      "--start-row 1 --start-col 1 --format-string '[ROW]-[COL]' ";
  const std::string python =
      " | /usr/bin/python3 -c \"import csv,sys\nr=list(csv.reader(sys.stdin.read().lstrip('\\ufeff')."
      "splitlines()))\nprint(' '.join(x[0] for x in r[1:]))\"";
  struct Case {
    std::string line, numbers;
  } cases[] = {
      {kCli + " " + grid + python, "1-1 1-2 2-1 2-2"},
      {kCli + " " + grid + "--spreadsheet" + python, "=\"1-1\" =\"1-2\" =\"2-1\" =\"2-2\""},
      // A number holding a comma stays one field of one formula.
      {kCli + " " + grid + "--format-string '[ROW],[COL]' --spreadsheet" + python, "=\"1,1\" =\"1,2\" =\"2,1\" =\"2,2\""},
      {kCli + " sheets --from 116:20,39:50 --to 116:25,39:55 --standard old --format csv --spreadsheet --quiet"
              " | " + kCli + " check --column 图幅号 | cut -f 1,2",
       ""},
      {kCli + " at 116.4,39.9 --format csv --spreadsheet --quiet | " + kCli + " check --column 2 | cut -f 2 | uniq -c",
       ""},
  };
  // The old numbers read back from the spreadsheet's cells are the numbers
  // of the plain CSV.
  cases[3].numbers = RunCli("sheets --from 116:20,39:50 --to 116:25,39:55 --standard old --format csv --quiet"
                            " | tail -n +2 | cut -d , -f 1 | sed 's/$/\told/'").out;
  cases[4].numbers = "     11 new\n";
  for (const Case& c : cases) {
    const Result r = RunShell(c.line);
    EXPECT_EQ(r.out, c.numbers + (c.numbers.ends_with('\n') ? "" : "\n")) << c.line << r.err;
    EXPECT_EQ(r.status, 0) << c.line;
  }
  EXPECT_TRUE(Has(cases[3].numbers, ")\told\n")) << "the oracle holds old numbers: " << cases[3].numbers;
}

TEST(CliReadBack, SvgNamesFontsOfEverySystemAndTheToolkitKeepsQuiet) {
  // XDG_RUNTIME_DIR unset is what makes the toolkit warn.
  const Result r = RunShell("env -u XDG_RUNTIME_DIR " + kCli +
                            " sheets --from 116:20,39:50 --to 116:30,40:00 --format svg");
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  const std::string list =
      "font-family=\"'Microsoft YaHei', 'PingFang SC', 'Noto Sans CJK SC', 'WenQuanYi Micro Hei', sans-serif\"";
  std::size_t named = 0, all = 0;
  for (std::size_t at = 0; (at = r.out.find("font-family=", at)) != std::string::npos; ++at, ++all) {
    named += r.out.compare(at, list.size(), list) == 0;
  }
  EXPECT_GT(all, 12u);  // the title, the scale bar and 12 numbers at least
  EXPECT_EQ(named, all);
}

// A command loads GDAL and Qt only when it writes what needs them: the
// dynamic loader's own record of the files it opened.
TEST(CliModules, GdalAndQtAreLoadedOnlyWhenAskedFor) {
  const std::string corners = " sheets --from 116:20,39:50 --to 116:30,40:00 --datum 2000 ";
  const std::string gpkg = Temp("m.gpkg"), frame = Temp("frame");
  struct Case {
    std::string arguments;
    bool gdal, qt;
  } cases[] = {
      {"check J50G003040", false, false},
      {"convert J-50-5 --to-scale 1:5万", false, false},
      {"at 116.4,39.9", false, false},
      {"project --cm 117 116:30:00 39:30:00", false, false},
      {"dms 116.5", false, false},
      {corners + "--format csv", false, false},
      {"grid --min-x 0 --min-y 0 --max-x 500 --max-y 500 --step-x 500 --step-y 500", false, false},
      {corners + "--output " + gpkg, true, false},
      {corners + "--format svg", false, true},
      {"frame J50G003040 --format dxf --output " + frame + ".dxf", false, false},
      {"frame J50G003040 --format svg --output " + frame + ".svg", false, true},
  };
  for (const Case& c : cases) {
    const Result r = RunShell("LD_DEBUG=files " + kCli + " " + c.arguments +
                              " 2>&1 >/dev/null | grep -o 'lib\\(gdal\\|Qt6Gui\\)[.]so' | sort -u");
    const std::string expected = std::string(c.gdal ? "libgdal.so\n" : "") + (c.qt ? "libQt6Gui.so\n" : "");
    EXPECT_EQ(r.out, expected) << c.arguments;
  }
  for (const std::string& file : {gpkg, frame + ".dxf", frame + ".svg"}) std::remove(file.c_str());
}

TEST(CliNumberInput, CsvFieldsAsSpreadsheetsWriteThem) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"a,b,c", {"a", "b", "c"}},
      {"\"J-50-5\",,x", {"J-50-5", "", "x"}},
      {"\"a,b\",\"say \"\"hi\"\"\"", {"a,b", "say \"hi\""}},
      {"=\"1-2\",\"=\"\"1,2\"\"\"", {"=\"1-2\"", "=\"1,2\""}},
      {"", {""}},
  };
  for (const auto& [line, fields] : cases) EXPECT_EQ(CsvFields(line), fields) << line;
}

TEST(CliProgress, TheLineTellsDoneOfTotalRateAndTimeLeft) {
  const std::tuple<std::uint64_t, std::uint64_t, double, std::string> cases[] = {
      {0, 857088, 0, "0 / 857,088 幅"},
      {100000, 857088, 2, "100,000 / 857,088 幅  50,000 幅/秒  剩余 0:16"},
      {857088, 857088, 4, "857,088 / 857,088 幅  214,272 幅/秒"},
      {30000000, 0, 100, "30,000,000 幅  300,000 幅/秒"},  // an area: no total ahead
      {1000, 1000000, 1, "1,000 / 1,000,000 幅  1,000 幅/秒  剩余 16:39"},
  };
  for (const auto& [done, total, seconds, text] : cases) {
    EXPECT_EQ(ProgressLine::Text(done, total, seconds), text);
  }
}

// The conventions of a command-line tool, one case per behaviour.
TEST(CliConventions, AsScriptsAndTerminalsExpectThem) {
  const std::string dir = Temp("d");
  ASSERT_EQ(RunShell("rm -rf " + dir + " && mkdir " + dir).status, 0);
  const std::string corners = "sheets --from 116:20,39:50 --to 116:30,40:00 ";
  const std::string warning54 = "karvento-cli sheets: 注意：经纬度属于北京1954坐标系";
  struct Case {
    const char* what;
    std::string line;
    int status;
    std::string inOut, inErr;  // parts of standard output and error; "" for an empty stream
  } cases[] = {
      {"--version", kCli + " --version", 0, "karvento-cli 1.0\n", ""},
      {"version", kCli + " version", 0, "karvento-cli 1.0\n", ""},
      {"exit codes in --help", kCli + " --help", 0, "  2  用法错误：", ""},
      {"-h sheets", kCliEn + " sheets -h", 0, "usage: karvento-cli sheets", ""},
      {"-h grid", kCliEn + " grid -h", 0, "usage: karvento-cli grid", ""},
      {"-h convert", kCliEn + " convert -h", 0, "usage: karvento-cli convert", ""},
      {"-h check", kCliEn + " check -h", 0, "usage: karvento-cli check", ""},
      {"-h project", kCliEn + " project -h", 0, "usage: karvento-cli project", ""},
      {"-h dms", kCliEn + " dms -h", 0, "usage: karvento-cli dms", ""},
      {"-h at", kCliEn + " at -h", 0, "usage: karvento-cli at", ""},
      {"the name chooses GeoPackage",
       kCli + " " + corners + "--output " + dir + "/a.gpkg && ogrinfo -ro -q " + dir + "/a.gpkg", 0,
       "1: a (Polygon)", ""},
      {"the name chooses CSV", kCli + " " + corners + "--quiet --output " + dir + "/a.CSV && head -c 13 " + dir +
                                   "/a.CSV",
       0, "\xEF\xBB\xBF图幅号,", ""},
      {"a contradicting --format", kCli + " " + corners + "--format csv --output " + dir + "/b.gpkg", 2, "",
       "karvento-cli sheets: --format csv 与输出文件名“" + dir + "/b.gpkg”不符"},
      {"geojson named .json", kCli + " " + corners + "--quiet --format geojson --output " + dir +
                                  "/c.json && head -c 20 " + dir + "/c.json",
       0, "{\"type\":\"FeatureCol", ""},
      {"--spreadsheet is CSV", kCli + " " + corners + "--spreadsheet", 2, "", "--spreadsheet 是 CSV 的一种形式"},
      {"--input -", "printf 'J50D001005\\n' | " + kCli + " check --input -", 0, "J50D001005\tnew\t116\t", ""},
      {"a byte-order mark", "printf '\\357\\273\\277J50D001005\\r\\n' | " + kCli + " check", 0,
       "J50D001005\tnew\t", ""},
      {"--column by number", "printf 'a,b\\nx,J-50-5\\n' > " + dir + "/l.csv && " + kCli + " convert --input " +
                                 dir + "/l.csv --column 2 --to-scale 1:5万 --datum 2000 --format csv | wc -l",
       0, "5\n", ""},
      {"check writes no file", kCli + " check J50D001005 --output " + dir + "/k.csv", 2, "",
       "karvento-cli check: 未知的选项 --output\n"},
      {"--column not a heading", "printf 'a,b\\n' | " + kCli + " check --column 图幅号", 2, "",
       "karvento-cli check: --column：“图幅号”不是输入中的列名（a, b）\n"},
      {"progress forced", kCli + " " + corners + "--quiet --datum 2000 --progress --output " + dir + "/p.csv", 2,
       "", "--progress 和 --quiet 不能同时给出"},
      {"progress off the terminal", kCli + " " + corners + "--datum 2000 --output " + dir + "/p.csv", 0, "", ""},
      {"progress to a file", kCli + " " + corners + "--datum 2000 --progress --output " + dir + "/p.csv", 0, "",
       "12 / 12 幅"},
      {"datum notice on geojson", kCli + " " + corners + "--format geojson --datum 80 >/dev/null", 0, "",
       "karvento-cli sheets: 注意：经纬度属于西安1980坐标系，读取 GeoJSON 的程序"},
      {"datum notice on csv", kCli + " " + corners + "--format csv >/dev/null", 0, "", warning54},
      {"no notice on CGCS2000", kCli + " " + corners + "--format geojson --datum 2000 >/dev/null", 0, "", ""},
      {"no notice for table", kCli + " " + corners + " >/dev/null", 0, "", ""},
      {"at's scale column", kCli + " at 116.4,39.9 --datum 2000 --format csv", 0, "\xEF\xBB\xBF比例尺,新图幅号", ""},
      {"at's place column", kCli + " at 116.4,39.9 --neighbours --datum 2000 | head -1", 0, "place ", ""},
      {"the sample area: 52 sheets, none inside its hole",
       kCli + " sheets --aoi " KARVENTO_SOURCE_DIR "/docs/examples/area.geojson --aoi-where \"name = '示例区'\" "
              "--datum 2000 --format csv | tail -n +2 | cut -d , -f 1 | grep -vc J50G002039",
       0, "52\n", ""},
      {"grid json names eastings",
       kCli + " grid --min-x 0 --min-y 0 --max-x 500 --max-y 500 --step-x 500 --step-y 500 --format json", 0,
       "\"min_easting\":0,\"min_northing\":0,\"max_easting\":500,\"max_northing\":500", ""},
  };
  for (const Case& c : cases) {
    const Result r = RunShell(c.line);
    EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.err;
    if (c.inOut.empty()) {
      EXPECT_EQ(r.out, "") << c.what;
    } else {
      EXPECT_TRUE(Has(r.out, c.inOut)) << c.what << "\n" << r.out.substr(0, 400);
    }
    if (c.inErr.empty()) {
      EXPECT_EQ(r.err, "") << c.what;
    } else {
      EXPECT_TRUE(Has(r.err, c.inErr)) << c.what << "\n" << r.err;
    }
  }
  RunShell("rm -r " + dir);
}

}  // namespace
}  // namespace karvento::cli
