// SPDX-License-Identifier: Apache-2.0
// GDAL's MapInfo reader (ogrinfo) reads what the MIF writers wrote: the layer,
// the number of features, the sheet numbers decoded from GBK through the
// file's Charset line, and the polygons.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "numbering/unMapUnRgPub.h"
#include "test_files.h"

namespace karvento {
namespace {

using testing::Quote;
using testing::Run;
using testing::ScratchDir;

std::string Ogrinfo(const std::string& args, const std::string& file) {
  int status = -1;
  const std::string out = Run("ogrinfo -ro " + args + " " + Quote(file) + " 2>&1", &status);
  EXPECT_EQ(status, 0) << out;
  return out;
}

// Lines of ogrinfo's output that begin with prefix (after blanks), the
// prefix removed.
std::vector<std::string> Values(const std::string& out, const std::string& prefix) {
  std::vector<std::string> values;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t start = line.find_first_not_of(' ');
    if (start != std::string::npos && line.compare(start, prefix.size(), prefix) == 0) {
      values.push_back(line.substr(start + prefix.size()));
    }
  }
  return values;
}

TStandardMapUnion Standard(const std::string& no, TMapUnionRange range, double x, double y) {
  TStandardMapUnion u;
  u.MapUnionNo = no;
  u.Range = range;
  u.PlaneCorners = {TPlanePoint{x, y + 4600}, TPlanePoint{x + 3500, y + 4600}, TPlanePoint{x + 3500, y},
                    TPlanePoint{x, y}};
  return u;
}

TEST(GdalReadsMif, EveryWriter) {
  ScratchDir dir;
  // Three 1:1万 sheets of J50 in one column, north to south, and one more
  // column; plane corners on the 39th 3-degree zone.
  TStandardMapUnions standard(2);
  std::vector<std::string> numbers;
  for (int c = 0; c < 2; ++c) {
    for (int s = 0; s < 3; ++s) {
      const std::string no = "J50G00" + std::to_string(3 + s) + "04" + std::to_string(c);
      standard[c].push_back(Standard(
          no, {{116, 3.75 * c, 0}, {39, 55 - 2.5 * (s + 1), 0}, {116, 3.75 * (c + 1), 0}, {39, 55 - 2.5 * s, 0}},
          39456000 + 3500 * c, 4420000 - 4600 * s));
      numbers.push_back(no);
    }
  }
  TCustomMapUnions custom = {{{"图1-1", 0, 0, 500, 500}, {"图1-2", 500, 0, 1000, 500}},
                             {{"图2-1", 0, 500, 500, 1000}, {"图2-2", 500, 500, 1000, 1000}}};
  struct Case {
    const char* what;
    std::function<bool(const std::string&)> write;
    std::vector<std::string> numbers;
    const char* firstPolygon;
    const char* extent;
    // Pen pattern 2 and brush pattern 1 for the geographic regions, pattern 0
    // (none) for the plane ones, as GDAL names them.
    const char* pen;
    const char* brush;
  } cases[] = {
      {"plane coordinates", [&](const std::string& f) { return WritePlaneMif(f, standard, true, 117, nullptr); }, numbers,
       "POLYGON ((39456000 4424600,39459500 4424600,39459500 4420000,39456000 4420000,39456000 4424600))",
       "Extent: (39456000.000000, 4410800.000000) - (39463000.000000, 4424600.000000)", "mapinfo-pen-0",
       "mapinfo-brush-0"},
      {"geographic coordinates", [&](const std::string& f) { return WriteGeoMif(f, standard, nullptr); }, numbers,
       "POLYGON ((116.0 39.9166666666667,116.0625 39.9166666666667,116.0625 39.875,116.0 39.875,116.0 "
       "39.9166666666667))",
       "Extent: (116.000000, 39.791667) - (116.125000, 39.916667)", "mapinfo-pen-2", "mapinfo-brush-1"},
      {"independent grid, numbers in GBK",
       [&](const std::string& f) { return WriteCustomMif(f, custom, nullptr); },
       {"图1-1", "图1-2", "图2-1", "图2-2"},
       "POLYGON ((0 500,500 500,500 0,0 0,0 500))",
       "Extent: (0.000000, 0.000000) - (1000.000000, 1000.000000)", "mapinfo-pen-0", "mapinfo-brush-0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = dir.File("sheets.mif");
    ASSERT_TRUE(c.write(file));
    const std::string summary = Ogrinfo("-al -so", file);
    EXPECT_NE(summary.find("using driver `MapInfo File' successful."), std::string::npos) << summary;
    EXPECT_EQ(Values(summary, "Layer name: "), std::vector<std::string>{"sheets"});
    EXPECT_EQ(Values(summary, "Feature Count: "), std::vector<std::string>{std::to_string(c.numbers.size())});
    EXPECT_EQ(Values(summary, "图幅号: "), std::vector<std::string>{"String (30.0)"});
    EXPECT_NE(summary.find(c.extent), std::string::npos) << summary;
    const std::string all = Ogrinfo("-al", file);
    EXPECT_EQ(Values(all, "图幅号 (String) = "), c.numbers) << all;
    const std::vector<std::string> polygons = Values(all, "POLYGON ");
    ASSERT_EQ(polygons.size(), c.numbers.size()) << all;
    EXPECT_EQ("POLYGON " + polygons[0], c.firstPolygon);
    const std::vector<std::string> styles = Values(all, "Style = ");
    ASSERT_EQ(styles.size(), c.numbers.size());
    for (const auto& style : styles) {
      EXPECT_NE(style.find(std::string("id:\"") + c.brush + ","), std::string::npos) << style;
      EXPECT_NE(style.find(std::string("id:\"") + c.pen + ","), std::string::npos) << style;
    }
  }
}

// A double quote inside a sheet number (the independent grid's number format
// allows one) is doubled in the MID file, as MapInfo writes it; GDAL reads
// the number back whole, in the one column, next to the one region.
TEST(GdalReadsMif, QuotesInsideNumbers) {
  ScratchDir dir;
  const std::vector<std::string> numbers = {"\"1\"-1", "图\"1-2", "a,\"\"b", "\""};
  TCustomMapUnions grid(1);
  for (std::size_t k = 0; k < numbers.size(); ++k) {
    grid[0].push_back({numbers[k], 500.0 * static_cast<double>(k), 0, 500.0 * static_cast<double>(k + 1), 500});
  }
  const std::string file = dir.File("q.mif");
  ASSERT_TRUE(WriteCustomMif(file, grid, nullptr));
  const std::string all = Ogrinfo("-al", file);
  EXPECT_EQ(Values(all, "图幅号 (String) = "), numbers) << all;
  EXPECT_EQ(Values(all, "POLYGON ").size(), numbers.size()) << all;
}

}  // namespace
}  // namespace karvento
