// SPDX-License-Identifier: Apache-2.0
#include "geodesy/transform.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <initializer_list>
#include <optional>
#include <utility>

#include "geodesy/angles.h"
#include "geodesy/float_chars.h"
#include "geodesy/projection.h"

namespace karvento {

namespace {

// Seconds of arc per radian, and the radian of one second.
constexpr double kSecPerRad = 648000 / kPi;
constexpr double kRadPerSec = kPi / 648000;
constexpr double kDegToRad = kPi / 180;

struct Shape {
  double a, f, e2;
};
Shape ShapeOf(Datum datum) {
  const DatumInfo& d = DatumInfoOf(datum);
  const double f = 1 / d.inverseFlattening;
  return {d.a, f, f * (2 - f)};
}

double Sq(double x) { return x * x; }

// ω × X, the rotation's small-angle part, signed by the convention:
// coordinate frame turns the axes, so the point turns the other way.
GeocentricPoint Turn(const BursaParams& b, const GeocentricPoint& p) {
  const double s = b.convention == RotationConvention::PositionVector ? kRadPerSec : -kRadPerSec;
  const double rx = b.rx * s, ry = b.ry * s, rz = b.rz * s;
  return {ry * p.Z - rz * p.Y, rz * p.X - rx * p.Z, rx * p.Y - ry * p.X};
}

TLonLatDMS Dms(double lon, double lat) { return {{lon, 0, 0}, {lat, 0, 0}}; }

// The zone number's millions in a prefixed easting of the zone.
double ZoneMillions(bool zone3, double cm) { return FalseEasting(zone3, cm) - 500000; }

std::string Format(const char* format, double a = 0, double b = 0) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, a, b);
  return buf;
}

std::string Number(double v) {
  char buf[64];
  const auto r = FloatToChars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

// A refusal: its pattern (the message's code) and the values in its "%s".
Message Fill(const char* pattern, std::vector<MessageArg> values) { return Message(pattern, std::move(values)); }

// A datum's name as a refusal shows it, worded by each front end.
MessageArg DatumArg(Datum d) { return TextArg(DatumInfoOf(d).chineseName); }

std::string Count(std::size_t n) { return std::to_string(n); }

}  // namespace

GeocentricPoint GeodeticToGeocentric(Datum datum, const GeodeticPoint& p) {
  const Shape e = ShapeOf(datum);
  const double phi = p.lat * kDegToRad, lam = p.lon * kDegToRad;
  const double sphi = std::sin(phi), cphi = std::cos(phi);
  const double N = e.a / std::sqrt(1 - e.e2 * sphi * sphi);
  return {(N + p.h) * cphi * std::cos(lam), (N + p.h) * cphi * std::sin(lam), (N * (1 - e.e2) + p.h) * sphi};
}

GeodeticPoint GeocentricToGeodetic(Datum datum, const GeocentricPoint& p) {
  const Shape e = ShapeOf(datum);
  const double b = e.a * (1 - e.f);
  const double ep2 = e.e2 / (1 - e.e2);
  const double r = std::hypot(p.X, p.Y);
  if (r == 0) return {0, p.Z >= 0 ? 90.0 : -90.0, std::abs(p.Z) - b};
  // Bowring's start is within a micrometre near the surface; the fixed point
  // φ = atan((Z + e² N sin φ) / r) then gains a factor e² per step.
  const double theta = std::atan2(p.Z * e.a, r * b);
  double phi = std::atan2(p.Z + ep2 * b * std::pow(std::sin(theta), 3), r - e.e2 * e.a * std::pow(std::cos(theta), 3));
  for (int i = 0; i < 8; ++i) {
    const double s = std::sin(phi);
    const double N = e.a / std::sqrt(1 - e.e2 * s * s);
    const double next = std::atan2(p.Z + e.e2 * N * s, r);
    const bool done = std::abs(next - phi) < 1e-15;
    phi = next;
    if (done) break;
  }
  const double s = std::sin(phi), c = std::cos(phi);
  // The height along the normal, stable at every latitude.
  const double h = r * c + p.Z * s - e.a * std::sqrt(1 - e.e2 * s * s);
  return {std::atan2(p.Y, p.X) / kDegToRad, phi / kDegToRad, h};
}

GeocentricPoint BursaForward(const BursaParams& b, const GeocentricPoint& p) {
  const double k = 1 + b.ppm * 1e-6;
  const GeocentricPoint w = Turn(b, p);
  return {b.dx + k * (p.X + w.X), b.dy + k * (p.Y + w.Y), b.dz + k * (p.Z + w.Z)};
}

GeocentricPoint BursaInverse(const BursaParams& b, const GeocentricPoint& p) {
  const double k = 1 + b.ppm * 1e-6;
  const GeocentricPoint d{(p.X - b.dx) / k, (p.Y - b.dy) / k, (p.Z - b.dz) / k};
  // Rᵀ d = d − ω × d.
  const GeocentricPoint w = Turn(b, d);
  return {d.X - w.X, d.Y - w.Y, d.Z - w.Z};
}

TPlanePoint PlaneForward(const PlaneSimilarity& s, const TPlanePoint& p) {
  const double k = 1 + s.ppm * 1e-6;
  const double t = s.rotation * kRadPerSec;
  const double cr = std::cos(t) * k, sr = std::sin(t) * k;
  return {s.dEast + cr * p.X + sr * p.Y, s.dNorth - sr * p.X + cr * p.Y};
}

TPlanePoint PlaneInverse(const PlaneSimilarity& s, const TPlanePoint& p) {
  const double k = 1 + s.ppm * 1e-6;
  const double t = s.rotation * kRadPerSec;
  const double cr = std::cos(t) / k, sr = std::sin(t) / k;
  const double x = p.X - s.dEast, y = p.Y - s.dNorth;
  return {cr * x - sr * y, sr * x + cr * y};
}

TPlanePoint AffineForward(const PlaneAffine& a, const TPlanePoint& p) {
  return {a.b0 + a.b1 * p.Y + a.b2 * p.X, a.a0 + a.a1 * p.Y + a.a2 * p.X};
}

TPlanePoint AffineInverse(const PlaneAffine& a, const TPlanePoint& p) {
  const double det = a.a1 * a.b2 - a.a2 * a.b1;
  const double n = p.Y - a.a0, e = p.X - a.b0;
  return {(a.a1 * e - a.b1 * n) / det, (a.b2 * n - a.a2 * e) / det};
}

GeodeticPoint TransformGeodetic(const TransformParams& t, const GeodeticPoint& p, bool inverse) {
  if (IsPlaneModel(t.model)) return p;
  const Datum from = inverse ? t.target : t.source;
  const Datum to = inverse ? t.source : t.target;
  const GeocentricPoint x = GeodeticToGeocentric(from, p);
  return GeocentricToGeodetic(to, inverse ? BursaInverse(t.bursa, x) : BursaForward(t.bursa, x));
}

bool TransformPlanePoint(const TransformParams& t, TPlanePoint& p, bool zone3, double cm, bool inverse) {
  if (IsPlaneModel(t.model)) {
    const double millions = ZoneMillions(t.zone3, t.cm);
    const bool prefixed = p.X >= 1000000;
    const TPlanePoint q{prefixed ? p.X - millions : p.X, p.Y};
    TPlanePoint r = t.model == TransformModel::Plane4 ? (inverse ? PlaneInverse(t.plane, q) : PlaneForward(t.plane, q))
                                                      : (inverse ? AffineInverse(t.affine, q) : AffineForward(t.affine, q));
    if (!std::isfinite(r.X) || !std::isfinite(r.Y)) return false;
    if (prefixed) r.X += millions;
    p = r;
    return true;
  }
  const Datum from = inverse ? t.target : t.source;
  const Datum to = inverse ? t.source : t.target;
  const bool prefixed = p.X >= 1000000;
  const TLonLatDMS g = PlaneToGeo(from, p.Y, EastingWithZonePrefix(p.X, zone3, cm), zone3, cm);
  if (std::isnan(g.Lon.Degrees)) return false;
  const GeodeticPoint moved = TransformGeodetic(t, {DmsToDeg(g.Lon), DmsToDeg(g.Lat), 0}, inverse);
  TPlanePoint r = GeoToPlane(to, Dms(moved.lon, moved.lat), zone3, cm);
  if (!prefixed) r.X -= ZoneMillions(zone3, cm);
  p = r;
  return true;
}

namespace {

struct Step {
  std::string text;
  bool inv = false;
};

std::string EllipsoidText(Datum d) {
  const DatumInfo& i = DatumInfoOf(d);
  return "+a=" + Number(i.a) + " +rf=" + Number(i.inverseFlattening);
}

std::string TmercText(Datum d, bool zone3, double cm, bool prefixed) {
  return "+proj=tmerc +lat_0=0 +lon_0=" + Number(cm) + " +k=1 +x_0=" +
         Number(prefixed ? FalseEasting(zone3, cm) : 500000) + " +y_0=0 " + EllipsoidText(d);
}

std::string HelmertText(const TransformParams& t) {
  if (t.model == TransformModel::Affine6) {
    const PlaneAffine& a = t.affine;
    return "+proj=affine +xoff=" + Number(a.b0) + " +yoff=" + Number(a.a0) + " +s11=" + Number(a.b2) +
           " +s12=" + Number(a.b1) + " +s21=" + Number(a.a2) + " +s22=" + Number(a.a1);
  }
  if (t.model == TransformModel::Plane4) {
    return "+proj=helmert +x=" + Number(t.plane.dEast) + " +y=" + Number(t.plane.dNorth) +
           " +theta=" + Number(t.plane.rotation) + " +s=" + Number(1 + t.plane.ppm * 1e-6);
  }
  const BursaParams& b = t.bursa;
  std::string s = "+proj=helmert +x=" + Number(b.dx) + " +y=" + Number(b.dy) + " +z=" + Number(b.dz);
  if (t.model == TransformModel::Bursa7) {
    s += " +rx=" + Number(b.rx) + " +ry=" + Number(b.ry) + " +rz=" + Number(b.rz) + " +s=" + Number(b.ppm) +
         (b.convention == RotationConvention::PositionVector ? " +convention=position_vector"
                                                              : " +convention=coordinate_frame");
  }
  return s;
}

}  // namespace

std::string TransformPipeline(const TransformParams& t, bool inverse, bool plane, bool zone3, double cm,
                              bool prefixed) {
  std::vector<Step> steps;
  if (IsPlaneModel(t.model)) {
    const double millions = ZoneMillions(t.zone3, t.cm);
    if (prefixed) steps.push_back({"+proj=affine +xoff=" + Number(-millions)});
    steps.push_back({HelmertText(t)});
    if (prefixed) steps.push_back({"+proj=affine +xoff=" + Number(millions)});
  } else {
    if (plane) {
      steps.push_back({TmercText(t.source, zone3, cm, prefixed), true});
    } else {
      steps.push_back({"+proj=unitconvert +xy_in=deg +xy_out=rad"});
    }
    steps.push_back({"+proj=cart " + EllipsoidText(t.source)});
    steps.push_back({HelmertText(t)});
    steps.push_back({"+proj=cart " + EllipsoidText(t.target), true});
    if (plane) {
      steps.push_back({TmercText(t.target, zone3, cm, prefixed)});
    } else {
      steps.push_back({"+proj=unitconvert +xy_in=rad +xy_out=deg"});
    }
  }
  if (inverse) {
    std::reverse(steps.begin(), steps.end());
    for (Step& s : steps) s.inv = !s.inv;
  }
  std::string text = "+proj=pipeline";
  for (const Step& s : steps) text += std::string(" +step ") + (s.inv ? "+inv " : "") + s.text;
  return text;
}

namespace {

const char* ModelKey(TransformModel m) {
  switch (m) {
    case TransformModel::Shift3: return "shift3";
    case TransformModel::Bursa7: return "bursa7";
    case TransformModel::Plane4: return "plane4";
    case TransformModel::Affine6: return "affine6";
  }
  return "";
}

const char* ConventionKey(RotationConvention c) {
  return c == RotationConvention::PositionVector ? "position-vector" : "coordinate-frame";
}

// The parameters of the model, key, value and unit, in file order.
struct Field {
  const char* key;
  double* value;
  const char* unit;
};
std::vector<Field> FieldsOf(TransformParams& t) {
  switch (t.model) {
    case TransformModel::Shift3:
      return {{"dx", &t.bursa.dx, "m"}, {"dy", &t.bursa.dy, "m"}, {"dz", &t.bursa.dz, "m"}};
    case TransformModel::Bursa7:
      return {{"dx", &t.bursa.dx, "m"},      {"dy", &t.bursa.dy, "m"},      {"dz", &t.bursa.dz, "m"},
              {"rx", &t.bursa.rx, "\""},     {"ry", &t.bursa.ry, "\""},     {"rz", &t.bursa.rz, "\""},
              {"scale", &t.bursa.ppm, "ppm"}};
    case TransformModel::Plane4:
      return {{"dnorth", &t.plane.dNorth, "m"}, {"deast", &t.plane.dEast, "m"},
              {"rotation", &t.plane.rotation, "\""}, {"scale", &t.plane.ppm, "ppm"}};
    case TransformModel::Affine6:
      return {{"a0", &t.affine.a0, "m"}, {"a1", &t.affine.a1, ""}, {"a2", &t.affine.a2, ""},
              {"b0", &t.affine.b0, "m"}, {"b1", &t.affine.b1, ""}, {"b2", &t.affine.b2, ""}};
  }
  return {};
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::optional<Datum> DatumOfKey(std::string_view key) {
  for (const DatumInfo& d : kDatums) {
    if (key == d.key) return d.datum;
  }
  return std::nullopt;
}

}  // namespace

std::vector<ParameterValue> ParameterValues(const TransformParams& t) {
  TransformParams c = t;
  std::vector<ParameterValue> out;
  for (const Field& f : FieldsOf(c)) out.push_back({f.key, *f.value, f.unit});
  return out;
}

std::string DescribeTransform(const TransformParams& t) {
  TransformParams c = t;
  std::string s = std::string("model=") + ModelKey(t.model);
  if (t.model == TransformModel::Bursa7) s += std::string(" convention=") + ConventionKey(t.bursa.convention);
  s += std::string(" source=") + DatumInfoOf(t.source).key + " target=" + DatumInfoOf(t.target).key;
  if (IsPlaneModel(t.model)) s += std::string(" zone=") + (t.zone3 ? "3" : "6") + " cm=" + Number(t.cm);
  for (const Field& f : FieldsOf(c)) s += std::string(" ") + f.key + "=" + Number(*f.value) + f.unit;
  return s;
}

std::string FormatTransformParams(const TransformParams& t, std::string_view comment) {
  TransformParams c = t;
  std::string s = "# Karvento coordinate transformation parameters\n";
  std::size_t start = 0;
  while (start < comment.size()) {
    const std::size_t end = std::min(comment.find('\n', start), comment.size());
    s += "# " + std::string(comment.substr(start, end - start)) + "\n";
    start = end + 1;
  }
  s += "karvento-transform = 1\n";
  s += std::string("model = ") + ModelKey(t.model) + "\n";
  s += std::string("source = ") + DatumInfoOf(t.source).key + "\n";
  s += std::string("target = ") + DatumInfoOf(t.target).key + "\n";
  if (t.model == TransformModel::Bursa7) s += std::string("convention = ") + ConventionKey(t.bursa.convention) + "\n";
  if (IsPlaneModel(t.model)) {
    s += std::string("zone = ") + (t.zone3 ? "3" : "6") + "\n";
    s += "cm = " + Number(t.cm) + "\n";
  }
  for (const Field& f : FieldsOf(c)) {
    s += std::string(f.key) + " = " + Number(*f.value) + (*f.unit != '\0' ? std::string("  # ") + f.unit : "") + "\n";
  }
  return s;
}

Message ParseTransformParams(std::string_view text, TransformParams& out) {
  struct Entry {
    std::string key, value;
    int line;
    bool used = false;
  };
  std::vector<Entry> entries;
  int line = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    std::string_view l = text.substr(start, end - start);
    ++line;
    start = end + 1;
    if (const std::size_t hash = l.find('#'); hash != std::string_view::npos) l = l.substr(0, hash);
    l = Trim(l);
    if (l.empty()) {
      if (end == text.size()) break;
      continue;
    }
    const std::size_t eq = l.find('=');
    if (eq == std::string_view::npos) return Fill(N_("参数文件第 %s 行不是“键 = 值”"), {std::to_string(line)});
    Entry e{std::string(Trim(l.substr(0, eq))), std::string(Trim(l.substr(eq + 1))), line};
    for (const Entry& other : entries) {
      if (other.key == e.key) return Fill(N_("参数文件第 %s 行：“%s”重复"), {std::to_string(line), e.key});
    }
    entries.push_back(std::move(e));
    if (end == text.size()) break;
  }
  auto take = [&](const char* key, std::string& value) -> Message {
    for (Entry& e : entries) {
      if (e.key == key) {
        e.used = true;
        value = e.value;
        return {};
      }
    }
    return Fill(N_("参数文件缺少“%s”"), {key});
  };
  std::string v;
  if (auto r = take("karvento-transform", v); !r.Empty()) {
    return Message(N_("不是 Karvento 的坐标转换参数文件（没有“karvento-transform = 1”）"));
  }
  if (v != "1") return Fill(N_("不支持的参数文件版本“%s”"), {v});
  TransformParams t;
  if (auto r = take("model", v); !r.Empty()) return r;
  if (v == "bursa7") {
    t.model = TransformModel::Bursa7;
  } else if (v == "shift3") {
    t.model = TransformModel::Shift3;
  } else if (v == "plane4") {
    t.model = TransformModel::Plane4;
  } else if (v == "affine6") {
    t.model = TransformModel::Affine6;
  } else {
    return Fill(N_("未知的模型“%s”（bursa7、shift3、plane4 或 affine6）"), {v});
  }
  for (const char* side : {"source", "target"}) {
    if (auto r = take(side, v); !r.Empty()) return r;
    const std::optional<Datum> d = DatumOfKey(v);
    if (!d) return Fill(N_("“%s”不是坐标系 54、80 或 2000：“%s”"), {side, v});
    (std::string_view(side) == "source" ? t.source : t.target) = *d;
  }
  if (t.model == TransformModel::Bursa7) {
    if (auto r = take("convention", v); !r.Empty()) return r;
    if (v == "position-vector") {
      t.bursa.convention = RotationConvention::PositionVector;
    } else if (v == "coordinate-frame") {
      t.bursa.convention = RotationConvention::CoordinateFrame;
    } else {
      return Fill(N_("未知的旋转约定“%s”（position-vector 或 coordinate-frame）"), {v});
    }
  }
  auto number = [&](const char* key, double& value) -> Message {
    if (auto r = take(key, v); !r.Empty()) return r;
    double x = 0;
    const auto res = FloatFromChars(v.data(), v.data() + v.size(), x);
    if (res.ec != std::errc() || res.ptr != v.data() + v.size() || !std::isfinite(x)) {
      return Fill(N_("参数“%s”不是数值：“%s”"), {key, v});
    }
    value = x;
    return {};
  };
  if (IsPlaneModel(t.model)) {
    if (auto r = take("zone", v); !r.Empty()) return r;
    if (v != "3" && v != "6") return Fill(N_("“zone”只能是 3 或 6：“%s”"), {v});
    t.zone3 = v == "3";
    if (auto r = number("cm", t.cm); !r.Empty()) return r;
    if (!(t.cm > 0 && t.cm <= 180)) return Message(N_("“cm”必须在 0 至 180 之间（不含 0）"));
  }
  for (const Field& f : FieldsOf(t)) {
    if (auto r = number(f.key, *f.value); !r.Empty()) return r;
  }
  for (const Entry& e : entries) {
    if (!e.used) return Fill(N_("参数文件第 %s 行：此模型没有“%s”"), {std::to_string(e.line), e.key});
  }
  // A matrix without an inverse folds the plane onto a line: no datum does.
  if (t.model == TransformModel::Affine6 && !(std::abs(t.affine.a1 * t.affine.b2 - t.affine.a2 * t.affine.b1) > 1e-6)) {
    return Message(N_("6 参数模型的系数 a1·b2 − a2·b1 为 0：这组参数没有逆变换"));
  }
  out = t;
  return {};
}

// ---- Least squares --------------------------------------------------------

namespace {

// The least-squares solution of A x ≈ b (A m × u, row-major) by Householder
// QR on columns scaled to unit length, and (AᵀA)⁻¹. Not full rank when a
// pivot of the scaled R falls below 1e-11.
struct LeastSquares {
  std::vector<double> x, cov;
  bool fullRank = false;
};

LeastSquares Solve(std::vector<double> A, std::vector<double> b, std::size_t m, std::size_t u) {
  LeastSquares out;
  std::vector<double> scale(u, 0);
  for (std::size_t j = 0; j < u; ++j) {
    double s = 0;
    for (std::size_t i = 0; i < m; ++i) s += Sq(A[i * u + j]);
    scale[j] = std::sqrt(s);
    if (!(scale[j] > 0)) return out;
    for (std::size_t i = 0; i < m; ++i) A[i * u + j] /= scale[j];
  }
  for (std::size_t k = 0; k < u; ++k) {
    double norm = 0;
    for (std::size_t i = k; i < m; ++i) norm += Sq(A[i * u + k]);
    norm = std::sqrt(norm);
    if (!(norm > 1e-11)) return out;
    const double alpha = A[k * u + k] > 0 ? -norm : norm;
    // v = a_k − α e_k, stored in place below the diagonal.
    A[k * u + k] -= alpha;
    double vv = 0;
    for (std::size_t i = k; i < m; ++i) vv += Sq(A[i * u + k]);
    auto reflect = [&](auto&& at) {
      double d = 0;
      for (std::size_t i = k; i < m; ++i) d += A[i * u + k] * at(i);
      d = 2 * d / vv;
      for (std::size_t i = k; i < m; ++i) at(i) -= d * A[i * u + k];
    };
    for (std::size_t j = k + 1; j < u; ++j) reflect([&](std::size_t i) -> double& { return A[i * u + j]; });
    reflect([&](std::size_t i) -> double& { return b[i]; });
    A[k * u + k] = alpha;
  }
  // R is the upper triangle; Rinv by back substitution, column by column.
  std::vector<double> Rinv(u * u, 0);
  for (std::size_t c = 0; c < u; ++c) {
    for (std::size_t ii = c + 1; ii-- > 0;) {
      double s = ii == c ? 1.0 : 0.0;
      for (std::size_t j = ii + 1; j <= c; ++j) s -= A[ii * u + j] * Rinv[j * u + c];
      Rinv[ii * u + c] = s / A[ii * u + ii];
    }
  }
  out.x.assign(u, 0);
  for (std::size_t i = 0; i < u; ++i) {
    double s = 0;
    for (std::size_t j = i; j < u; ++j) s += Rinv[i * u + j] * b[j];
    out.x[i] = s / scale[i];
  }
  out.cov.assign(u * u, 0);
  for (std::size_t i = 0; i < u; ++i) {
    for (std::size_t j = 0; j < u; ++j) {
      double s = 0;
      for (std::size_t k = std::max(i, j); k < u; ++k) s += Rinv[i * u + k] * Rinv[j * u + k];
      out.cov[i * u + j] = s / (scale[i] * scale[j]);
    }
  }
  out.fullRank = true;
  return out;
}

constexpr double kChinaWest = 70, kChinaEast = 140, kChinaSouth = 0, kChinaNorth = 56;
bool InChina(double lon, double lat) {
  return lon >= kChinaWest && lon <= kChinaEast && lat >= kChinaSouth && lat <= kChinaNorth;
}

// The ground distance between two nearby geodetic positions, metres, on a
// sphere: enough to tell a few hundred metres from a kilometre.
double Apart(const GeodeticPoint& a, const GeodeticPoint& b) {
  const double m = 6371000 * kDegToRad;
  return std::hypot((a.lat - b.lat) * m, (a.lon - b.lon) * m * std::cos(a.lat * kDegToRad));
}
constexpr double kMostApart = 1000;


// A point's plane coordinates as geodetic ones on the zone, if they lie in
// China.
std::optional<GeodeticPoint> PlaneInChina(Datum d, double northing, double easting, bool zone3, double cm) {
  if (!(northing > 0 && northing < 1e7 && easting > 0)) return std::nullopt;
  const TLonLatDMS g = PlaneToGeo(d, northing, EastingWithZonePrefix(easting, zone3, cm), zone3, cm);
  if (std::isnan(g.Lon.Degrees)) return std::nullopt;
  const GeodeticPoint p{DmsToDeg(g.Lon), DmsToDeg(g.Lat), 0};
  if (!InChina(p.lon, p.lat)) return std::nullopt;
  return p;
}

std::vector<std::size_t> AllOf(std::size_t n) {
  std::vector<std::size_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = i;
  return v;
}

// A solution on some of the points: its parameters, covariance and σ0.
struct Fit {
  bool ok = false;
  std::vector<double> p, cov;
  double sigma0 = 0;
  int redundancy = 0;
};

// The kσ test over fits of subsets (see SolveBursa). fit(active) solves;
// planar(fit, i) is point i's residual in the plane.
template <class FitFn, class PlanarFn>
std::vector<std::size_t> Reject(std::size_t n, int perPoint, int unknowns, double k, FitFn fit, PlanarFn planar,
                                std::vector<std::size_t>& dropped, Fit& final) {
  std::vector<std::size_t> active = AllOf(n);
  final = fit(active);
  if (!(k > 0)) return active;
  while (final.ok) {
    std::size_t worst = active.front();
    double worstV = -1;
    for (const std::size_t i : active) {
      const double v = planar(final, i);
      if (v > worstV) worstV = v, worst = i;
    }
    std::vector<std::size_t> rest;
    for (const std::size_t i : active) {
      if (i != worst) rest.push_back(i);
    }
    if (static_cast<int>(rest.size()) * perPoint - unknowns <= 0) break;
    const Fit without = fit(rest);
    if (!without.ok || !(planar(without, worst) > k * without.sigma0 * std::sqrt(2.0))) break;
    dropped.push_back(worst);
    active = rest;
    final = without;
  }
  return active;
}

}  // namespace

Message CheckCommonPoints(const std::vector<GeodeticCommonPoint>& points, Datum source, Datum target) {
  for (const GeodeticCommonPoint& c : points) {
    for (const GeodeticPoint* p : {&c.source, &c.target}) {
      const Datum d = p == &c.source ? source : target;
      if (InChina(p->lon, p->lat)) continue;
      return Fill(InChina(p->lat, p->lon)
                      ? N_("点“%s”的经度和纬度似乎互换了（在%s上读作经度 %s、纬度 %s）：请先给经度，后给纬度")
                      : N_("点“%s”不在我国范围内（在%s上为经度 %s、纬度 %s）"),
                  {c.name, DatumArg(d), Number(p->lon), Number(p->lat)});
    }
    const double gap = Apart(c.source, c.target);
    if (gap > kMostApart) {
      return Fill(N_("点“%s”在两个坐标系中相距 %s 米：不是同一个点在%s和%s上的坐标"
                     "（这两个坐标系相差不过几百米）"),
                  {c.name, Format("%.0f", gap), DatumArg(source), DatumArg(target)});
    }
  }
  return {};
}

Message CheckPlaneCommonPoints(const std::vector<PlaneCommonPoint>& points, Datum source, Datum target,
                               bool zone3, double cm) {
  std::vector<GeodeticCommonPoint> g;
  return PlaneToGeodeticCommonPoints(points, source, target, zone3, cm, g);
}

Message PlaneToGeodeticCommonPoints(const std::vector<PlaneCommonPoint>& points, Datum source, Datum target,
                                    bool zone3, double cm, std::vector<GeodeticCommonPoint>& out) {
  out.clear();
  const Message zone = Fill(zone3 ? N_("中央经线 %s° 的 3° 带") : N_("中央经线 %s° 的 6° 带"), {Number(cm)});
  const double zoneNumber = ZoneMillions(zone3, cm) / 1000000;
  // The point as geodetic, if it lies in China and in the zone: within its
  // half-width of the meridian, give or take a degree of overlap, and with
  // the zone's own number where the easting carries one.
  auto inZone = [&](Datum d, double northing, double easting) -> std::optional<GeodeticPoint> {
    if (easting >= 1000000 && Truncate(easting / 1000000) != zoneNumber) return std::nullopt;
    std::optional<GeodeticPoint> on = PlaneInChina(d, northing, easting, zone3, cm);
    if (on && std::abs(on->lon - cm) > (zone3 ? 2.5 : 4)) on.reset();
    return on;
  };
  for (const PlaneCommonPoint& c : points) {
    GeodeticCommonPoint g{c.name, {}, {}};
    for (const bool isSource : {true, false}) {
      const TPlanePoint& p = isSource ? c.source : c.target;
      const Datum d = isSource ? source : target;
      const std::optional<GeodeticPoint> on = inZone(d, p.Y, p.X);
      if (on) {
        (isSource ? g.source : g.target) = *on;
        continue;
      }
      if (p.X >= 1000000 && Truncate(p.X / 1000000) != zoneNumber && !inZone(d, p.X, p.Y)) {
        return Fill(N_("点“%s”的东坐标 %s 带有带号 %s，不在%s的%s（带号 %s）上"),
                    {c.name, Number(p.X), Number(Truncate(p.X / 1000000)), DatumArg(d), zone,
                     Number(zoneNumber)});
      }
      return Fill(inZone(d, p.X, p.Y)
                      ? N_("点“%s”的 X 和 Y 似乎互换了：北坐标 %s、东坐标 %s 不在%s的%s的我国范围内，"
                           "互换后才在。我国测量习惯以 X 表示北坐标，本工具以 X 表示东坐标：请按北坐标、东坐标的列名给出")
                      : N_("点“%s”的平面坐标（北坐标 %s、东坐标 %s）不在%s的%s的我国范围内"),
                  {c.name, Number(p.Y), Number(p.X), DatumArg(d), zone});
    }
    out.push_back(std::move(g));
  }
  return CheckCommonPoints(out, source, target);
}

namespace {

// How far points leave one line, in plane coordinates: the farthest pair
// spans the line, and the point farthest from it says.
struct Spread {
  double longest = 0;  // the farthest pair's distance
  double off = 0;      // the largest distance of a point from their line
  std::size_t offPoint = 0;
};
Spread SpreadOf(const std::vector<double>& x, const std::vector<double>& y) {
  Spread s;
  const std::size_t n = x.size();
  std::size_t a = 0, b = 0;
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      const double d = std::hypot(x[i] - x[j], y[i] - y[j]);
      if (d > s.longest) s.longest = d, a = i, b = j;
    }
  }
  for (std::size_t i = 0; s.longest > 0 && i < n; ++i) {
    const double d = std::abs((x[b] - x[a]) * (y[i] - y[a]) - (y[b] - y[a]) * (x[i] - x[a])) / s.longest;
    if (d > s.off) s.off = d, s.offPoint = i;
  }
  return s;
}
// Points that leave no line: the farthest one off it by 0.1% of the span.
bool OnOneLine(const Spread& s) { return !(s.off > 1e-3 * s.longest) || !(s.longest > 1); }

// The adjustment shared by every model: the fits with kσ rejection
// (Reject), then the solution's figures from the final fit. residual(fit, i)
// is point i's residual; jacobian(fit) the derivatives of the reported
// parameters by the fitted ones (rows of fit.p.size()), empty where they are
// the same. False, with the refusal, when the final fit failed.
template <class Points, class FitFn, class ResidualFn, class JacobianFn>
bool Adjust(const Points& points, int perPoint, int unknowns, double rejectK, FitFn fit, ResidualFn residual,
            JacobianFn jacobian, TransformSolution& sol, Fit& final) {
  std::vector<std::size_t> dropped;
  Reject(points.size(), perPoint, unknowns, rejectK, fit,
         [&](const Fit& f, std::size_t i) {
           const PointResidual r = residual(f, i);
           return std::hypot(r.east, r.north);
         },
         dropped, final);
  if (!final.ok) {
    sol.refusal = Message(N_("重合点的几何条件太差，无法解算参数（法方程奇异）"));
    return false;
  }
  sol.sigma0 = final.sigma0;
  sol.redundancy = final.redundancy;
  const std::size_t u = final.p.size();
  const std::vector<double> G = jacobian(final);
  const std::size_t reported = G.empty() ? u : G.size() / u;
  for (std::size_t o = 0; o < reported; ++o) {
    double s = 0;
    if (G.empty()) {
      s = final.cov[o * u + o];
    } else {
      for (std::size_t i = 0; i < u; ++i) {
        for (std::size_t j = 0; j < u; ++j) s += G[o * u + i] * final.cov[i * u + j] * G[o * u + j];
      }
    }
    sol.standardErrors.push_back(final.redundancy > 0 ? final.sigma0 * std::sqrt(s)
                                                      : std::numeric_limits<double>::quiet_NaN());
  }
  for (std::size_t i = 0; i < points.size(); ++i) {
    PointResidual r = residual(final, i);
    r.name = points[i].name;
    r.rejected = std::find(dropped.begin(), dropped.end(), i) != dropped.end();
    sol.residuals.push_back(std::move(r));
  }
  for (const std::size_t i : dropped) sol.rejected.push_back(points[i].name);
  return true;
}

std::vector<double> SameParameters(const Fit&) { return {}; }

}  // namespace

TransformSolution SolveBursa(const std::vector<GeodeticCommonPoint>& points, Datum source, Datum target,
                             TransformModel model, RotationConvention convention, double rejectK) {
  TransformSolution sol;
  const bool seven = model == TransformModel::Bursa7;
  const int u = seven ? 7 : 3;
  const std::size_t minimum = seven ? 3 : 1;
  if (points.size() < minimum) {
    sol.refusal = Fill(N_("重合点太少：%s需要至少 %s 个点，只给了 %s 个"),
                       {TextArg(seven ? N_("7 参数布尔莎模型") : N_("3 参数平移模型")), Count(minimum),
                        Count(points.size())});
    return sol;
  }
  if (Message r = CheckCommonPoints(points, source, target); !r.Empty()) {
    sol.refusal = std::move(r);
    return sol;
  }
  const std::size_t n = points.size();
  std::vector<GeocentricPoint> from(n), to(n);
  for (std::size_t i = 0; i < n; ++i) {
    from[i] = GeodeticToGeocentric(source, points[i].source);
    to[i] = GeodeticToGeocentric(target, points[i].target);
  }
  if (seven) {
    // Whether the points leave one line on the ground, in a plane tangent at
    // the first point. (In space, points along a road bend with the earth
    // and never lie on one line.)
    std::vector<double> x(n), y(n);
    const double m = 6371000 * kDegToRad, c = std::cos(points[0].source.lat * kDegToRad);
    for (std::size_t i = 0; i < n; ++i) {
      x[i] = (points[i].source.lon - points[0].source.lon) * m * c;
      y[i] = (points[i].source.lat - points[0].source.lat) * m;
    }
    const Spread s = SpreadOf(x, y);
    if (OnOneLine(s)) {
      sol.refusal = Fill(N_("重合点几乎在一条直线上（离直线最远的点“%s”只有 %s 米，点间最远 %s 米）："
                            "7 参数模型绕这条直线的旋转无法确定。请加入不在这条线上的点，或用 3 参数或 4 参数模型"),
                         {points[s.offPoint].name, Format("%.3f", s.off), Format("%.0f", s.longest)});
      return sol;
    }
  }
  auto modelOf = [&](const std::vector<double>& p) {
    TransformParams t;
    t.model = model;
    t.source = source;
    t.target = target;
    t.bursa.convention = convention;
    t.bursa.dx = p[0], t.bursa.dy = p[1], t.bursa.dz = p[2];
    if (seven) t.bursa.rx = p[3], t.bursa.ry = p[4], t.bursa.rz = p[5], t.bursa.ppm = p[6];
    return t;
  };
  auto fit = [&](const std::vector<std::size_t>& active) {
    Fit f;
    std::vector<double> p(static_cast<std::size_t>(u), 0);
    const std::size_t m = 3 * active.size();
    const std::size_t uu = static_cast<std::size_t>(u);
    LeastSquares ls;
    double vv = 0;
    // Bilinear in the parameters: Gauss-Newton converges in two or three
    // steps; the last one's Jacobian gives the covariance.
    for (int iter = 0; iter < 10; ++iter) {
      const BursaParams b = modelOf(p).bursa;
      std::vector<double> A(m * uu, 0), r(m, 0);
      const double k = 1 + b.ppm * 1e-6;
      const double sign = (convention == RotationConvention::PositionVector ? 1.0 : -1.0) * kRadPerSec * k;
      vv = 0;
      for (std::size_t row = 0; row < active.size(); ++row) {
        const GeocentricPoint& X = from[active[row]];
        const GeocentricPoint f0 = BursaForward(b, X);
        const GeocentricPoint& obs = to[active[row]];
        const double res[3] = {obs.X - f0.X, obs.Y - f0.Y, obs.Z - f0.Z};
        const GeocentricPoint w = Turn(b, X);
        const double RX[3] = {X.X + w.X, X.Y + w.Y, X.Z + w.Z};
        const double drx[3] = {0, -X.Z, X.Y}, dry[3] = {X.Z, 0, -X.X}, drz[3] = {-X.Y, X.X, 0};
        for (std::size_t c = 0; c < 3; ++c) {
          const std::size_t i = 3 * row + c;
          r[i] = res[c];
          vv += res[c] * res[c];
          A[i * uu + c] = 1;
          if (seven) {
            A[i * uu + 3] = sign * drx[c];
            A[i * uu + 4] = sign * dry[c];
            A[i * uu + 5] = sign * drz[c];
            A[i * uu + 6] = 1e-6 * RX[c];
          }
        }
      }
      ls = Solve(std::move(A), std::move(r), m, uu);
      if (!ls.fullRank) return f;
      double step = 0;
      for (std::size_t j = 0; j < uu; ++j) {
        p[j] += ls.x[j];
        step = std::max(step, std::abs(ls.x[j]));
      }
      if (step < 1e-9) break;
    }
    vv = 0;
    const BursaParams b = modelOf(p).bursa;
    for (const std::size_t i : active) {
      const GeocentricPoint f0 = BursaForward(b, from[i]);
      vv += Sq(to[i].X - f0.X) + Sq(to[i].Y - f0.Y) + Sq(to[i].Z - f0.Z);
    }
    f.ok = true;
    f.p = p;
    f.cov = ls.cov;
    f.redundancy = static_cast<int>(m) - u;
    f.sigma0 = f.redundancy > 0 ? std::sqrt(vv / f.redundancy) : 0;
    return f;
  };
  // The residual in the target point's horizon: east, north, up.
  auto residual = [&](const Fit& f, std::size_t i) {
    const GeocentricPoint m = BursaForward(modelOf(f.p).bursa, from[i]);
    const double v[3] = {to[i].X - m.X, to[i].Y - m.Y, to[i].Z - m.Z};
    const double lam = points[i].target.lon * kDegToRad, phi = points[i].target.lat * kDegToRad;
    PointResidual r;
    r.east = -std::sin(lam) * v[0] + std::cos(lam) * v[1];
    r.north = -std::sin(phi) * std::cos(lam) * v[0] - std::sin(phi) * std::sin(lam) * v[1] + std::cos(phi) * v[2];
    r.up = std::cos(phi) * std::cos(lam) * v[0] + std::cos(phi) * std::sin(lam) * v[1] + std::sin(phi) * v[2];
    return r;
  };
  Fit final;
  if (Adjust(points, 3, u, rejectK, fit, residual, SameParameters, sol, final)) sol.params = modelOf(final.p);
  return sol;
}

namespace {

// A plane model linear in its unknowns: each point gives an east and a north
// observation, rows(s, east, north) fills their coefficients for the source
// point s (eastings without zone number), and the prediction is the row
// times the unknowns.
struct LinearPlane {
  std::size_t unknowns;
  void (*rows)(const TPlanePoint& s, double* east, double* north);
};

// Plane4's unknowns (Δy, Δx, a, b) with a = (1 + m) cos α, b = (1 + m) sin α.
void SimilarityRows(const TPlanePoint& s, double* e, double* n) {
  e[0] = 1, e[1] = 0, e[2] = s.X, e[3] = s.Y;
  n[0] = 0, n[1] = 1, n[2] = s.Y, n[3] = -s.X;
}
// Affine6's unknowns in the file's order (a0, a1, a2, b0, b1, b2).
void AffineRows(const TPlanePoint& s, double* e, double* n) {
  e[0] = 0, e[1] = 0, e[2] = 0, e[3] = 1, e[4] = s.Y, e[5] = s.X;
  n[0] = 1, n[1] = s.Y, n[2] = s.X, n[3] = 0, n[4] = 0, n[5] = 0;
}

}  // namespace

TransformSolution SolvePlane(const std::vector<PlaneCommonPoint>& points, TransformModel model, Datum source,
                             Datum target, bool zone3, double cm, double rejectK) {
  TransformSolution sol;
  const bool affine = model == TransformModel::Affine6;
  const std::size_t minimum = affine ? 3 : 2;
  if (points.size() < minimum) {
    sol.refusal = Fill(N_("重合点太少：%s需要至少 %s 个点，只给了 %s 个"),
                       {TextArg(affine ? N_("6 参数平面仿射模型") : N_("4 参数平面模型")), Count(minimum),
                        Count(points.size())});
    return sol;
  }
  if (!(cm > 0)) {
    sol.refusal = Message(N_("平面模型需要大于 0 的中央经线"));
    return sol;
  }
  if (Message r = CheckPlaneCommonPoints(points, source, target, zone3, cm); !r.Empty()) {
    sol.refusal = std::move(r);
    return sol;
  }
  const std::size_t n = points.size();
  const double millions = ZoneMillions(zone3, cm);
  std::vector<TPlanePoint> from(n), to(n);
  std::vector<double> x(n), y(n);
  for (std::size_t i = 0; i < n; ++i) {
    from[i] = points[i].source;
    to[i] = points[i].target;
    if (from[i].X >= 1000000) from[i].X -= millions;
    if (to[i].X >= 1000000) to[i].X -= millions;
    x[i] = from[i].X, y[i] = from[i].Y;
  }
  const Spread spread = SpreadOf(x, y);
  if (!(spread.longest > 1)) {
    sol.refusal = Message(N_("重合点相互重合（相距不到 1 米）：平面模型的旋转和尺度无法确定"));
    return sol;
  }
  if (affine && OnOneLine(spread)) {
    sol.refusal = Fill(N_("重合点几乎在一条直线上（离直线最远的点“%s”只有 %s 米，点间最远 %s 米）："
                          "6 参数模型垂直于这条直线的尺度无法确定。请加入不在这条线上的点，或用 4 参数模型"),
                       {points[spread.offPoint].name, Format("%.3f", spread.off), Format("%.0f", spread.longest)});
    return sol;
  }
  const LinearPlane lp = affine ? LinearPlane{6, AffineRows} : LinearPlane{4, SimilarityRows};
  const std::size_t u = lp.unknowns;
  // The model's east and north at point i: the rows times the unknowns.
  auto predict = [&](const std::vector<double>& p, std::size_t i) {
    double e[6], nn[6];
    lp.rows(from[i], e, nn);
    TPlanePoint q{0, 0};
    for (std::size_t j = 0; j < u; ++j) q.X += e[j] * p[j], q.Y += nn[j] * p[j];
    return q;
  };
  // Linear: one step.
  auto fit = [&](const std::vector<std::size_t>& active) {
    Fit f;
    const std::size_t m = 2 * active.size();
    std::vector<double> A(m * u, 0), r(m, 0);
    for (std::size_t row = 0; row < active.size(); ++row) {
      lp.rows(from[active[row]], &A[2 * row * u], &A[(2 * row + 1) * u]);
      r[2 * row] = to[active[row]].X;
      r[2 * row + 1] = to[active[row]].Y;
    }
    const LeastSquares ls = Solve(std::move(A), std::move(r), m, u);
    if (!ls.fullRank) return f;
    f.ok = true;
    f.p = ls.x;
    f.cov = ls.cov;
    double vv = 0;
    for (const std::size_t i : active) {
      const TPlanePoint q = predict(f.p, i);
      vv += Sq(to[i].X - q.X) + Sq(to[i].Y - q.Y);
    }
    f.redundancy = static_cast<int>(m) - static_cast<int>(u);
    f.sigma0 = f.redundancy > 0 ? std::sqrt(vv / f.redundancy) : 0;
    return f;
  };
  auto residual = [&](const Fit& f, std::size_t i) {
    const TPlanePoint q = predict(f.p, i);
    PointResidual r;
    r.east = to[i].X - q.X;
    r.north = to[i].Y - q.Y;
    return r;
  };
  // Plane4 reports (dnorth, deast, rotation, scale) of (Δy, Δx, a, b).
  auto similarity = [](const Fit& f) {
    const double a = f.p[2], b = f.p[3], k2 = a * a + b * b, k = std::sqrt(k2);
    return std::vector<double>{0, 1, 0, 0,
                               1, 0, 0, 0,
                               0, 0, -b / k2 * kSecPerRad, a / k2 * kSecPerRad,
                               0, 0, a / k * 1e6, b / k * 1e6};
  };
  Fit final;
  const bool solved = affine ? Adjust(points, 2, 6, rejectK, fit, residual, SameParameters, sol, final)
                             : Adjust(points, 2, 4, rejectK, fit, residual, similarity, sol, final);
  if (!solved) return sol;
  TransformParams& t = sol.params;
  t.model = model;
  t.source = source;
  t.target = target;
  t.zone3 = zone3;
  t.cm = cm;
  if (affine) {
    const std::vector<double>& p = final.p;
    t.affine = {p[0], p[1], p[2], p[3], p[4], p[5]};
  } else {
    const double a = final.p[2], b = final.p[3];
    t.plane = {final.p[1], final.p[0], std::atan2(b, a) * kSecPerRad, (std::hypot(a, b) - 1) * 1e6};
  }
  return sol;
}

TransformSolution SolvePlane4(const std::vector<PlaneCommonPoint>& points, Datum source, Datum target,
                              bool zone3, double cm, double rejectK) {
  return SolvePlane(points, TransformModel::Plane4, source, target, zone3, cm, rejectK);
}

TransformSolution SolveAffine6(const std::vector<PlaneCommonPoint>& points, Datum source, Datum target,
                               bool zone3, double cm, double rejectK) {
  return SolvePlane(points, TransformModel::Affine6, source, target, zone3, cm, rejectK);
}

// ---- Corners --------------------------------------------------------------

bool CornerShift(const TransformParams& t, double lon, double lat, bool zone3, double cm, PlaneShift& s) {
  if (IsPlaneModel(t.model)) return false;
  const GeodeticPoint moved = TransformGeodetic(t, {lon, lat, 0});
  const TPlanePoint a = GeoToPlane(t.source, Dms(lon, lat), zone3, cm);
  const TPlanePoint b = GeoToPlane(t.target, Dms(moved.lon, moved.lat), zone3, cm);
  if (!std::isfinite(a.X) || !std::isfinite(b.X)) return false;
  s = {b.X - a.X, b.Y - a.Y};
  return true;
}

bool TransformByCorners(const TransformParams& t, TPlanePoint& p, bool zone3, double cm, double stepLon,
                        double stepLat) {
  const TLonLatDMS g = PlaneToGeo(t.source, p.Y, EastingWithZonePrefix(p.X, zone3, cm), zone3, cm);
  if (std::isnan(g.Lon.Degrees)) return false;
  const double lonSec = DmsToDeg(g.Lon) * 3600, latSec = DmsToDeg(g.Lat) * 3600;
  const double west = std::floor(lonSec / stepLon) * stepLon, south = std::floor(latSec / stepLat) * stepLat;
  const double u = (lonSec - west) / stepLon, v = (latSec - south) / stepLat;
  PlaneShift sw, se, nw, ne;
  const double w = west / 3600, e = (west + stepLon) / 3600, s = south / 3600, n = (south + stepLat) / 3600;
  if (!CornerShift(t, w, s, zone3, cm, sw) || !CornerShift(t, e, s, zone3, cm, se) ||
      !CornerShift(t, w, n, zone3, cm, nw) || !CornerShift(t, e, n, zone3, cm, ne)) {
    return false;
  }
  p.X += (1 - v) * ((1 - u) * sw.east + u * se.east) + v * ((1 - u) * nw.east + u * ne.east);
  p.Y += (1 - v) * ((1 - u) * sw.north + u * se.north) + v * ((1 - u) * nw.north + u * ne.north);
  return true;
}

}  // namespace karvento
