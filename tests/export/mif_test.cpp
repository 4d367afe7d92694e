// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "export/mif_stream.h"
#include "export/number_format.h"
#include "export/text_output.h"
#include "numbering/unMapUnRgPub.h"
#include "test_files.h"

namespace karvento {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

// "  图幅号 Char(30)" in GBK.
const std::string kColumnLine = "  \xCD\xBC\xB7\xF9\xBA\xC5 Char(30)";

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

std::string Header(const std::string& coordSys) {
  return Lines({"Version 450", "Charset \"WindowsSimpChinese\"", "Delimiter \",\"", coordSys,
                "Columns 1", kColumnLine, "Data"});
}

TStandardMapUnion Sheet(const std::string& no, double w, double s, double e, double n,
                        std::array<TPlanePoint, 4> corners = {}) {
  TStandardMapUnion u;
  u.MapUnionNo = no;
  u.Range = {{w, 0, 0}, {s, 0, 0}, {e, 0, 0}, {n, 0, 0}};
  u.PlaneCorners = corners;
  return u;
}

// A plane sheet whose corners are a rectangle from (x, y) of width and height
// h, skewed a little as projected sheets are.
TStandardMapUnion PlaneSheet(const std::string& no, double x, double y, double h) {
  return Sheet(no, 0, 0, 0, 0,
               {TPlanePoint{x + 1, y + h}, TPlanePoint{x + h, y + h + 2}, TPlanePoint{x + h - 1, y},
                TPlanePoint{x, y - 2}});
}

TCustomMapUnion Custom(const std::string& no, double x0, double y0, double x1, double y1) {
  return {no, x0, y0, x1, y1};
}

TEST(ExtractFileTitle, NameWithoutFolderAndExtension) {
  struct Case { const char* name; const char* title; } cases[] = {
      {"maps/a.b.mif", "a.b"}, {"maps/sheets.mif", "sheets"}, {"/x/y/z.MIF", "z"},
      {"noext", "noext"},      {"dir.d/noext", "noext"},      {"a.", "a"},
      {"maps/", ""},           {"", ""},                      {"图幅/北京.mif", "北京"},
  };
  for (const auto& c : cases) EXPECT_EQ(ExtractFileTitle(c.name), c.title) << c.name;
}

// The worked examples, file by file and byte by byte.
TEST(MifFiles, WorkedExamples) {
  ScratchDir dir;
  struct Case {
    const char* what;
    std::function<bool(const std::string&, Message*)> write;
    std::string mif, mid;
  } cases[] = {
      {"J50 in geographic coordinates",
       [](const std::string& f, Message* r) {
         return WriteGeoMif(f, {{Sheet("J50", 114, 36, 120, 40)}}, r);
       },
       Header("CoordSys Earth Projection 1, 0") +
           Lines({"Region 1", "  5", "114 40", "120 40", "120 36", "114 36", "114 40",
                  "    Pen (1,2,0)", "    Brush (1,0,16777215)", "    Center 117 38"}),
       Lines({"\"J50\""})},
      {"an independent sheet (0, 0, 500, 500)",
       [](const std::string& f, Message* r) {
         return WriteCustomMif(f, {{Custom("1-1", 0, 0, 500, 500)}}, r);
       },
       Header("CoordSys NonEarth Units \"m\" Bounds (-2500, -2500) (3000, 3000)") +
           Lines({"Region 1", "  5", "0 500", "500 500", "500 0", "0 0", "0 500", "    Pen (1,0,0)",
                  "    Brush (0,0,16777215)", "    Center 250 250"}),
       Lines({"\"1-1\""})},
      {"geographic minutes and seconds in decimal degrees, a quote doubled as MapInfo reads it",
       [](const std::string& f, Message* r) {
         TStandardMapUnion u = Sheet("J-50-5-\"A", 0, 0, 0, 0);
         u.Range = {{116, 30, 0}, {39, 50, 0}, {116, 37, 30}, {39, 55, 0}};
         return WriteGeoMif(f, {{u}}, r);
       },
       Header("CoordSys Earth Projection 1, 0") +
           Lines({"Region 1", "  5", "116.5 39.9166666666667", "116.625 39.9166666666667",
                  "116.625 39.8333333333333", "116.5 39.8333333333333", "116.5 39.9166666666667",
                  "    Pen (1,2,0)", "    Brush (1,0,16777215)",
                  "    Center 116.5625 39.875"}),
       Lines({"\"J-50-5-\"\"A\""})},
      {"an empty geographic table: the header and an empty MID",
       [](const std::string& f, Message* r) { return WriteGeoMif(f, {}, r); },
       Header("CoordSys Earth Projection 1, 0"), ""},
      {"plane corners as they stand, centre from the extreme values",
       [](const std::string& f, Message* r) {
         return WritePlaneMif(f, {{PlaneSheet("J50G003040", 39500000, 4400000, 4600)}}, true, 117, r);
       },
       Header("CoordSys NonEarth Units \"m\" Bounds (39477005, 4376988) (39527595, 4427612)") +
           Lines({"Region 1", "  5", "39500001 4404600", "39504600 4404602", "39504599 4400000",
                  "39500000 4399998", "39500001 4404600", "    Pen (1,0,0)",
                  "    Brush (0,0,16777215)", "    Center 39502300 4402300"}),
       Lines({"\"J50G003040\""})},
      {"a custom number with Chinese text goes out in GBK",
       [](const std::string& f, Message* r) {
         return WriteCustomMif(f, {{Custom("北1-2", 0.5, 0.25, 1.5, 1.25)}}, r);
       },
       Header("CoordSys NonEarth Units \"m\" Bounds (-4.5, -4.75) (6.5, 6.25)") +
           Lines({"Region 1", "  5", "0.5 1.25", "1.5 1.25", "1.5 0.25", "0.5 0.25", "0.5 1.25",
                  "    Pen (1,0,0)", "    Brush (0,0,16777215)", "    Center 1 0.75"}),
       Lines({"\"\xB1\xB1" "1-2\""})},
  };
  for (const auto& c : cases) {
    const std::string mif = dir.File("out.mif");
    Message reason = Message::Plain("unchanged");
    ASSERT_TRUE(c.write(mif, &reason)) << c.what << ": " << reason;
    EXPECT_EQ(reason, "unchanged") << c.what;
    EXPECT_EQ(ReadFile(mif), c.mif) << c.what;
    EXPECT_EQ(ReadFile(dir.File("out.mid")), c.mid) << c.what;
    EXPECT_EQ(dir.Listing(), "out.mid\nout.mif\n") << c.what;
  }
}

// The bounds line of the plane writers follows from sheets A and B alone.
TEST(MifFiles, BoundsFromSheetsAAndB) {
  ScratchDir dir;
  std::vector<std::vector<TCustomMapUnion>> grid20;
  for (int r = 0; r < 20; ++r) grid20.push_back({Custom("r", 0, 500.0 * r, 500, 500.0 * r + 500)});
  // Two columns of three plane sheets, 1000 m high: column 1 at x 0, column 2
  // at x 1000; the inner order is north to south, so A (last of column 1)
  // lies at y 0 and B (first of column 2) at y 2000.
  TStandardMapUnions twoColumns(2);
  for (int c = 0; c < 2; ++c) {
    for (int s = 2; s >= 0; --s) twoColumns[c].push_back(PlaneSheet("p", 1000.0 * c, 1000.0 * s, 1000));
  }
  // A conversion result: the outer index runs over source numbers, so A is
  // the last target of the first source and B the first target of the last
  // source, whatever the other sheets are.
  TStandardMapUnions converted = {
      {PlaneSheet("a1", 0, 0, 10), PlaneSheet("a2", 100, 100, 10)},
      {PlaneSheet("m", -99999, -99999, 10)},
      {PlaneSheet("b1", 500, 500, 20), PlaneSheet("b2", 9000, 9000, 10)},
  };
  struct Case {
    const char* what;
    std::function<bool(const std::string&)> write;
    const char* line;
  } cases[] = {
      {"20 rows of 500 m sheets",
       [&](const std::string& f) { return WriteCustomMif(f, grid20, nullptr); },
       "CoordSys NonEarth Units \"m\" Bounds (-2500, -2500) (3000, 12500)"},
      {"two columns of three",
       // A: SW (0, -2), SE.X 999, NW.Y 1000 → minx -4995, miny -5012.
       // B: NE (2000, 3002), NW.X 1001, SE.Y 2000 → maxx 6995, maxy 8012.
       [&](const std::string& f) { return WritePlaneMif(f, twoColumns, true, 117, nullptr); },
       "CoordSys NonEarth Units \"m\" Bounds (-4995, -5012) (6995, 8012)"},
      {"a conversion result",
       // A = a2: SW (100, 98), SE.X 109, NW.Y 110 → minx 55, miny 38.
       // B = b1: NE (520, 522), NW.X 501, SE.Y 500 → maxx 615, maxy 632.
       [&](const std::string& f) { return WritePlaneMif(f, converted, true, 117, nullptr); },
       "CoordSys NonEarth Units \"m\" Bounds (55, 38) (615, 632)"},
  };
  for (const auto& c : cases) {
    const std::string mif = dir.File("b.mif");
    ASSERT_TRUE(c.write(mif)) << c.what;
    const std::string text = ReadFile(mif);
    const std::size_t start = text.find("CoordSys");
    EXPECT_EQ(text.substr(start, text.find("\r\n", start) - start), c.line) << c.what;
  }
}

TEST(MifFiles, MidFileBesideTheMif) {
  ScratchDir dir;
  ASSERT_EQ(::mkdir(dir.File("maps").c_str(), 0755), 0);
  struct Case { const char* mif; const char* mid; } cases[] = {
      {"maps/a.b.mif", "maps/a.b.mid"},
      {"maps/sheets.mif", "maps/sheets.mid"},
      {"maps/noext", "maps/noext.mid"},
      {"maps/upper.MIF", "maps/upper.mid"},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(WriteGeoMif(dir.File(c.mif), {{Sheet("J50", 114, 36, 120, 40)}}, nullptr)) << c.mif;
    EXPECT_EQ(ReadFile(dir.File(c.mid)), "\"J50\"\r\n") << c.mif;
    EXPECT_TRUE(FileExists(dir.File(c.mif)));
  }
  int status = 0;
  EXPECT_EQ(testing::Run("ls " + testing::Quote(dir.File("maps")) + " | wc -l", &status), "8\n");
  // Through a link the MID goes beside the real MIF, under its title, where
  // a reader of that MIF looks for it; nothing is made beside the link.
  ASSERT_EQ(::mkdir(dir.File("real").c_str(), 0755), 0);
  ASSERT_EQ(::symlink("real/b.mif", dir.File("link.mif").c_str()), 0);
  ASSERT_TRUE(WriteGeoMif(dir.File("link.mif"), {{Sheet("J50", 114, 36, 120, 40)}}, nullptr));
  EXPECT_EQ(ReadFile(dir.File("real/b.mid")), "\"J50\"\r\n");
  EXPECT_FALSE(FileExists(dir.File("link.mid")));
  // A pipe or a device has no folder for the MID: refused, nothing made.
  ASSERT_EQ(::mkfifo(dir.File("pipe.mif").c_str(), 0600), 0);
  Message reason;
  EXPECT_FALSE(WriteGeoMif(dir.File("pipe.mif"), {{Sheet("J50", 114, 36, 120, 40)}}, &reason));
  EXPECT_EQ(reason, "无法写入文件 “" + dir.File("pipe.mif") +
                        "”：不是普通文件（设备、管道或终端），MIF 只能写入普通文件：它的 MID 文件要写在它旁边");
  EXPECT_FALSE(FileExists(dir.File("pipe.mid")));
}

TEST(MifFiles, EveryRecordInTableOrder) {
  ScratchDir dir;
  TStandardMapUnions table(3);
  std::string mid;
  for (int c = 0; c < 3; ++c) {
    for (int s = 0; s < c + 1; ++s) {
      const std::string no = "J50G00" + std::to_string(s + 1) + "00" + std::to_string(c + 1);
      table[c].push_back(Sheet(no, 114 + c, 39 - s, 115 + c, 40 - s));
      mid += "\"" + no + "\"\r\n";
    }
  }
  ASSERT_TRUE(WriteGeoMif(dir.File("t.mif"), table, nullptr));
  EXPECT_EQ(ReadFile(dir.File("t.mid")), mid);
  const std::string mif = ReadFile(dir.File("t.mif"));
  // Regions in the same order: the centre of the last is (116.5, 37.5).
  EXPECT_NE(mif.find("    Center 116.5 37.5\r\n"), std::string::npos);
  EXPECT_EQ(mif.size() - mif.rfind("    Center 116.5 37.5\r\n"), 23u);
  std::size_t regions = 0;
  for (std::size_t p = 0; (p = mif.find("Region 1\r\n", p)) != std::string::npos; ++p) ++regions;
  EXPECT_EQ(regions, 6u);
}

// The column writer into a pair of sinks (the browser page's files) writes
// the bytes of the table's writers; a number that no record can hold is
// refused under the MID's given name.
TEST(MifFiles, ColumnsIntoSinksAsTheFilesOfTheTable) {
  ScratchDir dir;
  TStandardMapUnions table(3);
  for (int c = 0; c < 3; ++c) {
    for (int s = 0; s < 2; ++s) {
      const double x = c, y = s;
      TStandardMapUnion sheet = PlaneSheet("J50G00" + std::to_string(s + 1) + "00" + std::to_string(c + 1),
                                           1000 * x, -1000 * y, 990);
      sheet.Range = {{114 + x, 0, 0}, {39 - y, 0, 0}, {115 + x, 0, 0}, {40 - y, 0, 0}};
      table[c].push_back(sheet);
    }
  }
  for (const bool geo : {false, true}) {
    ASSERT_TRUE(geo ? WriteGeoMif(dir.File("t.mif"), table, nullptr)
                    : WritePlaneMif(dir.File("t.mif"), table, true, 117, nullptr));
    StringSink mif, mid;
    MifColumnWriter writer(mif, mid, "t.mid", geo, &table.front().back(), &table.back().front(), true, 117);
    for (const auto& column : table) writer.Column(column);
    writer.Commit();
    EXPECT_EQ(mif.text, ReadFile(dir.File("t.mif"))) << geo;
    EXPECT_EQ(mid.text, ReadFile(dir.File("t.mid"))) << geo;
  }
  StringSink mif, mid;
  MifColumnWriter writer(mif, mid, "图幅号.mid", true, nullptr, nullptr, true, 0);
  try {
    writer.Column({Sheet("J50\n", 114, 39, 115, 40)});
    ADD_FAILURE() << "written";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "无法写入文件 “图幅号.mid”：图幅号“J50\\n”含有换行符或 NUL 字符，不能写入文件");
  }
}

// Shared corners are formatted once and reused: the text must be exactly what
// formatting every corner on its own gives, also where two corners differ in
// the last bit only, or in one coordinate only.
TEST(MifFiles, SharedCornersWrittenAsEachCornerOnItsOwn) {
  ScratchDir dir;
  const double y = 4420000.123456789;
  const double yBelow = std::nextafter(y, 0.0);
  std::vector<std::array<TPlanePoint, 4>> sheets = {
      {TPlanePoint{500000.5, 4424600.25}, {503500.75, 4424600.25}, {503500.75, y}, {500000.5, y}},
      // Shares NW and NE with the previous SW and SE.
      {TPlanePoint{500000.5, y}, {503500.75, y}, {503500.75, 4415400}, {500000.5, 4415400}},
      // NW one bit below the previous SW; NE with the previous SE's Y but
      // another X; SE equal to the previous SW (a corner may match any).
      {TPlanePoint{500000.5, std::nextafter(4415400.0, 0.0)}, {503500.5, 4415400},
       {500000.5, 4415400}, {0, 0}},
      // Corners repeated within one sheet.
      {TPlanePoint{1, 2}, {1, 2}, {1, 2}, {1, 2}},
      {TPlanePoint{-0.0, 0}, {0, -0.0}, {1E-5, yBelow}, {1E20, y}},
  };
  TStandardMapUnions table(1);
  std::string body;
  for (const auto& c : sheets) {
    TStandardMapUnion u;
    u.MapUnionNo = "s";
    u.PlaneCorners = c;
    table[0].push_back(u);
    auto point = [](const TPlanePoint& p) { return GeneralText(p.X) + " " + GeneralText(p.Y); };
    double minX = c[0].X, maxX = c[0].X, minY = c[0].Y, maxY = c[0].Y;
    for (const auto& p : c) {
      minX = std::min(minX, p.X);
      maxX = std::max(maxX, p.X);
      minY = std::min(minY, p.Y);
      maxY = std::max(maxY, p.Y);
    }
    body += Lines({"Region 1", "  5", point(c[kNW]), point(c[kNE]), point(c[kSE]), point(c[kSW]),
                   point(c[kNW]), "    Pen (1,0,0)", "    Brush (0,0,16777215)",
                   "    Center " + GeneralText((minX + maxX) / 2) + " " + GeneralText((minY + maxY) / 2)});
  }
  ASSERT_TRUE(WritePlaneMif(dir.File("c.mif"), table, true, 117, nullptr));
  const std::string text = ReadFile(dir.File("c.mif"));
  EXPECT_EQ(text.substr(text.find("Data\r\n") + 6), body);
  EXPECT_NE(body.find("4420000.12345679"), std::string::npos);  // the shared corner
}

}  // namespace
}  // namespace karvento
