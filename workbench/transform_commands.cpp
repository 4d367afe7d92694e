// SPDX-License-Identifier: Apache-2.0
// The 坐标转换 tool opened from a sheet list's menu, and its 转换当前列表:
// the 图廓改正量 of the active list's sheets.
#include <string>

#include "export/safe_file.h"
#include "geodesy/datum.h"
#include "workbench/coord_transform.h"
#include "workbench/create_map_un_rg.h"
#include "export/transform_lines.h"

namespace karvento {

void TfrmCreateMapUnRg::CoordTransform1Click() {
  TfrmCoordTransform dialog(ui_);
  // The tool starts on the active list's datum and zone, where it has them.
  TPlaneSystem system;
  if (SheetList* list = ActiveList(); list != nullptr && ListSystem(*list, system)) {
    dialog.SourceBox.SetItemIndex(static_cast<int>(system.datum));
    dialog.TargetBox.SetItemIndex(system.datum == Datum::Cgcs2000 ? 0 : static_cast<int>(Datum::Cgcs2000));
    dialog.ZoneBox.SetItemIndex(system.zone3 ? 0 : 1);
    if (system.cm > 0) dialog.CmEdit.SetValue(system.cm);
  }
  dialog.Run = [this](const std::function<void()>& action) { Dispatch(action); };
  dialog.OnApplyToList = [this](const TransformParams& t) { return WriteListCorrections(t); };
  ui_.ShowCoordTransform(dialog);
}

std::string TfrmCreateMapUnRg::WriteListCorrections(const TransformParams& t) {
  SheetList* list = ActiveList();
  TPlaneSystem system;
  if (list == nullptr || list->Kind() != RecordKind::Standard || !ListSystem(*list, system)) {
    throw Error("当前列表不是标准图幅的列表：图廓改正量需要北京54、西安80或2000坐标系的图幅");
  }
  if (list->Count() == 0) throw Error("当前列表是空的：请先生成图幅号");
  if (system.datum != t.source) {
    throw Error(std::string("这组参数从") + DatumInfoOf(t.source).chineseName + "转换，当前列表的图幅却在" +
                DatumInfoOf(system.datum).chineseName + "上");
  }
  SaveDialog1.Filter = "文本文件（*.txt）|*.txt";
  SaveDialog1.DefaultExt = "txt";
  std::string file;
  if (!ExecuteFileDialog(ui_, SaveDialog1, file)) return {};
  std::string text = "# 图廓改正量：" + DescribeTransform(t) + "\n" + kSheetCorrectionHeader;
  for (std::size_t i = 0; i < list->Count(); ++i) {
    if (!SheetCorrectionLine(t, list->StandardRecord(i), system.zone3, system.cm, text)) {
      throw Error("图幅 " + list->Text(i) + " 超出了投影的计算范围");
    }
  }
  SafeFile f(file);
  f.Write(text);
  f.Commit();
  return "已写入 " + file + "：" + std::to_string(list->Count()) + " 幅图的图廓改正量";
}

}  // namespace karvento
