// SPDX-License-Identifier: Apache-2.0
// The Shapefile that the page makes in memory against the one GDAL writes
// for the command line and the window: every member byte for byte (the
// .dbf's date of last change aside), the coordinate systems of every kind,
// and the page's members read back by GDAL as the same features.
#include <gtest/gtest.h>

#include <string>

#include "export/shapefile.h"
#include "gis/gis_export.h"
#include "numbering/unMapUnRgPub.h"
#include "read_back.h"
#include "test_files.h"

namespace karvento {
namespace {

using testing::ReadBack;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

struct Made {
  TStandardMapUnions table;
  ShapefileOptions options;
};

ShapefileMembers Ours(const Made& m) {
  ShapefileOutline outline;
  for (const auto& column : m.table) {
    for (const TStandardMapUnion& s : column) outline.Add(s);
  }
  ShapefileWriter writer(m.options, outline);
  for (const auto& column : m.table) {
    for (const TStandardMapUnion& s : column) writer.Add(s);
  }
  return writer.Finish();
}

TEST(Shapefile, TheBytesOfGdalsShapefile) {
  struct Case {
    const char* what;
    TMapUnionRange range;
    ScaleIndex scale;
    ShapefileOptions options;
  };
  const TMapUnionRange beijing = {{116, 0, 0}, {39, 50, 0}, {116, 15, 0}, {40, 0, 0}};
  const Case cases[] = {
      {"plane, each corner its own zone, CGCS2000", beijing, 6, {{Datum::Cgcs2000, true, 0, 0, 0}, false, false, false}},
      {"corners only, GBK", beijing, 6, {{Datum::Cgcs2000, true, 0, 0, 0}, false, true, true}},
      {"Beijing 1954, zone-numbered 3-degree", beijing, 6, {{Datum::Beijing54, true, 117, 0, 0}, false, false, false}},
      {"Xi'an 1980, 6-degree CM", beijing, 4, {{Datum::Xian80, false, 0, 0, 0}, false, false, false}},
      {"CGCS2000, 6-degree zone-numbered", beijing, 4, {{Datum::Cgcs2000, false, 117, 0, 0}, false, false, false}},
      {"omitted large numbers", beijing, 6, {{Datum::Beijing54, true, 117, 39000000, 100}, false, false, false}},
      {"negative and fractional omissions, no EPSG zone", beijing, 5,
       {{Datum::Xian80, false, 0, -1.5, 2.25}, false, false, false}},
      {"a meridian EPSG has no system for", beijing, 5, {{Datum::Cgcs2000, true, 70.5, 0, 0}, false, false, false}},
      {"the same with a zone number and offsets", beijing, 5, {{Datum::Xian80, false, 70.5, 1.5, 0}, false, false, false}},
      {"geographic, Beijing 1954, old standard", {{116, 0, 0}, {39, 40, 0}, {116, 30, 0}, {40, 0, 0}}, 4,
       {{Datum::Beijing54, true, 0, 0, 0}, true, false, false}},
      {"geographic, 1:100万 along the parallels", {{114, 0, 0}, {36, 0, 0}, {121, 0, 0}, {41, 0, 0}}, 0,
       {{Datum::Cgcs2000, false, 117, 0, 0}, true, false, true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Made m{{}, c.options};
    const bool newStandard = c.range.South.Minutes != 40;
    const FramePlane& plane = c.options.plane;
    CreateMapUnionsOfStandard(c.range, c.scale, newStandard, plane.zone3, plane.datum, plane.cm, m.table);
    SubtractPlaneOffsets(m.table, plane.offsetX, plane.offsetY);
    ScratchDir dir;
    GisOptions gis;
    gis.format = GisFormat::Shapefile;
    gis.geographic = c.options.geographic;
    gis.cornersOnly = c.options.cornersOnly;
    gis.encoding = c.options.gbk ? GisEncoding::Gbk : GisEncoding::Utf8;
    Message reason;
    ASSERT_TRUE(WriteGisSheets(dir.File("frames.shp"), m.table, plane, gis, &reason))
        << reason;
    const ShapefileMembers ours = Ours(m);
    EXPECT_EQ(ours.shp, ReadFile(dir.File("frames.shp")));
    EXPECT_EQ(ours.shx, ReadFile(dir.File("frames.shx")));
    EXPECT_EQ(ours.prj, ReadFile(dir.File("frames.prj")));
    EXPECT_EQ(ours.cpg, ReadFile(dir.File("frames.cpg")));
    std::string gdalDbf = ReadFile(dir.File("frames.dbf"));
    ASSERT_EQ(ours.dbf.size(), gdalDbf.size());
    gdalDbf.replace(1, 3, ours.dbf.substr(1, 3));  // the date of last change
    EXPECT_EQ(ours.dbf, gdalDbf);

    // The members as the page's zip holds them, opened by GDAL.
    ScratchDir page;
    WriteFile(page.File("frames.shp"), ours.shp);
    WriteFile(page.File("frames.shx"), ours.shx);
    WriteFile(page.File("frames.dbf"), ours.dbf);
    WriteFile(page.File("frames.prj"), ours.prj);
    WriteFile(page.File("frames.cpg"), ours.cpg);
    const auto read = ReadBack(page.File("frames.shp"));
    const auto expected = ReadBack(dir.File("frames.shp"));
    ASSERT_TRUE(read.opened);
    EXPECT_EQ(read.fieldNames, expected.fieldNames);
    EXPECT_EQ(read.wkt, expected.wkt);
    ASSERT_EQ(read.features.size(), expected.features.size());
    for (std::size_t i = 0; i < read.features.size(); ++i) {
      EXPECT_EQ(read.features[i].fields, expected.features[i].fields);
      EXPECT_EQ(read.features[i].points, expected.features[i].points);
    }
  }
}

TEST(Shapefile, Refusals) {
  ShapefileOutline none;
  EXPECT_THROW(ShapefileWriter({}, none), Error);
  // 1:1万 sheets on both sides of 118°30′, the edge of two 3-degree zones.
  ShapefileOptions plane;
  EXPECT_THROW(ShapefilePrj(plane, 118.25, 118.75), Error);
  plane.plane.cm = 117;
  EXPECT_NO_THROW(ShapefilePrj(plane, 118.25, 118.75));
  plane.geographic = true;
  plane.plane.cm = 0;
  EXPECT_NO_THROW(ShapefilePrj(plane, 118.25, 118.75));
}

}  // namespace
}  // namespace karvento
