// SPDX-License-Identifier: Apache-2.0
// karvento-cli sheets --aoi: the sheets of the polygons of a file, the layer
// and attribute filter, the minimum cover, and the datum notice.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "run_cli.h"

namespace karvento::cli {
namespace {

// Two features: a 0.2° × 0.1° rectangle at 116° E, 39° N with a hole of half
// a 1:1万 sheet, and a triangle at 117° E, 40° N. At 1:1万 the rectangle
// meets 4 × 3 sheets (6 of them whole, one of those holed); the triangle 5.
std::string AreaFile(const char* epsg) {
  const std::string file = testing::TempDir() + "/aoi_" + epsg + "_" + std::to_string(getpid()) + ".geojson";
  std::ofstream(file) << R"({"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::)"
                      << epsg << R"("}},"features":[
{"type":"Feature","properties":{"name":"a"},"geometry":{"type":"Polygon","coordinates":[[[116,39],[116.2,39],[116.2,39.1],[116,39.1],[116,39]],[[116.0625,39.0416666666666667],[116.125,39.0416666666666667],[116.125,39.0625],[116.0625,39.0625],[116.0625,39.0416666666666667]]]}},
{"type":"Feature","properties":{"name":"b"},"geometry":{"type":"Polygon","coordinates":[[[117,40],[117.1,40],[117.05,40.1],[117,40]]]}}]})";
  return file;
}

std::size_t Lines(const std::string& text) {
  std::size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

TEST(CliAoi, SheetsOfAPolygonFile) {
  const std::string wgs = AreaFile("4326"), beijing = AreaFile("4214");
  struct Case {
    std::string args;
    int status;
    std::size_t sheets;
    const char* inOut;   // text the output holds
    const char* inErr;   // text standard error holds ("" for nothing at all)
  };
  const Case cases[] = {
      {"--aoi " + wgs, 0, 17, "J50G024033", "WGS 84 与图幅的坐标系 北京1954"},
      {"--aoi " + wgs + " --datum 80", 0, 17, "J50G024033", "WGS 84 与图幅的坐标系 西安1980"},
      {"--aoi " + beijing, 0, 17, "J50G024033", ""},
      {"--aoi " + beijing + " --datum 2000", 0, 17, "J50G024033",
       "北京1954 与图幅的坐标系 2000国家大地坐标系"},
      {"--aoi " + beijing + " --min-cover 1", 0, 5, "J50G024033", ""},
      {"--aoi " + beijing + " --aoi-where \"name = 'b'\" --cover", 0, 5,
       "K50G094049,117,40.083333333333336,117.0625,40.125", ""},
      {"--aoi " + beijing + " --aoi-layer nothing", 1, 0, "", "nothing"},
      {"--aoi " + beijing + " --aoi-where \"name = 'c'\"", 1, 0, "", "没有多边形"},
      {"--aoi " + beijing + " --from 116,39", 2, 0, "", "--aoi 代替 --from 和 --to"},
      {"--aoi " + beijing + " --cover --format mif --output x.mif", 2, 0, "", "--cover"},
  };
  for (const Case& c : cases) {
    const Result r = RunCli("sheets --scale 1:1万 --format csv --quiet " + c.args);
    EXPECT_EQ(r.status, c.status) << c.args << r.err;
    if (c.status == 0) {
      EXPECT_EQ(Lines(r.out), c.sheets + 1) << c.args << r.out;
    }
    EXPECT_NE(r.out.find(c.inOut), std::string::npos) << c.args << r.out;
    if (*c.inErr) {
      EXPECT_NE(r.err.find(c.inErr), std::string::npos) << c.args << r.err;
    } else {
      EXPECT_TRUE(r.err.empty()) << c.args << r.err;
    }
  }
  // GDAL's own reason is part of the one message, not printed beside it.
  const Result bad = RunCli("sheets --aoi " + beijing + " --aoi-where \"no_such_field = 1\"");
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("筛选条件无效"), std::string::npos) << bad.err;
  EXPECT_NE(bad.err.find("no_such_field"), std::string::npos) << bad.err;
  EXPECT_EQ(bad.err.find("ERROR 1"), std::string::npos) << bad.err;
  // The cover column: the triangle's sheet at its apex is covered 4/75.
  const Result r = RunCli("sheets --scale 1:1万 --format csv --cover --aoi-where \"name = 'b'\" --aoi " + beijing);
  EXPECT_NE(r.out.find(",覆盖比例\r\n"), std::string::npos);
  EXPECT_NE(r.out.find(",0.05333333333333"), std::string::npos) << r.out;
  std::remove(wgs.c_str());
  std::remove(beijing.c_str());
}

// Every format writes the selected sheets: the text formats, mif and the GIS
// formats as the walk streams them, xlsx and the maps from the whole table;
// the records are those of the request over the area's bounds.
TEST(CliAoi, EveryFormatWritesTheSelectedSheets) {
  const std::string file = AreaFile("4490");
  const std::string aoi = "sheets --scale 1:1万 --datum 2000 --cm 117 --offset-x 100 --aoi " + file;
  // The triangle's bounds hold 2 × 3 sheets; the north-east one it misses.
  const Result all = RunCli("sheets --scale 1:1万 --datum 2000 --cm 117 --offset-x 100 --format csv "
                            "--from 117,40 --to 117.1,40.1");
  const Result some = RunCli(aoi + " --aoi-where \"name = 'b'\" --format csv");
  ASSERT_EQ(all.status, 0) << all.err;
  ASSERT_EQ(some.status, 0) << some.err;
  ASSERT_EQ(Lines(all.out), 7u);
  ASSERT_EQ(Lines(some.out), 6u);
  std::size_t at = 0;
  for (std::size_t line = 0; line < 6; ++line) {
    const std::size_t end = some.out.find('\n', at) + 1;
    EXPECT_NE(all.out.find(some.out.substr(at, end - at)), std::string::npos) << some.out.substr(at, end - at);
    at = end;
  }
  EXPECT_EQ(some.out.find("K50G094050"), std::string::npos) << some.out;

  const std::string out = testing::TempDir() + "/aoi_out_" + std::to_string(getpid());
  struct Case {
    const char* format;
    std::string count;  // a shell line printing the number of records written
    int perSheet, more;  // records per sheet, and besides the sheets
  } cases[] = {
      {"mif", "grep -c '^Region' " + out + ".mif", 1, 0},
      {"shp", "ogrinfo -so -al " + out + ".shp | sed -n 's/^Feature Count: //p'", 1, 0},
      {"gpkg", "ogrinfo -so -al " + out + ".gpkg | sed -n 's/^Feature Count: //p'", 1, 0},
      {"dxf", "ogrinfo -so -al " + out + ".dxf | sed -n 's/^Feature Count: //p'", 2, 0},  // frame, number
      {"kml", "ogrinfo -so -al " + out + ".kml | sed -n 's/^Feature Count: //p'", 1, 0},
      {"svg", "python3 " SVG_COUNT " " + out + ".svg | sed -n 's/^frames //p'", 1, 0},
      {"xlsx", "unzip -p " + out + ".xlsx xl/worksheets/sheet1.xml | grep -o '<row ' | wc -l", 1, 2},
  };
  for (const Case& c : cases) {
    const std::string target = out + "." + c.format;
    const Result r = RunCli(aoi + " --format " + c.format + " --output " + target);
    ASSERT_EQ(r.status, 0) << c.format << r.err;
    const Result n = RunShell(c.count);
    EXPECT_EQ(std::atoi(n.out.c_str()), 17 * c.perSheet + c.more) << c.format << n.out << n.err;
    if (std::string(c.format) == "svg") {
      // The map draws the area over its sheets: a shell, its hole and the
      // second polygon.
      const Result rings = RunShell("python3 " SVG_COUNT " " + target + " | sed -n 's/^outline //p'");
      EXPECT_EQ(rings.out, "3\n") << rings.err;
    }
    RunShell("rm -f " + out + ".*");
  }
  std::remove(file.c_str());
}

// The tool's own frames fed back as an area: the 3 × 3 sheets of a 接合图表
// at 1:5000 between 32° and 36.4° N select exactly those nine, every one
// whole, and none that they only touch.
TEST(CliAoi, TheToolsOwnFramesSelectExactlyTheirSheets) {
  const std::string frames = testing::TempDir() + "/aoi_frames_" + std::to_string(getpid()) + ".geojson";
  for (const char* scale : {"1:5000", "1:2000", "1:1万"}) {
    const Result made = RunCli(std::string("at 116.391,33.37 --neighbours --datum 2000 --scale ") + scale +
                               " --format geojson --output " + frames);
    ASSERT_EQ(made.status, 0) << made.err;
    const Result r = RunCli(std::string("sheets --datum 2000 --format csv --cover --min-cover 1 --scale ") +
                            scale + " --aoi " + frames);
    ASSERT_EQ(r.status, 0) << scale << r.err;
    EXPECT_EQ(Lines(r.out), 10u) << scale << r.out;
    const Result all = RunCli(std::string("sheets --datum 2000 --format csv --cover --scale ") + scale +
                              " --aoi " + frames);
    EXPECT_EQ(all.out, r.out) << scale;
  }
  std::remove(frames.c_str());
}

// Areas the grid cannot number, and files that are not local files, are
// refused with the file and the reason, at once.
TEST(CliAoi, AreasOutsideTheDomainAndFilesNotLocalAreRefused) {
  const std::string dir = testing::TempDir() + "/aoi_refused_" + std::to_string(getpid());
  RunShell("mkdir -p " + dir + " && mkfifo " + dir + "/fifo.geojson");
  const auto area = [&](const char* name, const char* ring) {
    const std::string file = dir + "/" + name + ".geojson";
    std::ofstream(file) << R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},)"
                           R"("geometry":{"type":"Polygon","coordinates":[[)" << ring << "]]}}]}";
    return file;
  };
  struct Case { std::string file; const char* reason; } cases[] = {
      {area("equator", "[116,-1],[117,-1],[117,1],[116,1],[116,-1]"), "超出图幅编号的范围"},
      {area("antimeridian", "[170,40],[190,40],[190,41],[170,41],[170,40]"), "经度为 170° 至 190°"},
      {area("far", "[100,40],[200000,40],[200000,41],[100,41],[100,40]"), "超出图幅编号的范围"},
      {dir + "/fifo.geojson", "不是普通文件"},
      {dir + "/missing.geojson", "没有那个文件或目录"},
      {"http://127.0.0.1:9/x.geojson", "不读取网址"},
      {"/vsicurl/http://127.0.0.1:9/x.geojson", "/vsi"},
  };
  for (const auto& c : cases) {
    // A hang (a FIFO opened, a server never answering) fails on the timeout.
    const Result r = RunShell("timeout 60 " + kCli + " sheets --scale 1:500 --aoi '" + c.file + "' </dev/null");
    EXPECT_EQ(r.status, 1) << c.file << r.err;
    EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.file << r.err;
    EXPECT_NE(r.err.find(c.file), std::string::npos) << c.file << r.err;
    EXPECT_EQ(r.out, "") << c.file;
  }
  RunShell("rm -rf " + dir);
}

}  // namespace
}  // namespace karvento::cli
