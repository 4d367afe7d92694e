// SPDX-License-Identifier: Apache-2.0
// The "2000国家坐标系" tab: the same controls, limits, commands and files as
// the Beijing 1954 tab, on the CGCS2000 projection, with its own list and
// table; and CGCS2000 on the conversion tab.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "geodesy/angles.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/projection.h"
#include "geodesy/transverse_mercator.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/text_files.h"
#include "window_fixture.h"

namespace karvento {
namespace {

using Cgcs2000Tab = testing::WindowTest;

constexpr double kPi = 3.14159265358979323846;

using testing::LessOffsets;

TEST_F(Cgcs2000Tab, SitsAfterTheLegacyTabsWithTheControlsOfTabZero) {
  ASSERT_EQ(frm.Tabs.size(), 6u);
  EXPECT_EQ(frm.Tabs[kTabCgcs2000].Caption, "2000国家坐标系");
  EXPECT_TRUE(frm.Tabs[kTabCgcs2000].TabVisible);
  EXPECT_FALSE(frm.Tabs[kTabAbout].TabVisible);
  GeodeticTab& t0 = Geodetic(kTabBeijing54);
  GeodeticTab& t5 = Geodetic(kTabCgcs2000);
  EXPECT_EQ(t5.datum, Datum::Cgcs2000);
  EXPECT_EQ(&t5.Table, &frm.FMapUnions2000);
  // Same limits, steps, decimals and defaults field by field.
  for (std::size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(t5.Corners[i].Name(), "RzSpinEdit" + std::to_string(35 + i));
    EXPECT_EQ(t5.Corners[i].Min(), t0.Corners[i].Min()) << i;
    EXPECT_EQ(t5.Corners[i].Max(), t0.Corners[i].Max()) << i;
    EXPECT_EQ(t5.Corners[i].Decimals(), t0.Corners[i].Decimals()) << i;
    EXPECT_EQ(t5.Corners[i].Value(), t0.Corners[i].Value()) << i;
  }
  EXPECT_EQ(t5.Meridian.Max(), 180);
  EXPECT_EQ(t5.Meridian.DisplayDecimals(), kAnyDecimals);
  EXPECT_EQ(t5.Zone.Items(), t0.Zone.Items());
  EXPECT_EQ(t5.Zone.ItemIndex(), 0);
  EXPECT_EQ(t5.Scale.Items(), t0.Scale.Items());
  EXPECT_EQ(t5.Scale.ItemIndex(), 6);
  EXPECT_TRUE(t5.NewStandard.Checked());
  EXPECT_FALSE(t5.OldStandard.Checked());
  // Tab 0's X offset keeps decimals; so does this one.
  t5.OffsetX.SetValue(12.5);
  EXPECT_EQ(t5.OffsetX.Value(), 12.5);
  t5.OffsetY.SetValue(12.5);
  EXPECT_EQ(t5.OffsetY.Value(), 13);
  t5.Corners[0].SetValue(200);
  EXPECT_EQ(t5.Corners[0].Value(), 180);
  t5.Corners[3].SetValue(95);
  EXPECT_EQ(t5.Corners[3].Value(), 90);
  // Save and the geographic export are offered as on tab 0.
  ASSERT_TRUE(frm.SetActiveTab(kTabCgcs2000));
  EXPECT_TRUE(frm.RzBitBtn2.Enabled);
  EXPECT_TRUE(frm.N1.Enabled);
  EXPECT_EQ(frm.RzBitBtn1.Caption, "生成图幅号");
}

TEST_F(Cgcs2000Tab, GenerateListsWhatTheRoutineReturnsOnCgcs2000) {
  struct Case {
    bool oldStandard;
    ScaleIndex scale;
    int zoneIndex;
    double cm, dx, dy;
  } cases[] = {
      {false, 3, 0, 0, 0, 0},   {true, 3, 0, 117, 39000000, 4000000}, {false, 4, 1, 0, 500000, 0},
      {true, 6, 1, 117, 0, 1000}, {false, 7, 0, 117, 0.5, 0},
  };
  const TMapUnionRange range{{116, 10, 0}, {39, 20, 0}, {117, 5, 0}, {40, 0, 0}};
  for (const Case& c : cases) {
    GeodeticTab& t = Geodetic(kTabCgcs2000);
    ASSERT_TRUE(frm.SetActiveTab(kTabCgcs2000));
    SetCorners(kTabCgcs2000, range.West, range.South, range.East, range.North);
    (c.oldStandard ? t.OldStandard : t.NewStandard).Choose();
    t.Scale.SetItemIndex(c.scale);
    t.Zone.SetItemIndex(c.zoneIndex);
    t.Meridian.SetValue(c.cm);
    t.OffsetX.SetValue(c.dx);
    t.OffsetY.SetValue(c.dy);
    ASSERT_TRUE(frm.Click("RzBitBtn1"));

    TStandardMapUnions direct, legacy;
    CreateMapUnionsOfStandard(range, c.scale, !c.oldStandard, c.zoneIndex == 0, Datum::Cgcs2000,
                              c.cm, direct);
    CreateMapUnionsOfStandard(range, c.scale, !c.oldStandard, c.zoneIndex == 0,
                              Datum::Beijing54, c.cm, legacy);
    ASSERT_FALSE(direct.empty());
    // The datum matters: Krassovsky's plane corners lie metres away.
    EXPECT_GT(std::abs(direct[0][0].PlaneCorners[kNW].X - legacy[0][0].PlaneCorners[kNW].X), 1);
    const TStandardMapUnions expected = LessOffsets(direct, c.dx, c.dy);
    EXPECT_EQ(frm.FMapUnions2000, expected) << c.scale;
    EXPECT_EQ(Records(t.List), Flat(expected));
    EXPECT_TRUE(frm.FMapUnions54.empty());
    EXPECT_TRUE(frm.FMapUnions80.empty());
    EXPECT_EQ(frm.RzCheckList1.Count(), 0u);
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST_F(Cgcs2000Tab, ParameterFileRoundTripAndTheSameFileAsTabZero) {
  testing::TempDir dir;
  const std::string saved2000 = dir.File("p2000.txt");
  const std::string saved54 = dir.File("p54.txt");
  for (int tab : {kTabCgcs2000, kTabBeijing54}) {
    ASSERT_TRUE(frm.SetActiveTab(tab));
    GeodeticTab& t = Geodetic(tab);
    SetCorners(tab, {115, 7, 30.25}, {38, 40, 0}, {117, 0, 59.5}, {40, 20, 10});
    t.Zone.SetItemIndex(1);
    t.Meridian.SetValue(117);
    t.OffsetX.SetValue(39000000);
    t.OffsetY.SetValue(20000000);
    ui.fileNames.push_back(tab == kTabCgcs2000 ? saved2000 : saved54);
    ASSERT_TRUE(frm.Click("RzBitBtn2"));
    EXPECT_EQ(ui.fileDialogs.back().kind, FileDialogKind::Save);
    EXPECT_EQ(ui.fileDialogs.back().filter, "文本文件（*.txt）|*.txt");
  }
  // The same eight lines whichever geodetic tab wrote them.
  EXPECT_EQ(testing::TempDir::Read(saved2000), testing::TempDir::Read(saved54));
  EXPECT_EQ(frm.ReadParameters(kTabCgcs2000), frm.ReadParameters(kTabBeijing54));

  // Reset the tab, then open the file with the tab's own "打开" button.
  const std::vector<double> before = Corners(kTabCgcs2000);
  GeodeticTab& t = Geodetic(kTabCgcs2000);
  SetCorners(kTabCgcs2000, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0});
  t.Zone.SetItemIndex(0);
  t.Meridian.SetValue(0);
  t.OffsetX.SetValue(0);
  t.OffsetY.SetValue(0);
  ui.fileNames.push_back(saved2000);
  ASSERT_TRUE(frm.Click("RzToolbarButton22"));
  EXPECT_EQ(ui.fileDialogs.back().kind, FileDialogKind::Open);
  EXPECT_EQ(Corners(kTabCgcs2000), before);
  EXPECT_EQ(t.Zone.ItemIndex(), 1);
  EXPECT_EQ(t.Meridian.Value(), 117);
  EXPECT_EQ(t.OffsetX.Value(), 39000000);
  EXPECT_EQ(t.OffsetY.Value(), 20000000);
  // Tab 0 kept its own values while tab 5 was reset.
  EXPECT_EQ(Corners(kTabBeijing54), before);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Cgcs2000Tab, ToolbarAndDoubleClickWorkOnItsOwnList) {
  ASSERT_TRUE(frm.SetActiveTab(kTabCgcs2000));
  GeodeticTab& t = Geodetic(kTabCgcs2000);
  SetCorners(kTabCgcs2000, {116, 0, 0}, {39, 40, 0}, {116, 30, 0}, {40, 0, 0});
  t.Scale.SetItemIndex(4);  // 1:5万
  frm.RzBitBtn1Click();
  ASSERT_GE(t.List.Count(), 3u);
  const std::string third = t.List.Text(2);
  // Find: "查找" selects the typed number.
  std::string lower = third;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  ui.texts.push_back(lower);
  ASSERT_TRUE(frm.Click("RzToolbarButton24"));
  EXPECT_EQ(t.List.ItemIndex(), 2);
  // Import: the selected sheet's corners go into the corner fields.
  ASSERT_TRUE(frm.Click("RzToolbarButton23"));
  const TStandardMapUnion r = t.List.StandardRecord(2);
  EXPECT_EQ(Corners(kTabCgcs2000),
            (std::vector<double>{r.Range.West.Degrees, r.Range.West.Minutes, r.Range.West.Seconds,
                                 r.Range.South.Degrees, r.Range.South.Minutes,
                                 r.Range.South.Seconds, r.Range.East.Degrees, r.Range.East.Minutes,
                                 r.Range.East.Seconds, r.Range.North.Degrees,
                                 r.Range.North.Minutes, r.Range.North.Seconds}));
  // Information, by its button and by a double click.
  ASSERT_TRUE(frm.Click("RzToolbarButton26"));
  ASSERT_TRUE(frm.DblClick(t.List.Name()));
  ASSERT_EQ(ui.informations.size(), 2u);
  EXPECT_EQ(ui.informations[0].number, third);
  EXPECT_EQ(ui.informations[1].number, third);
  // Delete checked, after the question.
  const std::size_t count = t.List.Count();
  t.List.SetChecked(0, true);
  ui.answers.push_back(MessageResult::Yes);
  ASSERT_TRUE(frm.Click("RzToolbarButton25"));
  EXPECT_EQ(t.List.Count(), count - 1);
  EXPECT_EQ(frm.RzCheckList1.Count(), 0u);
  // A disabled toolbar button takes no click.
  const std::size_t dialogs = ui.fileDialogs.size();
  frm.RzToolbarButton(22).Enabled = false;
  ASSERT_TRUE(frm.Click("RzToolbarButton22"));
  EXPECT_EQ(ui.fileDialogs.size(), dialogs);
}

TEST_F(Cgcs2000Tab, CoordinateToolsOnItsLongitudeDegreeFields) {
  ASSERT_TRUE(frm.SetActiveTab(kTabCgcs2000));
  GeodeticTab& t = Geodetic(kTabCgcs2000);
  // "度-->度分秒" on the upper-right corner.
  ui.focus = "RzSpinEdit41";
  ui.points.push_back(std::pair{116.5, 39.75});
  frm.N3Click();
  EXPECT_EQ(Corners(kTabCgcs2000),
            (std::vector<double>{0, 0, 0, 0, 0, 0, 116, 30, 0, 39, 45, 0}));
  // "XY-->度分秒" inverts with the CGCS2000 projection, not Krassovsky's.
  struct Case {
    int zoneIndex;
    double cm, x, y;
  } cases[] = {{0, 117, 39500000, 4429607.368}, {0, 117, 412345.5, 4400000}, {1, 117, 20500000, 3000000}};
  for (const Case& c : cases) {
    t.Zone.SetItemIndex(c.zoneIndex);
    t.Meridian.SetValue(c.cm);
    ui.focus = "RzSpinEdit35";
    ui.points.push_back(std::pair{c.x, c.y});
    frm.N4Click();
    const bool zone3 = c.zoneIndex == 0;
    const double easting = EastingWithZonePrefix(c.x, zone3, c.cm);
    const TLonLatDMS geo = PlaneToGeo2000(c.y, easting, zone3, c.cm);
    const TLonLatDMS old = PlaneToGeo54(c.y, easting, zone3, c.cm);
    EXPECT_EQ(Corners(kTabCgcs2000)[2], RoundToDecimals(geo.Lon.Seconds, 3)) << c.x;
    EXPECT_EQ(Corners(kTabCgcs2000)[5], RoundToDecimals(geo.Lat.Seconds, 3)) << c.x;
    EXPECT_NE(std::tuple(geo.Lat.Minutes, geo.Lat.Seconds), std::tuple(old.Lat.Minutes, old.Lat.Seconds));
  }
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Cgcs2000Tab, ConversionOn2000FillsTheCgcs2000Table) {
  frm.SetActiveTab(kTabConvert);
  EXPECT_EQ(frm.RzRadioButton13.Caption(), "2000坐标");
  EXPECT_FALSE(frm.RzRadioButton13.Checked());
  EXPECT_EQ(frm.ConversionDatum(), Datum::Beijing54);
  // The three choices exclude each other.
  frm.RzRadioButton13.Choose();
  EXPECT_FALSE(frm.RzRadioButton7.Checked());
  EXPECT_FALSE(frm.RzRadioButton8.Checked());
  EXPECT_EQ(frm.ConversionDatum(), Datum::Cgcs2000);
  frm.RzRadioButton8.Choose();
  EXPECT_FALSE(frm.RzRadioButton13.Checked());
  EXPECT_EQ(frm.ConversionDatum(), Datum::Xian80);
  ASSERT_TRUE(frm.Click("RzRadioButton13"));
  EXPECT_TRUE(frm.RzRadioButton13.Checked());

  frm.RzSpinEdit34.SetValue(117);
  frm.RzNumericEdit9.SetValue(1000);
  AddSources({"J-50-5-(24)", "J-50-5-(23)"});
  // The source records are projected on CGCS2000 too.
  const TStandardMapUnion source = frm.RzCheckList4.StandardRecord(0);
  EXPECT_EQ(source.PlaneCorners[kNW],
            GeoToPlane2000({source.Range.West, source.Range.North}, true, 117));
  frm.RzBitBtn1Click();
  TStandardMapUnions expected(2);
  expected[0] = ConvertMapUnionNo("J-50-5-(24)", true, 6, true, 117, Datum::Cgcs2000);
  expected[1] = ConvertMapUnionNo("J-50-5-(23)", true, 6, true, 117, Datum::Cgcs2000);
  ASSERT_FALSE(expected[0].empty());
  expected = LessOffsets(expected, 1000, 0);
  EXPECT_EQ(frm.FMapUnions2000, expected);
  EXPECT_EQ(Records(frm.RzCheckList5), Flat(expected));
  EXPECT_TRUE(frm.FMapUnions54.empty());
  EXPECT_TRUE(frm.FMapUnions80.empty());
  // The tab's own list is untouched; only the table is shared.
  EXPECT_EQ(Geodetic(kTabCgcs2000).List.Count(), 0u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Cgcs2000Tab, InformationShowsScaleAndConvergenceOfTheCentreForCgcs2000Only) {
  struct Case {
    int tab;  // 0 or 5; 3 = the conversion's target list on 2000坐标
    int zoneIndex;
    double cm;
    bool shown;
  } cases[] = {{kTabCgcs2000, 0, 117, true}, {kTabCgcs2000, 1, 0, true},
               {kTabCgcs2000, 0, 0, true},   {kTabBeijing54, 0, 117, false},
               {kTabConvert, 0, 117, true}};
  for (const Case& c : cases) {
    ui.informations.clear();
    SheetList* list = nullptr;
    if (c.tab == kTabConvert) {
      frm.SetActiveTab(kTabConvert);
      frm.RzRadioButton13.Choose();
      frm.RzComboBox6.SetItemIndex(c.zoneIndex);
      frm.RzSpinEdit34.SetValue(c.cm);
      frm.RzComboBox5.SetItemIndex(4);
      AddSources({"J-50-5"});
      frm.RzBitBtn1Click();
      list = &frm.RzCheckList5;
    } else {
      frm.SetActiveTab(c.tab);
      GeodeticTab& t = Geodetic(c.tab);
      SetCorners(c.tab, {117, 30, 0}, {39, 40, 0}, {118, 0, 0}, {40, 0, 0});
      t.Scale.SetItemIndex(4);
      t.Zone.SetItemIndex(c.zoneIndex);
      t.Meridian.SetValue(c.cm);
      frm.RzBitBtn1Click();
      list = &t.List;
    }
    ASSERT_GT(list->Count(), 1u);
    list->SetItemIndex(1);
    ASSERT_TRUE(frm.DblClick(list->Name()));
    ASSERT_EQ(ui.informations.size(), 1u);
    const auto& shown = ui.informations[0];
    EXPECT_EQ(shown.scaleShown, c.shown) << c.tab;
    if (!c.shown) continue;
    const TStandardMapUnion r = list->StandardRecord(1);
    const double lon = (DmsToDeg(r.Range.West) + DmsToDeg(r.Range.East)) / 2;
    const double lat = (DmsToDeg(r.Range.South) + DmsToDeg(r.Range.North)) / 2;
    const ScaleConvergence sc =
        ScaleConvergence2000({DegToDms(lon), DegToDms(lat)}, c.zoneIndex == 0, c.cm);
    EXPECT_EQ(shown.scaleFactor, sc.k);
    EXPECT_EQ(shown.convergence, sc.gamma);
    // Against the first terms of the series: k = 1 + l²cos²φ/2 and
    // γ = l sin φ, l the longitude from the central meridian.
    const double zoneCm = c.cm > 0 ? c.cm
                          : c.zoneIndex == 0 ? 3 * std::round(lon / 3)
                                             : 6 * std::floor(lon / 6) + 3;
    const double l = (lon - zoneCm) * kPi / 180;
    const double phi = lat * kPi / 180;
    EXPECT_NEAR(shown.scaleFactor, 1 + l * l * std::cos(phi) * std::cos(phi) / 2, 5e-7) << c.tab;
    EXPECT_NEAR(shown.convergence, std::sin(phi) * (lon - zoneCm), 2e-4) << c.tab;
    EXPECT_GT(std::abs(shown.convergence), 0.05) << "the centre lies off the meridian";
  }
}

}  // namespace
}  // namespace karvento
