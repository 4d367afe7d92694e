// SPDX-License-Identifier: Apache-2.0
// karvento-cli run as a user would: arguments in, text and exit status out.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <sstream>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/common.h"
#include "cli/commands.h"
#include "cli/output.h"
#include "gis/gis_export.h"
#include "numbering/unMapUnRgPub.h"
#include "geodesy/projection.h"
#include "run_cli.h"
// After run_cli.h: its karvento::testing would hide GoogleTest's ::testing there.
#include "read_back.h"

namespace karvento::cli {
namespace {

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

TEST(Cli, NineSheetsInColumnOrderBothStandards) {
  const std::string area = "sheets --from 113:30,37 --to 118,40:30 --scale 1:50万 --format csv --standard ";
  const auto numbers = [](const std::string& csv) {
    std::string out;
    for (std::size_t at = csv.find("\r\n"); at != std::string::npos && at + 2 < csv.size();
         at = csv.find("\r\n", at + 2)) {
      out += csv.substr(at + 2, csv.find(',', at + 2) - at - 2) + " ";
    }
    return out;
  };
  EXPECT_EQ(numbers(RunCli(area + "old").out),
            "K-49-D J-49-B J-49-D K-50-C J-50-A J-50-C K-50-D J-50-B J-50-D ");
  EXPECT_EQ(numbers(RunCli(area + "new").out),
            "K49B002002 J49B001002 J49B002002 K50B002001 J50B001001 J50B002001 K50B002002 "
            "J50B001002 J50B002002 ");
}

TEST(Cli, UsageAndDataErrors) {
  struct Case { const char* args; int status; const char* message; } cases[] = {
      {"", 2, "用法：karvento-cli 命令"},
      {"frobnicate", 2, "未知的命令“frobnicate”"},
      {"sheets --from 116,39", 2, "必须给出 --from 和 --to"},
      {"sheets --from 116,39 --to 117,40 --scale 1:3万", 2, "--scale：“1:3万”不是 1:100万"},
      {"sheets --from 116,39 --to 117,40 --datum 84", 2, "--datum 只能是 54、80 或 2000"},
      {"project --datum 2001 --cm 117 116 39", 2, "--datum 只能是 54、80 或 2000"},
      {"sheets --from abc,39 --to 117,40", 2, "--from：“abc”不是数字"},
      {"sheets --from 116,39 --to 117,40 --bogus", 2, "未知的选项 --bogus"},
      {"sheets --from 116,39 --to 114,40 --scale 1:10万", 1,
       "左下角的经度 116:00:00 大于右上角的经度 114:00:00：左下角（--from）应在右上角（--to）的西边"},
      {"sheets --from 114,41 --to 116,40 --scale 1:10万", 1,
       "左下角的纬度 41:00:00 大于右上角的纬度 40:00:00：左下角（--from）应在右上角（--to）的南边"},
      // A workbook is built in memory: past the sheet limit it is refused.
      // (Every other format streams: see StreamsPastTheSheetLimit.)
      {"sheets --from 0,0 --to 180,88 --scale 1:5000 --format xlsx --output /tmp/never.xlsx", 1,
       "5,000,000"},
      {"sheets --from 116,39 --to 117,40 --scale 1:2000 --standard old", 1,
       "旧图幅号标准没有 1:2000 比例尺"},
      {"sheets --from 116,39 --to 117,40 --scale 1:3万", 2, "1:5000 1:2000 1:1000 1:500"},
      {"sheets --from 116,39 --to 117,40 --number-form 5000", 2, "请给出 --scale 1:2000"},
      {"sheets --from 116,39 --to 117,40 --scale 2000 --number-form 5000 --standard old", 2,
       "请给出 --scale 1:2000"},
      {"convert J50H005079 --to-scale 500 --direction new-to-old", 1, "旧图幅号标准没有 1:500"},
  };
  for (const auto& c : cases) {
    const Result r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
  }
  const Result help = RunCli("sheets --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("示例："), std::string::npos);
}

TEST(Cli, EveryFormatReadsBackInARealReader) {
  const std::string dir = ::testing::TempDir();
  const std::string area = "sheets --from 116:20,39:50 --to 116:30,40:00 --scale 1:1万 --cm 117 ";
  // JSON through Python's parser: 12 sheets, shortest round-trip numbers.
  Result r = RunCli(area + "--format json --output " + dir + "s.json");
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunShell("/usr/bin/python3 -c \"import json; d=json.load(open('" + dir +
               "s.json')); print(len(d), d[0]['number'], round(d[0]['plane'][0][0], 3), d[-1]['south'])\"");
  EXPECT_EQ(r.out, "12 J50G001038 39441290.493 39.833333333333336\n") << r.err;
  // GeoJSON through GDAL.
  ASSERT_EQ(RunCli(area + "--format geojson --output " + dir + "s.geojson").status, 0);
  r = RunShell("ogrinfo -ro -al -so " + dir + "s.geojson");
  EXPECT_NE(r.out.find("Feature Count: 12"), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("Polygon"), std::string::npos) << r.out;
  // CSV through Python's csv module: the workbook's header, numbers as text
  // that parses back.
  ASSERT_EQ(RunCli(area + "--format csv --output " + dir + "s.csv").status, 0);
  r = RunShell("/usr/bin/python3 -c \"import csv; rows=list(csv.reader(open('" + dir +
               "s.csv', encoding='utf-8-sig'))); print(len(rows), rows[0][0], rows[0][12], rows[1][0], float(rows[1][1]))\"");
  EXPECT_EQ(r.out, "13 图幅号 Y4 J50G001038 116.3125\n") << r.err;
  // CSV in GBK on request.
  r = RunShell(kCli + " " + area + "--format csv --encoding gbk | head -1 | iconv -f gbk -t utf-8");
  EXPECT_EQ(r.out, "图幅号,最小经度,最小纬度,最大经度,最大纬度,X1,Y1,X2,Y2,X3,Y3,X4,Y4\r\n");
  // MIF through GDAL, in plane and in geographic coordinates, and a grid.
  ASSERT_EQ(RunCli(area + "--format mif --output " + dir + "s.mif").status, 0);
  r = RunShell("ogrinfo -ro -al " + dir + "s.mif");
  EXPECT_NE(r.out.find("Feature Count: 12"), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("图幅号 (String) = J50G001038"), std::string::npos) << r.out;
  ASSERT_EQ(RunCli(area + "--format mif --coords geo --output " + dir + "g.mif").status, 0);
  r = RunShell("ogrinfo -ro -al " + dir + "g.mif");
  EXPECT_NE(r.out.find("POLYGON ((116.3125 40.0,116.375 40.0,116.375 39.9583333333333,"), std::string::npos)
      << r.out;
  ASSERT_EQ(RunCli("grid --min-x 0 --min-y 0 --max-x 1000 --max-y 500 --step-x 500 --step-y 500 "
                   "--format mif --output " + dir + "c.mif").status, 0);
  r = RunShell("ogrinfo -ro -al " + dir + "c.mif");
  EXPECT_NE(r.out.find("POLYGON ((0 500,500 500,500 0,0 0,0 500))"), std::string::npos) << r.out;
  // The workbook through openpyxl.
  ASSERT_EQ(RunCli(area + "--format xlsx --output " + dir + "s.xlsx").status, 0);
  r = RunShell("/usr/bin/python3 -c \"import openpyxl; ws=openpyxl.load_workbook('" + dir +
               "s.xlsx').worksheets[0]; print(ws['A1'].value, ws.max_row, ws['A3'].value, ws['B3'].value)\"");
  EXPECT_EQ(r.out, "图幅表（北京54坐标系） 14 J50G001038 116.3125\n") << r.err;
  // Formats that write files need one.
  r = RunCli(area + "--format xlsx");
  EXPECT_EQ(r.status, 2);
}

TEST(Cli, GisFormatsReadBackWithTheirSystem) {
  const std::string dir = ::testing::TempDir() + "gis_" + std::to_string(getpid()) + "_";
  const std::string area = "sheets --from 116:20,39:50 --to 116:30,40:00 --scale 1:1万 ";
  const struct {
    std::string args;
    std::string file;  // what ogrinfo reads
    int status;
    std::vector<std::string> expected;  // in ogrinfo's output, or in the error
  } cases[] = {
      {area + "--cm 117 --format shp --output " + dir + "a", dir + "a.shp", 0,
       {"Feature Count: 12", "ID[\"EPSG\",2415]]", "图幅号 (String) = J50G001038",
        "比例尺 (Integer) = 10000"}},
      {area + "--datum 80 --format shp --encoding gbk --coords geo --output " + dir + "b.shp",
       dir + "b.shp", 0, {"Feature Count: 12", "ID[\"EPSG\",4610]]", "图幅号 (String) = J50G001038"}},
      {area + "--datum 80 --format gpkg --output " + dir + "c.gpkg", dir + "c.gpkg", 0,
       {"Feature Count: 12", "Xian 1980 / 3-degree Gauss-Kruger CM 117E", "ID[\"EPSG\",2384]]"}},
      {area + "--cm 117 --offset-x 39000000 --offset-y 4000000 --format gpkg --output " + dir +
           "d.gpkg",
       dir + "d.gpkg", 0, {"zone 39, omitted X 39000000 Y 4000000", "False northing\",-4000000"}},
      {area + "--coords geo --format dxf --output " + dir + "e.dxf", dir + "e.dxf", 0,
       {"Feature Count: 24", "Layer (String) = 图号", "Text (String) = J50G001038"}},
      {"grid --min-x 0 --min-y 0 --max-x 1000 --max-y 500 --step-x 500 --step-y 500 --format shp "
       "--output " + dir + "f.shp",
       dir + "f.shp", 0, {"Feature Count: 2", "Layer SRS WKT:\n(unknown)"}},
      {"convert J-50-5 --to-scale 1:5万 --cm 117 --format gpkg --output " + dir + "g.gpkg",
       dir + "g.gpkg", 0, {"Feature Count: 4", "ID[\"EPSG\",2415]]", "标准 (String) = new"}},
      {area + "--format kml --output " + dir + "h.kml", "", 1, {"没有官方的坐标转换"}},
      {area + "--format kml --coords plane --output " + dir + "h.kml", "", 2, {"--coords geo"}},
      {"sheets --from 118,39.8 --to 119,40 --format shp --output " + dir + "i.shp", "", 1,
       {"跨越了多个投影带", "--cm"}},
      {area + "--format gpkg", "", 2, {"请给出 --output 文件"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const Result r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    const std::string out = c.file.empty() ? r.err : RunShell("ogrinfo -ro -al " + c.file).out;
    for (const std::string& e : c.expected) EXPECT_NE(out.find(e), std::string::npos) << e << "\n" << out;
  }
  // GeoJSON readers take longitudes and latitudes for WGS 84: each feature
  // says which datum they are on.
  const Result geojson = RunCli(area + "--datum 80 --format geojson");
  EXPECT_NE(geojson.out.find("\"standard\":\"new\",\"datum\":\"Xian 1980\""), std::string::npos);
  EXPECT_NE(RunCliEn("sheets --help").out.find("property \"datum\""), std::string::npos);
  // The code page file names the encoding that was asked for.
  EXPECT_EQ(RunShell("cat " + dir + "a.cpg " + dir + "b.cpg").out, "UTF-8GBK");
  EXPECT_EQ(RunShell("ls " + dir + "f.*").out, dir + "f.cpg\n" + dir + "f.dbf\n" + dir + "f.shp\n" + dir + "f.shx\n");
}

TEST(Cli, StreamsEndCleanlyWhenTheReaderStops) {
  // 36,864 sheets into a reader that takes two lines.
  const Result r = RunCli("sheets --from 114,36 --to 120,40 --scale 1:5000 --format csv --quiet | head -2");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);
}

TEST(Cli, TheLargeScales) {
  // The worked example's point at the three scales, and the forms of a
  // 1:2000 number.
  struct Case { const char* scale; const char* number; } cases[] = {
      {"1:2000", "J50I015237"}, {"1000", "J50J00290474"}, {"1:500", "J50K00580948"}};
  for (const auto& c : cases) {
    const Result r = RunCli(std::string("sheets --from 116:28:00,39:54:00 --to 116:28:00,39:54:00 --format csv ") +
                            "--scale " + c.scale);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(r.out.find("\r\n") + 2, std::strlen(c.number) + 1), c.number + std::string(","));
  }
  Result r = RunCli("sheets --from 116:28:00,39:54:00 --to 116:28:00,39:54:00 --scale 1:2000 "
                    "--number-form 5000 --format json");
  EXPECT_NE(r.out.find("\"number\":\"J50H005079-9\""), std::string::npos) << r.out;
  // Old → new conversion to 1:2000: the nine sheets in column order.
  r = RunCli("convert 'J-50-5-(24)-A' --to-scale 1:2000 --number-form 5000 --format csv");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> numbers;
  for (std::size_t at = r.out.find("\r\n"); at + 2 < r.out.size(); at = r.out.find("\r\n", at + 2)) {
    const std::size_t comma = r.out.find(',', at + 2);
    numbers.push_back(r.out.substr(comma + 1, r.out.find(',', comma + 1) - comma - 1));
  }
  EXPECT_EQ(numbers, (std::vector<std::string>{"J50H005079-1", "J50H005079-4", "J50H005079-7",
                                                "J50H005079-2", "J50H005079-5", "J50H005079-8",
                                                "J50H005079-3", "J50H005079-6", "J50H005079-9"}));
  // check reports both forms with the sheet's extent.
  r = RunCli("check J50H005079-9 J50I015237 J50K00010001");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "J50H005079-9\tnew\t116.45833333333334\t39.895833333333336\t116.46875\t39.90277777777778\n"
            "J50I015237\tnew\t116.45833333333334\t39.895833333333336\t116.46875\t39.90277777777778\n"
            "J50K00010001\tnew\t114\t39.99826388888889\t114.00260416666667\t40\n");
}

// Output into a string, for the writers run in this process.
class StringSink : public Sink {
 public:
  void Write(std::string_view data) override { text.append(data); }
  std::string text;
};

std::string FileText(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(Cli, AStreamWritesTheBytesOfTheWholeTable) {
  // Old standard at 1:1万 across a 1:100万 line, new at 1:500, both with
  // offsets; a zero-row request; every streaming format.
  struct Case { TMapUnionRange area; ScaleIndex scale; bool newStandard; } cases[] = {
      {{{113, 50, 0}, {39, 50, 0}, {114, 10, 0}, {40, 5, 0}}, 6, false},
      {{{116, 27, 0}, {39, 54, 0}, {116, 28, 0}, {39, 55, 0}}, 10, true},
      {{{116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {39, 40, 0}}, 3, true},
  };
  const std::string dir = ::testing::TempDir() + "stream_" + std::to_string(getpid()) + "_";
  for (const auto& c : cases)
  for (Datum datum : {Datum::Beijing54, Datum::Xian80, Datum::Cgcs2000}) {
    TStandardMapUnions table;
    CreateMapUnionsOfStandard(c.area, c.scale, c.newStandard, true, datum, 117, table);
    const ColumnEdits edits{39000000, 100, false};
    for (auto& column : table) edits.Apply(column);
    const SheetWalk walk(c.area, c.scale, c.newStandard, true, datum, 117, false);
    const SheetMeta meta{std::string(kScaleCaptions[c.scale]), kScaleDenominators[c.scale],
                         c.newStandard ? "new" : "old"};
    for (Format f : {Format::Table, Format::Csv, Format::Json, Format::GeoJson}) {
      StringSink whole;
      {
        Output out(whole);
        WriteStandardSheets(f, out, table, meta, CsvEncoding::Utf8Bom);
        out.Flush();
      }
      OutputOptions o;
      o.format = f;
      o.file = dir + "s.txt";
      StreamStandardSheets(o, walk, edits, meta, {datum, true, 117});
      EXPECT_EQ(FileText(o.file), whole.text)
          << kScaleCaptions[c.scale] << " format " << int(f) << " datum " << int(datum);
    }
    for (bool geo : {false, true}) {
      Message reason;
      const bool wrote = geo ? WriteGeoMif(dir + "w.mif", table, &reason)
                             : WritePlaneMif(dir + "w.mif", table, true, 117, &reason);
      OutputOptions o;
      o.format = Format::Mif;
      o.geoMif = geo;
      o.file = dir + "s.mif";
      if (!wrote) {
        // Nothing to frame: the stream refuses as the writer does.
        try {
          StreamStandardSheets(o, walk, edits, meta, {datum, true, 117});
          ADD_FAILURE() << "no refusal";
        } catch (const Error& e) {
          EXPECT_EQ(reason, e.what());
        }
        continue;
      }
      StreamStandardSheets(o, walk, edits, meta, {datum, true, 117});
      EXPECT_EQ(FileText(dir + "s.mif"), FileText(dir + "w.mif")) << kScaleCaptions[c.scale] << geo;
      EXPECT_EQ(FileText(dir + "s.mid"), FileText(dir + "w.mid")) << kScaleCaptions[c.scale] << geo;
      if (!table.empty() && !table[0].empty()) {
        EXPECT_GT(FileText(dir + "s.mid").size(), 0u);
      }
    }
  }
}

TEST(Cli, StreamsPastTheSheetLimitInBoundedMemory) {
  // J50 at 1:500: 2304 × 2304 = 5,308,416 sheets, past the limit of
  // 5,000,000 that an in-memory result keeps (about 1 GiB of records). The
  // stream holds one column: its peak resident size stays under 64 MiB.
  const std::string rss = ::testing::TempDir() + "rss_" + std::to_string(getpid()) + ".txt";
  const Result r = RunShell("/usr/bin/time -f %M -o " + rss + " " + kCli +
                            " sheets --from 114,36 --to 120,40 --scale 1:500 --format csv | "
                            "sed -n '2p;$p;$='");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 13), "J50K00010001,") << r.out;
  EXPECT_NE(r.out.find("\nJ50K23042304,"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\n5308417\n"), std::string::npos) << r.out;  // the header and every sheet
  const long kib = std::stol(FileText(rss));
  std::printf("5,308,416 sheets streamed with a peak resident size of %ld KiB\n", kib);
#if !defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer's quarantine and shadow memory hold hundreds of MiB of
  // their own: the bound is the optimised program's.
  EXPECT_LT(kib, 64 * 1024);
#endif
  std::remove(rss.c_str());
}

TEST(Cli, AGisStreamWritesTheFeaturesOfTheWholeTable) {
  // Old standard at 1:10万 whose numbers stop short of the longest
  // (J-50-17, not J-50-144) and at 1:1万 across a 1:100万 line; new at 1:500
  // and at 1:2000 in the 1:5000-based form; a zone of its own or each corner
  // in its own zone; no rows; two zones without a central meridian; the
  // sheets of a triangle (five at 1:1万), all or those it half covers.
  const GeoMultiPolygon triangle = {{{{{117, 40}, {117.1, 40}, {117.05, 40.1}}}}};
  struct Case {
    TMapUnionRange range;
    ScaleIndex scale;
    bool newStandard, form5000;
    Datum datum;
    double cm;
    bool geo;
    const GeoMultiPolygon* area = nullptr;  // the sheets of an area in place of the range
    double minCover = 0;
  } cases[] = {
      {{{116, 0, 0}, {39, 20, 0}, {117, 0, 0}, {40, 0, 0}}, 3, false, false, Datum::Beijing54, 117, false},
      {{{113, 50, 0}, {39, 50, 0}, {114, 10, 0}, {40, 5, 0}}, 6, false, false, Datum::Xian80, 114, false},
      {{{116, 27, 0}, {39, 54, 0}, {116, 28, 0}, {39, 55, 0}}, 10, true, false, Datum::Cgcs2000, 0, true},
      {{{116, 27, 0}, {39, 54, 0}, {116, 29, 0}, {39, 55, 0}}, 8, true, true, Datum::Cgcs2000, 0, false},
      {{{116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {39, 40, 0}}, 3, true, false, Datum::Beijing54, 117, false},
      {{{118, 0, 0}, {39, 50, 0}, {119, 0, 0}, {40, 0, 0}}, 4, true, false, Datum::Beijing54, 0, false},
      {{}, 6, false, false, Datum::Cgcs2000, 117, false, &triangle},
      {{}, 6, true, false, Datum::Cgcs2000, 0, true, &triangle, 0.5},
  };
  const std::pair<Format, GisFormat> formats[] = {{Format::Shp, GisFormat::Shapefile},
                                                   {Format::Gpkg, GisFormat::GeoPackage},
                                                   {Format::Dxf, GisFormat::Dxf},
                                                   {Format::Kml, GisFormat::Kml}};
  const std::string dir = ::testing::TempDir() + "gisstream_" + std::to_string(getpid()) + "_";
  for (const auto& c : cases) {
    const ColumnEdits edits{500, 100, c.form5000};
    TStandardMapUnions table;
    if (c.area) {
      CreateMapUnionsInArea(*c.area, c.scale, c.newStandard, true, c.datum, c.cm, c.minCover, table);
    } else {
      CreateMapUnionsOfStandard(c.range, c.scale, c.newStandard, true, c.datum, c.cm, table);
    }
    for (auto& column : table) edits.Apply(column);
    const SheetWalk walk =
        c.area ? SheetWalk(*c.area, c.minCover, c.scale, c.newStandard, true, c.datum, c.cm, false)
               : SheetWalk(c.range, c.scale, c.newStandard, true, c.datum, c.cm, false);
    const SheetMeta meta{std::string(kScaleCaptions[c.scale]), kScaleDenominators[c.scale],
                         c.newStandard ? "new" : "old"};
    for (const auto& [format, gisFormat] : formats) {
      const std::string ext = GisExtension(gisFormat);
      SCOPED_TRACE(std::string(kScaleCaptions[c.scale]) + " " + ext);
      GisOptions options;
      options.format = gisFormat;
      options.geographic = c.geo || gisFormat == GisFormat::Kml;
      options.gdalDxf = true;  // the drawing GDAL's driver writes, against which ours is compared
      Message reason;
      const bool wrote = WriteGisSheets(dir + "w." + ext, table,
                                        {c.datum, true, c.cm, edits.offsetX, edits.offsetY},
                                        options, &reason);
      OutputOptions o;
      o.format = format;
      o.geoMif = options.geographic;
      o.file = dir + "s." + ext;
      std::remove(o.file.c_str());
      if (!wrote) {
        // Refused, or refused alike.
        try {
          StreamStandardSheets(o, walk, edits, meta, {c.datum, true, c.cm});
          ADD_FAILURE() << "no refusal: " << reason;
        } catch (const Error& e) {
          EXPECT_EQ(e.what(), reason);
        }
        EXPECT_FALSE(std::ifstream(o.file).good());
        continue;
      }
      StreamStandardSheets(o, walk, edits, meta, {c.datum, true, c.cm});
      const karvento::testing::ReadLayer whole = karvento::testing::ReadBack(dir + "w." + ext);
      const karvento::testing::ReadLayer streamed = karvento::testing::ReadBack(o.file);
      ASSERT_TRUE(streamed.opened);
      EXPECT_EQ(streamed.fieldNames, whole.fieldNames);
      EXPECT_EQ(streamed.fieldWidths, whole.fieldWidths);
      EXPECT_EQ(streamed.wkt, whole.wkt);
      EXPECT_EQ(streamed.epsg, whole.epsg);
      ASSERT_EQ(streamed.features.size(), whole.features.size());
      EXPECT_GT(whole.features.size(), 0u);
      for (std::size_t k = 0; k < whole.features.size(); ++k) {
        EXPECT_EQ(streamed.features[k].fields, whole.features[k].fields) << k;
        EXPECT_EQ(streamed.features[k].points, whole.features[k].points) << k;
        EXPECT_EQ(streamed.features[k].style, whole.features[k].style) << k;
      }
      if (gisFormat == GisFormat::Shapefile) {
        for (const char* part : {".shp", ".shx", ".dbf", ".prj", ".cpg"}) {
          EXPECT_EQ(FileText(dir + "s" + part), FileText(dir + "w" + part)) << part;
        }
      }
      if (gisFormat == GisFormat::Dxf) {
        // GDAL's bytes after the comment naming the system.
        const std::string drawing = FileText(o.file);
        ASSERT_EQ(drawing.rfind("999\n", 0), 0u);
        EXPECT_EQ(drawing.substr(drawing.find('\n', 4) + 1), FileText(dir + "w.dxf"));
      }
    }
  }
}

TEST(Cli, GisFilesStreamPastTheSheetLimitAndStopOnlyWhereTheFileCannotGrow) {
  const std::string dir = ::testing::TempDir() + "gisbig_" + std::to_string(getpid()) + "/";
  ASSERT_EQ(RunShell("rm -rf " + dir + " && mkdir " + dir).status, 0);
  // 123,420,672 frames at 1:1000: more than a .shp of 4 GB holds, refused
  // before anything is written.
  Result r = RunCli("sheets --from 73,18 --to 135,54 --scale 1:1000 --coords geo --format shp "
                    "--output " + dir + "a.shp");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("容纳不下 123,420,672 幅图的图廓"), std::string::npos) << r.err;
  // J50 at 1:500, 5,308,416 sheets (past the window's limit), is written
  // until the shell's file size limit of 2 MiB stops it: the failure names
  // the file and the reason, and leaves nothing behind.
  for (const std::string ext : {"shp", "gpkg"}) {
    r = RunShell("ulimit -f 2048; trap '' XFSZ; " + kCli +
                 " sheets --from 114,36 --to 120,40 --scale 1:500 --coords geo --format " + ext +
                 " --output " + dir + "b." + ext);
    EXPECT_EQ(r.status, 1) << ext;
    EXPECT_NE(r.err.find("无法写入文件 “" + dir + "b." + ext + "”："), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("图幅数量过多"), std::string::npos) << r.err;
  }
  EXPECT_EQ(RunShell("ls -A " + dir).out, "");
  RunShell("rm -rf " + dir);
}

TEST(Cli, ConvertWritesEachSourceAsTheWholeResultWouldBe) {
  // Both standards, a line that is no number, an empty line, a number whose
  // field does not convert, CR LF.
  const std::string list = ::testing::TempDir() + "convert_" + std::to_string(getpid()) + ".txt";
  {
    std::ofstream out(list, std::ios::binary);
    out << "J-50-5\r\nnonsense\nJ50D001005\n\nJ-50-5.5\nJ-50-5-(24)\nJ50\n";
  }
  // The targets collected whole and written by the table writer, as the
  // command wrote them before it wrote each source as it came.
  std::vector<std::string> sources;
  TStandardMapUnions targets;
  for (const std::string& n : ReadNumberLines(list)) {
    try {
      const std::uint8_t kind = CheckMapUnionNo(n);
      if (kind == 0) continue;
      targets.push_back(ConvertMapUnionNo(n, kind == 1, 3, true, 117, Datum::Xian80));
      sources.push_back(n);
    } catch (const Error&) {
    }
  }
  ASSERT_EQ(sources.size(), 4u);
  SubtractPlaneOffsets(targets, 39000000, 10);
  const SheetMeta meta{"1:10万", 100000, "", &sources, "Xian 1980"};
  const std::pair<Format, const char*> formats[] = {
      {Format::Table, "table"}, {Format::Csv, "csv"}, {Format::Json, "json"}, {Format::GeoJson, "geojson"}};
  for (const auto& [format, name] : formats) {
    StringSink whole;
    {
      Output out(whole);
      WriteStandardSheets(format, out, targets, meta, CsvEncoding::Utf8Bom);
      out.Flush();
    }
    for (const std::string& input : {"--input " + list, "< " + list}) {
      const Result r = RunShell(kCli + " convert --to-scale 1:10万 --datum 80 --cm 117 "
                                "--offset-x 39000000 --offset-y 10 --quiet --format " + name + " " + input);
      EXPECT_EQ(r.out, whole.text) << name << " " << input;
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, "karvento-cli convert: nonsense不是标准图幅号！\nkarvento-cli convert: 不是标准图幅号！\nkarvento-cli convert: J-50-5.5不是标准图幅号：其中的“5.5”应是整数（百万图幅行号字母后的列号、比例尺代码后的行号和列号、旧图幅号各级的序号都是整数）\n");
    }
  }
  std::remove(list.c_str());
}

TEST(Cli, ConvertStreamsAnyNumberOfSourcesInBoundedMemory) {
  // 200,000 sources on standard input, four targets each: some 200 MiB as a
  // whole result, written as they come in what the program itself takes.
  const std::string rss = ::testing::TempDir() + "convert_rss_" + std::to_string(getpid()) + ".txt";
  const Result r = RunShell("yes J-50-5 | head -n 200000 | /usr/bin/time -f %M -o " + rss + " " +
                            kCli + " convert --to-scale 1:5万 --format csv | sed -n '2p;$='");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, 18), "J-50-5,J50E001009,") << r.out;
  EXPECT_NE(r.out.find("\n800001\n"), std::string::npos) << r.out;
  const long kib = std::stol(FileText(rss));
  std::printf("200,000 sources converted with a peak resident size of %ld KiB\n", kib);
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(kib, 64 * 1024);
#endif
  std::remove(rss.c_str());
}

TEST(Cli, CheckReadsArgumentsOrStandardInput) {
  Result r = RunCli("check J-50-5 J50D001005");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "J-50-5\told\t116\t39.666666666666664\t116.5\t40\nJ50D001005\tnew\t116\t39.666666666666664\t116.5\t40\n");
  r = RunCli("check < /dev/null");
  EXPECT_EQ(r.status, 0);
  r = RunShell("printf 'J-50\\r\\nbad line\\nJ50\\n' | " + kCli + " check");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "karvento-cli check: bad line不是标准图幅号！\n");
  EXPECT_EQ(r.out, "J-50\told\t114\t36\t120\t40\nJ50\tnew\t114\t36\t120\t40\n");
  // A number whose integer field does not convert is reported with the
  // system's message; the others are still checked.
  r = RunCli("check J-50-5.5 J-50");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "karvento-cli check: J-50-5.5不是标准图幅号：其中的“5.5”应是整数（百万图幅行号字母后的列号、比例尺代码后的行号和列号、旧图幅号各级的序号都是整数）\n");
  EXPECT_EQ(r.out, "J-50\told\t114\t36\t120\t40\n");
  // A number with a field out of range is refused, naming the field; a
  // conversion the wrong way round is refused, not dropped.
  r = RunCli("check J-50-145 j50g000040 J-50");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "karvento-cli check: J-50-145：1:10万 的序号应为 1–144\n"
                   "karvento-cli check: j50g000040：1:1万 的行号应为 001–096\n");
  EXPECT_EQ(r.out, "J-50\told\t114\t36\t120\t40\n");
  r = RunCli("convert X-99 J50D001005 --direction old-to-new --format csv --quiet");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "karvento-cli convert: X-99：1:100万 的行号应为 A–W\n"
                   "karvento-cli convert: J50D001005是新图幅号，不是旧图幅号：旧图幅号转新图幅号只转换旧图幅号\n");
  EXPECT_EQ(r.out.find("X-99,"), std::string::npos) << r.out;
  // --column past a line's width is a usage error naming the column.
  r = RunShell("printf 'a,b\\nJ-50-5,J-50-6\\nJ-50-7\\n' | " + kCli + " check --column 2");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "karvento-cli check: --column：没有第 2 列：第 3 行只有 1 列\n");
  r = RunShell("printf 'a,b\\nJ-50-5\\n' | " + kCli + " check --column 3");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "karvento-cli check: --column：没有第 3 列：第 1 行只有 2 列\n");
  // Numbers typed in small letters are the sheets of their capitals, never a
  // row far north of the pole.
  r = RunCli("check j-50-5 j50d001005");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "J-50-5\told\t116\t39.666666666666664\t116.5\t40\nJ50D001005\tnew\t116\t39.666666666666664\t116.5\t40\n");
  // The source column keeps the number as it was given, for joining on it.
  r = RunCli("convert j-50-5 --to-scale 1:5万 --format csv");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("j-50-5,J50E001009,"), std::string::npos) << r.out;
}

TEST(Cli, ConvertNamesTheSourceOfEveryTarget) {
  // J-50-5 at 1:5万 in the new standard: its four sheets, west column first.
  Result r = RunCli("convert J-50-5 --to-scale 1:5万 --format csv");
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines;
  for (std::size_t from = 0, to; (to = r.out.find("\r\n", from)) != std::string::npos; from = to + 2)
    lines.push_back(r.out.substr(from, r.out.find(',', r.out.find(',', from) + 1) - from));
  EXPECT_EQ(lines, (std::vector<std::string>{"\xEF\xBB\xBF原图幅号,图幅号", "J-50-5,J50E001009",
                                              "J-50-5,J50E002009", "J-50-5,J50E001010",
                                              "J-50-5,J50E002010"}));
  // Both directions in one run, each number from its own standard; two
  // sources in one target sheet list it twice.
  r = RunCli("convert 'J-50-5-(24)' J50G003040 'J-50-5-(23)' --to-scale 1:10万 --format json");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("{\"source\":\"J-50-5-(24)\",\"number\":\"J50D001005\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("{\"source\":\"J50G003040\",\"number\":\"J-50-5\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("{\"source\":\"J-50-5-(23)\",\"number\":\"J50D001005\""), std::string::npos) << r.out;
  // From a number list on standard input, with a bad line.
  r = RunShell("printf 'J-50-5\\nnonsense here\\n' | " + kCli + " convert --to-scale 1:10万");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "karvento-cli convert: nonsense here不是标准图幅号！\n");
  EXPECT_NE(r.out.find("J-50-5          J50D001005"), std::string::npos) << r.out;
}

TEST(Cli, SheetsFromASavedParameterFileWithItsOffsets) {
  const std::string file = ::testing::TempDir() + "params_" + std::to_string(getpid()) + ".txt";
  FILE* f = fopen(file.c_str(), "wb");
  // Seconds of 75 are brought to the field's 60, as the window's Open does.
  fputs("116 0 0.00\r\n39 40 0.00\r\n116 29 75\r\n39 59 0.00\r\n3\r\n117.00\r\n39000000\r\n100\r\n", f);
  fclose(f);
  const Result fromFile = RunCli("sheets --params " + file + " --scale 1:10万 --format json");
  ASSERT_EQ(fromFile.status, 0) << fromFile.err;
  const Result typed = RunCli("sheets --from 116,39:40 --to 116:29:60,39:59 --scale 1:10万 --cm 117 "
                              "--offset-x 39000000 --offset-y 100 --format json");
  EXPECT_EQ(fromFile.out, typed.out);
  EXPECT_NE(typed.out.find("\"number\":\"J50D001005\""), std::string::npos) << typed.out;
  // The zone number is gone with the X offset: eastings near 414 km.
  EXPECT_NE(typed.out.find("\"plane\":[[414603.95"), std::string::npos) << typed.out;
  const Result missing = RunCli("sheets --params /nonexistent/p.txt");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("/nonexistent/p.txt"), std::string::npos) << missing.err;
  std::remove(file.c_str());
}

TEST(Cli, CoordinateTools) {
  Result r = RunCli("project --cm 117 116:30:00 39:30:00");
  EXPECT_EQ(r.out.substr(0, 13), "39456992.4651") << r.out;
  // The meridian arc at 40° comes back as 40° (the footpoint series alone
  // gave 39:59:59.960).
  r = RunCli("project --inverse --cm 117 500000 4429607.368");
  EXPECT_EQ(r.out.substr(0, 27), "117:00:00.000 40:00:00.000 ") << r.out;
  r = RunCli("project --inverse 500000 4429607.368");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--inverse 需要 --cm"), std::string::npos) << r.err;
  r = RunCli("dms 116.5 30.9999999 -0.5");
  EXPECT_EQ(r.out, "116:30:00.000\n31:00:00.000\n-0:30:00.000\n");
}

// The edges of a request, end to end: any central meridian round trips and
// keeps its zone number, a corner on a zone boundary stays in its sheet's
// zone, a plane MIF across zones is refused as every plane file is, and the
// command line reads what a user types.
TEST(Cli, ExactAtTheEdges) {
  // Every whole and half-degree meridian the issue found broken comes back.
  for (const char* cm : {"116", "118.5", "117:30", "119.5"}) {
    const Result f = RunCli(std::string("project --zone 3 --cm ") + cm + " 116.4 39.9");
    ASSERT_EQ(f.status, 0) << cm << f.err;
    std::istringstream xy(f.out);
    std::string x, y;
    xy >> x >> y;
    const Result i = RunCli(std::string("project --inverse --zone 3 --cm ") + cm + " " + x + " " + y);
    EXPECT_EQ(i.out.substr(0, 26), "116:24:00.000 39:54:00.000") << cm << " " << f.out << i.err;
  }
  // A point at 118.25° E lies in J50 (114°–120°), not in J52.
  Result r = RunCli("at --plane 40478522.33,4387922.2 --datum 2000 --zone 3 --cm 118.5");
  EXPECT_NE(r.out.find("J50"), std::string::npos) << r.out << r.err;
  EXPECT_EQ(r.out.find("J52"), std::string::npos) << r.out;
  // I-49-144-D (113°45′–114°): its 114° corners on its own zone, not 540 km off.
  r = RunCli("sheets --from 113:50:00,31:50:00 --to 114:20:00,32:10:00 --scale 1:5万 --standard old "
             "--datum 54 --zone 6 --format csv");
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream lines(r.out);
  std::string line;
  int checked = 0;
  while (std::getline(lines, line)) {
    if (line.rfind("I-49-144-D,", 0) != 0) continue;
    std::vector<double> v;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, ',');) v.push_back(std::atof(cell.c_str()));
    EXPECT_NEAR(v[7] - v[5], 23600, 300) << line;  // X2 − X1 of one 1:5万 frame
    ++checked;
  }
  EXPECT_EQ(checked, 1) << r.out;
  struct Case { std::string args; int status; const char* message; } cases[] = {
      {"sheets --from 113,31 --to 115,32 --scale 1:10万 --zone 6 --format mif --output /tmp/karvento-never.mif", 1,
       "跨越了多个投影带"},
      {"sheets --from 116,39 --to 116.2,39.2 --cm 116:21 --format GeoJSON --output -", 0, "\"type\""},
      {"sheets --from 116,39 --to 116.2,39.2 --cm 117:75", 2, "--cm：“117:75”超出 0 至 180 的范围"},
      {"sheets --from 116,39 --to 116.2,39.2 -q --output /tmp/karvento-never.dat", 2, "扩展名 .dat 不是已知的格式"},
      {"sheets --params /etc/passwd", 1, "不是参数文件"},
      {"grid --min-x 10 --min-y 0 --max-x 0 --max-y 10 --step-x 1 --step-y 1", 1, "最大X小于最小X"},
  };
  for (const Case& c : cases) {
    r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_NE((c.status == 0 ? r.out : r.err).find(c.message), std::string::npos) << c.args << "\n" << r.err;
  }
  EXPECT_EQ(RunCli("sheets --from 116,39 --to 116.2,39.2 -q --output /tmp/karvento-never.mif").status, 0);
}

// A negative angle shows its sign even when its degrees are 0, so that every
// printed angle reads back to the value it stands for.
TEST(Cli, NegativeAnglesKeepTheirSignWhateverTheirDegrees) {
  struct Case { const char* degrees; const char* dms; } cases[] = {
      {"-0.5", "-0:30:00.000"},     {"0.5", "0:30:00.000"},      {"-0.0001", "-0:00:00.360"},
      {"-116.5", "-116:30:00.000"}, {"-0.25", "-0:15:00.000"},   {"-1", "-1:00:00.000"},
      {"-0.0166666666666667", "-0:01:00.000"},
  };
  for (const auto& c : cases) {
    const Result r = RunCli(std::string("dms ") + c.degrees);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string(c.dms) + "\n") << c.degrees;
    EXPECT_NEAR(DmsToDeg(ParseAngle(c.dms, "x")), std::stod(c.degrees), 1e-9) << c.dms;
  }
  // The inverse south of the equator: within a degree of it, the latitude
  // has 0 degrees and still reads back negative.
  for (const char* northing : {"-50000", "-1000", "-100"}) {
    const Result r = RunCli(std::string("project --inverse --cm 117 500000 ") + northing);
    ASSERT_EQ(r.status, 0) << r.err;
    char lon[64], lat[64];
    double lonDeg = 0, latDeg = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "%63s %63s %lf %lf", lon, lat, &lonDeg, &latDeg), 4) << r.out;
    EXPECT_EQ(std::string(lat).substr(0, 3), "-0:") << r.out;
    EXPECT_LT(latDeg, 0) << r.out;
    EXPECT_NEAR(DmsToDeg(ParseAngle(lat, "x")), latDeg, 1e-6) << r.out;
  }
}

TEST(Cli, OptionsBeyondTheWindowsLimitsAreUsageErrors) {
  const std::string area = "sheets --from 116,39 --to 116.5,39.5 --scale 1:10万 ";
  struct Case { std::string arguments; int status; const char* message; } cases[] = {
      // The central meridian: 0 to 180, on conversion 0 to 360.
      {area + "--cm 1e308", 2, "--cm：“1e308”超出 0 至 180 的范围"},
      {area + "--cm -117", 2, "--cm：“-117”超出 0 至 180 的范围"},
      {area + "--cm 1000", 2, "--cm：“1000”超出 0 至 180 的范围"},
      {area + "--cm 180.5", 2, "超出 0 至 180 的范围"},
      {area + "--cm 180", 0, nullptr},
      {"project --cm 1e308 116 39", 2, "超出 0 至 180 的范围"},
      {"project --inverse --cm -117 500000 4000000", 2, "超出 0 至 180 的范围"},
      {"convert J-50-5 --to-scale 1:5万 --cm 1000", 2, "--cm：“1000”超出 0 至 360 的范围"},
      {"convert J-50-5 --to-scale 1:5万 --cm 360.5", 2, "超出 0 至 360 的范围"},
      {"convert J-50-5 --to-scale 1:5万 --cm 300", 0, nullptr},
      // The corners: longitude degrees 0 to 180, latitude 0 to 90, minutes 0
      // to 59, seconds 0 to 60.
      {"sheets --from 200,40 --to 201,41", 2, "--from：“200”超出 0 至 180 度"},
      {"sheets --from 116,-1 --to 117,41", 2, "--from：“-1”超出 0 至 90 度"},
      {"sheets --from 116,39 --to 117,91", 2, "--to：“91”超出 0 至 90 度"},
      {"sheets --from 116:60:00,39 --to 117,40", 2, "0 至 59 分"},
      {"sheets --from 116:0:61,39 --to 117,40", 2, "0 至 60 秒"},
      {"sheets --from -0:30,39 --to 117,40 --scale 1:100万", 2, "超出 0 至 180 度"},
      {"sheets --from 116:29:60,39 --to 117,40 --scale 1:100万", 0, nullptr},
      {"project 116 91", 2, "纬度：“91”超出 0 至 90 度"},
      {"project 181 40", 2, "经度：“181”超出 0 至 180 度"},
      // Each field within its limits, the whole angle beyond them.
      {"project 116 90:59:60", 2, "纬度：“90:59:60”超出 0 至 90 度"},
      {"project 180:59:60 40", 2, "经度：“180:59:60”超出 0 至 180 度"},
      {"sheets --from 116,39 --to 180:00:01,40", 2, "--to：“180:00:01”超出 0 至 180 度"},
  };
  for (const auto& c : cases) {
    const Result r = RunCli(c.arguments);
    EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
    if (c.message) {
      EXPECT_NE(r.err.find(c.message), std::string::npos) << c.arguments << "\n" << r.err;
      EXPECT_EQ(r.out, "") << c.arguments;
    }
  }
}

// No number that is not finite, nor an angle beyond the poles, is printed
// as a result: such a result is an error.
TEST(Cli, ResultsThatAreNoCoordinateAreErrors) {
  const char* message = "结果超出了投影的计算范围";
  struct Case { const char* arguments; int status; } cases[] = {
      {"project --inverse --cm 117 500000 1e300", 1},
      {"project --inverse --cm 117 1e300 4000000", 1},
      {"project --inverse --cm 117 1e20 4000000", 1},
      {"project --inverse --datum 80 --cm 117 -1e308 -1e308", 1},
      {"project --inverse --cm 117 1500000 4429607.368", 0},
      {"project --cm 180 0 90", 0},
      // 177° from the central meridian: beyond the projection's domain.
      {"project --zone 6 --cm 3 180 0", 1},
  };
  for (const auto& c : cases) {
    const Result r = RunCli(c.arguments);
    EXPECT_EQ(r.status, c.status) << c.arguments << "\n" << r.err;
    for (const char* bad : {"nan", "inf", "e+"}) {
      EXPECT_EQ(r.out.find(bad), std::string::npos) << c.arguments << "\n" << r.out;
    }
    if (c.status != 0) {
      EXPECT_NE(r.err.find(message), std::string::npos) << c.arguments << "\n" << r.err;
      EXPECT_EQ(r.out, "") << c.arguments;
    }
  }
}

// A number list's control characters reach the terminal escaped, in the
// refusals of check and of convert alike.
TEST(Cli, ControlCharactersOfAListAreShownEscaped) {
  const std::string list = ::testing::TempDir() + "cli_controls.txt";
  std::ofstream(list) << "J-50-5\n\x1b]0;owned\x07X\nA\\B\x7f\n";
  for (const char* command : {"check --input ", "convert --to-scale 1:5万 --input "}) {
    const Result r = RunCli(std::string(command) + list);
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_NE(r.err.find("\\x1B]0;owned\\x07X不是标准图幅号！"), std::string::npos) << command << r.err;
    EXPECT_NE(r.err.find("A\\\\B\\x7F不是标准图幅号！"), std::string::npos) << command << r.err;
    for (const char raw : {'\x1b', '\x07', '\x7f'}) {
      EXPECT_EQ(r.err.find(raw), std::string::npos) << command << r.err;
    }
  }
  std::remove(list.c_str());
}

TEST(Cli, GridStepsThatDoNotAdvanceAreRefused) {
  const std::string grid = "grid --min-x 0 --min-y 0 --max-x 1000 --max-y 500 ";
  for (const char* steps : {"--step-x -500 --step-y 500", "--step-x 500 --step-y -500",
                            "--step-x -500 --step-y -500 --by coords", "--step-x -1e-300 --step-y 500",
                            "--step-x 0 --step-y 500", "--step-x 500 --step-y -1 --format csv",
                            }) {
    const Result r = RunCli(grid + steps);
    EXPECT_EQ(r.status, 1) << steps;
    EXPECT_EQ(r.err, "karvento-cli grid: 偏移值太小了！\n") << steps;
    EXPECT_EQ(r.out, "") << steps;
  }
  EXPECT_EQ(RunCli(grid + "--step-x 500 --step-y 500").status, 0);
  // An extent inverted in Y, which alone would give no rows and no message,
  // is refused as the window refuses it, whatever the steps.
  const Result inverted = RunCli(grid + "--step-x 500 --step-y -500 --min-y 600");
  EXPECT_EQ(inverted.status, 1);
  EXPECT_EQ(inverted.err, "karvento-cli grid: 最大Y小于最小Y，请检查坐标范围！\n");
}

TEST(Cli, OutputThatCannotBeWrittenIsAFailure) {
  for (const char* arguments :
       {"dms 1", "dms --help", "project --cm 117 116:30:00 39:30:00",
        "project --inverse --cm 117 500000 4429607.368", "project --help", "--help", "help",
        "grid --help", "check J50"}) {
    const Result r = RunCli(std::string(arguments) + " >/dev/full");
    EXPECT_EQ(r.status, 1) << arguments;
    EXPECT_NE(r.err.find("无法写入标准输出：设备上没有空间"), std::string::npos) << arguments << "\n" << r.err;
  }
  // A reader that goes away early is no failure.
  EXPECT_EQ(RunCli("dms 1 2 3 | head -c0").status, 0);
}

TEST(Cli, EveryCommandOnEachDatum) {
  // project prints the shortest text that reads back as the same double, so
  // the forward of each datum must be its library routine to the last bit,
  // and the inverse must bring the point back.
  struct Case { const char* datum; Datum d; double tolerance; } cases[] = {
      {"54", Datum::Beijing54, 2e-5}, {"80", Datum::Xian80, 1e-8}, {"2000", Datum::Cgcs2000, 1e-11}};
  const TLonLatDMS p{{116, 30, 0}, {39, 30, 0}};
  for (const auto& c : cases) {
    for (bool zone3 : {true, false}) {
      const std::string zone = zone3 ? " --zone 3" : " --zone 6";
      Result r = RunCli(std::string("project --datum ") + c.datum + zone + " --cm 117 116:30:00 39:30:00");
      ASSERT_EQ(r.status, 0) << r.err;
      double x = 0, y = 0;
      ASSERT_EQ(std::sscanf(r.out.c_str(), "%lf %lf", &x, &y), 2) << r.out;
      EXPECT_EQ((TPlanePoint{x, y}), GeoToPlane(c.d, p, zone3, 117)) << c.datum;
      r = RunCli(std::string("project --inverse --datum ") + c.datum + zone + " --cm 117 " +
                 r.out.substr(0, r.out.find('\n')));
      ASSERT_EQ(r.status, 0) << r.err;
      double lon = 0, lat = 0;
      ASSERT_EQ(std::sscanf(r.out.c_str(), "%*s %*s %lf %lf", &lon, &lat), 2) << r.out;
      EXPECT_NEAR(lon, 116.5, c.tolerance) << c.datum;
      EXPECT_NEAR(lat, 39.5, c.tolerance) << c.datum;
    }
  }
  // sheets and convert: the same numbers on every datum, the corners of the
  // chosen one (CGCS2000 lies a few metres from Xi'an 1980 there).
  const auto csv = [](const std::string& args) {
    const Result r = RunCli(args + " --format csv");
    EXPECT_EQ(r.status, 0) << args << r.err;
    return r.out.substr(r.out.find("\r\n") + 2);
  };
  for (const char* command : {"sheets --from 116:28:00,39:54:00 --to 116:28:00,39:54:00 --scale 1:10万",
                              "convert --to-scale 1:10万 J-50-5"}) {
    const std::string base = std::string(command) + " --cm 117";
    const std::string a = csv(base + " --datum 80"), b = csv(base + " --datum 2000");
    // The numbers (and a converted number's source) up to the first corner.
    const std::size_t numbers = a.find(",116,");
    ASSERT_NE(numbers, std::string::npos) << a;
    EXPECT_NE(a.substr(0, numbers).find("J50D001005"), std::string::npos) << command;
    EXPECT_EQ(a.substr(0, numbers), b.substr(0, numbers)) << command;
    EXPECT_NE(a, b) << command;
  }
  const std::string corners = csv("sheets --from 116:28:00,39:54:00 --to 116:28:00,39:54:00 "
                                  "--scale 1:10万 --cm 117 --datum 2000");
  const TPlanePoint nw = GeoToPlane2000({{116, 0, 0}, {40, 0, 0}}, true, 117);
  char expected[64];
  *std::to_chars(expected, expected + sizeof expected - 1, nw.X).ptr = '\0';
  EXPECT_NE(corners.find(expected), std::string::npos) << corners << expected;
}

TEST(Cli, AngleForms) {
  struct Case { const char* text; TAngleDMS a; } cases[] = {
      {"116:28:00", {116, 28, 0}}, {"116:28", {116, 28, 0}}, {"116.5", {116, 30, 0}},
      {"116°28′07.5″", {116, 28, 7.5}}, {"-0:30:00", {-0.0, -30, -0}}, {"39d54m", {39, 54, 0}},
      {"116 28 07.5", {116, 28, 7.5}}, {"116°28'07.5\"", {116, 28, 7.5}}};
  for (const auto& c : cases) EXPECT_EQ(ParseAngle(c.text, "x"), c.a) << c.text;
  for (const char* bad : {"", "1:2:3:4", "x", "1::2", "nan", "inf", "116'", "116 20°"}) {
    EXPECT_THROW(ParseAngle(bad, "x"), UsageError) << bad;
  }
}

}  // namespace
}  // namespace karvento::cli
