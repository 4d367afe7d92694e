// SPDX-License-Identifier: Apache-2.0
// The DXF drawing written without GDAL against GDAL's own DXF driver (kept
// callable as the reference): the same bytes for the same sheets, the same
// text for every number, and the texts that cannot be written refused.
#include <cpl_string.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "export/dxf_text.h"
#include "gis/gis_export.h"
#include "numbering/error.h"
#include "numbering/unMapUnRgPub.h"
#include "test_files.h"

namespace karvento {
namespace {

using testing::ReadFile;
using testing::ScratchDir;

std::string Ours(const TStandardMapUnions& table, const TPlaneSystem& system, bool geographic, bool cornersOnly) {
  DxfSheetWriter writer({{system.datum, system.zone3, system.cm, system.offsetX, system.offsetY}, geographic,
                         cornersOnly, ""});
  for (const auto& column : table) {
    for (const TStandardMapUnion& s : column) writer.Add(s);
  }
  return writer.Text();
}

TEST(DxfText, TheBytesOfGdalsDxfDriver) {
  struct Case {
    const char* what;
    TMapUnionRange range;
    ScaleIndex scale;
    bool newStandard;
    TPlaneSystem system;
    bool geographic;
    bool cornersOnly;
  };
  const TMapUnionRange beijing = {{116, 0, 0}, {39, 50, 0}, {116, 15, 0}, {40, 0, 0}};
  // 1:5万 sheets on both sides of 118°30′, the edge of two 3-degree zones.
  const TMapUnionRange twoZones = {{117, 45, 0}, {39, 30, 0}, {119, 15, 0}, {40, 0, 0}};
  const Case cases[] = {
      {"plane, along the true edges, each corner its own zone", beijing, 6, true, {Datum::Cgcs2000, true, 0, 0, 0},
       false, false},
      {"plane, corners only", beijing, 6, true, {Datum::Cgcs2000, true, 0, 0, 0}, false, true},
      {"geographic, along the parallels, Beijing 1954", beijing, 6, true, {Datum::Beijing54, true, 0, 0, 0}, true,
       false},
      {"geographic, corners only, old standard", {{116, 0, 0}, {39, 40, 0}, {116, 30, 0}, {40, 0, 0}}, 4, false,
       {Datum::Xian80, true, 0, 0, 0}, true, true},
      {"one sheet, 1:100万", {{114, 0, 0}, {36, 0, 0}, {120, 0, 0}, {40, 0, 0}}, 0, true,
       {Datum::Xian80, false, 117, 0, 0}, false, false},
      {"many sheets across two zones, zone-numbered meridian", twoZones, 4, true, {Datum::Beijing54, true, 117, 0, 0},
       false, false},
      {"the same with the large numbers omitted", twoZones, 4, true, {Datum::Beijing54, true, 117, 39000000, 4000000},
       false, true},
      {"1:500 with edges in fractions of a second", {{116, 0, 0}, {39, 59, 30}, {116, 0, 30}, {40, 0, 0}}, 10, true,
       {Datum::Cgcs2000, true, 0, 0, 0}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TStandardMapUnions table;
    CreateMapUnionsOfStandard(c.range, c.scale, c.newStandard, c.system.zone3, c.system.datum, c.system.cm, table);
    SubtractPlaneOffsets(table, c.system.offsetX, c.system.offsetY);
    ScratchDir dir;
    const std::string file = dir.File("图幅.dxf");
    GisOptions options;
    options.format = GisFormat::Dxf;
    options.geographic = c.geographic;
    options.cornersOnly = c.cornersOnly;
    options.gdalDxf = true;
    Message reason;
    ASSERT_TRUE(WriteGisSheets(file, table, c.system, options, &reason)) << reason;
    const std::string gdal = ReadFile(file);
    EXPECT_EQ(Ours(table, c.system, c.geographic, c.cornersOnly), gdal);

    // The command line's and the window's path, which writes it our way,
    // here into a file named as the entities' working file once was.
    // Its drawing names the coordinate system in a comment before GDAL's
    // bytes, and in ESRI's form in the .prj beside it.
    options.gdalDxf = false;
    const std::string ours = dir.File("entities.dxf");
    ASSERT_TRUE(WriteGisSheets(ours, table, c.system, options, &reason)) << reason;
    const std::string drawing = ReadFile(ours);
    const std::string comment = "999\nKarvento sheet frames, coordinate system: ";
    ASSERT_EQ(drawing.substr(0, comment.size()), comment);
    const std::size_t end = drawing.find('\n', comment.size());
    const std::string name = drawing.substr(comment.size(), end - comment.size());
    EXPECT_NE(name.find(DatumInfoOf(c.system.datum).epsgName), std::string::npos) << name;
    EXPECT_EQ(name.find("Gauss-Kruger") == std::string::npos, c.geographic) << name;
    EXPECT_EQ(drawing.substr(end + 1), gdal);
    const std::string prj = ReadFile(dir.File("entities.prj"));
    EXPECT_EQ(prj.substr(0, 7), c.geographic ? "GEOGCS[" : "PROJCS[") << prj;
  }
}

TEST(DxfText, AnIndependentGridAndTheTextsGdalEscapes) {
  // Numbers of an independent grid may be anything the user typed: spaces,
  // backslashes, carets, quotes, Chinese, and one longer than a DXF line.
  TCustomMapUnions table(2);
  table[0].push_back({"A 1\\2^3\"4", 0, 0, 500, 500});
  table[0].push_back({"测区-甲 12", 500, 0, 1000, 500});
  // (its 250th byte the first of an escape, where GDAL cuts it into pieces)
  table[1].push_back({std::string(249, '9') + std::string(140, ' ') + "号", 0, 500, 500, 1000});
  table[1].push_back({"0.5", -2500.25, 500, 1000, 1e-5});
  ScratchDir dir;
  const std::string file = dir.File("grid.dxf");
  GisOptions options;
  options.format = GisFormat::Dxf;
  options.gdalDxf = true;
  Message reason;
  ASSERT_TRUE(WriteGisCustomSheets(file, table, options, &reason)) << reason;
  const std::string gdal = ReadFile(file);

  DxfSheetWriter writer(DxfSheetOptions{{}, false, false, ""});
  GisFrame frame;
  for (const auto& row : table) {
    for (const TCustomMapUnion& s : row) {
      FrameOfRectangle(s.MinX, s.MinY, s.MaxX, s.MaxY, frame);
      writer.Add(s.MapUnionNo, frame);
    }
  }
  EXPECT_EQ(writer.Text(), gdal);

  options.gdalDxf = false;
  ASSERT_TRUE(WriteGisCustomSheets(file, table, options, &reason)) << reason;
  EXPECT_EQ(ReadFile(file), gdal);
}

TEST(DxfText, RefusedAsEveryGisFileIs) {
  // 1:5万 sheets on both sides of 118°30′, the edge of two 3-degree zones.
  const TMapUnionRange twoZones = {{117, 45, 0}, {39, 30, 0}, {119, 15, 0}, {40, 0, 0}};
  const TMapUnionRange oneZone = {{117, 45, 0}, {39, 30, 0}, {118, 15, 0}, {40, 0, 0}};
  struct Case {
    const char* what;
    const TMapUnionRange* range;  // nullptr: no sheets
    double cm;
    bool geographic;
    bool refused;
  };
  const Case cases[] = {
      {"plane, each corner its own zone, two zones", &twoZones, 0, false, true},
      {"plane, each corner its own zone, one zone", &oneZone, 0, false, false},
      {"plane on one given meridian", &twoZones, 117, false, false},
      {"geographic", &twoZones, 0, true, false},
      {"no sheets", nullptr, 0, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TStandardMapUnions table;
    if (c.range != nullptr) CreateMapUnionsOfStandard(*c.range, 4, true, true, Datum::Cgcs2000, c.cm, table);
    const TPlaneSystem system{Datum::Cgcs2000, true, c.cm, 0, 0};
    GisOptions options;
    options.format = GisFormat::Dxf;
    options.geographic = c.geographic;
    const std::string gis = GisRefusal(table, system, options);
    EXPECT_EQ(!gis.empty(), c.refused) << gis;
    std::string ours;
    try {
      Ours(table, system, c.geographic, true);
    } catch (const Error& e) {
      ours = e.what();
    }
    EXPECT_EQ(ours, gis);
  }
}

TEST(DxfText, NumbersAsGdalFormatsThem) {
  const double values[] = {0,       -0.0,   1,          10,           1e-5,     1e15,  1e16, 123456789012345678.0,
                           0.1,     1.0 / 3, -2500.25, 414396.672187261, 39.833333333333336, 4.9e-324, 1.7976931348623157e308};
  const auto gdal = [](double v) {
    char buf[64];
    CPLsnprintf(buf, sizeof buf, "%.15g", v);
    return std::string(buf);
  };
  for (const double v : values) EXPECT_EQ(DxfNumber(v), gdal(v)) << v;
  std::uint64_t state = 88172645463325252ull;  // xorshift: the same values every run
  for (int i = 0; i < 200000; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    const int den = 1 + static_cast<int>(state % 7200);
    // eastings with and without zone numbers, northings, degrees
    const double scale[] = {1, 1e3, 1e5, 1e6, 1e7, 1e8};
    const double v = static_cast<double>(state % 620000) / den * scale[(state >> 40) % 6] * ((state >> 50) % 2 ? -1 : 1);
    ASSERT_EQ(DxfNumber(v), gdal(v)) << v;
  }
}

TEST(DxfText, TextsThatCannotBeWritten) {
  struct Case {
    const char* text;
    const char* escaped;  // nullptr: refused
  };
  const Case cases[] = {
      {"J50G001033", "J50G001033"},
      {"a b\\c^d", "a\\~b\\\\c^ d"},
      {"图幅", "\\U+56fe\\U+5e45"},
      {"tab\there", nullptr},        // a control character
      {"line\nbreak", nullptr},      // GDAL would make it a paragraph break
      {"caf\xC3\xA9", nullptr},      // U+00E9: GDAL writes a byte of code page 1252 into a GBK drawing
      {"\xF0\x9F\x97\xBA", nullptr},  // U+1F5FA, past what GDAL's 16-bit characters hold
      {"\xFF", nullptr},             // not UTF-8
      {"\xE5\x9B", nullptr},         // a character cut short
      {"\xC0\xAF", nullptr},         // an overlong "/"
      {"\xED\xA0\x80", nullptr},     // a lone surrogate
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    if (c.escaped != nullptr) {
      EXPECT_EQ(DxfEscapedText(c.text), c.escaped);
    } else {
      EXPECT_THROW(DxfEscapedText(c.text), Error);
    }
  }
  // A refused number fails the whole file, which is not written.
  TCustomMapUnions table = {{{"ok", 0, 0, 1, 1}, {"caf\xC3\xA9", 1, 0, 2, 1}}};
  ScratchDir dir;
  GisOptions options;
  options.format = GisFormat::Dxf;
  Message reason;
  EXPECT_FALSE(WriteGisCustomSheets(dir.File("x.dxf"), table, options, &reason));
  EXPECT_NE(reason.Text().find("café"), std::string::npos) << reason;
  EXPECT_NE(reason.Text().find("x.dxf"), std::string::npos) << reason;
  EXPECT_FALSE(testing::FileExists(dir.File("x.dxf")));
}

}  // namespace
}  // namespace karvento
