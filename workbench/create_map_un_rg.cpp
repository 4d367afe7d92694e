// SPDX-License-Identifier: Apache-2.0
// The main window's construction and wiring: its controls by name, the
// tabs, the general error box, the fills that replace a list and its table,
// the bottom row's Generate and Exit, and the dispatch of clicks by control
// name. The commands live in the rooms beside it (see the header).
#include "workbench/create_map_un_rg.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <utility>

#include "numbering/unMapUnRgPub.h"
#include "workbench/user_texts.h"

namespace karvento {
namespace {

const std::vector<std::string> kZoneItems = {"3度分带法", "6度分带法"};

std::vector<std::string> ScaleItems() { return {kScaleCaptions.begin(), kScaleCaptions.end()}; }

constexpr int kDefaultScale = 6;  // "1:1万"

// Central meridian of the conversion, in degrees as given, as on the geodetic tabs.
constexpr SpinField::Limits kMeridianConvert{0, 360, 1, kAnyDecimals};
constexpr SpinField::Limits kGridStep{0, 1000, 10, 0};
constexpr SpinField::Limits kFirstNumber{0, 10000, 10, 0};
constexpr SpinField::Limits kScaleDenominator{0, 2000, 100, 0, -1, false};

constexpr const char* kWholeNumbers = ",0;(,0)";
constexpr const char* kPlaneRange = ",0.00000;(,0.00000)";

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
// scale, offsets, standards, list, toolbar (open, import, find, delete,
// information).
constexpr GeodeticTabNames kBeijing54Names{1, 13, 1, 2, 1, 2, 1, 2, 1, {12, 4, 10, 1, 5}};
constexpr GeodeticTabNames kXian80Names{14, 26, 3, 4, 3, 4, 3, 4, 2, {13, 7, 11, 2, 6}};
constexpr GeodeticTabNames kCgcs2000Names{35, 47, 7, 8, 11, 12, 11, 12, 6, {22, 23, 24, 25, 26}};

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
      ClipItem("Clip1", "分幅裁切…", "", ControlKind::MenuItem),
      ClipChecked("Clip1Checked", "分幅裁切…", "", ControlKind::MenuItem),
      CheckAll1("CheckAll1", "全选", "", ControlKind::MenuItem),
      UncheckAll1("UncheckAll1", "全不选", "", ControlKind::MenuItem),
      InvertChecks1("InvertChecks1", "反选", "", ControlKind::MenuItem),
      CopyNumbers1("CopyNumbers1", "复制图幅号", "", ControlKind::MenuItem),
      UndoDelete1("UndoDelete1", "撤销删除", "", ControlKind::MenuItem),
      CoordTransform1("CoordTransform1", "坐标转换…", "", ControlKind::MenuItem),
      FindKey("FindKey", "查找", "", ControlKind::MenuItem),
      FindNextKey("FindNextKey", "查找下一个", "", ControlKind::MenuItem),
      DeleteKey("DeleteKey", "删除", "", ControlKind::MenuItem),
      ToolbarButtons(MakeToolbarButtons(std::make_index_sequence<26>())),
      ui_(ui) {
  UndoDelete1.Enabled = false;
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
                                                    &ClipItem,
                                                    &ClipChecked,
                                                    &CheckAll1,
                                                    &UncheckAll1,
                                                    &InvertChecks1,
                                                    &CopyNumbers1,
                                                    &UndoDelete1,
                                                    &CoordTransform1,
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

void TfrmCreateMapUnRg::ShowError(const Error& e) {
  ui_.MessageBox(kErrorCaption, UserFacingText(e.GetMessage()), MessageButtons::Ok, MessageIcon::Error);
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
// Generate or convert: the bottom row's first button

void TfrmCreateMapUnRg::RzBitBtn1Click() {
  Dispatch([this] {
    StatusLine.Caption.clear();
    // A new list: the last delete is no longer taken back.
    ForgetUndo();
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

// ---------------------------------------------------------------------------
// Commands by control name

bool TfrmCreateMapUnRg::Click(std::string_view name) {
  using Handler = void (TfrmCreateMapUnRg::*)();
  static const std::unordered_map<std::string_view, Handler> kHandlers = {
      {"RzBitBtn1", &TfrmCreateMapUnRg::RzBitBtn1Click},
      {"Clip1", &TfrmCreateMapUnRg::Clip1Click},
      {"Clip1Checked", &TfrmCreateMapUnRg::Clip1CheckedClick},
      {"RzBitBtn2", &TfrmCreateMapUnRg::RzBitBtn2Click},
      {"RzBitBtn3", &TfrmCreateMapUnRg::RzBitBtn3Click},
      {"N3", &TfrmCreateMapUnRg::N3Click},
      {"N4", &TfrmCreateMapUnRg::N4Click},
      {"CheckAll1", &TfrmCreateMapUnRg::CheckAll1Click},
      {"UncheckAll1", &TfrmCreateMapUnRg::UncheckAll1Click},
      {"InvertChecks1", &TfrmCreateMapUnRg::InvertChecks1Click},
      {"CopyNumbers1", &TfrmCreateMapUnRg::CopyNumbers1Click},
      {"UndoDelete1", &TfrmCreateMapUnRg::UndoDelete1Click},
      {"CoordTransform1", &TfrmCreateMapUnRg::CoordTransform1Click},
      {"FindKey", &TfrmCreateMapUnRg::FindKeyClick},
      {"FindNextKey", &TfrmCreateMapUnRg::FindNextKeyClick},
      {"DeleteKey", &TfrmCreateMapUnRg::DeleteKeyClick},
      {"RzToolbarButton3", &TfrmCreateMapUnRg::RzToolbarButton3Click},
      {"RzToolbarButton8", &TfrmCreateMapUnRg::RzToolbarButton8Click},
      {"RzToolbarButton9", &TfrmCreateMapUnRg::RzToolbarButton9Click},
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
