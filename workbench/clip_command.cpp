// SPDX-License-Identifier: Apache-2.0
// 分幅裁切… under 导出: the user's raster or vector data cut into the sheets
// of the active list (Clip1) or its checked sheets (Clip1Checked), one file
// per sheet, by the routine the command line's clip calls (gis/clip.h).
#include <string>
#include <vector>

#include "export/sheet_fields.h"
#include "gis/clip.h"
#include "numbering/error.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"
#include "workbench/input_dialogs.h"

namespace karvento {

namespace {

constexpr const char* kClipCaption = "分幅裁切";
constexpr const char* kDataFilter =
    "栅格或矢量数据（*.tif;*.tiff;*.img;*.jp2;*.vrt;*.shp;*.gpkg;*.geojson;*.dxf）|"
    "*.tif;*.tiff;*.img;*.jp2;*.vrt;*.shp;*.gpkg;*.geojson;*.dxf|所有文件（*.*）|*.*";

}  // namespace

void TfrmCreateMapUnRg::Clip1Click() {
  Dispatch([this] { ClipSheets(false); });
}
void TfrmCreateMapUnRg::Clip1CheckedClick() {
  Dispatch([this] { ClipSheets(true); });
}

void TfrmCreateMapUnRg::ClipSheets(bool checkedOnly) {
  SheetList* list = ActiveList();
  if (list == nullptr || list->Count() == 0) {
    StatusLine.Caption = "列表中没有图幅，未裁切";
    return;
  }
  if (checkedOnly && list->CheckedCount() == 0) {
    StatusLine.Caption = "没有选中的图幅，未裁切";
    return;
  }
  if (list->Kind() != RecordKind::Standard) {
    ui_.MessageBox(kErrorCaption, "只有国家基本比例尺的图幅可以分幅裁切", MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  TPlaneSystem system;
  if (!ListSystem(*list, system)) system = GeodeticTabOf(TabTableDatum()).ListPlane;

  ClipRequest r;
  for (std::size_t i = 0; i < list->Count(); ++i) {
    if (!checkedOnly || list->Checked(i)) r.numbers.push_back(list->StandardRecord(i).MapUnionNo);
  }
  const TStandardMapUnion& first = list->StandardRecord(0);
  r.choice = ClipChoice::Numbers;
  // The list's scale and standard are those its request named.
  r.scale = ScaleOf(first, system);
  r.newStandard = StandardOf(first, system) == "new";
  r.datum = system.datum;
  r.zone3 = system.zone3;
  r.cm = system.cm;

  // The data, then where the sheets go: a folder named as the name chosen.
  OpenDialog1.Filter = kDataFilter;
  OpenDialog1.DefaultExt = "";
  if (!ExecuteFileDialog(ui_, OpenDialog1, r.input)) return;
  SaveDialog1.Filter = "文件夹|*";
  SaveDialog1.DefaultExt = "";
  std::string folder;
  if (!ExecuteFileDialog(ui_, SaveDialog1, folder)) return;
  const std::size_t slash = folder.rfind('/');
  r.output = (slash == std::string::npos ? std::string() : folder.substr(0, slash + 1)) + ExtractFileTitle(folder);
  std::string margin = "10";
  if (!InputString(ui_, kClipCaption, "外扩（图上毫米）：", margin)) return;
  if (!IsFloatText(margin)) {
    ui_.MessageBox(kErrorCaption, "'" + margin + "' is not a valid floating point value", MessageButtons::Ok,
                   MessageIcon::Error);
    return;
  }
  r.margin = {StrToFloat(margin), MarginUnit::Millimetres};
  // One worker: the progress is shown from the window's own thread.
  r.workers = 1;

  std::unique_ptr<ProgressReporter> progress = ui_.BeginProgress(kWindowCaption, "正在分幅裁切…", r.numbers.size());
  const ClipResult result = RunClip(r, [&](const ClipProgress& p) { return progress->Step(p.done); });
  const bool cancelled = progress->Cancelled();
  progress.reset();
  StatusLine.Caption = std::string(cancelled ? "已取消分幅裁切；" : "") + "已裁切 " + std::to_string(result.written) +
                       " 幅到 " + r.output + "（没有数据的 " + std::to_string(result.empty) + " 幅未写出）";
}

}  // namespace karvento
