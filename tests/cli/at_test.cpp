// SPDX-License-Identifier: Apache-2.0
// karvento-cli at: the sheet of a point at every scale and its 接合图表.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "run_cli.h"

namespace karvento::cli {
namespace {

// The first field of each CSV record after the header (the place or scale),
// and the next two (new and old number), joined.
std::vector<std::string> CsvRows(const std::string& csv) {
  std::vector<std::string> rows;
  std::size_t at = csv.find("\r\n");
  while (at != std::string::npos && at + 2 < csv.size()) {
    const std::size_t end = csv.find("\r\n", at + 2);
    const std::string line = csv.substr(at + 2, end - at - 2);
    std::size_t third = line.find(',', line.find(',', line.find(',') + 1) + 1);
    rows.push_back(line.substr(0, third));
    at = end;
  }
  return rows;
}

TEST(CliAt, EveryScaleInDecimalOrDmsAndFromThePlane) {
  const std::vector<std::string> want = {
      "1:100万,J50,J-50",          "1:50万,J50B001001,J-50-A",      "1:25万,J50C001002,J-50-[2]",
      "1:10万,J50D001005,J-50-5",   "1:5万,J50E001010,J-50-5-B",     "1:2.5万,J50F002020,J-50-5-B-4",
      "1:1万,J50G003040,J-50-5-(24)", "1:5000,J50H005079,J-50-5-(24)-A",
      // The old standard stops at 1:5000. Row from 40° N: 6′ / 25″ = 14.4,
      // column from 114° E: 2°28′ / 37.5″ = 236.8, so row 15, column 237.
      "1:2000,J50I015237,",          "1:1000,J50J00290474,",          "1:500,J50K00580948,"};
  for (const char* point : {"116:28:00,39:54:00", "116.4666666667,39.9", "116°28′,39°54′",
                            "116°28′E,39°54.0′N", "１１６°２８′,３９°５４′"}) {
    const Result r = RunCli(std::string("at ") + point + " --format csv");
    ASSERT_EQ(r.status, 0) << point << r.err;
    EXPECT_EQ(CsvRows(r.out), want) << point;
  }
  // The worked example's point projected on zone 39 and taken back.
  const Result fwd = RunCli("project --cm 117 116:28:00 39:54:00");
  ASSERT_EQ(fwd.status, 0) << fwd.err;
  const std::string x = fwd.out.substr(0, fwd.out.find(' '));
  const std::string y = fwd.out.substr(fwd.out.find(' ') + 1, fwd.out.find_first_of(" \n", fwd.out.find(' ') + 1) - fwd.out.find(' ') - 1);
  ASSERT_EQ(x.substr(0, 2), "39");  // the zone number before the easting
  for (const std::string& easting : {x, x.substr(2)}) {
    const Result r = RunCli("at --plane " + easting + "," + y + " --cm 117 --format csv");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(CsvRows(r.out), want) << easting;
  }
}

TEST(CliAt, NeighboursAcrossMillionSheetEdgesAndOutsideTheDomain) {
  struct Case {
    const char* args;
    int status;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"at 120,40 --scale 1:10万 --neighbours --format csv", 0,
       {"NW,K50D011012,K-50-132", "N,K51D011001,K-51-121", "NE,K51D011002,K-51-122",
        "W,K50D012012,K-50-144", "C,K51D012001,K-51-133", "E,K51D012002,K-51-134",
        "SW,J50D001012,J-50-12", "S,J51D001001,J-51-1", "SE,J51D001002,J-51-2"}},
      {"at 0,0 --scale 1:100万 --neighbours --format csv", 0,
       {"N,B31,B-31", "NE,B32,B-32", "C,A31,A-31", "E,A32,A-32"}},
      {"at -0.5,30", 1, {}},
      {"at 116E,39S", 2, {}},  // the southern hemisphere, refused with its reason
      {"at 39N,116E", 2, {}},  // the hemispheres tell the two apart
      {"at 100,90", 1, {}},
      {"at 100,30 --scale 1:1万", 2, {}},
      {"at --plane 500000,4400000", 1, {}},  // no central meridian
  };
  for (const Case& c : cases) {
    const Result r = RunCli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << r.err;
    if (c.status == 0) {
      EXPECT_EQ(CsvRows(r.out), c.rows) << c.args;
    } else {
      EXPECT_TRUE(r.out.empty()) << c.args;
    }
  }
}

TEST(CliAt, TheOtherFormatsCarryTheChosenStandard) {
  const Result json = RunCli("at 120,40 --scale 1:1万 --neighbours --format json");
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_NE(json.out.find("{\"place\":\"C\",\"new\":\"K51G096001\",\"old\":\"K-51-133-(57)\",\"west\":120,"
                          "\"south\":40,"),
            std::string::npos)
      << json.out;
  const Result geo = RunCli("at 120,40 --scale 1:1万 --neighbours --format geojson --standard old");
  ASSERT_EQ(geo.status, 0) << geo.err;
  std::size_t features = 0;
  for (std::size_t at = geo.out.find("\"Feature\""); at != std::string::npos;
       at = geo.out.find("\"Feature\"", at + 1))
    ++features;
  EXPECT_EQ(features, 9u);
  EXPECT_NE(geo.out.find("\"number\":\"K-51-133-(57)\""), std::string::npos);
  const Result table = RunCli("at 116:28,39:54");
  EXPECT_NE(table.out.find("1:1万     J50G003040   J-50-5-(24)       116:26:15"), std::string::npos)
      << table.out;
}

// The 接合图表 as an index map: nine frames with their numbers, the point's
// sheet outlined; at a scale of the new standard only, with --standard old
// refused; without --neighbours no map.
TEST(CliAt, NeighboursDrawnAsAnIndexMap) {
  const std::string svg = testing::TempDir() + "at_" + std::to_string(getpid()) + ".svg";
  struct Case {
    const char* args;
    std::vector<std::string> numbers;  // of the nine sheets, NW … SE
  } cases[] = {
      {"at 120,40 --scale 1:1万 --neighbours",
       {"K50G095096", "K51G095001", "K51G095002", "K50G096096", "K51G096001", "K51G096002",
        "J50G001096", "J51G001001", "J51G001002"}},
      {"at 120,40 --scale 1:10万 --neighbours --standard old",
       {"K-50-132", "K-51-121", "K-51-122", "K-50-144", "K-51-133", "K-51-134", "J-50-12", "J-51-1",
        "J-51-2"}},
      // 1:500 sheets are 9.375″ × 6.25″: the point's sheet is the southmost
      // row of K51 (4° / 6.25″ = 2304), its column the first east of 120°.
      {"at 120,40 --scale 1:500 --neighbours",
       {"K50K23032304", "K51K23030001", "K51K23030002", "K50K23042304", "K51K23040001",
        "K51K23040002", "J50K00012304", "J51K00010001", "J51K00010002"}},
  };
  for (const Case& c : cases) {
    const Result r = RunCli(std::string(c.args) + " --format svg --output " + svg);
    ASSERT_EQ(r.status, 0) << c.args << r.err;
    const Result read = RunShell("python3 " SVG_COUNT " " + svg);
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_NE(read.out.find("frames 9\n"), std::string::npos) << c.args << read.out;
    EXPECT_NE(read.out.find("current 1\n"), std::string::npos) << c.args << read.out;
    for (const std::string& n : c.numbers) {
      EXPECT_NE(read.out.find("text " + n + "\n"), std::string::npos) << c.args << " lacks " << n;
    }
  }
  std::remove(svg.c_str());
  for (const char* args : {"at 120,40 --scale 1:500 --neighbours --standard old --format png",
                           "at 120,40 --format svg"}) {
    const Result r = RunCli(std::string(args) + " --output " + svg);
    EXPECT_NE(r.status, 0) << args;
    EXPECT_FALSE(std::ifstream(svg).good()) << args << ": nothing written";
  }
  // PNG and PDF come from the same painter.
  for (const char* format : {"png", "pdf"}) {
    const std::string file = testing::TempDir() + "at_" + std::to_string(getpid()) + "." + format;
    const Result r = RunCli(std::string("at 120,40 --scale 1:2000 --neighbours --format ") + format +
                            " --output " + file);
    ASSERT_EQ(r.status, 0) << format << r.err;
    std::ifstream in(file, std::ios::binary);
    std::string head(4, '\0');
    in.read(head.data(), 4);
    EXPECT_EQ(head, std::string(format) == "png" ? "\x89PNG" : "%PDF") << format;
    std::remove(file.c_str());
  }
}

// at and project compute on the value typed: decimal degrees are not carried
// at 60 seconds as the corner fields carry them.
TEST(CliAt, DecimalDegreesAreTakenAsTyped) {
  struct Case { const char* point; int status; const char* sheet; } cases[] = {
      {"116.49999999,39.9", 0, "1:10万,J50D001005,"},   // west of 116°30′
      {"116.5,39.9", 0, "1:10万,J50D001006,"},          // on the line: the sheet east of it
      {"116:29:59.9999,39.9", 0, "1:10万,J50D001005,"},
      {"179.99999999,10", 0, "1:100万,C60,"},           // still west of 180°
      {"180,10", 1, nullptr},
  };
  for (const auto& c : cases) {
    const Result r = RunCli(std::string("at ") + c.point + " --format csv");
    EXPECT_EQ(r.status, c.status) << c.point << r.err;
    if (c.sheet) {
      EXPECT_NE(r.out.find(c.sheet), std::string::npos) << c.point << r.out;
    }
  }
  // Projected, 1e-8° is 0.85 mm of easting at 40° N, not nothing.
  const Result typed = RunCli("project --datum 2000 --cm 117 116.49999999 39.9");
  const Result line = RunCli("project --datum 2000 --cm 117 116.5 39.9");
  ASSERT_EQ(typed.status, 0) << typed.err;
  EXPECT_NE(typed.out, line.out);
}

// The edges of the projections' domains on the command line.
TEST(CliAt, TheProjectionsDomainOnTheCommandLine) {
  struct Case { const char* arguments; int status; const char* out; } cases[] = {
      // The North Pole on CGCS2000: the quarter meridian, north.
      {"project --datum 2000 --cm 117 117 90", 0, "39500000 10001965.729"},
      {"project --datum 2000 --cm 117 100 90", 0, "39500000 10001965.729"},
      // No point of the projection lies there.
      {"project --inverse --datum 2000 --cm 117 500000 1e8", 1, nullptr},
      {"project --inverse --datum 2000 --cm 117 500000 -2e7", 1, nullptr},
      // Krüger's series: 60° out is within 1 mm, 70° is not.
      {"project --datum 2000 --cm 117 57 10", 0, nullptr},
      {"project --datum 2000 --cm 117 47 10", 1, nullptr},
      {"project --datum 54 --cm 117 80 10", 1, nullptr},
  };
  for (const auto& c : cases) {
    const Result r = RunCli(c.arguments);
    EXPECT_EQ(r.status, c.status) << c.arguments << r.err;
    if (c.out) {
      EXPECT_EQ(r.out.substr(0, std::string(c.out).size()), c.out) << c.arguments;
    }
    if (c.status == 1) {
      EXPECT_NE(r.err.find("结果超出了投影的计算范围"), std::string::npos) << r.err;
    }
  }
  // 600 km west of the meridian and back: the easting below the zone prefix
  // keeps its zone.
  for (const char* datum : {"54", "2000"}) {
    const Result fwd = RunCli(std::string("project --datum ") + datum + " --cm 117 110 40");
    ASSERT_EQ(fwd.status, 0) << fwd.err;
    ASSERT_EQ(fwd.out.substr(0, 3), "389") << fwd.out;
    const std::string xy = fwd.out.substr(0, fwd.out.find('\n'));
    const Result back = RunCli(std::string("project --inverse --datum ") + datum + " --cm 117 " + xy);
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_EQ(back.out.substr(0, 26), "110:00:00.000 40:00:00.000") << back.out;
  }
}

}  // namespace
}  // namespace karvento::cli
