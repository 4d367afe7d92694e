#include "workbench/create_map_un_rg.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <utility>

#include "geodesy/angles.h"
#include "geodesy/gauss_kruger.h"
#include "gis/area_file.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/input_dialogs.h"
#include "workbench/tf_information.h"
#include "workbench/user_texts.h"

namespace karvento {
namespace {

const std::vector<std::string> kZoneItems = {"3度分带法", "6度分带法"};

std::vector<std::string> ScaleItems() { return {kScaleCaptions.begin(), kScaleCaptions.end()}; }

constexpr int kDefaultScale = 6;  // "1:1万"

// Central meridian of the conversion: whole degrees shown with one decimal.
constexpr SpinField::Limits kMeridianConvert{0, 360, 1, 0, 1};
constexpr SpinField::Limits kGridStep{0, 1000, 10, 0};
constexpr SpinField::Limits kFirstNumber{0, 10000, 10, 0};
constexpr SpinField::Limits kScaleDenominator{0, 2000, 100, 0, -1, true};

constexpr const char* kWholeNumbers = ",0;(,0)";
constexpr const char* kPlaneRange = ",0.00000;(,0.00000)";

constexpr const char* kDeleteQuestion = "真的要删除选中的图幅号吗？";
constexpr const char* kNotStandard = "不是标准图幅号！";
constexpr const char* kNotStandardAbove = "以上不是标准图幅号！";
constexpr const char* kMeridianRequired = "中央经度必须是大于0的值！";
constexpr const char* kNotFound = "未找到图幅号 ";
constexpr const char* kNotConvertedAbove = "以上图幅号无法转换，其余已转换。";
constexpr std::size_t kNamedFailures = 20;
constexpr const char* kInvertedX = "最大X小于最小X，请检查坐标范围！";
constexpr const char* kInvertedY = "最大Y小于最小Y，请检查坐标范围！";
constexpr const char* kNoticeCaption = "提示";
constexpr const char* kKmlCustomReason = "独立坐标系的图幅没有经纬度，不能导出KML文件";
constexpr const char* kKmlLegacyReason =
    "北京54、西安80坐标系与 WGS 84 之间没有官方转换，KML文件只能由2000国家坐标系的图幅导出";

// Toolbar button hints, RzToolbarButton1 .. RzToolbarButton26.
constexpr const char* kToolbarHints[26] = {
    "删除图幅", "删除图幅", "删除图幅", "导入经纬度", "信息", "信息", "导入经纬度",
    "信息",     "导入坐标", "查找",     "查找",       "打开", "打开", "打开",
    "查找",     "删除",     "信息",     "查找",       "删除", "新建", "",
    "打开",     "导入经纬度", "查找",   "删除图幅",   "信息"};

// The controls of the geodetic tabs by name: corners, meridian, zone,
// scale, offsets, standards, list, whether the X offset takes integers only,
// toolbar (open, import, find, delete, information).
constexpr GeodeticTabNames kBeijing54Names{1, 13, 1, 2, 1, 2, 1, 2, 1, false, {12, 4, 10, 1, 5}};
constexpr GeodeticTabNames kXian80Names{14, 26, 3, 4, 3, 4, 3, 4, 2, true, {13, 7, 11, 2, 6}};
constexpr GeodeticTabNames kCgcs2000Names{35, 47, 7, 8, 11, 12, 11, 12, 6, false,
                                          {22, 23, 24, 25, 26}};

}  // namespace

std::string TfrmCreateMapUnRg::ToolbarButtonText(int n) {
  const std::string hint = kToolbarHints[n - 1];
  return hint.empty() ? "信息" : hint;
}

namespace {

template <std::size_t... I>
std::array<Button, 26> MakeToolbarButtons(std::index_sequence<I...>) {
  return {Button("RzToolbarButton" + std::to_string(I + 1), "", kToolbarHints[I])...};
}

// A source number as the list keeps it: sheet numbers are written in
// capitals, so j-50-5 is J-50-5 (read as typed, its row letter would name
// no sheet, and the conversion would fail on it).
std::string SourceNumberText(std::string text) { return SheetNumberInCapitals(std::move(text)); }

// CheckMapUnionNo, with a number whose integer field does not convert ("XYZ"
// reads "YZ" as one) counted as no standard number.
int SourceNumberKind(const std::string& text) {
  try {
    return CheckMapUnionNo(text);
  } catch (const SheetLimitError&) {
    throw;
  } catch (const Error&) {
    return 0;
  }
}

}  // namespace

TfrmCreateMapUnRg::TfrmCreateMapUnRg(UserInterface& ui)
    : GeodeticTabs{{{kTabBeijing54, Datum::Beijing54, DatumInfoOf(Datum::Beijing54).caption,
                     kBeijing54Names},
                    {kTabXian80, Datum::Xian80, DatumInfoOf(Datum::Xian80).caption, kXian80Names},
                    {kTabCgcs2000, Datum::Cgcs2000, DatumInfoOf(Datum::Cgcs2000).caption,
                     kCgcs2000Names}}},
      RzNumericEdit5("RzNumericEdit5", true, kPlaneRange),
      RzNumericEdit6("RzNumericEdit6", true, kPlaneRange),
      RzNumericEdit7("RzNumericEdit7", true, kPlaneRange),
      RzNumericEdit8("RzNumericEdit8", true, kPlaneRange),
      RzSpinEdit28("RzSpinEdit28", kGridStep),
      RzSpinEdit29("RzSpinEdit29", kGridStep),
      RzSpinEdit30("RzSpinEdit30", kFirstNumber),
      RzSpinEdit31("RzSpinEdit31", kFirstNumber),
      RzEdit1("RzEdit1", kRowColFormat),
      RzRadioButton9("RzRadioButton9", "行列号", true),
      RzRadioButton10("RzRadioButton10", "坐标", false),
      RzSpinEdit27("RzSpinEdit27", kScaleDenominator),
      RzCheckList3("RzCheckList3", RecordKind::Custom),
      RzRadioButton5("RzRadioButton5", "旧-->新", true),
      RzRadioButton6("RzRadioButton6", "新-->旧", false),
      RzRadioButton7("RzRadioButton7", "54坐标", true),
      RzRadioButton8("RzRadioButton8", "80坐标", false),
      RzRadioButton13("RzRadioButton13", "2000坐标", false),
      RzComboBox6("RzComboBox6", kZoneItems, 0, /*editable=*/true),
      RzSpinEdit34("RzSpinEdit34", kMeridianConvert),
      RzNumericEdit9("RzNumericEdit9", true, kWholeNumbers),
      RzNumericEdit10("RzNumericEdit10", true, kWholeNumbers),
      RzComboBox5("RzComboBox5", ScaleItems(), kDefaultScale),
      RzCheckList4("RzCheckList4", RecordKind::Standard),
      RzCheckList5("RzCheckList5", RecordKind::Standard),
      RzBitBtn1("RzBitBtn1", kGenerateCaption),
      RzBitBtn2("RzBitBtn2", "保存"),
      RzMenuButton1("RzMenuButton1", "导出"),
      RzBitBtn3("RzBitBtn3", "退出"),
      N1("N1", "大地坐标", "", ControlKind::MenuItem),
      N2("N2", "平面坐标", "", ControlKind::MenuItem),
      Excel1("Excel1", "导出XLS文件", "", ControlKind::MenuItem),
      ShpMenuItem("SHP1", "导出SHP文件", "", ControlKind::MenuItem),
      N3("N3", "度-->度分秒", "", ControlKind::MenuItem),
      N4("N4", "XY-->度分秒", "", ControlKind::MenuItem),
      ShpGeoItem("SHP2", "大地坐标", "", ControlKind::MenuItem),
      ShpPlaneItem("SHP3", "平面坐标", "", ControlKind::MenuItem),
      GpkgMenuItem("GPKG1", "导出GeoPackage文件", "", ControlKind::MenuItem),
      DxfMenuItem("DXF1", "导出DXF文件", "", ControlKind::MenuItem),
      KmlMenuItem("KML1", "导出KML文件", "", ControlKind::MenuItem),
      N1Checked("N1Checked", "大地坐标", "", ControlKind::MenuItem),
      N2Checked("N2Checked", "平面坐标", "", ControlKind::MenuItem),
      Excel1Checked("Excel1Checked", "导出XLS文件", "", ControlKind::MenuItem),
      ShpGeoChecked("SHP2Checked", "大地坐标", "", ControlKind::MenuItem),
      ShpPlaneChecked("SHP3Checked", "平面坐标", "", ControlKind::MenuItem),
      GpkgChecked("GPKG1Checked", "导出GeoPackage文件", "", ControlKind::MenuItem),
      DxfChecked("DXF1Checked", "导出DXF文件", "", ControlKind::MenuItem),
      KmlChecked("KML1Checked", "导出KML文件", "", ControlKind::MenuItem),
      FrameDxfItem("FrameDxf1", "导出图廓 DXF", "", ControlKind::MenuItem),
      FramePdfItem("FramePdf1", "导出图廓 PDF", "", ControlKind::MenuItem),
      FrameDxfChecked("FrameDxf1Checked", "导出图廓 DXF", "", ControlKind::MenuItem),
      FramePdfChecked("FramePdf1Checked", "导出图廓 PDF", "", ControlKind::MenuItem),
      CheckAll1("CheckAll1", "全选", "", ControlKind::MenuItem),
      UncheckAll1("UncheckAll1", "全不选", "", ControlKind::MenuItem),
      InvertChecks1("InvertChecks1", "反选", "", ControlKind::MenuItem),
      CopyNumbers1("CopyNumbers1", "复制图幅号", "", ControlKind::MenuItem),
      FindKey("FindKey", "查找", "", ControlKind::MenuItem),
      FindNextKey("FindNextKey", "查找下一个", "", ControlKind::MenuItem),
      DeleteKey("DeleteKey", "删除", "", ControlKind::MenuItem),
      ToolbarButtons(MakeToolbarButtons(std::make_index_sequence<26>())),
      ui_(ui) {
  RadioButton::Pair(RzRadioButton5, RzRadioButton6);
  RadioButton::Group({&RzRadioButton7, &RzRadioButton8, &RzRadioButton13});
  RadioButton::Pair(RzRadioButton9, RzRadioButton10);
  RzRadioButton9.OnClick = [this] { RzRadioButton9Click(); };
  RzRadioButton10.OnClick = [this] { RzRadioButton10Click(); };

  for (Control* c : Beijing54Tab().Controls()) Register(*c);
  for (Control* c : Xian80Tab().Controls()) Register(*c);
  for (Control* c : std::initializer_list<Control*>{
                                                    &RzNumericEdit5,
                                                    &RzNumericEdit6,
                                                    &RzNumericEdit7,
                                                    &RzNumericEdit8,
                                                    &RzSpinEdit28,
                                                    &RzSpinEdit29,
                                                    &RzSpinEdit30,
                                                    &RzSpinEdit31,
                                                    &RzEdit1,
                                                    &RzRadioButton9,
                                                    &RzRadioButton10,
                                                    &RzSpinEdit27,
                                                    &RzCheckList3,
                                                    &RzRadioButton5,
                                                    &RzRadioButton6,
                                                    &RzRadioButton7,
                                                    &RzRadioButton8,
                                                    &RzRadioButton13,
                                                    &RzComboBox6,
                                                    &RzSpinEdit34,
                                                    &RzNumericEdit9,
                                                    &RzNumericEdit10,
                                                    &RzComboBox5,
                                                    &RzCheckList4,
                                                    &RzCheckList5,
                                                    &RzBitBtn1,
                                                    &RzBitBtn2,
                                                    &RzMenuButton1,
                                                    &RzBitBtn3,
                                                    &N1,
                                                    &N2,
                                                    &Excel1,
                                                    &ShpMenuItem,
                                                    &ShpGeoItem,
                                                    &ShpPlaneItem,
                                                    &GpkgMenuItem,
                                                    &DxfMenuItem,
                                                    &KmlMenuItem,
                                                    &N3,
                                                    &N4,
                                                    &N1Checked,
                                                    &N2Checked,
                                                    &Excel1Checked,
                                                    &ShpGeoChecked,
                                                    &ShpPlaneChecked,
                                                    &GpkgChecked,
                                                    &DxfChecked,
                                                    &KmlChecked,
                                                    &FrameDxfItem,
                                                    &FramePdfItem,
                                                    &FrameDxfChecked,
                                                    &FramePdfChecked,
                                                    &CheckAll1,
                                                    &UncheckAll1,
                                                    &InvertChecks1,
                                                    &CopyNumbers1,
                                                    &FindKey,
                                                    &FindNextKey,
                                                    &DeleteKey,
                                                    &StatusLine,
                                                    &AboutLabel}) {
    Register(*c);
  }
  for (Button& b : ToolbarButtons) Register(b);
  for (Control* c : Cgcs2000Tab().Controls()) Register(*c);
  for (GeodeticTab& tab : GeodeticTabs) {
    for (Control* c : tab.AreaControls()) Register(*c);
    tab.ClearArea.Enabled = false;
  }

  // FormCreate: the export button carries the export menu and is enabled.
  RzMenuButton1.Enabled = true;
  RzPageControl1Change();
  ui_.SetFocus(RzSpinEdit1.Name());
}

void TfrmCreateMapUnRg::Register(Control& c) {
  controls_.push_back(&c);
  byName_.emplace(c.Name(), &c);
}

Control* TfrmCreateMapUnRg::FindControl(std::string_view name) {
  const auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------------------
// The general error box

void TfrmCreateMapUnRg::ShowError(std::string_view text) {
  ui_.MessageBox(kErrorCaption, UserFacingText(text), MessageButtons::Ok, MessageIcon::Error);
}

// ---------------------------------------------------------------------------
// Tabs

GeodeticTab* TfrmCreateMapUnRg::GeodeticTabOf(int tab) {
  for (GeodeticTab& g : GeodeticTabs) {
    if (g.Index == tab) return &g;
  }
  return nullptr;
}

const GeodeticTab* TfrmCreateMapUnRg::GeodeticTabOf(int tab) const {
  for (const GeodeticTab& g : GeodeticTabs) {
    if (g.Index == tab) return &g;
  }
  return nullptr;
}

GeodeticTab& TfrmCreateMapUnRg::GeodeticTabOf(Datum datum) {
  for (GeodeticTab& g : GeodeticTabs) {
    if (g.datum == datum) return g;
  }
  return GeodeticTabs[0];
}

Datum TfrmCreateMapUnRg::ConversionDatum() const {
  if (RzRadioButton7.Checked()) return Datum::Beijing54;
  return RzRadioButton13.Checked() ? Datum::Cgcs2000 : Datum::Xian80;
}

bool TfrmCreateMapUnRg::SetActiveTab(int index) {
  if (index < 0 || index >= static_cast<int>(Tabs.size()) ||
      !Tabs[static_cast<std::size_t>(index)].TabVisible) {
    return false;
  }
  if (index != activeTab_) {
    activeTab_ = index;
    // A message belongs to the tab whose action caused it.
    StatusLine.Caption.clear();
    RzPageControl1Change();
  }
  return true;
}

void TfrmCreateMapUnRg::RzPageControl1Change() {
  RzBitBtn1.Caption = activeTab_ == kTabConvert ? kConvertCaption : kGenerateCaption;
  RzBitBtn1.Enabled = true;
  RzBitBtn2.Enabled = GeodeticTabOf(activeTab_) != nullptr;
  RzMenuButton1.Enabled = true;
  N1.Enabled = activeTab_ != kTabCustom;
  N2.Enabled = true;
  Excel1.Enabled = true;
  // The Shapefile's two items enable as the MIF ones do; KML needs sheets
  // that are honestly WGS 84, which only CGCS2000 sheets are.
  ShpGeoItem.Enabled = N1.Enabled;
  ShpPlaneItem.Enabled = N2.Enabled;
  KmlMenuItem.Enabled = activeTab_ != kTabCustom && DatumInfoOf(DatumOfTab()).nearWgs84;
  KmlMenuItem.Hint = KmlMenuItem.Enabled  ? ""
                     : activeTab_ == kTabCustom ? kKmlCustomReason
                                                : kKmlLegacyReason;
  // The checked-only companions follow their items.
  N1Checked.Enabled = N1.Enabled;
  N2Checked.Enabled = N2.Enabled;
  Excel1Checked.Enabled = Excel1.Enabled;
  ShpGeoChecked.Enabled = ShpGeoItem.Enabled;
  ShpPlaneChecked.Enabled = ShpPlaneItem.Enabled;
  GpkgChecked.Enabled = GpkgMenuItem.Enabled;
  DxfChecked.Enabled = DxfMenuItem.Enabled;
  KmlChecked.Enabled = KmlMenuItem.Enabled;
  KmlChecked.Hint = KmlMenuItem.Hint;
}

void TfrmCreateMapUnRg::RzRadioButton9Click() {
  Dispatch([this] { RzEdit1.SetText(kRowColFormat); });
}
void TfrmCreateMapUnRg::RzRadioButton10Click() {
  Dispatch([this] { RzEdit1.SetText(kCoordinateFormat); });
}

void TfrmCreateMapUnRg::RzBitBtn3Click() {
  Dispatch([this] {
    closed_ = true;
    ui_.CloseMainWindow();
  });
}

// ---------------------------------------------------------------------------
// Fills

void TfrmCreateMapUnRg::ShowStandardMapUnions(const TStandardMapUnions& sheets, SheetList& list,
                                              bool is54, double offsetX, double offsetY) {
  ShowStandardMapUnions(TStandardMapUnions(sheets), list, is54, offsetX, offsetY);
}

void TfrmCreateMapUnRg::ShowStandardMapUnions(TStandardMapUnions&& sheets, SheetList& list,
                                              bool is54, double offsetX, double offsetY) {
  ShowStandardMapUnions(std::move(sheets), list, LegacyDatum(is54), offsetX, offsetY);
}

void TfrmCreateMapUnRg::ShowStandardMapUnions(TStandardMapUnions&& sheets, SheetList& list,
                                              Datum datum, double offsetX, double offsetY) {
  SubtractPlaneOffsets(sheets, offsetX, offsetY);
  auto table = std::make_shared<const TStandardMapUnions>(std::move(sheets));
  list.Refill(table);
  // The table is replaced only once the list holds the new rows.
  GeodeticTabOf(datum).Table = TStandardSheetTable(std::move(table));
}

void TfrmCreateMapUnRg::ShowCustomMapUnions(const TCustomMapUnions& sheets, SheetList& list) {
  ShowCustomMapUnions(TCustomMapUnions(sheets), list);
}

void TfrmCreateMapUnRg::ShowCustomMapUnions(TCustomMapUnions&& sheets, SheetList& list) {
  auto table = std::make_shared<const TCustomMapUnions>(std::move(sheets));
  list.Refill(table);
  FCustomMapUnions = TCustomSheetTable(std::move(table));
}

// ---------------------------------------------------------------------------
// Generate and convert

void TfrmCreateMapUnRg::RzBitBtn1Click() {
  Dispatch([this] {
    StatusLine.Caption.clear();
    const auto started = std::chrono::steady_clock::now();
    // The list a tab's command fills is its last one (on the conversion tab
    // the target list).
    const std::vector<SheetList*> lists = ListsOfTab(activeTab_);
    if (lists.empty()) return;
    SheetList& list = *lists.back();
    switch (activeTab_) {
      case kTabBeijing54:
      case kTabXian80:
      case kTabCgcs2000:
        Generate(*GeodeticTabOf(activeTab_));
        break;
      case kTabCustom:
        GenerateCustom();
        break;
      case kTabConvert:
        Convert();
        break;
      default:
        break;
    }
    // A large request says how long it took.
    if (list.Count() >= kTimedSheets) {
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%.2f", took.count());
      StatusLine.Caption = "已生成 " + std::to_string(list.Count()) + " 幅，用时 " + seconds + " 秒";
    }
  });
}

void TfrmCreateMapUnRg::Generate(GeodeticTab& tab) {
  const auto& f = tab.Corners;
  TMapUnionRange range;
  range.West = {f[0].Value(), f[1].Value(), f[2].Value()};
  range.South = {f[3].Value(), f[4].Value(), f[5].Value()};
  range.East = {f[6].Value(), f[7].Value(), f[8].Value()};
  range.North = {f[9].Value(), f[10].Value(), f[11].Value()};
  const ScaleIndex scale = tab.Scale.ItemIndex();
  TStandardMapUnions result;
  if (tab.Area) {
    CreateMapUnionsInArea(tab.Area->polygons, range, scale, tab.NewStandard.Checked(), tab.Zone3(),
                          tab.datum, tab.Meridian.Value(), result);
  } else {
    CreateMapUnionsOfStandard(range, scale, tab.NewStandard.Checked(), tab.Zone3(), tab.datum,
                              tab.Meridian.Value(), result);
  }
  ShowStandardMapUnions(std::move(result), tab.List, tab.datum, tab.OffsetX.Value(),
                        tab.OffsetY.Value());
  tab.Plane = {tab.datum, tab.Zone3(), tab.Meridian.Value(), tab.OffsetX.Value(),
               tab.OffsetY.Value()};
  tab.ListPlane = tab.Plane;
}

void TfrmCreateMapUnRg::ImportArea(GeodeticTab& tab) {
  OpenDialog1.Filter = kAreaFilter;
  OpenDialog1.DefaultExt.clear();
  std::string fileName;
  if (ExecuteFileDialog(ui_, OpenDialog1, fileName)) UseAreaFile(tab, fileName);
}

void TfrmCreateMapUnRg::UseAreaFile(GeodeticTab& tab, const std::string& fileName) {
  // Nothing of the tab changes unless the whole file is read.
  AreaFile read = ReadAreaFile(fileName, tab.datum);
  double west = 0, south = 0, east = 0, north = 0;
  AreaBounds(read.area, west, south, east, north);
  if (west < 0 || south < 0 || east > 180 || north > 90) {
    throw Error("范围文件 “" + fileName + "” 超出图幅编号的范围（经度 0° 至 180°，纬度 0° 至 90°）");
  }
  const TMapUnionRange r = AreaSheetRange(read.area, tab.Scale.ItemIndex());
  const TAngleDMS corners[4] = {r.West, r.South, r.East, r.North};
  for (std::size_t k = 0; k < 4; ++k) {
    tab.Corners[k * 3].SetValue(corners[k].Degrees);
    tab.Corners[k * 3 + 1].SetValue(corners[k].Minutes);
    tab.Corners[k * 3 + 2].SetValue(corners[k].Seconds);
  }
  tab.AreaLabel.Caption = "范围：" + fileName + "，" + std::to_string(read.polygons) + " 个多边形";
  tab.Area = GeodeticTab::AreaOfInterest{fileName, std::move(read.area), read.polygons};
  tab.ClearArea.Enabled = true;
  const std::string notice = UserFacingText(read.notice);
  StatusLine.Caption = notice;
  // Coordinates taken as they are, never silently.
  if (!notice.empty()) {
    ui_.MessageBox(kNoticeCaption, notice, MessageButtons::Ok, MessageIcon::Information);
  }
}

void TfrmCreateMapUnRg::ClearArea(GeodeticTab& tab) {
  tab.Area.reset();
  tab.AreaLabel.Caption.clear();
  tab.ClearArea.Enabled = false;
}

void TfrmCreateMapUnRg::GenerateCustom() {
  TCustomMapUnions result;
  // An inverted range would divide into nothing without a word.
  const char* inverted = RzNumericEdit7.Value() < RzNumericEdit5.Value()   ? kInvertedX
                         : RzNumericEdit8.Value() < RzNumericEdit6.Value() ? kInvertedY
                                                                           : nullptr;
  if (inverted != nullptr) {
    ui_.MessageBox(kErrorCaption, inverted, MessageButtons::Ok, MessageIcon::Error);
    ShowCustomMapUnions(std::move(result), RzCheckList3);
    return;
  }
  const std::string refusal = CreateCustomMapUnions(
      RzNumericEdit5.Value(), RzNumericEdit6.Value(), RzNumericEdit7.Value(),
      RzNumericEdit8.Value(), RzSpinEdit30.IntValue(), RzSpinEdit31.IntValue(),
      RzSpinEdit28.Value(), RzSpinEdit29.Value(), RzEdit1.Text(), RzRadioButton9.Checked(), result);
  if (!refusal.empty()) {
    ui_.MessageBox(kErrorCaption, refusal, MessageButtons::Ok, MessageIcon::Error);
  }
  // A refused grid is still listed: the list and the table end up empty.
  ShowCustomMapUnions(std::move(result), RzCheckList3);
}

void TfrmCreateMapUnRg::Convert() {
  const double cm = RzSpinEdit34.Value();
  // A typed zone method chooses no item and means 6-degree zones.
  const bool zone3 = RzComboBox6.ItemIndex() == 0;
  const ScaleIndex scale = RzComboBox5.ItemIndex();
  const double offsetX = RzNumericEdit9.Value();
  const double offsetY = RzNumericEdit10.Value();
  const Datum datum = ConversionDatum();
  const bool oldToNew = RzRadioButton5.Checked();
  // The old standard stops at 1:5000: refused before any source is read.
  RequireConversionTarget(oldToNew, scale);

  // One entry per source item, checked or not, in list order; only the
  // item's text is read.
  const std::size_t sources = RzCheckList4.Count();
  auto progress = ui_.BeginProgress(kWindowCaption, kConvertingText, sources);
  TStandardMapUnions result(sources);
  std::int64_t total = 0;
  // A number that does not convert gives no sheets and is named afterwards
  // (the first kNamedFailures of them); it never stops the others.
  std::string failed;
  std::size_t failures = 0;
  for (std::size_t i = 0; i < sources; ++i) {
    try {
      result[i] = ConvertMapUnionNo(RzCheckList4.Text(i), oldToNew, scale, zone3, cm, datum);
    } catch (const SheetLimitError&) {
      throw;
    } catch (const Error& e) {
      if (++failures <= kNamedFailures) {
        failed += RzCheckList4.Text(i) + "：" + UserFacingText(e.what()) + "\r\n";
      }
    }
    AddConvertedSheets(total, result[i].size());
    // Cancelled: the target list and the table are filled only at the end,
    // so they keep what they held.
    if (!progress->Step(i + 1)) return;
  }
  progress.reset();
  ShowStandardMapUnions(std::move(result), RzCheckList5, datum, offsetX, offsetY);
  if (failures > kNamedFailures) {
    failed += "……共 " + std::to_string(failures) + " 个\r\n";
  }
  if (failures > 0) {
    ui_.MessageBox(kErrorCaption, failed + kNotConvertedAbove, MessageButtons::Ok,
                   MessageIcon::Error);
  }
  GeodeticTabOf(datum).Plane = {datum, zone3, cm, offsetX, offsetY};
  convertedPlane_ = {datum, zone3, cm, offsetX, offsetY};
}

// ---------------------------------------------------------------------------
// Parameter files

TParameterSet TfrmCreateMapUnRg::ReadParameters(int tab) const {
  const GeodeticTab& g = *GeodeticTabOf(tab);
  const auto& f = g.Corners;
  TParameterSet p;
  for (std::size_t k = 0; k < 4; ++k) {
    p.Corners[k] = {f[3 * k].Value(), f[3 * k + 1].Value(), f[3 * k + 2].Value()};
  }
  p.ZoneIndex = g.Zone3() ? 0 : 1;
  p.CentralMeridian = g.Meridian.Value();
  p.OffsetX = g.OffsetX.Value();
  p.OffsetY = g.OffsetY.Value();
  return p;
}

void TfrmCreateMapUnRg::WriteParameters(int tab, const TParameterSet& p) {
  GeodeticTab& g = *GeodeticTabOf(tab);
  auto& f = g.Corners;
  for (std::size_t k = 0; k < 4; ++k) {
    f[3 * k].SetValue(p.Corners[k].Degrees);
    f[3 * k + 1].SetValue(p.Corners[k].Minutes);
    f[3 * k + 2].SetValue(p.Corners[k].Seconds);
  }
  g.Zone.SetItemIndex(p.ZoneIndex);
  g.Meridian.SetValue(p.CentralMeridian);
  g.OffsetX.SetValue(p.OffsetX);
  g.OffsetY.SetValue(p.OffsetY);
}

void TfrmCreateMapUnRg::RzBitBtn2Click() {
  Dispatch([this] { SaveParameters(); });
}

void TfrmCreateMapUnRg::SaveParameters() {
  if (GeodeticTabOf(activeTab_) == nullptr) return;
  const TParameterSet p = ReadParameters(activeTab_);
  SaveDialog1.Filter = kTextFilter;
  SaveDialog1.DefaultExt = "txt";
  std::string fileName;
  if (!ExecuteFileDialog(ui_, SaveDialog1, fileName)) return;
  WriteParameterFile(fileName, p);
}

void TfrmCreateMapUnRg::RzToolbarButton12Click() {
  Dispatch([this] { OpenParameters(Beijing54Tab()); });
}
void TfrmCreateMapUnRg::RzToolbarButton13Click() {
  Dispatch([this] { OpenParameters(Xian80Tab()); });
}

void TfrmCreateMapUnRg::OpenParameters(GeodeticTab& tab) {
  OpenDialog1.Filter = kTextFilter;
  OpenDialog1.DefaultExt.clear();
  std::string fileName;
  if (!ExecuteFileDialog(ui_, OpenDialog1, fileName)) return;
  // The fields change only once the whole file has been read; the file
  // holds no area, so an area set before is dropped with the old corners.
  TParameterSet p;
  try {
    p = ReadParameterFile(fileName);
  } catch (const Error& e) {
    // A value that is no number: say in which file.
    const std::string what = e.what();
    if (what.empty() || what.front() != '\'') throw;
    throw Error("参数文件 “" + fileName + "” 中" + UserFacingText(what));
  }
  WriteParameters(tab.Index, p);
  ClearArea(tab);
}

// ---------------------------------------------------------------------------
// Source numbers of the conversion tab

TStandardMapUnion TfrmCreateMapUnRg::MakeSourceMapUnion(const std::string& number, int kind,
                                                        double cm, bool zone3, bool is54) {
  return MakeSourceMapUnion(number, kind, cm, zone3, LegacyDatum(is54));
}

TStandardMapUnion TfrmCreateMapUnRg::MakeSourceMapUnion(const std::string& number, int kind,
                                                        double cm, bool zone3, Datum datum) {
  TStandardMapUnion r;
  r.MapUnionNo = number;
  r.Range = kind == 1 ? ParseOldMapUnionNo(number) : ParseNewMapUnionNo(number);
  if (cm > 0) {
    const auto project = [&](const TAngleDMS& lon, const TAngleDMS& lat) {
      const TLonLatDMS p{lon, lat};
      return GeoToPlane(datum, p, zone3, cm);
    };
    r.PlaneCorners[kNW] = project(r.Range.West, r.Range.North);
    r.PlaneCorners[kNE] = project(r.Range.East, r.Range.North);
    r.PlaneCorners[kSE] = project(r.Range.East, r.Range.South);
    r.PlaneCorners[kSW] = project(r.Range.West, r.Range.South);
  }
  return r;
}

void TfrmCreateMapUnRg::RzToolbarButton14Click() {
  Dispatch([this] { OpenNumberList(); });
}

void TfrmCreateMapUnRg::OpenNumberList() {
  OpenDialog1.Filter = kTextFilter;
  OpenDialog1.DefaultExt.clear();
  std::string fileName;
  if (!ExecuteFileDialog(ui_, OpenDialog1, fileName)) return;
  const std::vector<std::string> lines = ReadNumberList(fileName);
  const double cm = RzSpinEdit34.Value();
  const bool zone3 = RzComboBox6.ItemIndex() == 0;
  std::string rejected;
  const std::size_t before = RzCheckList4.Count();
  auto progress = ui_.BeginProgress(kWindowCaption, kReadingNumbersText, lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string line = SourceNumberText(lines[i]);
    // A line that is no standard number, also one whose integer field does
    // not convert, is rejected like any other; the rest are read.
    const int kind = SourceNumberKind(line);
    if (kind == 0) {
      rejected += lines[i];
      rejected += "\r\n";
    } else {
      RzCheckList4.Append(MakeSourceMapUnion(line, kind, cm, zone3, ConversionDatum()));
    }
    if (!progress->Step(i + 1)) {
      // Cancelled: the list is as it was before the command, and the
      // rejected lines are not worth a message any more.
      RzCheckList4.RemoveFrom(before);
      return;
    }
  }
  progress.reset();
  if (!rejected.empty()) {
    ui_.MessageBox(kErrorCaption, rejected + kNotStandardAbove, MessageButtons::Ok,
                   MessageIcon::Error);
  }
}

void TfrmCreateMapUnRg::RzToolbarButton20Click() {
  Dispatch([this] { NewNumber(); });
}

void TfrmCreateMapUnRg::NewNumber() {
  std::string text;
  if (!InputString(ui_, "新增", "请输入图幅号", text)) return;
  AddNumber(text);
}

void TfrmCreateMapUnRg::AddNumber(const std::string& typed) {
  const double cm = RzSpinEdit34.Value();
  const bool zone3 = RzComboBox6.ItemIndex() == 0;
  const std::string text = SourceNumberText(typed);
  const int kind = SourceNumberKind(text);
  if (kind == 0) {
    ui_.MessageBox(kErrorCaption, typed + kNotStandard, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  (kind == 1 ? RzRadioButton5 : RzRadioButton6).Choose();
  RzCheckList4.Append(MakeSourceMapUnion(text, kind, cm, zone3, ConversionDatum()));
}

// ---------------------------------------------------------------------------
// Imports

void TfrmCreateMapUnRg::RzToolbarButton4Click() {
  Dispatch([this] { ImportCorners(Beijing54Tab()); });
}
void TfrmCreateMapUnRg::RzToolbarButton7Click() {
  Dispatch([this] { ImportCorners(Xian80Tab()); });
}
void TfrmCreateMapUnRg::RzToolbarButton9Click() {
  Dispatch([this] { ImportPlaneRange(); });
}

void TfrmCreateMapUnRg::ImportCorners(GeodeticTab& tab) {
  SheetList& list = tab.List;
  if (list.ItemIndex() < 0) return;
  TStandardMapUnion r;
  list.Object(static_cast<std::size_t>(list.ItemIndex())).GetStandardMapUnion(r);
  auto& f = tab.Corners;
  const TAngleDMS* angles[4] = {&r.Range.West, &r.Range.South, &r.Range.East, &r.Range.North};
  for (std::size_t k = 0; k < 4; ++k) {
    f[3 * k].SetValue(angles[k]->Degrees);
    f[3 * k + 1].SetValue(angles[k]->Minutes);
    f[3 * k + 2].SetValue(angles[k]->Seconds);
  }
}

void TfrmCreateMapUnRg::ImportPlaneRange() {
  if (RzCheckList3.ItemIndex() < 0) return;
  TCustomMapUnion r;
  RzCheckList3.Object(static_cast<std::size_t>(RzCheckList3.ItemIndex())).GetCustomMapUnion(r);
  RzNumericEdit5.SetValue(r.MinX);
  RzNumericEdit6.SetValue(r.MinY);
  RzNumericEdit7.SetValue(r.MaxX);
  RzNumericEdit8.SetValue(r.MaxY);
}

// ---------------------------------------------------------------------------
// Delete, find, information

void TfrmCreateMapUnRg::DeleteCheckedItems(SheetList& list) {
  Dispatch([&] { DoDeleteCheckedItems(list); });
}

void TfrmCreateMapUnRg::DoDeleteCheckedItems(SheetList& list) {
  if (ui_.MessageBox("确认", kDeleteQuestion, MessageButtons::YesNo, MessageIcon::Question) !=
      MessageResult::Yes) {
    return;
  }
  list.RemoveChecked();
}

void TfrmCreateMapUnRg::FindMapUnionNo(SheetList& list) {
  Dispatch([&] { DoFindMapUnionNo(list); });
}

void TfrmCreateMapUnRg::DoFindMapUnionNo(SheetList& list) {
  std::string wanted;
  if (!InputString(ui_, "查找", "请输入图幅号", wanted)) return;
  ui_.SetFocus(list.Name());
  lastFind_ = wanted;
  StatusLine.Caption = kNotFound + wanted;
  wanted = SheetNumberInCapitals(std::move(wanted));
  for (std::size_t i = 0; i < list.Count(); ++i) {
    if (SheetNumberInCapitals(list.Text(i)) == wanted) {
      list.SetItemIndex(static_cast<int>(i));
      StatusLine.Caption.clear();
      return;
    }
  }
}

void TfrmCreateMapUnRg::ShowSelectedInfo(SheetList& list) {
  Dispatch([&] { DoShowSelectedInfo(list); });
}

void TfrmCreateMapUnRg::DoShowSelectedInfo(SheetList& list) {
  if (list.Kind() == RecordKind::Custom) {
    DoShowCustomSelected();
    return;
  }
  if (list.ItemIndex() < 0) return;
  TStandardMapUnion r;
  list.Object(static_cast<std::size_t>(list.ItemIndex())).GetStandardMapUnion(r);
  DoShowStandardInfo(r, &list);
}

bool TfrmCreateMapUnRg::ListSystem(const SheetList& list, TPlaneSystem& system) const {
  for (const GeodeticTab& tab : GeodeticTabs) {
    if (&list == &tab.List) {
      system = tab.ListPlane;
      return true;
    }
  }
  if (&list == &RzCheckList5) {
    system = convertedPlane_;
    return true;
  }
  // A source number is projected as it is added, on the conversion tab's
  // system of that moment, without offsets.
  if (&list != &RzCheckList4) return false;
  system = {ConversionDatum(), RzComboBox6.ItemIndex() == 0, RzSpinEdit34.Value(), 0, 0};
  return true;
}

bool TfrmCreateMapUnRg::ListZone2000(const SheetList& list, bool& zone3, double& cm) const {
  TPlaneSystem system;
  if (!ListSystem(list, system) || system.datum != Datum::Cgcs2000) return false;
  zone3 = system.zone3;
  cm = system.cm;
  return true;
}

void TfrmCreateMapUnRg::RzCheckList3DblClick() {
  Dispatch([this] { DoShowCustomSelected(); });
}

void TfrmCreateMapUnRg::DoShowCustomSelected() {
  if (RzCheckList3.ItemIndex() < 0) return;
  TCustomMapUnion r;
  RzCheckList3.Object(static_cast<std::size_t>(RzCheckList3.ItemIndex())).GetCustomMapUnion(r);
  DoShowCustomInfo(r);
}

void TfrmCreateMapUnRg::ShowStandardInfo(const TStandardMapUnion& record) {
  Dispatch([&] { DoShowStandardInfo(record); });
}

void TfrmCreateMapUnRg::ShowCustomInfo(const TCustomMapUnion& record) {
  Dispatch([&] { DoShowCustomInfo(record); });
}

void TfrmCreateMapUnRg::DoShowStandardInfo(const TStandardMapUnion& record) {
  DoShowStandardInfo(record, nullptr);
}

void TfrmCreateMapUnRg::DoShowStandardInfo(const TStandardMapUnion& record, SheetList* list) {
  TfrmTFInformation dialog;
  dialog.Caption = kInformationCaption;
  dialog.Fill(record);
  bool zone3 = false;
  double cm = 0;
  if (list != nullptr && ListZone2000(*list, zone3, cm)) {
    dialog.FillScaleConvergence2000(record, zone3, cm);
  }
  // The 接合图表 of a sheet of a filled list (the conversion's source list
  // holds typed numbers, not a fill).
  TPlaneSystem system;
  if (list != nullptr && list != &RzCheckList4 && ListSystem(*list, system) &&
      NeighboursOfSheet(record, system.zone3, system.datum, system.cm, dialog.Neighbours)) {
    dialog.ShowsNeighbours = true;
    // With the list's own offsets, as its rows carry them.
    std::vector<TStandardMapUnion> around(dialog.Neighbours.begin(), dialog.Neighbours.end());
    SubtractPlaneOffsets(around, system.offsetX, system.offsetY);
    std::move(around.begin(), around.end(), dialog.Neighbours.begin());
    dialog.OnAddNeighbour = [this, list](const TStandardMapUnion& sheet) {
      Dispatch([&] {
        for (std::size_t i = 0; i < list->Count(); ++i) {
          if (list->Text(i) == sheet.MapUnionNo) {
            StatusLine.Caption = "已在列表中：" + sheet.MapUnionNo;
            return;
          }
        }
        list->Append(sheet);
        StatusLine.Caption = "已加入 " + sheet.MapUnionNo;
      });
      return StatusLine.Caption;
    };
    dialog.OnMakeFrame = [this, record, system] {
      Dispatch([&] { ExportFrameOf(record, system); });
      return StatusLine.Caption;
    };
  }
  ui_.ShowInformation(dialog);
}

void TfrmCreateMapUnRg::DoShowCustomInfo(const TCustomMapUnion& record) {
  TfrmTFInformation dialog;
  dialog.Caption = kInformationCaption;
  dialog.Fill(record);
  ui_.ShowInformation(dialog);
}

void TfrmCreateMapUnRg::RzToolbarButton1Click() { DeleteCheckedItems(RzCheckList1); }
void TfrmCreateMapUnRg::RzToolbarButton2Click() { DeleteCheckedItems(RzCheckList2); }
void TfrmCreateMapUnRg::RzToolbarButton3Click() { DeleteCheckedItems(RzCheckList3); }
void TfrmCreateMapUnRg::RzToolbarButton16Click() { DeleteCheckedItems(RzCheckList4); }
void TfrmCreateMapUnRg::RzToolbarButton19Click() { DeleteCheckedItems(RzCheckList5); }
void TfrmCreateMapUnRg::RzToolbarButton10Click() { FindMapUnionNo(RzCheckList1); }
void TfrmCreateMapUnRg::RzToolbarButton11Click() { FindMapUnionNo(RzCheckList2); }
void TfrmCreateMapUnRg::RzToolbarButton15Click() { FindMapUnionNo(RzCheckList4); }
void TfrmCreateMapUnRg::RzToolbarButton18Click() { FindMapUnionNo(RzCheckList5); }
void TfrmCreateMapUnRg::RzToolbarButton5Click() { ShowSelectedInfo(RzCheckList1); }
void TfrmCreateMapUnRg::RzToolbarButton6Click() { ShowSelectedInfo(RzCheckList2); }
void TfrmCreateMapUnRg::RzToolbarButton8Click() { RzCheckList3DblClick(); }
void TfrmCreateMapUnRg::RzToolbarButton21Click() { ShowSelectedInfo(RzCheckList4); }
void TfrmCreateMapUnRg::RzToolbarButton17Click() { ShowSelectedInfo(RzCheckList5); }
void TfrmCreateMapUnRg::RzCheckList1DblClick() { ShowSelectedInfo(RzCheckList1); }
void TfrmCreateMapUnRg::RzCheckList2DblClick() { ShowSelectedInfo(RzCheckList2); }
void TfrmCreateMapUnRg::RzCheckList4DblClick() { ShowSelectedInfo(RzCheckList4); }
void TfrmCreateMapUnRg::RzCheckList5DblClick() { ShowSelectedInfo(RzCheckList5); }

// ---------------------------------------------------------------------------
// Coordinate tools

SpinField* TfrmCreateMapUnRg::TargetCorner(std::string_view focused) {
  for (GeodeticTab& g : GeodeticTabs) {
    if (focused == g.Corners[0].Name()) return &g.Corners[0];
    if (focused == g.Corners[6].Name()) return &g.Corners[6];
  }
  return nullptr;
}

void TfrmCreateMapUnRg::SetCorner(SpinField* six, const TLonLatDMS& point) {
  six[0].SetValue(point.Lon.Degrees);
  six[1].SetValue(point.Lon.Minutes);
  six[2].SetValue(point.Lon.Seconds);
  six[3].SetValue(point.Lat.Degrees);
  six[4].SetValue(point.Lat.Minutes);
  six[5].SetValue(point.Lat.Seconds);
}

void TfrmCreateMapUnRg::N3Click() {
  Dispatch([this] { DegreesToDms(); });
}

void TfrmCreateMapUnRg::DegreesToDms() {
  const std::string focused = ui_.FocusedControl();
  std::pair<double, double> point{0, 0};
  if (!InputPoint(ui_, "输入", "经度", "纬度", point)) return;
  if (SpinField* six = TargetCorner(focused)) {
    SetCorner(six, {DegToDms(point.first), DegToDms(point.second)});
  }
}

void TfrmCreateMapUnRg::N4Click() {
  Dispatch([this] { PlaneToDms(); });
}

void TfrmCreateMapUnRg::PlaneToDms() {
  const std::string focused = ui_.FocusedControl();
  // The tools belong to the corner fields of the geodetic tabs.
  const GeodeticTab* tab = GeodeticTabOf(activeTab_);
  if (tab == nullptr) return;
  const double cm = tab->Meridian.Value();
  const bool zone3 = tab->Zone3();
  // The inverse projection has no automatic zone: it needs the meridian.
  if (!(cm > 0)) {
    ui_.MessageBox(kErrorCaption, kMeridianRequired, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  std::pair<double, double> point{0, 0};
  if (!InputPoint(ui_, "输入", "X", "Y", point)) return;
  // An easting not above the zone prefix was typed without it.
  const double easting = EastingWithZonePrefix(point.first, zone3, cm);
  const double northing = point.second;
  const TLonLatDMS geo = PlaneToGeo(tab->datum, northing, easting, zone3, cm);
  // No point of the projection lies there: said, and nothing written.
  if (std::isnan(geo.Lon.Degrees)) {
    ui_.MessageBox(kErrorCaption, kPlaneOutsideProjection, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  if (SpinField* six = TargetCorner(focused)) SetCorner(six, geo);
}

// ---------------------------------------------------------------------------
// Commands by control name

bool TfrmCreateMapUnRg::Click(std::string_view name) {
  using Handler = void (TfrmCreateMapUnRg::*)();
  static const std::unordered_map<std::string_view, Handler> kHandlers = {
      {"RzBitBtn1", &TfrmCreateMapUnRg::RzBitBtn1Click},
      {"RzBitBtn2", &TfrmCreateMapUnRg::RzBitBtn2Click},
      {"RzBitBtn3", &TfrmCreateMapUnRg::RzBitBtn3Click},
      {"N1", &TfrmCreateMapUnRg::N1Click},
      {"N2", &TfrmCreateMapUnRg::N2Click},
      {"Excel1", &TfrmCreateMapUnRg::Excel1Click},
      {"N3", &TfrmCreateMapUnRg::N3Click},
      {"N4", &TfrmCreateMapUnRg::N4Click},
      {"CheckAll1", &TfrmCreateMapUnRg::CheckAll1Click},
      {"UncheckAll1", &TfrmCreateMapUnRg::UncheckAll1Click},
      {"InvertChecks1", &TfrmCreateMapUnRg::InvertChecks1Click},
      {"CopyNumbers1", &TfrmCreateMapUnRg::CopyNumbers1Click},
      {"FindKey", &TfrmCreateMapUnRg::FindKeyClick},
      {"FindNextKey", &TfrmCreateMapUnRg::FindNextKeyClick},
      {"DeleteKey", &TfrmCreateMapUnRg::DeleteKeyClick},
      {"RzToolbarButton1", &TfrmCreateMapUnRg::RzToolbarButton1Click},
      {"RzToolbarButton2", &TfrmCreateMapUnRg::RzToolbarButton2Click},
      {"RzToolbarButton3", &TfrmCreateMapUnRg::RzToolbarButton3Click},
      {"RzToolbarButton4", &TfrmCreateMapUnRg::RzToolbarButton4Click},
      {"RzToolbarButton5", &TfrmCreateMapUnRg::RzToolbarButton5Click},
      {"RzToolbarButton6", &TfrmCreateMapUnRg::RzToolbarButton6Click},
      {"RzToolbarButton7", &TfrmCreateMapUnRg::RzToolbarButton7Click},
      {"RzToolbarButton8", &TfrmCreateMapUnRg::RzToolbarButton8Click},
      {"RzToolbarButton9", &TfrmCreateMapUnRg::RzToolbarButton9Click},
      {"RzToolbarButton10", &TfrmCreateMapUnRg::RzToolbarButton10Click},
      {"RzToolbarButton11", &TfrmCreateMapUnRg::RzToolbarButton11Click},
      {"RzToolbarButton12", &TfrmCreateMapUnRg::RzToolbarButton12Click},
      {"RzToolbarButton13", &TfrmCreateMapUnRg::RzToolbarButton13Click},
      {"RzToolbarButton14", &TfrmCreateMapUnRg::RzToolbarButton14Click},
      {"RzToolbarButton15", &TfrmCreateMapUnRg::RzToolbarButton15Click},
      {"RzToolbarButton16", &TfrmCreateMapUnRg::RzToolbarButton16Click},
      {"RzToolbarButton17", &TfrmCreateMapUnRg::RzToolbarButton17Click},
      {"RzToolbarButton18", &TfrmCreateMapUnRg::RzToolbarButton18Click},
      {"RzToolbarButton19", &TfrmCreateMapUnRg::RzToolbarButton19Click},
      {"RzToolbarButton20", &TfrmCreateMapUnRg::RzToolbarButton20Click},
      {"RzToolbarButton21", &TfrmCreateMapUnRg::RzToolbarButton21Click},
  };
  Control* c = FindControl(name);
  auto* option = dynamic_cast<RadioButton*>(c);
  const auto it = kHandlers.find(name);
  const bool toolbar = GeodeticToolbarClick(name, /*run=*/false);
  const bool exportItem = ExportItemClick(name, /*run=*/false);
  if (option == nullptr && it == kHandlers.end() && !toolbar && !exportItem) return false;
  // A disabled control takes no click.
  if (!c->Enabled) return true;
  if (option != nullptr) {
    // Choosing an option runs its handler when it was not chosen before.
    Dispatch([option] { option->Choose(); });
  } else if (toolbar) {
    GeodeticToolbarClick(name, /*run=*/true);
  } else if (exportItem) {
    ExportItemClick(name, /*run=*/true);
  } else {
    (this->*(it->second))();
  }
  return true;
}

bool TfrmCreateMapUnRg::GeodeticToolbarClick(std::string_view name, bool run) {
  // The area commands of every geodetic tab.
  for (GeodeticTab& t : GeodeticTabs) {
    const bool import = name == t.ImportArea.Name();
    if (!import && name != t.ClearArea.Name()) continue;
    if (run) Dispatch([&] { import ? ImportArea(t) : ClearArea(t); });
    return true;
  }
  // The toolbar of the CGCS2000 tab: open, import, find, delete, information.
  GeodeticTab& tab = Cgcs2000Tab();
  for (std::size_t k = 0; k < tab.Toolbar.size(); ++k) {
    if (name != RzToolbarButton(tab.Toolbar[k]).Name()) continue;
    if (!run) return true;
    switch (k) {
      case 0:
        Dispatch([&] { OpenParameters(tab); });
        break;
      case 1:
        Dispatch([&] { ImportCorners(tab); });
        break;
      case 2:
        FindMapUnionNo(tab.List);
        break;
      case 3:
        DeleteCheckedItems(tab.List);
        break;
      default:
        ShowSelectedInfo(tab.List);
        break;
    }
    return true;
  }
  return false;
}

bool TfrmCreateMapUnRg::DblClick(std::string_view listName) {
  if (listName == Cgcs2000Tab().List.Name()) {
    ShowSelectedInfo(Cgcs2000Tab().List);
    return true;
  }
  if (listName == RzCheckList1.Name())
    RzCheckList1DblClick();
  else if (listName == RzCheckList2.Name())
    RzCheckList2DblClick();
  else if (listName == RzCheckList3.Name())
    RzCheckList3DblClick();
  else if (listName == RzCheckList4.Name())
    RzCheckList4DblClick();
  else if (listName == RzCheckList5.Name())
    RzCheckList5DblClick();
  else
    return false;
  return true;
}

}  // namespace karvento
