// SPDX-License-Identifier: Apache-2.0
// The page's coordinate transformation: parameters solved from pasted common
// points (重合点), and lines of points moved with them, by the routines of
// geodesy/transform.h and the line mover of export/transform_lines.h that
// the window and karvento-cli use. No GDAL here: layers stay with the
// desktop program and the command line.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "export/transform_lines.h"
#include "geodesy/common_point_table.h"
#include "geodesy/transform.h"
#include "web/core/request.h"

namespace karvento::web {
namespace {

using emscripten::val;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string Fixed(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", digits, v);
  return buf;
}

constexpr TransformModel kModels[] = {TransformModel::Bursa7, TransformModel::Shift3, TransformModel::Plane4,
                                      TransformModel::Affine6};

// model 0 … 3: Bursa7, Shift3, Plane4, Affine6; datums by their row in the
// datum table; rejectK 0 keeps every point. The parameter file's text, the
// parameters with their standard errors, each point's residual and σ0; or
// { error } with the refusal.
val SolveTransform(const std::string& points, int model, bool coordinateFrame, int source, int target, bool zone3,
                   double cm, double rejectK) {
  if (model < 0 || model > 3 || source < 0 || source > 2 || target < 0 || target > 2) return Failure("无效的模型或坐标系");
  const TransformModel m = kModels[model];
  const Datum from = kDatums[static_cast<std::size_t>(source)].datum, to = kDatums[static_cast<std::size_t>(target)].datum;
  const RotationConvention c = coordinateFrame ? RotationConvention::CoordinateFrame : RotationConvention::PositionVector;
  CommonPointTable table;
  if (Message r = ParseCommonPointTable(Lines(points), "重合点表", table); !r.Empty()) return Failure(r.Text());
  TransformSolution sol;
  if (table.plane) {
    if (!(cm > 0)) return Failure("平面坐标的重合点需要大于 0 的中央经线");
    if (IsPlaneModel(m)) {
      sol = SolvePlane(table.planar, m, from, to, zone3, cm, rejectK);
    } else {
      std::vector<GeodeticCommonPoint> g;
      if (Message r = PlaneToGeodeticCommonPoints(table.planar, from, to, zone3, cm, g); !r.Empty()) {
        return Failure(r.Text());
      }
      sol = SolveBursa(g, from, to, m, c, rejectK);
    }
  } else {
    if (IsPlaneModel(m)) return Failure("四参数和六参数模型需要平面坐标的重合点（north1 east1 north2 east2）");
    sol = SolveBursa(table.geodetic, from, to, m, c, rejectK);
  }
  if (!sol.refusal.Empty()) return Failure(sol.refusal.Text());
  val out = val::object();
  std::string comment = "solved from " + std::to_string(sol.residuals.size() - sol.rejected.size()) +
                        " common points, sigma0 " + Fixed(sol.sigma0, 4) + " m";
  if (!IsPlaneModel(m) && !table.heights) comment += "\nno heights: h = 0 on both ellipsoids";
  out.set("params", FormatTransformParams(sol.params, comment));
  out.set("description", DescribeTransform(sol.params));
  out.set("sigma0", sol.sigma0);
  out.set("redundancy", sol.redundancy);
  out.set("heights", table.heights);
  val parameters = val::array();
  const std::vector<ParameterValue> values = ParameterValues(sol.params);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const int digits = *values[i].unit == '\0' ? 12 : 6;
    val p = val::object();
    p.set("name", std::string(values[i].key) + (*values[i].unit ? std::string(" (") + values[i].unit + ")" : ""));
    p.set("value", Fixed(values[i].value, digits));
    p.set("error", i < sol.standardErrors.size() ? Fixed(sol.standardErrors[i], digits) : std::string());
    parameters.call<void>("push", p);
  }
  out.set("parameters", parameters);
  val residuals = val::array();
  for (const PointResidual& r : sol.residuals) {
    val v = val::object();
    v.set("name", r.name);
    v.set("east", r.east);
    v.set("north", r.north);
    v.set("plane", std::hypot(r.east, r.north));
    v.set("rejected", r.rejected);
    residuals.call<void>("push", v);
  }
  out.set("residuals", residuals);
  val rejected = val::array();
  for (const std::string& n : sol.rejected) rejected.call<void>("push", n);
  out.set("rejected", rejected);
  return out;
}

// The points of text (one a line: longitude latitude [height], or with
// cm > 0 easting northing; other columns kept) moved by the parameter
// file's parameters; { text, moved, description } or { error }.
val TransformPoints(const std::string& params, const std::string& text, bool inverse, bool zone3, double cm) {
  PointMover m;
  if (Message r = ParseTransformParams(params, m.t); !r.Empty()) return Failure("参数文件：" + r.Text());
  m.inverse = inverse;
  m.zone3 = IsPlaneModel(m.t.model) ? m.t.zone3 : zone3;
  m.cm = IsPlaneModel(m.t.model) ? m.t.cm : cm;
  m.plane = m.cm > 0;
  std::string out;
  std::size_t line = 0, moved = 0;
  for (const std::string& l : Lines(text)) {
    ++line;
    switch (TransformPointLine(m, l, out)) {
      case PointLineResult::Moved: ++moved; break;
      case PointLineResult::Passed: break;
      case PointLineResult::NotAPoint: return Failure("第 " + std::to_string(line) + " 行不是点：“" + l.substr(0, 80) + "”");
      case PointLineResult::OutOfRange: return Failure("第 " + std::to_string(line) + " 行的点超出了投影的计算范围");
    }
  }
  val r = val::object();
  r.set("text", out);
  r.set("moved", static_cast<double>(moved));
  r.set("description", std::string(inverse ? "逆向转换：" : "正向转换：") + DescribeTransform(m.t));
  return r;
}

}  // namespace
}  // namespace karvento::web

EMSCRIPTEN_BINDINGS(karvento_transform) {
  using namespace karvento::web;
  emscripten::function("solveTransform", &SolveTransform);
  emscripten::function("transformPoints", &TransformPoints);
}
