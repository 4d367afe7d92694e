// SPDX-License-Identifier: Apache-2.0
// The KML that the page writes without GDAL against GDAL's own KML driver
// (what the command line and the window write): the same bytes for the same
// sheets, and the same text for every coordinate and attribute value.
#include <gtest/gtest.h>
#include <ogr_p.h>

#include <cstdint>
#include <string>

#include "export/kml_text.h"
#include "gis/gis_export.h"
#include "numbering/unMapUnRgPub.h"
#include "test_files.h"

namespace karvento {
namespace {

using testing::ReadFile;
using testing::ScratchDir;

std::string GdalCoordinate(double lon, double lat) {
  std::string s = OGRMakeWktCoordinate(lon, lat, 0, 2, OGRWktOptions());
  for (char& c : s) {
    if (c == ' ') c = ',';
  }
  return s;
}

TEST(KmlText, TheBytesOfGdalsKmlDriver) {
  struct Case {
    const char* what;
    TMapUnionRange range;
    ScaleIndex scale;
    bool newStandard;
    bool cornersOnly;
  };
  const Case cases[] = {
      {"1:1万 of Beijing along the true edges", {{116, 0, 0}, {39, 50, 0}, {116, 15, 0}, {40, 0, 0}}, 6, true, false},
      {"the same, corners only", {{116, 0, 0}, {39, 50, 0}, {116, 15, 0}, {40, 0, 0}}, 6, true, true},
      {"1:100万, long densified parallels", {{114, 0, 0}, {36, 0, 0}, {121, 0, 0}, {41, 0, 0}}, 0, true, false},
      {"1:5万 old standard", {{116, 0, 0}, {39, 40, 0}, {116, 30, 0}, {40, 0, 0}}, 4, false, false},
      {"1:5000 by the equator (fractions of a degree)", {{109, 0, 0}, {0, 0, 0}, {109, 5, 0}, {0, 5, 0}}, 7, true, false},
      {"1:500 with edges in fractions of a second", {{116, 0, 0}, {39, 59, 30}, {116, 0, 30}, {40, 0, 0}}, 10, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TStandardMapUnions table;
    CreateMapUnionsOfStandard(c.range, c.scale, c.newStandard, true, Datum::Cgcs2000, 0, table);
    ScratchDir dir;
    const std::string file = dir.File("图幅 frames-1.a&b.kml");
    Message reason;
    GisOptions options;
    options.format = GisFormat::Kml;
    options.cornersOnly = c.cornersOnly;
    ASSERT_TRUE(WriteGisSheets(file, table, TPlaneSystem{Datum::Cgcs2000, true, 0, 0, 0}, options, &reason))
        << reason;
    const std::string layer = KmlLayerName("图幅 frames-1.a&b");
    EXPECT_EQ(layer, "图幅_frames_1.a_b");
    std::string ours = KmlHeader(layer);
    for (const auto& column : table) {
      for (const TStandardMapUnion& s : column) AppendKmlSheet(ours, layer, s, FramePlane{Datum::Cgcs2000, true, 0, 0, 0}, c.cornersOnly);
    }
    ours += KmlFooter();
    EXPECT_EQ(ours, ReadFile(file));
  }
}

TEST(KmlText, NumbersAsGdalFormatsThem) {
  // Whole pairs, whole values beside fractions, fractions below one (written
  // to 15 decimals with their noise trimmed), and a sweep of sheet edges and
  // densified vertices at every step of the scale series.
  const double pairs[][2] = {{116, 40},     {116.25, 40},  {116, 39.8333333333333}, {0.5, 0.25},
                             {109, 0.1},    {109, 0.3},    {109.1, 0.7},            {109, 0.0833333333333333},
                             {73.5, 0.999999999999}, {135, 1e-9}, {120, 0.000694444444444444}, {109.5, 0}, {109, 0.5}, {0.1, 0.2}};
  for (const auto& p : pairs) EXPECT_EQ(KmlCoordinate(p[0], p[1]), GdalCoordinate(p[0], p[1]));
  std::uint64_t state = 88172645463325252ull;  // xorshift: the same values every run
  for (int i = 0; i < 200000; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    const int den = 1 + static_cast<int>(state % 7200);
    const double lon = 73 + static_cast<double>(state % 62000) / den;
    const double lat = static_cast<double>((state >> 20) % 7200) / den / (i % 3 == 0 ? 100 : 1);
    ASSERT_EQ(KmlCoordinate(lon, lat), GdalCoordinate(lon, lat)) << lon << ' ' << lat;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", lat);
    ASSERT_EQ(KmlReal(lat), buf);
  }
}

}  // namespace
}  // namespace karvento
