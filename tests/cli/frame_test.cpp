// SPDX-License-Identifier: Apache-2.0
// karvento-cli frame as a user gets it: the DXF read back through GDAL and
// measured as geometry, a PDF page measured by poppler at a known resolution,
// one file per sheet of an extent.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

// run_cli.h names ::testing from inside karvento, before read_back.h brings
// karvento::testing.
#include "run_cli.h"
// (second group)
#include "map/frame_paint.h"
#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"
#include "read_back.h"

namespace karvento {
namespace {

using cli::Result;
using cli::RunCli;
using cli::RunShell;

std::string Temp(const std::string& name) {
  return ::testing::TempDir() + "frame_" + std::to_string(getpid()) + "_" + name;
}

std::size_t FieldIndex(const testing::ReadLayer& r, const std::string& name) {
  const auto it = std::find(r.fieldNames.begin(), r.fieldNames.end(), name);
  EXPECT_NE(it, r.fieldNames.end()) << name;
  return static_cast<std::size_t>(it - r.fieldNames.begin());
}

TEST(FrameCli, TheDxfReadBackIsTheSheetsGeometry) {
  const std::string file = Temp("J50G003040.dxf");
  const Result run = RunCli("frame J50G003040 --datum 2000 --cm 117 --name 北京 --output " + file);
  ASSERT_EQ(run.status, 0) << run.err;
  std::ifstream in(file);
  std::stringstream raw;
  raw << in.rdbuf();
  EXPECT_NE(raw.str().find("$INSUNITS\n70\n6\n"), std::string::npos);
  EXPECT_NE(raw.str().find("$MEASUREMENT\n70\n1\n"), std::string::npos);

  const testing::ReadLayer dxf = testing::ReadBack(file);
  ASSERT_TRUE(dxf.opened);
  EXPECT_EQ(dxf.driver, "DXF");
  const std::size_t layerField = FieldIndex(dxf, "Layer"), textField = FieldIndex(dxf, "Text");
  std::set<std::string> layers;
  for (const auto& f : dxf.features) layers.insert(f.fields[layerField]);
  EXPECT_EQ(layers, (std::set<std::string>{"内图廓", "外图廓", "分度带", "公里网", "注记", "接图表"}));

  // The sheet on CGCS2000, zone 39, its corners and minutes projected here.
  const TMapUnionRange r = ParseNewMapUnionNo("J50G003040");
  const auto project = [&](double lon, double lat) {
    return GeoToPlane(Datum::Cgcs2000, {SecToDms(lon), SecToDms(lat)}, true, 117);
  };
  const double w = DmsToSec(r.West), e = DmsToSec(r.East), s = DmsToSec(r.South), n = DmsToSec(r.North);
  const double paper = 10;  // ground metres per paper millimetre at 1:1万
  std::vector<TPlanePoint> ticks, minutes;
  for (double t = (std::floor(w / 60) + 1) * 60; t < e; t += 60) minutes.push_back(project(t, n)), minutes.push_back(project(t, s));
  for (double t = (std::floor(s / 60) + 1) * 60; t < n; t += 60) minutes.push_back(project(w, t)), minutes.push_back(project(e, t));
  int innerRings = 0, kmLines = 0;
  std::vector<std::string> table;
  for (const auto& f : dxf.features) {
    const std::string& layer = f.fields[layerField];
    if (layer == "内图廓") {
      ++innerRings;
      for (const TPlanePoint& c : {project(w, n), project(e, n), project(e, s), project(w, s)}) {
        double nearest = INFINITY;
        for (const auto& [x, y] : f.points) nearest = std::min(nearest, std::hypot(x - c.X, y - c.Y));
        EXPECT_LE(nearest, 0.001);  // 1 mm of ground
      }
    } else if (layer == "公里网" && f.geometryType == "LINESTRING") {
      ASSERT_EQ(f.points.size(), 2u);
      ++kmLines;
      const bool vertical = f.points[0].first == f.points[1].first;
      const double v = vertical ? f.points[0].first : f.points[0].second;
      EXPECT_EQ(std::fmod(v, 1000), 0.0) << v;
    } else if (layer == "分度带" && f.geometryType == "LINESTRING" && f.points.size() == 2) {
      ticks.push_back({f.points[0].first, f.points[0].second});
    } else if (layer == "接图表" && !f.fields[textField].empty()) {
      table.push_back(f.fields[textField]);
    }
  }
  EXPECT_EQ(innerRings, 1);
  EXPECT_GE(kmLines, 9);  // 5 × 4.6 km
  ASSERT_EQ(ticks.size(), minutes.size());
  for (const TPlanePoint& m : minutes) {
    double nearest = INFINITY;
    for (const TPlanePoint& t : ticks) nearest = std::min(nearest, std::hypot(m.X - t.X, m.Y - t.Y));
    EXPECT_LE(nearest, 0.01 * paper);  // 0.01 mm of paper
  }
  std::vector<std::string> truth;
  const auto around = SheetNeighbours({"J50G003040", r, {}}, 6, true, true, Datum::Cgcs2000, 117);
  for (int k = 0; k < 9; ++k) {
    if (k != 4) truth.push_back(around[k].MapUnionNo);
  }
  std::sort(table.begin(), table.end());
  std::sort(truth.begin(), truth.end());
  EXPECT_EQ(table, truth);
  std::filesystem::remove(file);
}

// The dark runs of one row of a grey image, as the centres of their
// darkness in pixels.
std::vector<double> DarkCentres(const std::string& pgm) {
  std::istringstream in(pgm);
  std::string magic;
  int width = 0, height = 0, max = 0;
  in >> magic >> width >> height >> max;
  in.get();
  EXPECT_EQ(magic, "P5");
  std::string pixels(static_cast<std::size_t>(width) * height, '\0');
  in.read(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  const std::size_t row = static_cast<std::size_t>(height / 2) * width;
  std::vector<double> centres;
  double mass = 0, moment = 0;
  for (int x = 0; x <= width; ++x) {
    const double dark = x < width ? 255 - static_cast<unsigned char>(pixels[row + x]) : 0;
    if (dark > 0) {
      mass += dark, moment += dark * (x + 0.5);
    } else if (mass > 0) {
      centres.push_back(moment / mass);
      mass = moment = 0;
    }
  }
  return centres;
}

TEST(FrameCli, APdfPageIsAtTrueScale) {
  const std::string file = Temp("scale.pdf");
  const Result run = RunCli("frame J50G003040 --datum 2000 --cm 117 --format pdf --output " + file);
  ASSERT_EQ(run.status, 0) << run.err;
  // Where the frame lies on its page, from the same geometry: a row of the
  // page half a kilometre below the northernmost kilometre line.
  const MapFrame f = BuildStandardFrame("J50G003040", {Datum::Cgcs2000, true, 117, "", {}});
  const map::FramePaper paper = map::FramePaperOf(f);
  EXPECT_EQ(paper.name.toStdString(), "A1");
  const double k = 10;  // ground metres per millimetre
  const double top = (paper.mm.height() - (f.maxY - f.minY) / k) / 2;
  double north = -INFINITY;
  for (const FrameLine& l : f.lines) {
    if (l.layer == FrameLayer::KmGrid && l.points[0].Y == l.points[1].Y) north = std::max(north, l.points[0].Y);
  }
  const double rowMm = top + (f.maxY - (north - 500)) / k;
  // 2540 dpi: 100 pixels to the millimetre.
  const Result strip = RunShell("pdftoppm -r 2540 -gray -singlefile -x 0 -y " +
                                std::to_string(std::lround(rowMm * 100) - 2) + " -W " +
                                std::to_string(std::lround(paper.mm.width() * 100)) + " -H 5 " + file);
  ASSERT_EQ(strip.status, 0) << strip.err;
  const std::vector<double> centres = DarkCentres(strip.out);
  int kilometres = 0;
  for (std::size_t i = 0; i + 1 < centres.size(); ++i) {
    const double d = centres[i + 1] - centres[i];
    if (std::fabs(d - 10000) < 200) {
      ++kilometres;
      EXPECT_NEAR(d, 10000, 1) << "1 km at 1:1万 is 100.00 mm";  // 0.01 mm
    }
  }
  EXPECT_GE(kilometres, 4);
  std::filesystem::remove(file);
}

TEST(FrameCli, AnExtentWritesOneFilePerSheetAndRefusalsLeaveNothing) {
  const std::string dir = Temp("extent");
  const std::string names = Temp("names.csv");
  std::ofstream(names) << "J50G004039,东城区\r\n";
  const Result run = RunCli("frame --from 116:22:30,39:50 --to 116:30,39:55 --scale 1:1万 --cm 117 --output " +
                            dir + "/ --format svg --names " + names);
  ASSERT_EQ(run.status, 0) << run.err;
  TStandardMapUnions sheets;
  CreateMapUnionsOfStandard({{116, 22, 30}, {39, 50, 0}, {116, 30, 0}, {39, 55, 0}}, 6, true, true,
                            Datum::Beijing54, 117, sheets);
  std::set<std::string> expected, written;
  for (const auto& column : sheets) {
    for (const auto& sheet : column) expected.insert(sheet.MapUnionNo + ".svg");
  }
  for (const auto& entry : std::filesystem::directory_iterator(dir)) written.insert(entry.path().filename());
  EXPECT_EQ(written.size(), 4u);
  EXPECT_EQ(written, expected);
  // The name of its line in the names file, above the number.
  std::ifstream svg(dir + "/J50G004039.svg");
  std::stringstream text;
  text << svg.rdbuf();
  EXPECT_NE(text.str().find("东城区"), std::string::npos);
  std::filesystem::remove_all(dir);
  std::filesystem::remove(names);

  // Two sheets into one DXF file, a number that is no sheet: refused, no file.
  const std::string file = Temp("two.dxf");
  EXPECT_EQ(RunCli("frame J50G003040 J50G003041 --output " + file).status, 2);
  EXPECT_FALSE(std::filesystem::exists(file));
  const Result bad = RunCli("frame J50X003040 --output " + file);
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("J50X003040"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(file));
  // A refusal names the number and the part that is wrong, as check does.
  const Result part = RunCli("frame XYZ --output " + file);
  EXPECT_EQ(part.status, 1);
  EXPECT_NE(part.err.find("XYZ不是标准图幅号：其中的“YZ”应是整数"), std::string::npos) << part.err;
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(FrameCli, RectangularSheetsOnTheNationalGridCarryItsSystemAndTheirFrames) {
  const std::string grid =
      "grid --min-x 39525100 --min-y 3810100 --max-x 39525900 --max-y 3810400 --scale 500 "
      "--sheet 50x50 --scheme coords --datum 2000 --cm 117 ";
  const std::string gpkg = Temp("rect.gpkg");
  const Result list = RunCli(grid + "--format gpkg --output " + gpkg);
  ASSERT_EQ(list.status, 0) << list.err;
  const testing::ReadLayer read = testing::ReadBack(gpkg);
  EXPECT_EQ(read.epsg, 4527);  // CGCS2000 / 3-degree Gauss-Kruger zone 39
  EXPECT_EQ(read.features.size(), 8u);
  std::filesystem::remove(gpkg);

  const std::string dir = Temp("rect");
  const Result frames = RunCli(grid + "--frame dxf --output " + dir + "/");
  ASSERT_EQ(frames.status, 0) << frames.err;
  const testing::ReadLayer dxf = testing::ReadBack(dir + "/3810.25-525.25.dxf");
  ASSERT_TRUE(dxf.opened);
  const std::size_t layerField = FieldIndex(dxf, "Layer");
  std::set<std::pair<double, double>> corners;
  for (const auto& f : dxf.features) {
    if (f.fields[layerField] == "内图廓") corners.insert(f.points.begin(), f.points.end());
  }
  EXPECT_EQ(corners, (std::set<std::pair<double, double>>{
                         {39525250, 3810250}, {39525500, 3810250}, {39525500, 3810500}, {39525250, 3810500}}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 8);
  std::filesystem::remove_all(dir);

  // Numbers that would leave the folder are refused before any file is written.
  const Result slash = RunCli("grid --min-x 0 --min-y 0 --max-x 500 --max-y 250 --scale 500 --sheet 50x50 "
                              "--format-string '[ROW]/[COL]' --frame dxf --output " + dir + "/");
  EXPECT_EQ(slash.status, 1);
  EXPECT_NE(slash.err.find("图幅号不能作为文件名：0/0"), std::string::npos) << slash.err;
  EXPECT_TRUE(!std::filesystem::exists(dir) || std::filesystem::is_empty(dir));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

using cli::Result;
using cli::RunCli;
using cli::RunShell;

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream raw;
  raw << in.rdbuf();
  return raw.str();
}

std::size_t FilesIn(const std::string& dir) {
  if (!std::filesystem::exists(dir)) return 0;
  return static_cast<std::size_t>(
      std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
}

TEST(FrameCli, TheFormatFollowsTheNameAndContradictionsAreRefused) {
  const std::string dir = Temp("formats") + "/";
  std::filesystem::create_directories(dir);
  struct Case {
    std::string options, file;
    int status;
    std::string head;  // the file's first bytes; none when refused
  } cases[] = {
      {"", "t.pdf", 0, "%PDF"},
      {"", "t.svg", 0, "<?xml"},
      {"", "t.dxf", 0, "0\nSECTION"},
      {"", "t.frame", 0, "0\nSECTION"},           // no format of its own: DXF
      {"--format pdf", "u.pdf", 0, "%PDF"},
      {"--format dxf", "v.pdf", 2, ""},           // DXF bytes in a .pdf: refused
      {"--format svg", "w.dxf", 2, ""},
      {"", "x.csv", 2, ""},                       // a list's format, not a frame's
  };
  for (const Case& c : cases) {
    const Result r = RunCli("frame J50G003040 --cm 117 " + c.options + " --output " + dir + c.file);
    EXPECT_EQ(r.status, c.status) << c.options << " " << c.file << " " << r.err;
    if (c.head.empty()) {
      EXPECT_FALSE(std::filesystem::exists(dir + c.file)) << c.file;
    } else {
      EXPECT_EQ(Slurp(dir + c.file).rfind(c.head, 0), 0u) << c.file;
    }
  }
  std::filesystem::remove_all(dir);
}

TEST(FrameCli, AListIsCheckedWholeBeforeAnythingIsWritten) {
  const std::string dir = Temp("lists") + "/";
  const std::string list = Temp("list.txt");
  struct Case {
    std::string text;
    int status;
    std::vector<std::string> said;  // on standard error
    std::size_t files;
  } cases[] = {
      {"J50G003040\nJ50G003041\n", 0, {"2 个图廓，约 "}, 2},
      // A NUL ends the window's list; here it is refused with its line.
      {std::string("J50G003040\nJ50G003041\0\nJ50G003042\n", 34), 1, {"第 2 行：含 NUL 字节"}, 0},
      // Bad lines after good ones: each numbered, none written.
      {"J50G003040\nJ50X003040\n\nXYZ\n", 1,
       {"第 2 行：不是标准图幅号：J50X003040\n", "第 4 行：XYZ不是标准图幅号", "2 个图幅号有误"}, 0},
      // The same number twice would write one file twice.
      {"J50G003040\nJ50G003041\nJ50G003040\n", 1, {"第 3 行：J50G003040 与第 1 个重复"}, 0},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(dir);
    std::ofstream(list, std::ios::binary) << c.text;
    const Result r = RunCli("frame --input " + list + " --cm 117 --output " + dir);
    EXPECT_EQ(r.status, c.status) << r.err;
    for (const std::string& said : c.said) EXPECT_NE(r.err.find(said), std::string::npos) << said << "\n" << r.err;
    EXPECT_EQ(FilesIn(dir), c.files) << r.err;
  }
  std::filesystem::remove_all(dir);
  std::filesystem::remove(list);
}

TEST(FrameCli, ARunAboveTheBoundIsSaidAndNeedsYes) {
  const std::string dir = Temp("big") + "/";
  // 1:1万 over 100°–106° E, 30°–35° N: 11,520 frames.
  const std::string run = "frame --from 100,30 --to 106,35 --scale 1:1万 --datum 2000 --output " + dir;
  const Result refused = RunCli(run);
  EXPECT_EQ(refused.status, 2) << refused.err;
  EXPECT_NE(refused.err.find("11,520 个图廓，约 "), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("--yes"), std::string::npos) << refused.err;
  EXPECT_EQ(FilesIn(dir), 0u);
  // Below the bound the count is said and the frames written.
  const Result small = RunCli("frame --from 116:22:30,39:50 --to 116:30,39:55 --scale 1:1万 --output " + dir);
  EXPECT_EQ(small.status, 0) << small.err;
  EXPECT_NE(small.err.find("4 个图廓，约 "), std::string::npos) << small.err;
  EXPECT_EQ(FilesIn(dir), 4u);
  std::filesystem::remove_all(dir);
}

TEST(FrameCli, TheZoneOfTheScaleTheDefaultDatumAndTheSeriesBound) {
  struct Case {
    std::string options;
    std::string note;      // in the DXF's texts
    std::string said;      // on standard error
    bool warned;           // beyond the legacy series' millimetre
  } cases[] = {
      // 1:25万 without --zone: 6° zones, and the note says why.
      {"J-50-5-B", "6°分带（按比例尺）", "1954年北京坐标系（默认坐标系", false},
      {"J-50-5-B --zone 3", "3°分带，", "1954年北京坐标系（默认坐标系", false},
      {"J50G003040", "3°分带（按比例尺）", "按比例尺分带", false},
      {"J50G003040 --datum 2000 --cm 105", "中央经线105°", "2000国家大地坐标系，", false},
      {"J50G003040 --datum 54 --cm 105", "中央经线105°", "距中央经线 11.5°", true},
      {"J50G003040 --datum 80 --cm 114", "中央经线114°", "西安坐标系，", false},
  };
  const std::string file = Temp("zone.dxf");
  for (const Case& c : cases) {
    const Result r = RunCli("frame " + c.options + " --output " + file);
    ASSERT_EQ(r.status, 0) << c.options << " " << r.err;
    EXPECT_NE(r.err.find(c.said), std::string::npos) << c.options << "\n" << r.err;
    EXPECT_EQ(r.err.find("误差超过 1 毫米") != std::string::npos, c.warned) << c.options << "\n" << r.err;
    const testing::ReadLayer dxf = testing::ReadBack(file);
    ASSERT_TRUE(dxf.opened);
    const std::size_t text = FieldIndex(dxf, "Text");
    EXPECT_TRUE(std::any_of(dxf.features.begin(), dxf.features.end(), [&](const auto& f) {
      return f.fields[text].find(c.note) != std::string::npos;
    })) << c.options;
  }
  std::filesystem::remove(file);
  // sheets says it too, once.
  const Result sheets = RunCli("sheets --from 116:22:30,39:50 --to 116:30,39:55 --scale 1:1万 --cm 90 --output /dev/null");
  EXPECT_EQ(sheets.status, 0) << sheets.err;
  EXPECT_NE(sheets.err.find("误差超过 1 毫米"), std::string::npos) << sheets.err;
}

TEST(FrameCli, NamesAreReadAsCsvAndGridSheetsNeverReplaceEachOther) {
  const std::string dir = Temp("names") + "/";
  const std::string names = Temp("names2.csv");
  std::ofstream(names) << "J50G003040,\"朝阳,区\"\n\"J50G003041\",\"说 \"\"新\"\" 城\"\n";
  ASSERT_EQ(RunCli("frame J50G003040 J50G003041 --cm 117 --format svg --names " + names + " --output " + dir).status, 0);
  EXPECT_NE(Slurp(dir + "J50G003040.svg").find("朝阳,区"), std::string::npos);
  EXPECT_EQ(Slurp(dir + "J50G003040.svg").find("\"朝阳"), std::string::npos);
  EXPECT_NE(Slurp(dir + "J50G003041.svg").find("说 &quot;新&quot; 城"), std::string::npos);
  // A neighbour's name stands in the 接合图表 too.
  EXPECT_NE(Slurp(dir + "J50G003040.svg").find("说 &quot;新&quot; 城"), std::string::npos);
  EXPECT_NE(Slurp(dir + "J50G003041.svg").find("朝阳,区"), std::string::npos);
  std::filesystem::remove_all(dir);
  std::filesystem::remove(names);

  // The run over 424–526 km: 51 sheets, 51 files, 3810-424 and 3810-524 apart.
  const Result grid = RunCli("grid --min-x 39424000 --min-y 3810000 --max-x 39526000 --max-y 3812000 --scale 5000 "
                             "--sheet 40x40 --scheme coords --datum 2000 --cm 117 --frame dxf --output " + dir);
  ASSERT_EQ(grid.status, 0) << grid.err;
  EXPECT_EQ(FilesIn(dir), 51u);
  EXPECT_TRUE(std::filesystem::exists(dir + "3810-424.dxf"));
  EXPECT_TRUE(std::filesystem::exists(dir + "3810-524.dxf"));
  std::filesystem::remove_all(dir);
  // Names that repeat are refused before a file is written.
  const Result repeated = RunCli("grid --min-x 0 --min-y 0 --max-x 1000 --max-y 500 --step-x 250 --step-y 250 "
                                 "--format-string 'A[ROW]' --scale 500 --frame dxf --output " + dir);
  EXPECT_EQ(repeated.status, 1);
  EXPECT_NE(repeated.err.find("两个图廓同名：A0"), std::string::npos) << repeated.err;
  EXPECT_EQ(FilesIn(dir), 0u);
  // A sheet of no width is a usage error of --sheet.
  const Result zero = RunCli("grid --min-x 0 --min-y 0 --max-x 1000 --max-y 500 --scale 500 --sheet 0x50");
  EXPECT_EQ(zero.status, 2);
  EXPECT_NE(zero.err.find("--sheet"), std::string::npos) << zero.err;
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

// The decoration's named options as the DXF carries them: the standing notes
// in the lower left, 密级, the 偏角图 with the user's declination, the 坡度尺,
// the neighbouring zone's ticks on their own layer; grid frames take the same
// options, and a declination that is no number is a usage error.
TEST(FrameCli, TheDecorationsNamedOptionsReachTheDxf) {
  const std::string file = Temp("J50E001024.dxf");
  const Result run = RunCli("frame J50E001024 --datum 2000 --cm 117 --elevation-datum 1985国家高程基准 "
                            "--contour-interval 10 --symbols 'GB/T 20257.3—2017' --surveyor 某测绘院 "
                            "--survey-date 2026年5月 --classification 秘密 --declination -6.5 --output " + file);
  ASSERT_EQ(run.status, 0) << run.err;
  const testing::ReadLayer dxf = testing::ReadBack(file);
  ASSERT_TRUE(dxf.opened);
  const std::size_t layerField = FieldIndex(dxf, "Layer"), textField = FieldIndex(dxf, "Text");
  std::set<std::string> texts;
  int neighbourTicks = 0;
  for (const auto& f : dxf.features) {
    texts.insert(f.fields[textField]);
    neighbourTicks += f.fields[layerField] == "邻带方里网" && f.geometryType == "LINESTRING";
  }
  for (const char* t : {"1985国家高程基准", "等高距为 10 米", "图式：GB/T 20257.3—2017", "测制单位：某测绘院",
                        "测制日期：2026年5月", "秘密", "磁偏角 6°30′ 西偏", "磁子午线", "坡度尺（等高距 10 米）",
                        "图廓间短线为第 21 带方里网"}) {
    EXPECT_EQ(texts.count(t), 1u) << t;
  }
  EXPECT_GT(neighbourTicks, 20);

  const std::string folder = Temp("grid-decor") + "/";
  const Result grid = RunCli("grid --min-x 39525250 --min-y 3810250 --max-x 39525500 --max-y 3810500 --scale 500 "
                             "--sheet 50x50 --scheme coords --datum 2000 --cm 117 --elevation-datum 1985国家高程基准 "
                             "--contour-interval 0.5 --frame dxf --output " + folder);
  ASSERT_EQ(grid.status, 0) << grid.err;
  std::set<std::string> gridTexts;
  for (const auto& f : testing::ReadBack(folder + "3810.25-525.25.dxf").features) gridTexts.insert(f.fields[textField]);
  EXPECT_EQ(gridTexts.count("等高距为 0.5 米"), 1u);
  EXPECT_EQ(RunCli("frame J50E001024 --declination west --output " + Temp("x.dxf")).status, 2);
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

// A 1:100万 sheet from the command line: on its conic in the DXF read back
// (the 经纬网 layer, no kilometre grid) and as a PDF that says its projection.
TEST(FrameCli, AMillionSheetIsDrawnOnItsConic) {
  const std::string dxfFile = Temp("I50.dxf"), pdfFile = Temp("I50.pdf");
  Result run = RunCli("frame I50 --datum 2000 --output " + dxfFile);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("兰勃特等角圆锥投影"), std::string::npos) << run.err;
  const testing::ReadLayer dxf = testing::ReadBack(dxfFile);
  ASSERT_TRUE(dxf.opened);
  const std::size_t layerField = FieldIndex(dxf, "Layer"), textField = FieldIndex(dxf, "Text");
  const LambertConic conic(MillionSheetConic(6378137, 298.257222101, 32, 117));
  int graticule = 0;
  bool noted = false;
  for (const auto& f : dxf.features) {
    const std::string& layer = f.fields[layerField];
    EXPECT_NE(layer, "公里网");
    if (layer == "内图廓") {
      for (const TPlanePoint& c : {conic.Forward(114, 32), conic.Forward(120, 32), conic.Forward(120, 36),
                                   conic.Forward(114, 36)}) {
        double nearest = INFINITY;
        for (const auto& [x, y] : f.points) nearest = std::min(nearest, std::hypot(x - c.X, y - c.Y));
        EXPECT_LE(nearest, 0.001);  // 1 mm of ground
      }
    } else if (layer == "经纬网" && f.geometryType == "LINESTRING") {
      ++graticule;
    }
    noted = noted || f.fields[textField] == "2000国家大地坐标系，兰勃特等角圆锥投影，标准纬线32°35′、35°25′，中央经线117°";
  }
  EXPECT_EQ(graticule, 5 + 3);
  EXPECT_TRUE(noted);

  run = RunCli("frame I50 --datum 2000 --output " + pdfFile);
  ASSERT_EQ(run.status, 0) << run.err;
  const Result text = RunShell("pdftotext " + pdfFile + " -");
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("兰勃特等角圆锥投影"), std::string::npos);
  std::filesystem::remove(dxfFile);
  std::filesystem::remove(pdfFile);
}

}  // namespace
}  // namespace karvento
