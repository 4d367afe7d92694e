// SPDX-License-Identifier: Apache-2.0
#include "workbench/coord_transform.h"

#include <cmath>
#include <cstdio>

#include "export/safe_file.h"
#include "geodesy/float_chars.h"
#include "gis/layer_move.h"
#include "numbering/error.h"
#include "geodesy/common_point_table.h"
#include "export/transform_lines.h"
#include "workbench/text_files.h"

namespace karvento {

namespace {

constexpr const char* kPointsFilter = "重合点文件（*.csv;*.txt）|*.csv;*.txt|所有文件（*.*）|*.*";
constexpr const char* kLayerFilter =
    "GIS 图层（*.shp;*.gpkg;*.geojson）|*.shp;*.gpkg;*.geojson|所有文件（*.*）|*.*";
constexpr const char* kPointFileFilter = "点文件（*.txt;*.csv;*.xyz）|*.txt;*.csv;*.xyz|所有文件（*.*）|*.*";

constexpr TransformModel kModels[] = {TransformModel::Bursa7, TransformModel::Shift3, TransformModel::Plane4,
                                      TransformModel::Affine6};

std::string Fixed(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

const char* Extension(TransformModel m) {
  switch (m) {
    case TransformModel::Bursa7: return "k7p";
    case TransformModel::Shift3: return "k3p";
    case TransformModel::Plane4: return "k4p";
    case TransformModel::Affine6: return "k6p";
  }
  return "k7p";
}

}  // namespace

TfrmCoordTransform::TfrmCoordTransform(UserInterface& ui) : ui_(ui) {
  CmEdit.SetValue(117);
  Run = [](const std::function<void()>& action) { action(); };
}

TransformModel TfrmCoordTransform::Model() const {
  const int i = ModelBox.ItemIndex();
  return i >= 0 && i < 4 ? kModels[i] : TransformModel::Bursa7;
}

RotationConvention TfrmCoordTransform::Convention() const {
  return ConventionBox.ItemIndex() == 1 ? RotationConvention::CoordinateFrame : RotationConvention::PositionVector;
}

Datum TfrmCoordTransform::Source() const { return kDatums[static_cast<std::size_t>(std::max(0, SourceBox.ItemIndex()))].datum; }
Datum TfrmCoordTransform::Target() const { return kDatums[static_cast<std::size_t>(std::max(0, TargetBox.ItemIndex()))].datum; }

void TfrmCoordTransform::ShowParams(const TransformParams& t) {
  for (int i = 0; i < 4; ++i) {
    if (kModels[i] == t.model) ModelBox.SetItemIndex(i);
  }
  ConventionBox.SetItemIndex(t.bursa.convention == RotationConvention::CoordinateFrame ? 1 : 0);
  SourceBox.SetItemIndex(static_cast<int>(t.source));
  TargetBox.SetItemIndex(static_cast<int>(t.target));
  if (IsPlaneModel(t.model)) {
    ZoneBox.SetItemIndex(t.zone3 ? 0 : 1);
    CmEdit.SetValue(t.cm);
  }
}

void TfrmCoordTransform::Act(const std::function<void()>& action) {
  StatusText.clear();
  Run(action);
}

const TransformParams& TfrmCoordTransform::RequireParams() const {
  if (!HasParams) throw Error("还没有转换参数：请先解算，或打开参数文件");
  return Params;
}

void TfrmCoordTransform::ReadPoints() {
  Act([this] {
    OpenDialog.Filter = kPointsFilter;
    OpenDialog.DefaultExt = "csv";
    std::string file;
    if (!ExecuteFileDialog(ui_, OpenDialog, file)) return;
    std::string text;
    for (const std::string& line : ReadNumberList(file)) text += line + "\n";
    PointsEdit.SetText(text);
    StatusText = "已读取 " + file;
  });
}

void TfrmCoordTransform::Solve() { Act([this] { DoSolve(); }); }

void TfrmCoordTransform::DoSolve() {
  std::vector<std::string> lines;
  const std::string& text = PointsEdit.Text();
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  CommonPointTable table;
  if (Message r = ParseCommonPointTable(lines, "重合点表", table); !r.Empty()) throw Error(r);
  const TransformModel m = Model();
  const double cm = CmEdit.Value();
  const double rejectK = RejectEdit.Value() > 0 ? RejectEdit.Value() : 0;
  TransformSolution sol;
  if (table.plane) {
    if (!(cm > 0)) throw Error("平面坐标的重合点需要大于 0 的中央经线");
    if (IsPlaneModel(m)) {
      sol = SolvePlane(table.planar, m, Source(), Target(), Zone3(), cm, rejectK);
    } else {
      std::vector<GeodeticCommonPoint> g;
      if (Message r = PlaneToGeodeticCommonPoints(table.planar, Source(), Target(), Zone3(), cm, g); !r.Empty()) {
        throw Error(r);
      }
      sol = SolveBursa(g, Source(), Target(), m, Convention(), rejectK);
    }
  } else {
    if (IsPlaneModel(m)) throw Error("四参数和六参数模型需要平面坐标的重合点（north1 east1 north2 east2）");
    sol = SolveBursa(table.geodetic, Source(), Target(), m, Convention(), rejectK);
  }
  if (!sol.refusal.Empty()) throw Error(sol.refusal);
  Params = sol.params;
  HasParams = true;
  ParameterRows.clear();
  const std::vector<ParameterValue> values = ParameterValues(sol.params);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int digits = *values[i].unit == '\0' ? 12 : 6;
    ParameterRows.push_back({std::string(values[i].key) + (*values[i].unit ? std::string(" (") + values[i].unit + ")" : ""),
                             Fixed(values[i].value, digits),
                             i < sol.standardErrors.size() ? Fixed(sol.standardErrors[i], digits) : ""});
  }
  Residuals.clear();
  for (const PointResidual& r : sol.residuals) {
    Residuals.push_back({r.name, r.east, r.north, std::hypot(r.east, r.north), r.rejected});
  }
  Summary = DescribeTransform(sol.params) + "\n单位权中误差 σ0 = " + Fixed(sol.sigma0, 4) + " 米（多余观测 " +
            std::to_string(sol.redundancy) + "），重合点 " + std::to_string(sol.residuals.size()) + " 个";
  if (!sol.rejected.empty()) {
    std::string list;
    for (const std::string& n : sol.rejected) list += (list.empty() ? "" : ", ") + n;
    Summary += "\n超过 " + Fixed(rejectK, 1) + " 倍中误差而剔除的点：" + list;
  }
  if (!IsPlaneModel(m) && !table.heights) Summary += "\n没有大地高：两个坐标系上都取 h = 0";
}

void TfrmCoordTransform::SaveParams() { Act([this] { DoSaveParams(); }); }

void TfrmCoordTransform::DoSaveParams() {
  const TransformParams& t = RequireParams();
  SaveDialog.Filter = kParamsFilter;
  SaveDialog.DefaultExt = Extension(t.model);
  std::string file;
  if (!ExecuteFileDialog(ui_, SaveDialog, file)) return;
  SafeFile f(file);
  f.Write(FormatTransformParams(t, Summary));
  f.Commit();
  StatusText = "已写入 " + file;
}

void TfrmCoordTransform::OpenParams() { Act([this] { DoOpenParams(); }); }

void TfrmCoordTransform::DoOpenParams() {
  OpenDialog.Filter = kParamsFilter;
  OpenDialog.DefaultExt = "k7p";
  std::string file;
  if (!ExecuteFileDialog(ui_, OpenDialog, file)) return;
  const TransformParams t = ReadTransformParamsFile(file);
  Params = t;
  HasParams = true;
  ShowParams(t);
  ParameterRows.clear();
  for (const ParameterValue& v : ParameterValues(t)) {
    ParameterRows.push_back({std::string(v.key) + (*v.unit ? std::string(" (") + v.unit + ")" : ""),
                             Fixed(v.value, *v.unit == '\0' ? 12 : 6), ""});
  }
  Residuals.clear();
  Summary = DescribeTransform(t) + "\n参数取自 " + file;
  StatusText = "已打开 " + file;
}

void TfrmCoordTransform::ApplyToList() {
  Act([this] {
    const TransformParams& t = RequireParams();
    if (IsPlaneModel(t.model)) throw Error("图廓改正量需要七参数或三参数模型");
    if (!OnApplyToList) throw Error("没有可转换的图幅列表");
    StatusText = OnApplyToList(t);
  });
}

void TfrmCoordTransform::ApplyToLayer() { Act([this] { DoApplyToLayer(); }); }

void TfrmCoordTransform::DoApplyToLayer() {
  const TransformParams& t = RequireParams();
  OpenDialog.Filter = kLayerFilter;
  OpenDialog.DefaultExt = "shp";
  std::string input, output;
  if (!ExecuteFileDialog(ui_, OpenDialog, input)) return;
  SaveDialog.Filter = kLayerFilter;
  SaveDialog.DefaultExt = "gpkg";
  if (!ExecuteFileDialog(ui_, SaveDialog, output)) return;
  const bool inverse = Inverse();
  const bool zone3 = IsPlaneModel(t.model) ? t.zone3 : Zone3();
  const double cm = IsPlaneModel(t.model) ? t.cm : CmEdit.Value();
  LayerMove request;
  request.input = input;
  request.output = output;
  request.description = std::string(inverse ? "逆向转换：" : "正向转换：") + DescribeTransform(t);
  request.sourceDatum = inverse ? t.target : t.source;
  request.targetDatum = inverse ? t.source : t.target;
  request.zone3 = zone3;
  request.cm = cm;
  const bool plane = cm > 0;
  request.pipeline = TransformPipeline(t, inverse, plane, zone3, cm, false);
  request.pipelinePrefixed = TransformPipeline(t, inverse, plane, zone3, cm, true);
  const std::uint64_t vertices = MoveLayer(request);
  StatusText = "已写入 " + output + "：" + std::to_string(vertices) + " 个顶点。" + request.description;
}

void TfrmCoordTransform::ApplyToPointFile() { Act([this] { DoApplyToPointFile(); }); }

void TfrmCoordTransform::DoApplyToPointFile() {
  const TransformParams& t = RequireParams();
  OpenDialog.Filter = kPointFileFilter;
  OpenDialog.DefaultExt = "txt";
  std::string input, output;
  if (!ExecuteFileDialog(ui_, OpenDialog, input)) return;
  SaveDialog.Filter = kPointFileFilter;
  SaveDialog.DefaultExt = "txt";
  if (!ExecuteFileDialog(ui_, SaveDialog, output)) return;
  PointMover m;
  m.t = t;
  m.inverse = Inverse();
  m.zone3 = IsPlaneModel(t.model) ? t.zone3 : Zone3();
  m.cm = IsPlaneModel(t.model) ? t.cm : CmEdit.Value();
  m.plane = m.cm > 0;
  const std::string text = ReadFileText(input, std::size_t{1} << 30);
  std::string out = "# " + std::string(m.inverse ? "逆向转换：" : "正向转换：") + DescribeTransform(t) + "\n";
  std::size_t line = 0, moved = 0;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    ++line;
    const std::string_view l(text.data() + start, end - start);
    switch (TransformPointLine(m, l, out)) {
      case PointLineResult::Moved: ++moved; break;
      case PointLineResult::Passed: break;
      case PointLineResult::NotAPoint:
        throw Error(input + " 第 " + std::to_string(line) + " 行不是点：“" + std::string(l.substr(0, 80)) + "”");
      case PointLineResult::OutOfRange:
        throw Error(input + " 第 " + std::to_string(line) + " 行的点超出了投影的计算范围");
    }
    start = end + 1;
  }
  SafeFile f(output);
  f.Write(out);
  f.Commit();
  StatusText = "已写入 " + output + "：" + std::to_string(moved) + " 个点";
}

}  // namespace karvento
