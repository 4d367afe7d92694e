// SPDX-License-Identifier: Apache-2.0
// The area of interest of a geodetic tab (导入范围, 清除范围) and the 接合图表
// of the sheet information.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "geodesy/transform.h"
#include "gis/layer_tag.h"
#include "numbering/unMapUnRgPub.h"
#include "window_fixture.h"
#include "workbench/coord_transform.h"

namespace karvento {
namespace {

using AreaTab = testing::WindowTest;
using testing::LessOffsets;

// An L-shaped county with a notch, in GeoJSON's longitude and latitude
// (WGS 84), and the same polygon as the numbering routines take it.
const GeoMultiPolygon kArea = {{{{{116.30, 39.80},
                                  {116.62, 39.80},
                                  {116.62, 39.93},
                                  {116.45, 39.93},
                                  {116.45, 40.10},
                                  {116.30, 40.10}}}}};

std::string WriteGeoJson(const std::string& file) {
  std::ofstream out(file);
  out << R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},)"
      << R"("geometry":{"type":"Polygon","coordinates":[[)";
  for (const GeoPoint& p : kArea[0].rings[0]) out << "[" << p.lon << "," << p.lat << "],";
  out << "[" << kArea[0].rings[0][0].lon << "," << kArea[0].rings[0][0].lat << "]]]}}]}\n";
  return file;
}

std::vector<std::string> Numbers(const TStandardMapUnions& t) {
  std::vector<std::string> v;
  for (const auto& column : t) {
    for (const auto& s : column) v.push_back(s.MapUnionNo);
  }
  return v;
}

TEST_F(AreaTab, GenerateListsTheSheetsOfTheImportedAreaWithinTheCorners) {
  testing::TempDir dir;
  const std::string file = WriteGeoJson(dir.File("county.geojson"));
  struct Case {
    int tab;
    Datum datum;
    bool notice;  // WGS 84 on a legacy datum: taken as it is, and said so
  } cases[] = {{kTabCgcs2000, Datum::Cgcs2000, false}, {kTabBeijing54, Datum::Beijing54, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tab);
    GeodeticTab& t = Geodetic(c.tab);
    ASSERT_TRUE(frm.SetActiveTab(c.tab));
    t.OffsetX.SetValue(1000);
    ui.fileNames.push_back(file);
    ASSERT_TRUE(frm.Click(t.ImportArea.Name()));
    EXPECT_EQ(ui.fileDialogs.back().filter, kAreaFilter);
    EXPECT_EQ(t.AreaLabel.Caption, "范围：" + file + "，1 个多边形");
    EXPECT_TRUE(t.ClearArea.Enabled);
    if (c.notice) {
      const auto m = TakeMessage();
      EXPECT_EQ(m.icon, MessageIcon::Information);
      EXPECT_NE(m.text.find("北京1954"), std::string::npos) << m.text;
      EXPECT_EQ(frm.StatusLine.Caption, m.text);
    } else {
      EXPECT_TRUE(ui.messages.empty());
    }
    // The corners are the area's bounds snapped outward to the 1:1万 grid.
    const TMapUnionRange r = AreaSheetRange(kArea, 6);
    EXPECT_EQ(Corners(c.tab), (std::vector<double>{r.West.Degrees, r.West.Minutes, r.West.Seconds,
                                                   r.South.Degrees, r.South.Minutes, r.South.Seconds,
                                                   r.East.Degrees, r.East.Minutes, r.East.Seconds,
                                                   r.North.Degrees, r.North.Minutes, r.North.Seconds}));
    const double cm = t.Meridian.Value();
    TStandardMapUnions inArea, whole;
    CreateMapUnionsInArea(kArea, 6, true, true, c.datum, cm, 0, inArea);
    CreateMapUnionsOfStandard(r, 6, true, true, c.datum, cm, whole);
    frm.RzBitBtn1Click();
    EXPECT_EQ(Records(t.List), Flat(LessOffsets(inArea, 1000, 0)));
    // The notch is left out.
    EXPECT_LT(t.List.Count(), Numbers(whole).size());

    // Corners narrowed by hand: the area's sheets that the corners' request
    // lists too, in order.
    SetCorners(c.tab, {116, 24, 0}, {39, 50, 0}, {116, 40, 0}, {40, 10, 0});
    TStandardMapUnions narrowed;
    CreateMapUnionsOfStandard(
        TMapUnionRange{{116, 24, 0}, {39, 50, 0}, {116, 40, 0}, {40, 10, 0}}, 6, true, true, c.datum,
        cm, narrowed);
    std::vector<std::string> both;
    const std::vector<std::string> n = Numbers(narrowed);
    for (const std::string& s : Numbers(inArea)) {
      if (std::find(n.begin(), n.end(), s) != n.end()) both.push_back(s);
    }
    frm.RzBitBtn1Click();
    EXPECT_EQ(Texts(t.List), both);
    EXPECT_FALSE(both.empty());
    EXPECT_LT(both.size(), n.size());

    // Cleared: the corners' whole request again.
    ASSERT_TRUE(frm.Click(t.ClearArea.Name()));
    EXPECT_EQ(t.AreaLabel.Caption, "");
    EXPECT_FALSE(t.ClearArea.Enabled);
    frm.RzBitBtn1Click();
    EXPECT_EQ(Texts(t.List), n);
  }
}

TEST_F(AreaTab, AFileThatIsNoAreaChangesNothing) {
  testing::TempDir dir;
  const std::string notJson = dir.File("notes.geojson");
  std::ofstream(notJson) << "not a polygon\n";
  const std::string west = dir.File("west.geojson");
  std::ofstream(west) << R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},)"
                      << R"("geometry":{"type":"Polygon","coordinates":[[[-1,40],[1,40],[1,41],[-1,40]]]}}]})";
  const std::string points = dir.File("points.geojson");
  std::ofstream(points) << R"({"type":"FeatureCollection","features":[{"type":"Feature",)"
                        << R"("properties":{},"geometry":{"type":"Point","coordinates":[116,40]}}]})";
  // A VRT under a GeoJSON name, whose source is standard input: refused, not
  // read (the test would block on its standard input otherwise).
  const std::string vrt = dir.File("vrt.geojson");
  std::ofstream(vrt) << R"(<OGRVRTDataSource><OGRVRTLayer name="x"><SrcDataSource>/vsistdin/</SrcDataSource></OGRVRTLayer></OGRVRTDataSource>)";
  const std::string nan = dir.File("nan.geojson");
  std::ofstream(nan) << R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},)"
                     << R"("geometry":{"type":"Polygon","coordinates":[[[NaN,40],[117,40],[117,41],[116,40]]]}}]})";
  GeodeticTab& t = Geodetic(kTabXian80);
  ASSERT_TRUE(frm.SetActiveTab(kTabXian80));
  const std::vector<double> before = Corners(kTabXian80);
  for (const std::string& file : {notJson, points, west, dir.File("missing.shp"), vrt, nan}) {
    ui.fileNames.push_back(file);
    ASSERT_TRUE(frm.Click(t.ImportArea.Name()));
    const auto m = TakeMessage();
    EXPECT_EQ(m.icon, MessageIcon::Error) << file;
    EXPECT_NE(m.text.find(file), std::string::npos) << m.text;
    EXPECT_FALSE(t.Area.has_value());
    EXPECT_EQ(t.AreaLabel.Caption, "");
    EXPECT_EQ(Corners(kTabXian80), before);
  }
  // Cancelling the dialog changes nothing either.
  ui.fileNames.push_back(std::nullopt);
  ASSERT_TRUE(frm.Click(t.ImportArea.Name()));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_FALSE(t.Area.has_value());
}

// The sheet information of a listed sheet carries its 接合图表 with the
// list's plane corners; a neighbour chosen there is added to the list.
TEST_F(AreaTab, TheInformationShowsTheNeighboursAndAddsOne) {
  struct Case {
    int tab;
    int scale;
    bool newStandard;
    TAngleDMS west, south;  // a corner on a 1:100万 edge and a 6° zone edge
  } cases[] = {{kTabBeijing54, 6, true, {120, 0, 0}, {40, 0, 0}},
               {kTabXian80, 4, false, {120, 0, 0}, {40, 0, 0}},
               {kTabCgcs2000, 9, true, {114, 0, 0}, {36, 0, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tab);
    GeodeticTab& t = Geodetic(c.tab);
    ASSERT_TRUE(frm.SetActiveTab(c.tab));
    t.Scale.SetItemIndex(c.scale);
    (c.newStandard ? t.NewStandard : t.OldStandard).Choose();
    t.Zone.SetItemIndex(1);
    t.OffsetY.SetValue(500000);
    // A rectangle of two seconds just north-east of the corner.
    const auto plus = [](TAngleDMS a, double s) { return a.Seconds += s, a; };
    SetCorners(c.tab, plus(c.west, 1), plus(c.south, 1), plus(c.west, 2), plus(c.south, 2));
    frm.RzBitBtn1Click();
    ASSERT_EQ(t.List.Count(), 1u);
    const TStandardMapUnion sheet = t.List.StandardRecord(0);
    // A conversion on the same system with other offsets changes nothing
    // of this list's plane corners.
    frm.SetActiveTab(kTabConvert);
    (t.datum == Datum::Beijing54 ? frm.RzRadioButton7
     : t.datum == Datum::Xian80  ? frm.RzRadioButton8
                                 : frm.RzRadioButton13)
        .Choose();
    frm.RzNumericEdit10.SetValue(123);
    AddSources({"J-50-5-(24)"});
    frm.RzBitBtn1Click();
    ASSERT_GT(frm.RzCheckList5.Count(), 0u);
    frm.SetActiveTab(c.tab);
    t.List.SetItemIndex(0);
    // Add the north-west neighbour while the dialog is open.
    ui.onInformation = [](TfrmTFInformation& d) {
      d.AddNeighbour(4);  // the sheet itself: nothing
      d.AddNeighbour(0);
      EXPECT_EQ(d.AddNeighbourResult, "已加入 " + d.Neighbours[0].MapUnionNo);
      d.AddNeighbour(0);  // already listed: nothing
      EXPECT_EQ(d.AddNeighbourResult, "已在列表中：" + d.Neighbours[0].MapUnionNo);
    };
    ASSERT_TRUE(frm.DblClick(t.List.Name()));
    ui.onInformation = nullptr;
    ASSERT_FALSE(ui.informations.empty());
    const auto& shown = ui.informations.back();
    ASSERT_TRUE(shown.neighboursShown);
    std::array<TStandardMapUnion, 9> expected = SheetNeighbours(
        DmsToSec(c.west) + 1, DmsToSec(c.south) + 1, c.scale, c.newStandard, false, t.datum, 0);
    for (TStandardMapUnion& e : expected) e = LessOffsets({{e}}, 0, 500000)[0][0];
    EXPECT_EQ(shown.neighbours[4], sheet);
    for (std::size_t k = 0; k < 9; ++k) EXPECT_EQ(shown.neighbours[k], expected[k]) << k;
    // Across the corner: the north-west neighbour lies in another 1:100万
    // sheet (K-50 or K50 beside K-51 or K51).
    const auto million = [](const std::string& n) { return n.substr(0, n.find('-', 2)).substr(0, 4); };
    EXPECT_NE(million(expected[0].MapUnionNo), million(sheet.MapUnionNo));
    ASSERT_EQ(t.List.Count(), 2u);
    EXPECT_EQ(t.List.StandardRecord(1), expected[0]);
    // The sources of a conversion are typed numbers: no 接合图表 there.
    frm.SetActiveTab(kTabConvert);
    frm.RzCheckList4.SetItemIndex(0);
    ASSERT_TRUE(frm.DblClick(frm.RzCheckList4.Name()));
    EXPECT_FALSE(ui.informations.back().neighboursShown);
    frm.RzCheckList4.SetAllChecked(true);
    ui.answers.push_back(MessageResult::Yes);
    frm.RzToolbarButton16Click();
  }
}

TEST_F(AreaTab, TagLayerWritesTheNumbersOfTheTabsDatumAndStandard) {
  testing::TempDir dir;
  const std::string in = dir.File("points.geojson"), out = dir.File("points.csv");
  std::ofstream(in) << R"({"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"EPSG:4490"}},)"
                    << R"("features":[{"type":"Feature","properties":{"name":"GP01"},)"
                    << R"("geometry":{"type":"Point","coordinates":[116.25,39.75]}}]})";
  GeodeticTab& t = Geodetic(kTabCgcs2000);
  ASSERT_TRUE(frm.SetActiveTab(kTabCgcs2000));
  t.OldStandard.Choose();
  ui.fileNames = {in, out};
  ui.texts.push_back("1:1万，1:5万");
  ASSERT_TRUE(frm.Click(t.TagLayer.Name()));
  ASSERT_EQ(ui.stringDialogs.size(), 1u);
  EXPECT_EQ(ui.stringDialogs[0].text, kScaleCaptions[static_cast<std::size_t>(t.Scale.ItemIndex())]);
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_NE(ui.messages.back().text.find("已赋图幅号：1 个要素"), std::string::npos) << ui.messages.back().text;
  std::ifstream read(out);
  std::string head, row;
  std::getline(read, head);
  std::getline(read, row);
  // The old standard of the tab; the corner point goes to the north-east sheet.
  EXPECT_NE(head.find("旧图幅号_5万,旧图幅号_1万"), std::string::npos) << head;
  EXPECT_NE(row.find("GP01,J-50-5-D,J-50-5-(45)"), std::string::npos) << row;

  // The same CGCS2000 layer on the Beijing 1954 tab: refused, nothing written.
  GeodeticTab& b = Geodetic(kTabBeijing54);
  ASSERT_TRUE(frm.SetActiveTab(kTabBeijing54));
  const std::string refused = dir.File("refused.csv");
  // The user, asked whether to relate the two with a parameter file, says
  // no: the routine's refusal, nothing written.
  ui.fileNames = {in, refused};
  ui.texts.push_back("1:1万");
  ui.answers.push_back(MessageResult::No);
  ASSERT_TRUE(frm.Click(b.TagLayer.Name()));
  ASSERT_GE(ui.messages.size(), 2u);
  const auto& question = ui.messages[ui.messages.size() - 2];
  EXPECT_EQ(question.buttons, MessageButtons::YesNo);
  EXPECT_NE(question.text.find("图层的坐标在 2000国家大地坐标系 上，图幅在 北京1954 上"), std::string::npos)
      << question.text;
  EXPECT_NE(ui.messages.back().text.find("相差可达约 100 米"), std::string::npos) << ui.messages.back().text;
  EXPECT_TRUE(ui.answers.empty());
  EXPECT_EQ(ui.fileDialogs.size(), 4u);  // no parameter file asked for
  EXPECT_FALSE(std::ifstream(refused).good());
}

// The tab's 中央经度 is the zone of a plane layer without a system only: a
// table of longitudes and latitudes and a layer on another zone's system are
// read as they are, whatever the tab's meridian.
TEST_F(AreaTab, TagLayerReadsALayerOfItsOwnKindWhateverTheTabsMeridian) {
  testing::TempDir dir;
  const std::string geographic = dir.File("geographic.csv");
  std::ofstream(geographic) << "name,lon,lat\nGP01,116.27,39.76\n";
  // 116.27° E, 39.76° N on CGCS2000's 3° zone 38 (114° E, EPSG:4526).
  const std::string plane = dir.File("zone38.geojson");
  std::ofstream(plane) << R"({"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"EPSG:4526"}},)"
                       << R"("features":[{"type":"Feature","properties":{"name":"GP01"},)"
                       << R"("geometry":{"type":"Point","coordinates":[38694530.353,4405346.606]}}]})";
  GeodeticTab& t = Geodetic(kTabCgcs2000);
  ASSERT_TRUE(frm.SetActiveTab(kTabCgcs2000));
  t.NewStandard.Choose();
  t.Meridian.SetValue(117);
  for (const std::string& in : {geographic, plane}) {
    SCOPED_TRACE(in);
    const std::string out = dir.File("tagged.csv");
    ui.fileNames = {in, out};
    ui.texts.push_back("1:1万");
    ASSERT_TRUE(frm.Click(t.TagLayer.Name()));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages.back().text.find("已赋图幅号：1 个要素"), std::string::npos) << ui.messages.back().text;
    std::ifstream read(out);
    std::string head, row;
    std::getline(read, head);
    std::getline(read, row);
    EXPECT_NE(row.find("J50G006037"), std::string::npos) << row;
  }
}

std::string Slurp(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(AreaTab, TagLayerOnAnotherDatumThroughTheParameterFileAsTheCommandLine) {
  // Beijing 1954 points up to 30 m west and south of 1:1万 sheet lines: the
  // relation to CGCS2000 (some 100 m north-east here) moves several across.
  testing::TempDir dir;
  const std::string in = dir.File("bj54.geojson");
  {
    std::ofstream out(in);
    out.precision(12);
    out << R"({"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"EPSG:4214"}},"features":[)";
    for (int i = 0; i < 12; ++i) {
      out << (i ? "," : "") << R"({"type":"Feature","properties":{"id":)" << i
          << R"(},"geometry":{"type":"Point","coordinates":[)" << 100 + i * 0.8125 - 0.0001 * (i % 4) << ","
          << 25 + i * 0.5 - 0.0001 * (i % 3) << "]}}";
    }
    out << "]}";
  }
  TransformParams t;
  t.bursa = {-15.415, 150.296, 72.452, 1.218, -0.804, 2.537, -3.113, RotationConvention::PositionVector};
  const std::string params = dir.Write("bj54.k7p", FormatTransformParams(t));
  TransformParams xian = t;
  xian.source = Datum::Xian80;
  const std::string wrongDatums = dir.Write("xian80.k7p", FormatTransformParams(xian));
  const std::string notParams = dir.Write("notes.k7p", "model = bursa9\n");

  GeodeticTab& tab = Geodetic(kTabCgcs2000);
  ASSERT_TRUE(frm.SetActiveTab(kTabCgcs2000));
  const std::string window = dir.File("window.csv");
  ui.fileNames = {in, window, params};
  ui.texts.push_back("1:1万");
  ui.answers.push_back(MessageResult::Yes);
  ASSERT_TRUE(frm.Click(tab.TagLayer.Name()));
  ASSERT_EQ(ui.fileDialogs.size(), 3u);
  EXPECT_EQ(ui.fileDialogs[2].filter, kParamsFilter);
  EXPECT_TRUE(ui.answers.empty());
  EXPECT_NE(ui.messages.back().text.find("已赋图幅号：12 个要素"), std::string::npos) << ui.messages.back().text;
  EXPECT_NE(ui.messages.back().text.find("参数取自 " + params), std::string::npos) << ui.messages.back().text;

  // The same request on the command line: the same file, byte for byte.
  const std::string cli = dir.File("cli.csv");
  ASSERT_EQ(std::system((std::string(KARVENTO_CLI) + " tag " + in + " --datum 2000 --transform " + params +
                         " --scale 1:1万 --quiet --output " + cli)
                            .c_str()),
            0);
  const std::string tagged = Slurp(window);
  EXPECT_FALSE(tagged.empty());
  EXPECT_EQ(tagged, Slurp(cli));
  // And the relation decided numbers: the coordinates taken as CGCS2000
  // ones get other sheets.
  LayerTagRequest q;
  q.input = dir.Write("as2000.geojson", [&] {
    std::string text = Slurp(in);
    text.replace(text.find("EPSG:4214"), 9, "EPSG:4490");
    return text;
  }());
  q.output = dir.File("as2000.csv");
  q.format = TagFormat::Csv;
  q.scales = {6};
  TagLayer(q);
  EXPECT_NE(tagged, Slurp(q.output));

  // Parameter files refused: the file named with the reason, nothing written.
  struct Refused {
    std::string file, reason;
  } refusals[] = {{wrongDatums, "转换参数从 西安1980 到 2000国家大地坐标系，图层却在 北京1954 上"}, {notParams, "karvento-transform = 1"}};
  for (const Refused& r : refusals) {
    SCOPED_TRACE(r.file);
    const std::string out = dir.File("refused.csv");
    ui.fileNames = {in, out, r.file};
    ui.texts.push_back("1:1万");
    ui.answers.push_back(MessageResult::Yes);
    ASSERT_TRUE(frm.Click(tab.TagLayer.Name()));
    EXPECT_EQ(ui.messages.back().icon, MessageIcon::Error);
    EXPECT_NE(ui.messages.back().text.find(r.file + "："), std::string::npos) << ui.messages.back().text;
    EXPECT_NE(ui.messages.back().text.find(r.reason), std::string::npos) << ui.messages.back().text;
    EXPECT_FALSE(std::ifstream(out).good());
  }
}

}  // namespace
}  // namespace karvento
