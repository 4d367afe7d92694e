// SPDX-License-Identifier: Apache-2.0
#include "export/transform_lines.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "geodesy/angles.h"
#include "geodesy/float_chars.h"
#include "geodesy/gauss_kruger.h"

namespace karvento {

namespace {

// The next number of a line of points: blanks, commas and tabs separate.
bool NextNumber(std::string_view line, std::size_t& at, double& v) {
  while (at < line.size() && (line[at] == ' ' || line[at] == '\t' || line[at] == ',')) ++at;
  if (at == line.size()) return false;
  const auto r = FloatFromChars(line.data() + at, line.data() + line.size(), v);
  if (r.ec != std::errc()) return false;
  at = static_cast<std::size_t>(r.ptr - line.data());
  return true;
}

void PutFixed(std::string& out, double v, int digits) {
  char buf[64];
  const auto r = FloatToChars(buf, buf + sizeof buf, v, std::chars_format::fixed, digits);
  out.append(buf, r.ptr);
}

}  // namespace

bool PointMover::Move(double& x, double& y, double& z) const {
  if (!plane) {
    const GeodeticPoint g = TransformGeodetic(t, {x, y, z}, inverse);
    x = g.lon, y = g.lat, z = g.h;
    return std::isfinite(x) && std::isfinite(y);
  }
  TPlanePoint p{x, y};
  const bool ok = corners ? TransformByCorners(t, p, zone3, cm, stepLon, stepLat)
                          : TransformPlanePoint(t, p, zone3, cm, inverse);
  x = p.X, y = p.Y;
  return ok;
}

PointLineResult TransformPointLine(const PointMover& m, std::string_view text, std::string& out) {
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  // Blank lines and comments pass as they are, as cct passes them.
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos || text[first] == '#') {
    out.append(text);
    out.push_back('\n');
    return PointLineResult::Passed;
  }
  std::size_t at = 0;
  double x = 0, y = 0, z = 0;
  if (!NextNumber(text, at, x) || !NextNumber(text, at, y)) return PointLineResult::NotAPoint;
  std::size_t rest = at;
  const bool hasZ = !m.plane && NextNumber(text, rest, z);
  if (hasZ) at = rest;
  if (!m.Move(x, y, z)) return PointLineResult::OutOfRange;
  const int digits = m.plane ? 4 : 9;
  PutFixed(out, x, digits);
  out.push_back(' ');
  PutFixed(out, y, digits);
  if (hasZ) {
    out.push_back(' ');
    PutFixed(out, z, 4);
  }
  out.append(text.substr(at));
  out.push_back('\n');
  return PointLineResult::Moved;
}

bool SheetCorrectionLine(const TransformParams& t, const TStandardMapUnion& sheet, bool zone3, double cm,
                         std::string& out) {
  const double w = DmsToDeg(sheet.Range.West), e = DmsToDeg(sheet.Range.East), s = DmsToDeg(sheet.Range.South),
               n = DmsToDeg(sheet.Range.North);
  const double zoneCm = cm > 0 ? cm : CentralMeridian(zone3, (w + e) / 2);
  const std::size_t start = out.size();
  out += sheet.MapUnionNo;
  out.push_back('\t');
  char buf[64];
  out.append(buf, FloatToChars(buf, buf + sizeof buf, zoneCm).ptr);
  const double corners[4][2] = {{w, s}, {e, s}, {e, n}, {w, n}};
  for (const auto& c : corners) {
    PlaneShift shift;
    if (!CornerShift(t, c[0], c[1], zone3, zoneCm, shift)) {
      out.resize(start);
      return false;
    }
    out.push_back('\t');
    PutFixed(out, shift.east, 4);
    out.push_back('\t');
    PutFixed(out, shift.north, 4);
  }
  out.push_back('\n');
  return true;
}

}  // namespace karvento
