// SPDX-License-Identifier: Apache-2.0
// karvento-cli transform: parameters solved from common points (重合点),
// and points, GIS layers and sheet corners moved with them
// (geodesy/transform.h does the computing).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/modules.h"
#include "cli/transform.h"
#include "export/safe_file.h"
#include "geodesy/angle_text.h"
#include "geodesy/float_chars.h"
#include "geodesy/projection.h"
#include "geodesy/transform.h"
#include "numbering/error.h"
#include "numbering/scales.h"
#include "geodesy/common_point_table.h"
#include "export/transform_lines.h"
#include "workbench/text_files.h"

namespace karvento::cli {

namespace {

const char* kTransformHelp =
    N_("用法：\n"
    "  karvento-cli transform solve 重合点文件 --model bursa7|shift3|plane4|affine6 --from 54|80|2000\n"
    "               --to 54|80|2000 [--convention position-vector|coordinate-frame]\n"
    "               [--zone 3|6 --cm 度数] [--reject K] [--output 参数文件]\n"
    "  karvento-cli transform solve --source 源图层 --target 目标图层 --join-field 字段 …\n"
    "  karvento-cli transform apply --params 参数文件 [--inverse] [--zone 3|6 --cm 度数]\n"
    "               [--method direct|corners --scale 1:1万] [--output 文件] [点文件]\n"
    "  karvento-cli transform layer --params 参数文件 [--inverse] [--zone 3|6 --cm 度数]\n"
    "               [--method direct|corners --scale 1:1万] 输入图层 输出图层\n"
    "  karvento-cli transform show 参数文件\n"
    "\n"
    "solve：由重合点（两个坐标系上都已知的点）按最小二乘解算转换参数，列出参数及其\n"
    "中误差、单位权中误差和每个点的残差（东、北，单位为米）。重合点文件为 CSV 或\n"
    "TXT（逗号、制表符或空格分隔），第一行为列名：name（点名），以及\n"
    "  经纬度：lon1 lat1 [h1] lon2 lat2 [h2]（1 为源坐标系，2 为目标坐标系；\n"
    "          十进制度或度:分:秒；大地高，没有时取 0）；或\n"
    "  平面坐标：north1 east1 north2 east2（高斯-克吕格，同一个带，需要 --cm；\n"
    "          东坐标可带带号）。\n"
    "或者来自两个点图层（shp、gpkg、geojson）：--source 为源坐标系上的点，--target 为\n"
    "目标坐标系上的点，按 --join-field 字段（如 点号）的值配对；只在一个图层中的点\n"
    "不参与解算并在标准错误中列出。平面坐标的图层需要 --cm。\n"
    "注意：我国测量习惯以 X 表示北坐标，本工具以 X 表示东坐标，所以列名写北、东\n"
    "（north、east）；x、y 两列按本工具的习惯读作东、北，互换了的会被识别并拒绝。\n"
    "bursa7 为七参数布尔莎模型（ΔX ΔY ΔZ 米，旋转 rx ry rz 秒，尺度 ppm），需要至少\n"
    "3 个不在一条直线上的点；--convention 说明旋转的符号：position-vector（位置矢量，\n"
    "默认，EPSG 9606）或 coordinate-frame（坐标框架，EPSG 9607）。shift3 为三参数\n"
    "平移。plane4 为同一带内的四参数平面相似变换（Δx 北、Δy 东 米，旋转 α 秒，尺度\n"
    "m ppm），需要至少 2 个点。affine6 为同一带内的六参数平面仿射变换\n"
    "（x' = a0 + a1 x + a2 y，y' = b0 + b1 x + b2 y，x 为北坐标），需要至少 3 个\n"
    "不在一条直线上的点。--reject K：残差超过 K 倍点位中误差的点剔除后重新\n"
    "解算，并列出被剔除的点。没有大地高时两边都取 h = 0：参数只适用于重合点所在的\n"
    "地区，高出椭球 1000 米的点平面误差可达 1.7 厘米。\n"
    "\n"
    "apply：转换标准输入或点文件中的点，每行一个点（其余的列原样保留）：\n"
    "经度 纬度 [大地高]，或给出 --cm 时为东坐标 北坐标。--method corners 为图廓点\n"
    "改正法：按 --scale 比例尺图幅的四个图廓点的改正量双线性内插。\n"
    "layer：转换 GIS 图层（shp、gpkg、geojson）的每个顶点，经由 PROJ 管道\n"
    "（+proj=helmert，约定如参数文件所写），输出图层带目标坐标系。\n"
    "每个输出都在标准错误（图层：在其元数据 KARVENTO_TRANSFORM 中）写明转换它的\n"
    "模型、约定和参数。\n"
    "\n"
    "示例：\n"
    "  karvento-cli transform solve points.csv --model bursa7 --from 54 --to 2000 --cm 117 --reject 3 --output bj.k7p\n"
    "  echo '116.5 39.9' | karvento-cli transform apply --params bj.k7p\n"
    "  karvento-cli transform layer --params bj.k7p --cm 117 roads54.shp roads2000.shp\n");

const OptionSpec kTransformOwn[] = {{"model", true},   {"from", true},    {"to", true},     {"convention", true},
                                    {"reject", true},  {"output", true},  {"params", true}, {"inverse", false},
                                    {"method", true},  {"scale", true},   {"zone", true},   {"cm", true},
                                    {"quiet", false},  {"source", true},  {"target", true}, {"join-field", true}};

double ReadCm(const Args& args) { return ParseCentralMeridian(args.Value("cm").value_or("0"), kMaxCentralMeridian); }
bool ReadZone3(const Args& args) {
  const std::string zone = args.Value("zone").value_or("3");
  if (zone != "3" && zone != "6") throw UsageError(Tr("--zone 只能是 3 或 6"));
  return zone == "3";
}

Datum ReadDatum(const Args& args, const char* option) {
  const auto v = args.Value(option);
  if (!v) throw UsageError(TrFormat("请给出 --%s 54|80|2000", {option}));
  for (const DatumInfo& d : kDatums) {
    if (*v == d.key) return d.datum;
  }
  throw UsageError(TrFormat("--%s 只能是 54、80 或 2000", {option}));
}

// The refusal of a geodesy routine, as an error of the command.
void Refuse(const Message& refusal) {
  if (!refusal.Empty()) throw Error(refusal);
}

TransformParams ReadParams(const Args& args) {
  const auto file = args.Value("params");
  if (!file) throw UsageError(Tr("请给出 --params 参数文件（见 --help）"));
  return ReadTransformParamsFile(*file);
}

void Notice(const Args& args, const std::string& text) {
  if (!args.Has("quiet")) std::fprintf(stderr, "karvento-cli transform: %s\n", text.c_str());
}

// ---- solve ------------------------------------------------------------------

int ReportSolution(const Args& args, const TransformSolution& sol, TransformModel m, RotationConvention c,
                   bool heights, double rejectK, const std::string& file);

const char* ModelName(TransformModel m) {
  switch (m) {
    case TransformModel::Shift3: return N_("三参数平移模型");
    case TransformModel::Bursa7: return N_("七参数布尔莎模型");
    case TransformModel::Plane4: return N_("四参数平面相似变换");
    case TransformModel::Affine6: return N_("六参数平面仿射变换");
  }
  return "";
}

std::string Fixed(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

}  // namespace

SolvedTransform SolveCommonPoints(const Args& args) {
  SolvedTransform solved;
  const bool layers = args.Has("source") || args.Has("target") || args.Has("join-field");
  if (layers) {
    if (!args.Has("source") || !args.Has("target") || !args.Has("join-field") || args.Positional().size() != 1) {
      throw UsageError(Tr("两个图层的重合点需要 --source 图层、--target 图层和 --join-field 字段，不给重合点文件"));
    }
  } else if (args.Positional().size() != 2) {
    throw UsageError(Tr("请给出一个重合点文件（见 --help）"));
  }
  const std::string file = layers ? *args.Value("source") + " + " + *args.Value("target") : args.Positional()[1];
  const std::string model = args.Value("model").value_or("");
  TransformModel m;
  if (model == "bursa7") {
    m = TransformModel::Bursa7;
  } else if (model == "shift3") {
    m = TransformModel::Shift3;
  } else if (model == "plane4") {
    m = TransformModel::Plane4;
  } else if (model == "affine6") {
    m = TransformModel::Affine6;
  } else {
    throw UsageError(Tr("--model 只能是 bursa7、shift3、plane4 或 affine6"));
  }
  const std::string convention = args.Value("convention").value_or("position-vector");
  if (convention != "position-vector" && convention != "coordinate-frame") {
    throw UsageError(Tr("--convention 只能是 position-vector 或 coordinate-frame"));
  }
  const RotationConvention c =
      convention == "position-vector" ? RotationConvention::PositionVector : RotationConvention::CoordinateFrame;
  const Datum source = ReadDatum(args, "from"), target = ReadDatum(args, "to");
  const double rejectK = args.Value("reject") ? ParseNumberIn(*args.Value("reject"), "--reject", 1, 100) : 0;
  const bool zone3 = ReadZone3(args);
  const double cm = ReadCm(args);

  TransformSolution& sol = solved.solution;
  bool& heights = solved.heights;
  solved.model = m;
  solved.convention = c;
  solved.rejectK = rejectK;
  solved.file = file;
  if (layers) {
    const LayerCommonPoints joined =
        Gis().readLayerCommonPoints(*args.Value("source"), *args.Value("target"), *args.Value("join-field"), source, target);
    for (const auto& [side, names] : {std::pair{*args.Value("source"), &joined.onlySource},
                                      std::pair{*args.Value("target"), &joined.onlyTarget}}) {
      if (names->empty()) continue;
      std::string list;
      for (std::size_t i = 0; i < names->size() && i < 10; ++i) list += (i > 0 ? ", " : "") + (*names)[i];
      if (names->size() > 10) list += ", …";
      solved.notices.push_back(
          TrFormat("%s 中有 %s 个点另一图层没有，未用：%s", {side, std::to_string(names->size()), list}));
    }
    if (joined.plane) {
      if (!(cm > 0)) throw UsageError(Tr("平面坐标的重合点需要 --cm（其所在带的中央经线）"));
      if (IsPlaneModel(m)) {
        sol = SolvePlane(joined.planar, m, source, target, zone3, cm, rejectK);
      } else {
        std::vector<GeodeticCommonPoint> g;
        Refuse(PlaneToGeodeticCommonPoints(joined.planar, source, target, zone3, cm, g));
        sol = SolveBursa(g, source, target, m, c, rejectK);
      }
    } else {
      if (IsPlaneModel(m)) throw UsageError(Tr("plane4 和 affine6 需要平面坐标的重合点（north1 east1 north2 east2）"));
      sol = SolveBursa(joined.geodetic, source, target, m, c, rejectK);
    }
    Refuse(sol.refusal);
    return solved;
  }

  CommonPointTable table;
  Refuse(ParseCommonPointTable(ReadNumberList(file), file, table));
  heights = table.heights;
  if (table.plane) {
    if (!(cm > 0)) throw UsageError(Tr("平面坐标的重合点需要 --cm（其所在带的中央经线）"));
    if (IsPlaneModel(m)) {
      sol = SolvePlane(table.planar, m, source, target, zone3, cm, rejectK);
    } else {
      std::vector<GeodeticCommonPoint> g;
      Refuse(PlaneToGeodeticCommonPoints(table.planar, source, target, zone3, cm, g));
      sol = SolveBursa(g, source, target, m, c, rejectK);
    }
  } else {
    if (IsPlaneModel(m)) throw UsageError(Tr("plane4 和 affine6 需要平面坐标的重合点（north1 east1 north2 east2）"));
    sol = SolveBursa(table.geodetic, source, target, m, c, rejectK);
  }
  Refuse(sol.refusal);
  return solved;
}

namespace {

int RunSolve(const Args& args) {
  const SolvedTransform s = SolveCommonPoints(args);
  for (const std::string& n : s.notices) Notice(args, n);
  return ReportSolution(args, s.solution, s.model, s.convention, s.heights, s.rejectK, s.file);
}

// The solution on standard output, and in the parameter file of --output.
int ReportSolution(const Args& args, const TransformSolution& sol, TransformModel m, RotationConvention c,
                   bool heights, double rejectK, const std::string& file) {
  const Datum source = sol.params.source, target = sol.params.target;
  std::string report;
  report += TrFormat("模型：%s（%s）\n", {Tr(ModelName(m)), DescribeTransform(sol.params)});
  if (m == TransformModel::Bursa7) {
    report += TrFormat("旋转约定：%s\n", {c == RotationConvention::PositionVector
                                             ? Tr("位置矢量（position-vector，EPSG 9606）")
                                             : Tr("坐标框架（coordinate-frame，EPSG 9607）")});
  }
  if (!IsPlaneModel(m) && !heights) report += Tr("没有大地高：两个坐标系上都取 h = 0\n");
  report += TrFormat("%s → %s，重合点 %s 个，剔除 %s 个\n",
                     {Tr(DatumInfoOf(source).chineseName), Tr(DatumInfoOf(target).chineseName),
                      std::to_string(sol.residuals.size()), std::to_string(sol.rejected.size())});
  report += Tr("参数\t值\t中误差\n");
  const std::vector<ParameterValue> values = ParameterValues(sol.params);
  for (std::size_t i = 0; i < sol.standardErrors.size() && i < values.size(); ++i) {
    // The affine coefficients are pure numbers near 1 or 0: their digits
    // matter to 10⁻¹⁰ (a millimetre at 4 000 km).
    const int digits = *values[i].unit == '\0' ? 12 : 6;
    report += std::string(values[i].key) + (*values[i].unit != '\0' ? std::string(" (") + values[i].unit + ")" : "") +
              "\t" + Fixed(values[i].value, digits) + "\t" + Fixed(sol.standardErrors[i], digits) + "\n";
  }
  report += TrFormat("单位权中误差 σ0 = %s 米（多余观测 %s）\n", {Fixed(sol.sigma0, 4), std::to_string(sol.redundancy)});
  report += Tr("点名\t东残差(m)\t北残差(m)\t平面残差(m)\n");
  for (const PointResidual& r : sol.residuals) {
    report += r.name + "\t" + Fixed(r.east, 4) + "\t" + Fixed(r.north, 4) + "\t" + Fixed(std::hypot(r.east, r.north), 4) +
              (r.rejected ? Tr("\t剔除") : "") + "\n";
  }
  if (!sol.rejected.empty()) {
    std::string list;
    for (const std::string& n : sol.rejected) list += (list.empty() ? "" : ", ") + n;
    report += TrFormat("超过 %s 倍中误差而剔除的点：%s\n", {Fixed(rejectK, 1), list});
  }
  WriteStdout(report);
  if (const auto out = args.Value("output")) WriteSolvedParams(*out, {sol, m, c, heights, rejectK, file, {}});
  return 0;
}

// ---- apply --------------------------------------------------------------------

// The sheet size of --scale, in seconds of arc (the corner method).
void ReadCells(const Args& args, double& stepLon, double& stepLat) {
  const auto s = args.Value("scale");
  if (!s) throw UsageError(Tr("--method corners 需要 --scale（图幅的比例尺）"));
  const int scale = ParseScale(*s);
  stepLon = LonStepTable[static_cast<std::size_t>(scale)];
  stepLat = LatStepTable[static_cast<std::size_t>(scale)];
}

using Mover = PointMover;

Mover ReadMover(const Args& args) {
  Mover m;
  m.t = ReadParams(args);
  m.inverse = args.Has("inverse");
  m.zone3 = ReadZone3(args);
  m.cm = ReadCm(args);
  if (IsPlaneModel(m.t.model)) {
    if (args.Has("cm") && (m.cm != m.t.cm || m.zone3 != m.t.zone3)) {
      throw UsageError(Tr("平面模型（四参数、六参数）只用于其参数文件所写的带（zone、cm）"));
    }
    m.zone3 = m.t.zone3;
    m.cm = m.t.cm;
  }
  m.plane = m.cm > 0;
  const std::string method = args.Value("method").value_or("direct");
  if (method != "direct" && method != "corners") throw UsageError(Tr("--method 只能是 direct 或 corners"));
  if (method == "corners") {
    if (!m.plane || IsPlaneModel(m.t.model) || m.inverse) {
      throw UsageError(Tr("--method corners 只用于七参数或三参数模型的正向平面坐标（需要 --cm）"));
    }
    m.corners = true;
    ReadCells(args, m.stepLon, m.stepLat);
  }
  return m;
}

std::string MoverText(const Mover& m) {
  std::string s = TrFormat("%s：%s", {m.inverse ? Tr("逆向转换") : Tr("正向转换"), DescribeTransform(m.t)});
  if (m.corners) s += TrFormat("；图廓点改正法，图幅 %s″ × %s″", {Fixed(m.stepLon, 1), Fixed(m.stepLat, 1)});
  return s;
}

// Reads a file (or standard input) in large blocks and hands each line over.
template <class F>
void ForEachLine(const std::string& file, F&& f) {
  const int fd = file.empty() ? 0 : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Error(FillPattern("无法读取文件 “%s”：%s", {file, SystemErrorText(errno)}));
  std::string buffer(1 << 20, '\0');
  std::string carry;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      if (fd != 0) ::close(fd);
      throw Error(FillPattern("无法读取文件 “%s”：%s", {file.empty() ? "/dev/stdin" : file, SystemErrorText(err)}));
    }
    if (n == 0) break;
    std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t nl; (nl = chunk.find('\n', start)) != std::string_view::npos; start = nl + 1) {
      if (!carry.empty()) {
        carry.append(chunk.substr(start, nl - start));
        f(std::string_view(carry));
        carry.clear();
      } else {
        f(chunk.substr(start, nl - start));
      }
    }
    carry.append(chunk.substr(start));
  }
  if (fd != 0) ::close(fd);
  if (!carry.empty()) f(std::string_view(carry));
}

int RunApply(const Args& args) {
  if (args.Positional().size() > 2) throw UsageError(Tr("至多给出一个点文件（见 --help）"));
  const Mover m = ReadMover(args);
  const std::string file = args.Positional().size() == 2 && args.Positional()[1] != "-" ? args.Positional()[1] : "";
  Notice(args, MoverText(m));
  std::unique_ptr<Sink> sink;
  SafeFile* safe = nullptr;
  if (const auto out = args.Value("output")) {
    auto f = std::make_unique<SafeFile>(*out);
    safe = f.get();
    sink = std::move(f);
  } else {
    sink = std::make_unique<StdoutSink>();
  }
  std::string out;
  out.reserve(1 << 20);
  std::uint64_t line = 0;
  ForEachLine(file, [&](std::string_view text) {
    ++line;
    switch (TransformPointLine(m, text, out)) {
      case PointLineResult::Passed:
      case PointLineResult::Moved:
        break;
      case PointLineResult::NotAPoint:
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        throw Error(TrFormat("第 %s 行不是点：“%s”", {std::to_string(line), std::string(text.substr(0, 80))}));
      case PointLineResult::OutOfRange:
        throw Error(TrFormat("第 %s 行的点超出了投影的计算范围", {std::to_string(line)}));
    }
    if (out.size() > (1 << 20) - 512) {
      sink->Write(out);
      out.clear();
    }
  });
  sink->Write(out);
  if (safe != nullptr) safe->Commit();
  return 0;
}

int RunLayer(const Args& args) {
  std::string notice;
  MoveLayerWith(args, &notice);
  Notice(args, notice);
  return 0;
}

int RunShow(const Args& args) {
  if (args.Positional().size() != 2) throw UsageError(Tr("请给出一个参数文件（见 --help）"));
  const TransformParams t = ReadTransformParamsFile(args.Positional()[1]);
  const bool zone3 = IsPlaneModel(t.model) ? t.zone3 : ReadZone3(args);
  const double cm = IsPlaneModel(t.model) ? t.cm : ReadCm(args);
  std::string s = DescribeTransform(t) + "\n";
  if (!IsPlaneModel(t.model)) s += TransformPipeline(t, false, false, zone3, cm, false) + "\n";
  if (cm > 0) s += TransformPipeline(t, false, true, zone3, cm, true) + "\n";
  WriteStdout(s);
  return 0;
}

}  // namespace

void WriteSolvedParams(const std::string& out, const SolvedTransform& s) {
  const TransformSolution& sol = s.solution;
  std::string comment = "solved from " + std::to_string(sol.residuals.size() - sol.rejected.size()) +
                        " common points of " + s.file + ", sigma0 " + Fixed(sol.sigma0, 4) + " m";
  if (!sol.rejected.empty()) comment += "\nrejected beyond " + Fixed(s.rejectK, 1) + " sigma: " + std::to_string(sol.rejected.size());
  if (!IsPlaneModel(s.model) && !s.heights) comment += "\nno heights: h = 0 on both ellipsoids";
  SafeFile f(out);
  f.Write(FormatTransformParams(sol.params, comment));
  f.Commit();
}

PointMover ReadTransformMover(const Args& args) { return ReadMover(args); }

std::string TransformMoverText(const PointMover& m) { return MoverText(m); }

std::uint64_t MoveLayerWith(const Args& args, std::string* notice) {
  if (args.Positional().size() != 3) throw UsageError(Tr("请给出输入图层和输出图层（见 --help）"));
  const Mover m = ReadMover(args);
  LayerMove request;
  request.input = args.Positional()[1];
  request.output = args.Positional()[2];
  request.description = MoverText(m);
  request.targetDatum = m.inverse ? m.t.source : m.t.target;
  request.sourceDatum = m.inverse ? m.t.target : m.t.source;
  request.zone3 = m.zone3;
  request.cm = m.cm;
  if (m.corners) {
    request.move = [m](double& x, double& y) {
      double z = 0;
      return m.Move(x, y, z);
    };
  } else {
    request.pipelinePrefixed = TransformPipeline(m.t, m.inverse, m.plane, m.zone3, m.cm, true);
    request.pipeline = TransformPipeline(m.t, m.inverse, m.plane, m.zone3, m.cm, false);
  }
  const std::uint64_t vertices = Gis().moveLayer(request);
  if (notice) *notice = TrFormat("%s：%s 个顶点。%s", {request.output, std::to_string(vertices), request.description});
  return vertices;
}

const OptionSpec* TransformOptionSpecs(std::size_t& count) {
  count = std::size(kTransformOwn);
  return kTransformOwn;
}

int RunTransform(const std::vector<std::string>& words) {
  const Args args(words, Options(kTransformOwn));
  if (HelpRequested(args, Tr(kTransformHelp))) return 0;
  if (args.Positional().empty()) throw UsageError(Tr("请给出 solve、apply、layer 或 show（见 --help）"));
  const std::string& what = args.Positional()[0];
  if (what == "solve") return RunSolve(args);
  if (what == "apply") return RunApply(args);
  if (what == "layer") return RunLayer(args);
  if (what == "show") return RunShow(args);
  throw UsageError(TrFormat("未知的子命令“%s”：solve、apply、layer 或 show", {what}));
}

// The four 图廓改正量 of each sheet: the shift of each corner under the
// parameters, east and north in metres, on the sheets' own zone.
void WriteSheetCorrections(const SheetWalk& walk, const ColumnEdits& edits, const std::string& paramsFile,
                           const Projection& p) {
  const bool zone3 = p.zone3;
  const double cm = p.cm;
  const TransformParams t = ReadTransformParamsFile(paramsFile);
  if (IsPlaneModel(t.model)) throw UsageError(Tr("--transform 需要七参数或三参数模型的参数文件"));
  if (t.source != p.datum) {
    throw UsageError(TrFormat("--transform 的参数从 %s 转换，图幅却在 --datum %s 上",
                              {DatumInfoOf(t.source).key, DatumInfoOf(p.datum).key}));
  }
  std::fprintf(stderr, "karvento-cli sheets: %s\n", TrFormat("图廓改正量：%s", {DescribeTransform(t)}).c_str());
  StdoutSink sink;
  Output out(sink);
  // The table's header, marked here for the catalogue.
  static constexpr const char* kHeader =
      N_("图幅号\t中央经线\t西南东(m)\t西南北(m)\t东南东(m)\t东南北(m)\t东北东(m)\t东北北(m)\t西北东(m)\t西北北(m)\n");
  static_assert(std::string_view(kHeader) == kSheetCorrectionHeader);
  out.Write(Tr(kHeader));
  std::string line;
  walk.Run([&](std::vector<TStandardMapUnion>& column) {
    edits.Apply(column);
    for (const TStandardMapUnion& s : column) {
      line.clear();
      if (!SheetCorrectionLine(t, s, zone3, cm, line)) throw Error(Tr("结果超出了投影的计算范围：这些坐标无法换算。"));
      out.Write(line);
    }
  });
  out.Flush();
}

}  // namespace karvento::cli
