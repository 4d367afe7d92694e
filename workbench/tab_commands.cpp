// SPDX-License-Identifier: Apache-2.0
// The commands of the working tabs: Generate on a geodetic tab (with its
// area of interest) and on the independent grid, the parameter files, taking
// a listed sheet's corners or plane range into the fields, and the toolbars
// over the tabs' lists. The toolbar over each geodetic tab's list runs from
// one table: the tab names its five buttons (GeodeticTab::Toolbar), the
// table says what each position does.
#include <iterator>
#include <string>
#include <tuple>
#include <utility>

#include "gis/area_file.h"
#include "gis/layer_tag.h"
#include "numbering/error.h"
#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/coord_transform.h"
#include "workbench/create_map_un_rg.h"
#include "workbench/input_dialogs.h"
#include "workbench/user_texts.h"

namespace karvento {
namespace {

constexpr const char* kNoticeCaption = "提示";
constexpr const char* kStepTooSmall = "偏移值太小了！";
constexpr const char* kEastOfWestMessage =
    "范围错误：右上角经度在左下角经度以西，图幅的范围为空（请检查右上角经度与左下角经度）";
constexpr const char* kNorthOfSouthMessage =
    "范围错误：右上角纬度在左下角纬度以南，图幅的范围为空（请检查右上角纬度与左下角纬度）";

}  // namespace

// ---------------------------------------------------------------------------
// Generate

void TfrmCreateMapUnRg::Generate(GeodeticTab& tab) {
  const TMapUnionRange range = tab.Range();
  const ScaleIndex scale = tab.Scale.ItemIndex();
  TStandardMapUnions result;
  try {
    if (tab.Area) {
      CreateMapUnionsInArea(tab.Area->polygons, range, scale, tab.NewStandard.Checked(), tab.Zone3(),
                            tab.datum, tab.Meridian.Value(), result);
    } else {
      CreateMapUnionsOfStandard(range, scale, tab.NewStandard.Checked(), tab.Zone3(), tab.datum,
                                tab.Meridian.Value(), result);
    }
  } catch (const Error& e) {
    // The range error names the corner fields at fault where they are.
    if (!e.GetMessage().Is(msg::kRangeCheck)) throw;
    if (DmsToDeg(range.East) < DmsToDeg(range.West)) throw Error(std::string(kEastOfWestMessage));
    if (DmsToDeg(range.North) < DmsToDeg(range.South)) throw Error(std::string(kNorthOfSouthMessage));
    throw;
  }
  // Corners beyond the datum's millimetre: said, as the command line says it.
  std::string warning;
  if (!result.empty() && !result.front().empty() && !result.back().empty()) {
    warning = ProjectionAccuracyWarning("图幅", tab.datum, DmsToDeg(result.front().front().Range.West),
                                        DmsToDeg(result.back().front().Range.East), tab.Meridian.Value());
  }
  ShowStandardMapUnions(std::move(result), tab.List, tab.datum, tab.OffsetX.Value(),
                        tab.OffsetY.Value());
  tab.Plane = {tab.datum,           tab.Zone3(),
               tab.Meridian.Value(), tab.OffsetX.Value(),
               tab.OffsetY.Value(),  kScaleDenominators[static_cast<std::size_t>(scale)],
               tab.NewStandard.Checked() ? "new" : "old"};
  tab.ListPlane = tab.Plane;
  if (!warning.empty()) ui_.MessageBox(kNoticeCaption, warning, MessageButtons::Ok, MessageIcon::Information);
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
  tab.SetRange(AreaSheetRange(read.area, tab.Scale.ItemIndex()));
  tab.AreaLabel.Caption = "范围：" + fileName + "，" + std::to_string(read.polygons) + " 个多边形";
  tab.Area = GeodeticTab::AreaOfInterest{fileName, std::move(read.area), read.polygons};
  tab.ClearArea.Enabled = true;
  std::string notice;
  for (const Message& m : read.notices) notice += (notice.empty() ? "" : " ") + UserFacingText(m);
  StatusLine.Caption = notice;
  // Coordinates taken as they are, never silently.
  if (!notice.empty()) {
    ui_.MessageBox(kNoticeCaption, notice, MessageButtons::Ok, MessageIcon::Information);
  }
}

void TfrmCreateMapUnRg::TagLayerFile(GeodeticTab& tab) {
  OpenDialog1.Filter = kLayerFilter;
  OpenDialog1.DefaultExt.clear();
  std::string input;
  if (!ExecuteFileDialog(ui_, OpenDialog1, input)) return;
  LayerTagRequest q;
  q.input = input;
  std::string scales(kScaleCaptions[static_cast<std::size_t>(tab.Scale.ItemIndex())]);
  if (!InputString(ui_, "图幅号赋值", "比例尺（多个以逗号分隔，如 1:1万,1:5万）：", scales)) return;
  // Captions (1:1万), 1:10000 or denominators, separated by commas.
  for (std::size_t from = 0; from <= scales.size();) {
    std::size_t comma = scales.find_first_of(",;", from);
    const std::size_t fullWidth = scales.find("，", from);
    std::size_t width = 1;
    if (fullWidth < comma) comma = fullWidth, width = std::string("，").size();
    std::string item = scales.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
    while (!item.empty() && item.front() == ' ') item.erase(item.begin());
    while (!item.empty() && item.back() == ' ') item.pop_back();
    if (!item.empty()) {
      ScaleIndex found = -1;
      for (ScaleIndex s = 0; s < kScaleCount; ++s) {
        const std::string d = std::to_string(kScaleDenominators[static_cast<std::size_t>(s)]);
        if (item == kScaleCaptions[static_cast<std::size_t>(s)] || item == d || item == "1:" + d) found = s;
      }
      if (found < 0) throw Error("“" + item + "”不是比例尺");
      q.scales.push_back(found);
    }
    if (comma == std::string::npos) break;
    from = comma + width;
  }
  if (q.scales.empty()) throw Error("请给出至少一个比例尺");
  SaveDialog1.Filter = kTagOutputFilter;
  SaveDialog1.DefaultExt = "gpkg";
  std::string output;
  if (!ExecuteFileDialog(ui_, SaveDialog1, output)) return;
  if (!TagFormatOfName(output, q.format)) throw Error("输出文件 “" + output + "” 须是 .gpkg、.shp、.geojson、.csv、.kml 或 .mif");
  q.output = output;
  q.sheetDatum = tab.datum;
  q.newStandard = tab.NewStandard.Checked();
  q.oldStandard = !q.newStandard;
  // A plane layer without a coordinate system is read on the tab's zone;
  // a layer with one, or in longitude and latitude, as it is.
  q.zone3 = tab.Zone3();
  q.defaultCm = tab.Meridian.Value();
  // The request run under a progress; false when the user cancelled
  // (nothing written).
  LayerTagResult r;
  const auto run = [&] {
    const std::unique_ptr<ProgressReporter> progress = ui_.BeginProgress(kWindowCaption, "正在赋图幅号……", 0);
    try {
      r = TagLayer(q, [&](std::uint64_t done) { return progress->Step(done); });
    } catch (const Error& e) {
      if (std::string(e.what()) != kExportCancelled) throw;
      return false;
    }
    return true;
  };
  bool tagged = false;
  std::string paramsFile;
  try {
    tagged = run();
  } catch (const Error& e) {
    // A layer on another datum than the tab's: the routine's refusal names
    // the two, and the user may relate them with a parameter file, as
    // --transform does. No (or no file) leaves the refusal as it is.
    const Message& refusal = e.GetMessage();
    if (!refusal.Is(kTagOtherDatumMessage) || refusal.Args().size() != 2) throw;
    const std::string question = "图层的坐标在 " + refusal.Args()[0].text + " 上，图幅在 " + refusal.Args()[1].text +
                                 " 上：两者之间没有官方转换，同一组坐标在两个坐标系中相差可达约 100 米。\n\n"
                                 "用坐标转换参数文件（坐标转换工具或 karvento-cli transform solve 解算的"
                                 "七参数、三参数或四参数）给出两者的转换关系吗？";
    if (ui_.MessageBox("确认", question, MessageButtons::YesNo, MessageIcon::Question) != MessageResult::Yes) throw;
    TagParamsDialog.Filter = kParamsFilter;
    TagParamsDialog.DefaultExt = "k7p";
    if (!ExecuteFileDialog(ui_, TagParamsDialog, paramsFile)) return;
    q.transform = ReadTransformParamsFile(paramsFile);
  }
  if (q.transform) {
    try {
      tagged = run();
    } catch (const Error& e) {
      // The parameters that do not fit this layer and tab: said of the file.
      const Message& m = e.GetMessage();
      if (!m.Is(kTagParamsMismatch) && !m.Is(kTagPlane4NeedsPlane) && !m.Is(kTagPlane4Zone) &&
          !m.Is(kTagPlane4Meridian)) {
        throw;
      }
      throw Error(Message(msg::kTransformParamsFile, {paramsFile, m}));
    }
  }
  if (!tagged) {
    StatusLine.Caption = "已取消图幅号赋值，文件未改动：" + output;
    return;
  }
  StatusLine.Caption = "已赋图幅号：" + std::to_string(r.features) + " 个要素，写入 " + output;
  std::string text = StatusLine.Caption + "。";
  for (const Message& notice : r.notices) text += "\n" + UserFacingText(notice);
  if (q.transform) text += "\n参数取自 " + paramsFile;
  ui_.MessageBox(kNoticeCaption, text, MessageButtons::Ok, MessageIcon::Information);
}

void TfrmCreateMapUnRg::ClearArea(GeodeticTab& tab) {
  tab.Area.reset();
  tab.AreaLabel.Caption.clear();
  tab.ClearArea.Enabled = false;
}

void TfrmCreateMapUnRg::GenerateCustom() {
  TCustomMapUnions result;
  // An inverted range would divide into nothing without a word.
  const char* inverted = RzNumericEdit7.Value() < RzNumericEdit5.Value()   ? kInvertedXMessage
                         : RzNumericEdit8.Value() < RzNumericEdit6.Value() ? kInvertedYMessage
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
    // A sheet size of nothing: the field is named, and what it sets.
    std::string text = refusal;
    if (refusal == kStepTooSmall && (!(RzSpinEdit28.Value() > 0) || !(RzSpinEdit29.Value() > 0))) {
      const char* axis = !(RzSpinEdit28.Value() > 0) ? "X" : "Y";
      text += std::string("\r\n坐标平移 ") + axis + "方向为 0：它是每幅图沿 " + axis +
              " 方向的大小（格网间距），请输入大于 0 的值。";
    }
    ui_.MessageBox(kErrorCaption, text, MessageButtons::Ok, MessageIcon::Error);
  }
  // A refused grid is still listed: the list and the table end up empty.
  ShowCustomMapUnions(std::move(result), RzCheckList3);
}

// ---------------------------------------------------------------------------
// Parameter files

TParameterSet TfrmCreateMapUnRg::ReadParameters(int tab) const {
  const GeodeticTab& g = *GeodeticTabOf(tab);
  const TMapUnionRange range = g.Range();
  TParameterSet p;
  p.Corners = {range.West, range.South, range.East, range.North};
  p.ZoneIndex = g.Zone3() ? 0 : 1;
  p.CentralMeridian = g.Meridian.Value();
  p.OffsetX = g.OffsetX.Value();
  p.OffsetY = g.OffsetY.Value();
  return p;
}

void TfrmCreateMapUnRg::WriteParameters(int tab, const TParameterSet& p) {
  GeodeticTab& g = *GeodeticTabOf(tab);
  g.SetRange({p.Corners[0], p.Corners[1], p.Corners[2], p.Corners[3]});
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
  // Parameter files have a name of their own: the last one saved or opened,
  // never the last export's; the exports keep theirs.
  const std::string exportName = std::exchange(SaveDialog1.FileName, parameterFileName_);
  std::string fileName;
  const bool chosen = ExecuteFileDialog(ui_, SaveDialog1, fileName);
  SaveDialog1.FileName = exportName;
  if (!chosen) return;
  parameterFileName_ = fileName;
  WriteParameterFile(fileName, p);
}

void TfrmCreateMapUnRg::OpenParameters(GeodeticTab& tab) {
  OpenDialog1.Filter = kTextFilter;
  OpenDialog1.DefaultExt.clear();
  std::string fileName;
  if (!ExecuteFileDialog(ui_, OpenDialog1, fileName)) return;
  parameterFileName_ = fileName;
  // The fields change only once the whole file has been read; the file
  // holds no area, so an area set before is dropped with the old corners.
  TParameterSet p;
  try {
    p = ReadParameterFile(fileName);
  } catch (const Error& e) {
    // A value that is no number: say in which file.
    const Message& what = e.GetMessage();
    if (!what.Is(msg::kNotAFloat) && !what.Is(msg::kNotAnInteger)) throw;
    throw Error("参数文件 “" + fileName + "” 中" + UserFacingText(what));
  }
  WriteParameters(tab.Index, p);
  ClearArea(tab);
}

// ---------------------------------------------------------------------------
// Imports into the fields

void TfrmCreateMapUnRg::ImportCorners(GeodeticTab& tab) {
  SheetList& list = tab.List;
  if (list.ItemIndex() < 0) return;
  TStandardMapUnion r;
  list.Object(static_cast<std::size_t>(list.ItemIndex())).GetStandardMapUnion(r);
  tab.SetRange(r.Range);
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
// Toolbars

bool TfrmCreateMapUnRg::GeodeticToolbarClick(std::string_view name, bool run) {
  // The area commands of every geodetic tab.
  for (GeodeticTab& t : GeodeticTabs) {
    if (name == t.TagLayer.Name()) {
      if (run) Dispatch([&] { TagLayerFile(t); });
      return true;
    }
    const bool import = name == t.ImportArea.Name();
    if (!import && name != t.ClearArea.Name()) continue;
    if (run) Dispatch([&] { import ? ImportArea(t) : ClearArea(t); });
    return true;
  }
  // The toolbar over each geodetic tab's list, one command per position.
  using Command = void (*)(TfrmCreateMapUnRg&, GeodeticTab&);
  static constexpr Command kToolbarCommands[] = {
      [](TfrmCreateMapUnRg& w, GeodeticTab& t) { w.OpenParameters(t); },
      [](TfrmCreateMapUnRg& w, GeodeticTab& t) { w.ImportCorners(t); },
      [](TfrmCreateMapUnRg& w, GeodeticTab& t) { w.DoFindMapUnionNo(t.List); },
      [](TfrmCreateMapUnRg& w, GeodeticTab& t) { w.DoDeleteCheckedItems(t.List); },
      [](TfrmCreateMapUnRg& w, GeodeticTab& t) { w.DoShowSelectedInfo(t.List); },
  };
  static_assert(std::size(kToolbarCommands) == std::tuple_size_v<decltype(GeodeticTab::Toolbar)>);
  for (GeodeticTab& tab : GeodeticTabs) {
    for (std::size_t k = 0; k < tab.Toolbar.size(); ++k) {
      if (name != RzToolbarButton(tab.Toolbar[k]).Name()) continue;
      if (run) Dispatch([&] { kToolbarCommands[k](*this, tab); });
      return true;
    }
  }
  return false;
}

void TfrmCreateMapUnRg::GeodeticToolbarClick(int n) {
  GeodeticToolbarClick(RzToolbarButton(n).Name(), /*run=*/true);
}

// The named handlers of the first two geodetic tabs' buttons (open, import,
// find, delete, information), which the front end and the tests call.
void TfrmCreateMapUnRg::RzToolbarButton12Click() { GeodeticToolbarClick(12); }
void TfrmCreateMapUnRg::RzToolbarButton4Click() { GeodeticToolbarClick(4); }
void TfrmCreateMapUnRg::RzToolbarButton10Click() { GeodeticToolbarClick(10); }
void TfrmCreateMapUnRg::RzToolbarButton1Click() { GeodeticToolbarClick(1); }
void TfrmCreateMapUnRg::RzToolbarButton5Click() { GeodeticToolbarClick(5); }
void TfrmCreateMapUnRg::RzToolbarButton13Click() { GeodeticToolbarClick(13); }
void TfrmCreateMapUnRg::RzToolbarButton7Click() { GeodeticToolbarClick(7); }
void TfrmCreateMapUnRg::RzToolbarButton11Click() { GeodeticToolbarClick(11); }
void TfrmCreateMapUnRg::RzToolbarButton2Click() { GeodeticToolbarClick(2); }
void TfrmCreateMapUnRg::RzToolbarButton6Click() { GeodeticToolbarClick(6); }
// The independent grid's toolbar.
void TfrmCreateMapUnRg::RzToolbarButton3Click() { DeleteCheckedItems(RzCheckList3); }
void TfrmCreateMapUnRg::RzToolbarButton8Click() { RzCheckList3DblClick(); }
void TfrmCreateMapUnRg::RzToolbarButton9Click() {
  Dispatch([this] { ImportPlaneRange(); });
}

}  // namespace karvento
