// SPDX-License-Identifier: Apache-2.0
#include "gis/clip.h"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal_alg.h>
#include <gdal_priv.h>
#include <gdal_utils.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "export/safe_file.h"
#include "export/text_output.h"
#include "geodesy/angles.h"
#include "gis/area_file.h"
#include "gis/gdal_session.h"
#include "numbering/error.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {

namespace {

namespace fs = std::filesystem;

// Every refusal of a run is worded as 无法分幅裁切：<reason>.
[[noreturn]] void Refuse(const char* pattern, std::vector<MessageArg> args = {}) {
  throw Error(Message(N_("无法分幅裁切：%s"), {Message(pattern, std::move(args))}));
}

[[noreturn]] void ReadFailure(const std::string& file, MessageArg reason) {
  throw Error(Message(N_("无法读取输入文件 %s：%s"), {file, std::move(reason)}));
}

std::string GdalReason() {
  const std::string& first = FirstGdalFailure();
  if (!first.empty()) return first;
  const char* last = CPLGetLastErrorMsg();
  return last && *last ? last : N_("GDAL 未给出原因");
}

// GDAL's reason as an argument of a message, translated as a whole.
MessageArg GdalWhy() { return TextArg(GdalReason()); }


// ---------------------------------------------------------------------------
// Small text helpers: JSON strings and numbers, the date, a checksum.

std::string JsonText(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char u[8];
          std::snprintf(u, sizeof u, "\\u%04x", c);
          out += u;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

// Shortest text that reads back as the same double.
std::string Num(double v) {
  if (!std::isfinite(v)) return "null";
  char b[40];
  for (int p = 15; p <= 17; ++p) {
    std::snprintf(b, sizeof b, "%.*g", p, v);
    if (std::strtod(b, nullptr) == v) break;
  }
  return b;
}

std::string UtcNow() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char b[32];
  std::strftime(b, sizeof b, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return b;
}

// FNV-1a over the bytes of a band, row after row, in four lanes of eight
// bytes (each 32-byte step feeds one word to each lane, so that the four
// multiplications run side by side): the same value whatever the rows are
// handed over in.
class BandHash {
 public:
  void Add(const unsigned char* p, std::size_t n) {
    while (n > 0 && fill_ != 0) {
      carry_[fill_++] = *p++;
      --n;
      if (fill_ == kStep) Mix(carry_), fill_ = 0;
    }
    for (; n >= kStep; n -= kStep, p += kStep) Mix(p);
    for (; n > 0; --n) carry_[fill_++] = *p++;
  }
  std::uint64_t Value() const {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (std::uint64_t lane : h_) h = (h ^ lane) * kPrime;
    for (unsigned i = 0; i < fill_; ++i) h = (h ^ carry_[i]) * kPrime;
    return (h ^ fill_) * kPrime;
  }

 private:
  static constexpr std::uint64_t kPrime = 0x100000001b3ULL;
  static constexpr unsigned kStep = 32;
  void Mix(const unsigned char* p) {
    std::uint64_t w[4];
    std::memcpy(w, p, sizeof w);
    for (int i = 0; i < 4; ++i) h_[i] = (h_[i] ^ w[i]) * kPrime;
  }
  std::uint64_t h_[4] = {0xcbf29ce484222325ULL, 0x84222325cbf29ce4ULL, 0x9ce484222325cbf2ULL, 0x2325cbf29ce48422ULL};
  unsigned char carry_[kStep] = {};
  unsigned fill_ = 0;
};

double D(std::int64_t v) { return static_cast<double>(v); }
double D(std::uint64_t v) { return static_cast<double>(v); }

std::string Hex(std::uint64_t v) {
  char b[20];
  std::snprintf(b, sizeof b, "%016llx", static_cast<unsigned long long>(v));
  return b;
}

// ---------------------------------------------------------------------------
// The input: local files only.

struct DatasetCloser {
  void operator()(GDALDataset* d) const { GDALClose(d); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

struct TransformDeleter {
  void operator()(OGRCoordinateTransformation* t) const { OGRCoordinateTransformation::DestroyCT(t); }
};
using Transform = std::unique_ptr<OGRCoordinateTransformation, TransformDeleter>;

// A VRT names its sources inside: each must be a local file too (a VRT of the
// user's own tiles), never a URL, a /vsi path or another VRT's stdin.
void RequireLocalVrtSources(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::string head(64, '\0');
  in.read(head.data(), 64);
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.find("<VRTDataset") == std::string::npos) return;
  std::stringstream text;
  in.seekg(0);
  text << in.rdbuf();
  const std::string xml = text.str();
  static const std::regex source(R"(<SourceFilename([^>]*)>([^<]*)</SourceFilename>)");
  const fs::path folder = fs::path(file).parent_path();
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), source); it != std::sregex_iterator(); ++it) {
    const std::string attributes = (*it)[1];
    std::string name = (*it)[2];
    const bool relative = attributes.find("relativeToVRT=\"1\"") != std::string::npos;
    const std::string path = relative ? (folder / name).string() : name;
    const std::string problem = LocalFileProblem(path);
    if (!problem.empty()) ReadFailure(file, Message(N_("VRT 的来源 “%s” %s"), {name, TextArg(problem)}));
    if (fs::path(path).extension() == ".vrt" || fs::path(path).extension() == ".VRT") RequireLocalVrtSources(path);
  }
  if (xml.find("<VRTRasterBand") != std::string::npos && xml.find("subClass=\"VRTDerivedRasterBand\"") != std::string::npos) {
    ReadFailure(file, Message(N_("不读取带像素函数的 VRT")));
  }
}

Dataset OpenInput(const std::string& file, bool* raster) {
  const std::string problem = LocalFileProblem(file);
  if (!problem.empty()) ReadFailure(file, TextArg(problem));
  RequireLocalVrtSources(file);
  EnsureGdal();
  // Network drivers are never asked: the file has been checked as local, and
  // GDAL is given it under its own name only.
  static const char* const kNotLocal[] = {"WMS", "WMTS", "WCS", "WFS", "HTTP", "PLMosaic", "EEDA",
                                          "EEDAI", "DAAS", "OGCAPI", "STACIT", "STACTA", "NGW", nullptr};
  GDALDataset* d = GDALDataset::Open(file.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY);
  if (d != nullptr && d->GetRasterCount() > 0) {
    for (const char* const* n = kNotLocal; *n; ++n) {
      if (EQUAL(d->GetDriverName(), *n)) {
        GDALClose(d);
        ReadFailure(file, Message(N_("只读取本机的文件")));
      }
    }
    *raster = true;
    return Dataset(d);
  }
  if (d) GDALClose(d);
  d = GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY);
  if (d == nullptr || d->GetLayerCount() == 0) {
    if (d) GDALClose(d);
    ReadFailure(file, Message(N_("不是 GDAL 能读的栅格或矢量数据（%s）"), {GdalWhy()}));
  }
  for (const char* const* n = kNotLocal; *n; ++n) {
    if (EQUAL(d->GetDriverName(), *n)) {
      GDALClose(d);
      ReadFailure(file, Message(N_("只读取本机的文件")));
    }
  }
  *raster = false;
  return Dataset(d);
}

// ---------------------------------------------------------------------------
// Systems.

std::optional<Datum> DatumOf(const OGRSpatialReference& srs) {
  const char* code = srs.GetAuthorityCode("GEOGCS");
  const char* name = srs.GetAttrValue("DATUM");
  const std::string c = code ? code : "", n = name ? name : "";
  for (const DatumInfo& d : kDatums) {
    if (c == std::to_string(d.geographicEpsg) || n == d.wktDatum) return d.datum;
  }
  return std::nullopt;
}

std::string SystemName(const OGRSpatialReference& srs) {
  const char* name = srs.GetName();
  std::string text = name ? name : "未命名的坐标系";
  const char* authority = srs.GetAuthorityName(nullptr);
  const char* code = srs.GetAuthorityCode(nullptr);
  if (authority && code) text += std::string(" (") + authority + ":" + code + ")";
  return text;
}

OGRSpatialReference UserSystem(const std::string& definition, const char* option) {
  OGRSpatialReference srs;
  if (srs.SetFromUserInput(definition.c_str(), OGRSpatialReference::SET_FROM_USER_INPUT_LIMITATIONS) !=
      OGRERR_NONE) {
    Refuse(N_("%s “%s” 不是 GDAL 认得的坐标系"), {option, definition});
  }
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

OGRSpatialReference GeographicOf(Datum datum) {
  OGRSpatialReference srs;
  srs.importFromEPSG(DatumInfoOf(datum).geographicEpsg);
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

Transform MakeTransform(const OGRSpatialReference& from, const OGRSpatialReference& to) {
  Transform t(OGRCreateCoordinateTransformation(&from, &to));
  if (!t) Refuse(N_("PROJ 无法在 %s 与 %s 之间换算（%s）"), {SystemName(from), SystemName(to), GdalWhy()});
  return t;
}

// ---------------------------------------------------------------------------
// Frames.

// The frame of a sheet in longitude and latitude, clockwise from its
// north-west corner, closed: kFrameSteps points per edge, each computed from
// the edge's two ends so that both sheets of an edge have the same points.
void GeoFrame(const TMapUnionRange& r, std::vector<double>& x, std::vector<double>& y) {
  const double w = DmsToDeg(r.West), s = DmsToDeg(r.South), e = DmsToDeg(r.East), n = DmsToDeg(r.North);
  const auto along = [](double a, double b, int k) {
    return k == 0 ? a : k == kFrameSteps ? b : a + (b - a) * k / kFrameSteps;
  };
  x.clear();
  y.clear();
  for (int k = 0; k <= kFrameSteps; ++k) x.push_back(along(w, e, k)), y.push_back(n);
  for (int k = kFrameSteps - 1; k >= 0; --k) x.push_back(e), y.push_back(along(s, n, k));
  for (int k = kFrameSteps - 1; k >= 0; --k) x.push_back(along(w, e, k)), y.push_back(s);
  for (int k = 1; k <= kFrameSteps; ++k) x.push_back(w), y.push_back(along(s, n, k));
}

void TransformPoints(OGRCoordinateTransformation& t, std::vector<double>& x, std::vector<double>& y,
                     const std::string& what) {
  std::vector<int> ok(x.size());
  if (!t.Transform(static_cast<int>(x.size()), x.data(), y.data(), nullptr, ok.data()) ||
      std::find(ok.begin(), ok.end(), 0) != ok.end()) {
    Refuse(N_("%s 超出了坐标换算的范围"), {what});
  }
}

std::unique_ptr<OGRPolygon> Polygon(const std::vector<double>& x, const std::vector<double>& y) {
  auto ring = std::make_unique<OGRLinearRing>();
  ring->setPoints(static_cast<int>(x.size()), x.data(), y.data());
  auto p = std::make_unique<OGRPolygon>();
  p->addRingDirectly(ring.release());
  return p;
}

struct Box {
  double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
};
Box BoxOf(const std::vector<double>& x, const std::vector<double>& y) {
  Box b;
  for (std::size_t i = 0; i < x.size(); ++i) {
    b.minX = std::min(b.minX, x[i]), b.maxX = std::max(b.maxX, x[i]);
    b.minY = std::min(b.minY, y[i]), b.maxY = std::max(b.maxY, y[i]);
  }
  return b;
}

// The footprint of data of extent box (in its system) as a polygon on the
// sheet datum's longitude and latitude: the extent's edges densified, so that
// a curved image of an edge is followed.
GeoMultiPolygon Footprint(const Box& box, OGRCoordinateTransformation& toGeo) {
  std::vector<double> x, y;
  constexpr int kSteps = 16;
  for (int k = 0; k < kSteps; ++k) x.push_back(box.minX + (box.maxX - box.minX) * k / kSteps), y.push_back(box.maxY);
  for (int k = 0; k < kSteps; ++k) x.push_back(box.maxX), y.push_back(box.maxY - (box.maxY - box.minY) * k / kSteps);
  for (int k = 0; k < kSteps; ++k) x.push_back(box.maxX - (box.maxX - box.minX) * k / kSteps), y.push_back(box.minY);
  for (int k = 0; k < kSteps; ++k) x.push_back(box.minX), y.push_back(box.minY + (box.maxY - box.minY) * k / kSteps);
  TransformPoints(toGeo, x, y, "数据的范围");
  GeoPolygon p;
  p.rings.emplace_back();
  for (std::size_t i = 0; i < x.size(); ++i) p.rings[0].push_back({x[i], y[i]});
  return {p};
}

// ---------------------------------------------------------------------------
// The plan.

struct Grid {
  double gt[6] = {0, 1, 0, 0, 0, -1};
  std::int64_t width = 0, height = 0;
};

struct Window {
  std::int64_t col = 0, row = 0, cols = 0, rows = 0;  // on the grid of the source (or target)
  bool touches = false;                               // shares pixels with the source
};

// Everything a worker needs, made once.
struct Job {
  ClipRequest request;
  ClipPlan plan;
  OGRSpatialReference dataSrs, geoSrs, outSrs;
  // The same as WKT, from which each worker makes its own: a spatial
  // reference keeps caches of its own and serves one thread.
  std::string dataWkt, outWkt;
  bool warp = false;
  Grid source;      // the source grid
  Grid out;         // the output grid (the source's unless warping)
  double marginX = 0, marginY = 0;  // in the output system's units
  double marginMetres = 0;
  std::vector<Window> windows;
  std::vector<std::vector<double>> frameX, frameY;  // in the output system
  std::string fingerprint;
  std::string driver;
};

std::string StemOf(const std::string& file) { return fs::path(file).stem().string(); }

// Whether folder inner is outer or lies inside it, both taken as absolute
// paths with links resolved as far as they exist.
bool Inside(const fs::path& inner, const fs::path& outer) {
  std::error_code ec;
  const fs::path a = fs::weakly_canonical(fs::absolute(inner, ec), ec).lexically_normal();
  const fs::path b = fs::weakly_canonical(fs::absolute(outer, ec), ec).lexically_normal();
  auto i = a.begin();
  for (auto j = b.begin(); j != b.end(); ++j) {
    if (j->empty()) continue;  // the trailing separator of a folder
    while (i != a.end() && i->empty()) ++i;
    if (i == a.end() || *i != *j) return false;
    ++i;
  }
  return true;
}

std::vector<TStandardMapUnion> ChosenSheets(const ClipRequest& r, Datum datum, const GeoMultiPolygon& footprint) {
  std::vector<TStandardMapUnion> sheets;
  const auto collect = [&](std::vector<TStandardMapUnion>& column) {
    for (auto& s : column) sheets.push_back(std::move(s));
  };
  switch (r.choice) {
    case ClipChoice::Footprint:
    case ClipChoice::Area: {
      const GeoMultiPolygon& area = r.choice == ClipChoice::Area ? r.area : footprint;
      const std::string problem = AreaDomainProblem(area);
      if (!problem.empty()) Refuse(r.choice == ClipChoice::Area ? N_("范围%s") : N_("数据的范围%s"), {TextArg(problem)});
      SheetWalk(area, 0, r.scale, r.newStandard, r.zone3, datum, r.cm, true).Run(collect);
      break;
    }
    case ClipChoice::Corners:
      SheetWalk(r.corners, r.scale, r.newStandard, r.zone3, datum, r.cm, true).Run(collect);
      break;
    case ClipChoice::Numbers:
      for (const std::string& number : r.numbers) {
        const TMapUnionRange range = r.newStandard ? ParseNewMapUnionNo(number) : ParseOldMapUnionNo(number);
        if (ScaleOfSheet(range) != r.scale) Refuse(N_("图幅号 %s 不是所选比例尺的图幅"), {number});
        const double lon = (DmsToSec(range.West) + DmsToSec(range.East)) / 2;
        const double lat = (DmsToSec(range.South) + DmsToSec(range.North)) / 2;
        sheets.push_back(SheetAtPoint(lon, lat, r.scale, r.newStandard, r.zone3, datum, r.cm));
      }
      break;
  }
  return sheets;
}

std::string NameOf(const ClipRequest& r, const TStandardMapUnion& s, Datum datum) {
  if (!r.oldNames || !r.newStandard) return s.MapUnionNo;
  if (!HasOldStandard(r.scale)) throw Error(OldStandardLacksScaleMessage(r.scale, false));
  const auto old = ConvertMapUnionNo(s.MapUnionNo, false, r.scale, r.zone3, r.cm, datum);
  if (old.size() != 1) Refuse(N_("图幅 %s 没有唯一的旧图幅号"), {s.MapUnionNo});
  return old[0].MapUnionNo;
}

std::uint64_t AvailableBytes(fs::path folder) {
  std::error_code ec;
  while (!folder.empty() && !fs::exists(folder, ec)) folder = folder.parent_path();
  if (folder.empty()) folder = ".";
  struct statvfs st {};
  if (::statvfs(folder.c_str(), &st) != 0) return UINT64_MAX;
  return static_cast<std::uint64_t>(st.f_bavail) * st.f_frsize;
}

double LinearMetres(const OGRSpatialReference& srs) {
  return srs.IsGeographic() ? 0 : srs.GetLinearUnits();
}

// The output grid's window of a frame's box enlarged by the margin, snapped
// outward: an edge within 1e-6 pixel of a grid line stays on it.
Window SnapWindow(const Grid& g, const Box& b, double mx, double my) {
  const double c0 = (b.minX - mx - g.gt[0]) / g.gt[1], c1 = (b.maxX + mx - g.gt[0]) / g.gt[1];
  const double r0 = (b.maxY + my - g.gt[3]) / g.gt[5], r1 = (b.minY - my - g.gt[3]) / g.gt[5];
  constexpr double kOnLine = 1e-6;
  Window w;
  w.col = static_cast<std::int64_t>(std::floor(std::min(c0, c1) + kOnLine));
  w.row = static_cast<std::int64_t>(std::floor(std::min(r0, r1) + kOnLine));
  w.cols = static_cast<std::int64_t>(std::ceil(std::max(c0, c1) - kOnLine)) - w.col;
  w.rows = static_cast<std::int64_t>(std::ceil(std::max(r0, r1) - kOnLine)) - w.row;
  return w;
}

std::unique_ptr<Job> MakeJob(const ClipRequest& r, Dataset& src) {
  auto job = std::make_unique<Job>();
  job->request = r;
  ClipPlan& plan = job->plan;
  bool raster = true;
  src = OpenInput(r.input, &raster);
  plan.raster = raster;

  // The margin: never negative (its size against a sheet is checked below).
  if (!(r.margin.value >= 0) || !std::isfinite(r.margin.value)) Refuse(N_("外扩（--margin）不能为负"));
  if (!raster && r.margin.value != 0) Refuse(N_("矢量数据按图廓本身裁切，没有外扩"));

  // The data's system: the file's, or the one the user names.
  OGRLayer* layer = nullptr;
  if (!raster) {
    layer = r.layer.empty() ? src->GetLayer(0) : src->GetLayerByName(r.layer.c_str());
    if (layer == nullptr) ReadFailure(r.input, Message(N_("没有图层 “%s”"), {r.layer}));
  }
  const OGRSpatialReference* own = raster ? src->GetSpatialRef() : layer->GetSpatialRef();
  if (!r.sourceSrs.empty()) {
    job->dataSrs = UserSystem(r.sourceSrs, "--s-srs");
  } else if (own != nullptr && !own->IsEmpty()) {
    job->dataSrs = *own;
    job->dataSrs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  } else {
    Refuse(N_("输入文件 %s 没有坐标系；请用 --s-srs 指定（例如 EPSG:4527）"), {r.input});
  }
  const std::optional<Datum> dataDatum = DatumOf(job->dataSrs);
  if (r.datum) {
    plan.datum = *r.datum;
  } else if (dataDatum) {
    plan.datum = *dataDatum;
  } else {
    Refuse(N_("数据的坐标系 %s 不在图幅的任何一种坐标系上；请用 --datum 指定图幅的坐标系"), {SystemName(job->dataSrs)});
  }
  const bool explicitSystems = !r.sourceSrs.empty() || !r.targetSrs.empty();
  if (dataDatum != plan.datum && !explicitSystems) {
    Refuse(N_("数据的坐标系 %s 与图幅的坐标系（%s）不是同一基准，两者之间没有零改正的换算（PROJ 也没有国家级的转换参数）；"
              "确有把握时请用 --s-srs 或 --t-srs 明确指定"),
           {SystemName(job->dataSrs), DatumInfoOf(plan.datum).name});
  }
  job->geoSrs = GeographicOf(plan.datum);
  job->warp = raster && !r.targetSrs.empty();
  if (!raster && !r.targetSrs.empty()) Refuse(N_("矢量数据不重投影（--t-srs 只用于栅格）"));
  job->outSrs = job->warp ? UserSystem(r.targetSrs, "--t-srs") : job->dataSrs;
  plan.system = SystemName(job->outSrs);
  for (auto [srs, wkt] : {std::pair{&job->dataSrs, &job->dataWkt}, std::pair{&job->outSrs, &job->outWkt}}) {
    char* text = nullptr;
    const char* options[] = {"FORMAT=WKT2_2019", nullptr};
    srs->exportToWkt(&text, options);
    *wkt = text ? text : "";
    CPLFree(text);
  }

  // The data's extent and footprint.
  Box extent;
  if (raster) {
    if (src->GetGeoTransform(job->source.gt) != CE_None) ReadFailure(r.input, Message(N_("没有地理参考（仿射变换）")));
    if (job->source.gt[2] != 0 || job->source.gt[4] != 0) {
      if (!job->warp) Refuse(N_("栅格有旋转的地理参考，只能用 --t-srs 重采样"));
    }
    job->source.width = src->GetRasterXSize();
    job->source.height = src->GetRasterYSize();
    const double* g = job->source.gt;
    const double xs[] = {g[0], g[0] + g[1] * D(job->source.width), g[0] + g[2] * D(job->source.height),
                         g[0] + g[1] * D(job->source.width) + g[2] * D(job->source.height)};
    const double ys[] = {g[3], g[3] + g[4] * D(job->source.width), g[3] + g[5] * D(job->source.height),
                         g[3] + g[4] * D(job->source.width) + g[5] * D(job->source.height)};
    extent = {*std::min_element(xs, xs + 4), *std::min_element(ys, ys + 4), *std::max_element(xs, xs + 4),
              *std::max_element(ys, ys + 4)};
  } else {
    OGREnvelope e;
    if (layer->GetExtent(&e, TRUE) != OGRERR_NONE) ReadFailure(r.input, Message(N_("图层没有要素")));
    extent = {e.MinX, e.MinY, e.MaxX, e.MaxY};
  }
  const Transform toGeo = MakeTransform(job->dataSrs, job->geoSrs);
  const GeoMultiPolygon footprint =
      r.choice == ClipChoice::Footprint ? Footprint(extent, *toGeo) : GeoMultiPolygon{};

  // The output folder: never inside the input's, never the input itself.
  if (r.output.empty()) Refuse(N_("没有给出输出文件夹"));
  if (Inside(r.output, fs::absolute(r.input).parent_path())) {
    Refuse(N_("输出文件夹 %s 在输入文件所在的文件夹之内；请另选一个文件夹"), {r.output});
  }
  job->driver = r.format.empty() ? (raster ? "GTiff" : "GPKG") : r.format;
  if (raster ? job->driver != "GTiff" && job->driver != "COG"
             : job->driver != "GPKG" && job->driver != "ESRI Shapefile") {
    Refuse(N_("不支持的输出格式 %s"), {job->driver});
  }
  if (GetGDALDriverManager()->GetDriverByName(job->driver.c_str()) == nullptr) {
    Refuse(N_("这里的 GDAL 没有 %s 驱动"), {job->driver});
  }
  const std::string ext = raster ? ".tif" : job->driver == "GPKG" ? ".gpkg" : ".shp";

  // The sheets and their files: one name each in this run.
  std::vector<TStandardMapUnion> sheets = ChosenSheets(r, plan.datum, footprint);
  std::set<std::string> names;
  for (TStandardMapUnion& s : sheets) {
    ClipSheet c;
    c.name = NameOf(r, s, plan.datum);
    if (!names.insert(c.name).second) Refuse(N_("图幅 %s 在这次裁切中出现了两次"), {c.name});
    const fs::path folder = r.folderLayout ? fs::path(r.output) / c.name : fs::path(r.output);
    c.file = (folder / (c.name + ext)).string();
    c.sheet = std::move(s);
    plan.sheets.push_back(std::move(c));
  }

  // Frames in the output's system, and the margin in its units.
  const Transform toOut = MakeTransform(job->geoSrs, job->outSrs);
  const double metres = r.margin.unit == MarginUnit::Millimetres ? r.margin.value * kScaleDenominators[r.scale] / 1000
                        : r.margin.unit == MarginUnit::Metres    ? r.margin.value
                                                                 : 0;
  job->marginMetres = metres;
  if (raster) {
    if (job->warp) {
      const double unit = LinearMetres(job->outSrs);
      double res = r.resolution;
      if (res <= 0) {
        if (LinearMetres(job->dataSrs) == 0 || unit == 0) Refuse(N_("从经纬度栅格重投影须给出 --resolution"));
        res = std::fabs(job->source.gt[1]) * LinearMetres(job->dataSrs) / unit;
      }
      job->out.gt[0] = 0, job->out.gt[1] = res, job->out.gt[3] = 0, job->out.gt[5] = -res;
    } else {
      job->out = job->source;
    }
  }
  const double unit = LinearMetres(job->outSrs);
  for (const ClipSheet& c : plan.sheets) {
    std::vector<double> x, y;
    GeoFrame(c.sheet.Range, x, y);
    TransformPoints(*toOut, x, y, "图幅 " + c.name + " 的图廓");
    const Box b = BoxOf(x, y);
    double mx = 0, my = 0;
    if (r.margin.unit == MarginUnit::Pixels) {
      mx = r.margin.value * std::fabs(job->out.gt[1]);
      my = r.margin.value * std::fabs(job->out.gt[5]);
    } else if (unit > 0) {
      mx = my = metres / unit;
    } else {
      // Degrees: a metre of the meridian and of the parallel at the sheet.
      const double lat = (DmsToDeg(c.sheet.Range.South) + DmsToDeg(c.sheet.Range.North)) / 2;
      my = metres / 111320.0;
      mx = my / std::cos(lat * M_PI / 180);
    }
    if (mx > b.maxX - b.minX || my > b.maxY - b.minY) Refuse(N_("外扩（--margin）大于一个图幅"));
    job->marginX = mx, job->marginY = my;
    if (raster) {
      Window w = SnapWindow(job->out, b, mx, my);
      if (job->warp) {
        w.touches = true;  // decided after the warp
      } else {
        w.touches = w.col < job->source.width && w.col + w.cols > 0 && w.row < job->source.height && w.row + w.rows > 0;
      }
      job->windows.push_back(w);
      int bands = src->GetRasterCount();
      std::uint64_t bytes = 0;
      for (int i = 1; i <= bands; ++i) bytes += GDALGetDataTypeSizeBytes(src->GetRasterBand(i)->GetRasterDataType());
      if (w.touches || r.keepEmpty) plan.estimateBytes += static_cast<std::uint64_t>(w.cols) * w.rows * bytes;
    }
    // The frames themselves only where pixels are masked or features cut
    // (a province of sheets would otherwise hold them all).
    if (!raster || r.mask != ClipMask::None) {
      job->frameX.push_back(std::move(x));
      job->frameY.push_back(std::move(y));
    }
  }
  if (!raster) {
    std::error_code ec;
    plan.estimateBytes = fs::file_size(r.input, ec) * 2;
  }
  // The disk: the estimate must fit, with room for the metadata.
  const std::uint64_t need = plan.estimateBytes + plan.sheets.size() * 4096;
  const std::uint64_t free = AvailableBytes(r.output);
  if (need > free) {
    Refuse(N_("输出文件夹 %s 所在的磁盘只剩 %s，裁切约需 %s"), {r.output, ClipSizeText(free), ClipSizeText(need)});
  }
  job->fingerprint = ClipFingerprint(r);
  return job;
}

// ---------------------------------------------------------------------------
// Metadata and resume.

const char* UnitName(MarginUnit u) {
  return u == MarginUnit::Millimetres ? "mm" : u == MarginUnit::Metres ? "m" : "px";
}

struct SheetStats {
  std::uint64_t pixels = 0;
  double nodataShare = 0;
  std::string checksum;
  std::uint64_t features = 0;
  std::uint64_t bytes = 0;
  bool empty = false;
  bool written = false;
};

std::string Metadata(const Job& job, std::size_t i, const SheetStats& st) {
  const ClipRequest& r = job.request;
  const ClipSheet& c = job.plan.sheets[i];
  const TMapUnionRange& g = c.sheet.Range;
  const DatumInfo& d = DatumInfoOf(job.plan.datum);
  const ZoneParams zone = SheetZone(MakeZoneParams(r.zone3, r.cm), DmsToDeg(g.West), DmsToDeg(g.East));
  const double zoneCm = zone.cm != 0 ? zone.cm : MeridianOfPoint(zone, (DmsToDeg(g.West) + DmsToDeg(g.East)) / 2);
  std::string j = "{\n";
  const auto field = [&](const char* key, const std::string& value, bool last = false) {
    j += std::string("  ") + JsonText(key) + ": " + value + (last ? "\n" : ",\n");
  };
  field("图号", JsonText(c.sheet.MapUnionNo));
  field("name", JsonText(c.name));
  field("scale", JsonText(kScaleCaptions[r.scale]));
  field("denominator", std::to_string(kScaleDenominators[r.scale]));
  field("standard", JsonText(r.newStandard ? "new" : "old"));
  field("datum", JsonText(d.name));
  field("zone_width", r.zone3 ? "3" : "6");
  field("central_meridian", Num(zoneCm));
  field("zone", Num(ZoneNumber(r.zone3, zoneCm)));
  field("projection", JsonText(job.plan.system));
  const auto corner = [](double a, double b) { return "[" + Num(a) + ", " + Num(b) + "]"; };
  const double w = DmsToDeg(g.West), s = DmsToDeg(g.South), e = DmsToDeg(g.East), n = DmsToDeg(g.North);
  field("corners_geographic", "{\"NW\": " + corner(w, n) + ", \"NE\": " + corner(e, n) + ", \"SE\": " +
                                  corner(e, s) + ", \"SW\": " + corner(w, s) + "}");
  const auto& p = c.sheet.PlaneCorners;
  field("corners_plane", "{\"NW\": " + corner(p[kNW].X, p[kNW].Y) + ", \"NE\": " + corner(p[kNE].X, p[kNE].Y) +
                             ", \"SE\": " + corner(p[kSE].X, p[kSE].Y) + ", \"SW\": " + corner(p[kSW].X, p[kSW].Y) + "}");
  field("margin", "{\"value\": " + Num(r.margin.value) + ", \"unit\": " + JsonText(UnitName(r.margin.unit)) +
                      (r.margin.unit == MarginUnit::Pixels ? "" : ", \"metres\": " + Num(job.marginMetres)) + "}");
  if (job.plan.raster) {
    const Window& win = job.windows[i];
    const double* gt = job.out.gt;
    field("resolution", corner(std::fabs(gt[1]), std::fabs(gt[5])));
    field("size", "[" + std::to_string(win.cols) + ", " + std::to_string(win.rows) + "]");
    field("geotransform", "[" + Num(gt[0] + D(win.col) * gt[1]) + ", " + Num(gt[1]) + ", 0, " +
                              Num(gt[3] + D(win.row) * gt[5]) + ", 0, " + Num(gt[5]) + "]");
    field("pixels", std::to_string(st.pixels));
    field("nodata_share", Num(st.nodataShare));
    field("checksum", JsonText(st.checksum));
  } else {
    field("features", std::to_string(st.features));
  }
  field("file", JsonText(fs::path(c.file).filename().string()));
  field("source", JsonText(fs::absolute(r.input).string()));
  field("date", JsonText(UtcNow()));
  field("request", JsonText(job.fingerprint), true);
  return j + "}\n";
}

std::string MetadataFile(const ClipSheet& c) {
  return (fs::path(c.file).parent_path() / (c.name + ".json")).string();
}

// The value of a key as Metadata wrote it (a string's raw text, a number).
std::string MetadataValue(const std::string& text, const std::string& key) {
  const std::string k = JsonText(key) + ": ";
  const std::size_t at = text.find(k);
  if (at == std::string::npos) return {};
  std::size_t b = at + k.size(), e = text.find(",\n", b);
  if (e == std::string::npos) e = text.find('\n', b);
  std::string v = text.substr(b, e - b);
  if (v.size() >= 2 && v.front() == '"') v = v.substr(1, v.size() - 2);
  return v;
}

// A sheet that a previous run of the same request finished: its data file
// and its metadata file (written after it) are there, and the metadata
// records this request.
bool AlreadyDone(const Job& job, const ClipSheet& c, SheetStats& st) {
  std::error_code ec;
  if (!fs::is_regular_file(c.file, ec)) return false;
  std::ifstream in(MetadataFile(c), std::ios::binary);
  if (!in) return false;
  std::stringstream s;
  s << in.rdbuf();
  const std::string text = s.str();
  if (MetadataValue(text, "request") != JsonText(job.fingerprint).substr(1, JsonText(job.fingerprint).size() - 2)) {
    return false;
  }
  st.pixels = std::strtoull(MetadataValue(text, "pixels").c_str(), nullptr, 10);
  st.nodataShare = std::strtod(MetadataValue(text, "nodata_share").c_str(), nullptr);
  st.checksum = MetadataValue(text, "checksum");
  st.features = std::strtoull(MetadataValue(text, "features").c_str(), nullptr, 10);
  st.bytes = fs::file_size(c.file, ec);
  return true;
}

void WriteText(const std::string& file, const std::string& text) {
  SafeFile f(file);
  f.Write(text);
  f.Commit();
}

// ---------------------------------------------------------------------------
// Rasters.

double FillOf(GDALRasterBand* band, ClipMask mask, bool* hasNodata) {
  int has = 0;
  const double nodata = band->GetNoDataValue(&has);
  *hasNodata = has != 0;
  (void)mask;
  return has ? nodata : 0;
}

// The spans of a row (its pixel centres at y) inside a ring, as pixel
// columns [begin, end) of the window starting at x0 with pixel width dx.
void RowSpans(const OGRLinearRing& ring, double y, double x0, double dx, std::int64_t cols,
              std::vector<std::pair<std::int64_t, std::int64_t>>& spans) {
  std::vector<double> xs;
  const int n = ring.getNumPoints();
  for (int i = 0; i + 1 < n; ++i) {
    const double y1 = ring.getY(i), y2 = ring.getY(i + 1);
    if ((y1 <= y && y < y2) || (y2 <= y && y < y1)) {
      const double x1 = ring.getX(i), x2 = ring.getX(i + 1);
      xs.push_back(x1 + (y - y1) * (x2 - x1) / (y2 - y1));
    }
  }
  std::sort(xs.begin(), xs.end());
  spans.clear();
  for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
    // Pixel c is inside when its centre x0 + (c + 0.5) dx lies in [xa, xb).
    const auto b = std::clamp<std::int64_t>(static_cast<std::int64_t>(std::ceil((xs[i] - x0) / dx - 0.5)), 0, cols);
    const auto e = std::clamp<std::int64_t>(static_cast<std::int64_t>(std::ceil((xs[i + 1] - x0) / dx - 0.5)), 0, cols);
    if (e > b) spans.emplace_back(b, e);
  }
}

// The pixels of a row of type t equal to value (NaN: the NaNs), counted in
// the row's own type where it is a common one.
template <typename T>
std::uint64_t CountIn(const unsigned char* row, std::size_t n, double value) {
  const T v = static_cast<T>(value);
  if (static_cast<double>(v) != value) return 0;  // a nodata value the type cannot hold
  // Blocks of a fixed 64 pixels, each counted branch-free into a narrow sum:
  // a loop of a known trip count that the compiler vectorises at -O2.
  constexpr std::size_t kBlock = 64;
  std::uint64_t count = 0;
  std::size_t i = 0;
  for (; i + kBlock <= n; i += kBlock) {
    unsigned block = 0;
    for (std::size_t j = 0; j < kBlock; ++j) {
      T x;
      std::memcpy(&x, row + (i + j) * sizeof(T), sizeof(T));
      block += x == v;
    }
    count += block;
  }
  for (; i < n; ++i) {
    T x;
    std::memcpy(&x, row + i * sizeof(T), sizeof(T));
    count += x == v;
  }
  return count;
}

std::uint64_t CountValue(const unsigned char* row, GDALDataType t, std::size_t n, double value,
                         std::vector<double>& scratch);

// Pixels of the window on band 1 that hold no data: outside the source, or
// equal to its nodata value.
std::uint64_t CountNodata(const double* row, std::size_t n, bool hasNodata, double nodata) {
  if (!hasNodata) return 0;
  std::uint64_t count = 0;
  if (std::isnan(nodata)) {
    for (std::size_t i = 0; i < n; ++i) count += std::isnan(row[i]);
  } else {
    for (std::size_t i = 0; i < n; ++i) count += row[i] == nodata;
  }
  return count;
}

std::uint64_t CountValue(const unsigned char* row, GDALDataType t, std::size_t n, double value,
                         std::vector<double>& scratch) {
  if (!std::isnan(value)) {
    switch (t) {
      case GDT_Byte: return CountIn<std::uint8_t>(row, n, value);
      case GDT_UInt16: return CountIn<std::uint16_t>(row, n, value);
      case GDT_Int16: return CountIn<std::int16_t>(row, n, value);
      case GDT_UInt32: return CountIn<std::uint32_t>(row, n, value);
      case GDT_Int32: return CountIn<std::int32_t>(row, n, value);
      case GDT_Float32: return CountIn<float>(row, n, value);
      case GDT_Float64: return CountIn<double>(row, n, value);
      default: break;
    }
  }
  scratch.resize(n);
  GDALCopyWords(row, t, GDALGetDataTypeSizeBytes(t), scratch.data(), GDT_Float64, 8, static_cast<int>(n));
  return CountNodata(scratch.data(), n, true, value);
}

class OutputFiles {
 public:
  OutputFiles(const std::string& target, const std::string& driver)
      : set_(target, {".aux.xml"}, false, driver == "COG" ? "COG" : "GeoTIFF"), cog_(driver == "COG") {}
  // Where the GTiff is written: the staged file itself, or a working file
  // beside it that the COG driver copies.
  std::string Working() const { return cog_ ? set_.folder() + "/work.tif" : set_.staged(); }
  void Finish(GDALDataset* written) {
    if (cog_) {
      GDALDriver* cog = GetGDALDriverManager()->GetDriverByName("COG");
      const char* options[] = {"OVERVIEWS=NONE", nullptr};
      Dataset copy(cog->CreateCopy(set_.staged().c_str(), written, FALSE, const_cast<char**>(options), nullptr, nullptr));
      if (!copy) throw Error(FileWriteError(set_.target(), GdalReason()));
    }
  }
  void Commit() { set_.Commit(); }
  const std::string& target() const { return set_.target(); }

 private:
  SafeFileSet set_;
  bool cog_;
};

void CopyBandLooks(GDALRasterBand* from, GDALRasterBand* to) {
  int has = 0;
  const double nodata = from->GetNoDataValue(&has);
  if (has) to->SetNoDataValue(nodata);
  if (GDALColorTable* ct = from->GetColorTable()) to->SetColorTable(ct);
  to->SetColorInterpretation(from->GetColorInterpretation());
  if (const char* d = from->GetDescription(); d && *d) to->SetDescription(d);
  int hasOffset = 0, hasScale = 0;
  const double offset = from->GetOffset(&hasOffset), scale = from->GetScale(&hasScale);
  if (hasOffset) to->SetOffset(offset);
  if (hasScale) to->SetScale(scale);
  if (const char* u = from->GetUnitType(); u && *u) to->SetUnitType(u);
}

std::vector<std::string> CreationOptions(GDALDataset* src, std::int64_t cols, std::int64_t rows) {
  std::vector<std::string> o = {"BIGTIFF=IF_SAFER"};
  if (cols >= 256 && rows >= 256) o.insert(o.end(), {"TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256"});
  if (const char* c = src->GetMetadataItem("COMPRESSION", "IMAGE_STRUCTURE")) {
    for (const char* known : {"LZW", "DEFLATE", "ZSTD", "LZMA", "PACKBITS"}) {
      if (EQUAL(c, known)) o.push_back(std::string("COMPRESS=") + known);
    }
  }
  if (const char* p = src->GetMetadataItem("PIXELTYPE", "IMAGE_STRUCTURE")) {
    if (EQUAL(p, "SIGNEDBYTE")) o.push_back("PIXELTYPE=SIGNEDBYTE");
  }
  if (src->GetRasterCount() > 1) o.push_back("INTERLEAVE=PIXEL");
  return o;
}

// Reads the window back from the file written (after a warp): the same
// figures as a copy counts on the way.
void StatsOfFile(GDALDataset* ds, SheetStats& st) {
  const int w = ds->GetRasterXSize(), h = ds->GetRasterYSize();
  std::vector<BandHash> hashes(ds->GetRasterCount());
  std::uint64_t nodataCount = 0;
  for (int b = 1; b <= ds->GetRasterCount(); ++b) {
    GDALRasterBand* band = ds->GetRasterBand(b);
    const GDALDataType t = band->GetRasterDataType();
    const int size = GDALGetDataTypeSizeBytes(t);
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * size);
    std::vector<double> values(w);
    int has = 0;
    const double nodata = band->GetNoDataValue(&has);
    for (int y = 0; y < h; ++y) {
      if (band->RasterIO(GF_Read, 0, y, w, 1, row.data(), w, 1, t, 0, 0) != CE_None) {
        throw Error(Message(N_("无法读回 %s：%s"), {std::string(ds->GetDescription()), GdalWhy()}));
      }
      hashes[b - 1].Add(row.data(), row.size());
      if (b == 1) {
        GDALCopyWords(row.data(), t, size, values.data(), GDT_Float64, 8, w);
        nodataCount += CountNodata(values.data(), w, has, nodata);
      }
    }
  }
  BandHash all;
  for (const BandHash& hb : hashes) {
    const std::uint64_t v = hb.Value();
    all.Add(reinterpret_cast<const unsigned char*>(&v), 8);
  }
  st.pixels = static_cast<std::uint64_t>(w) * h;
  st.nodataShare = st.pixels ? D(nodataCount) / D(st.pixels) : 0;
  st.checksum = Hex(all.Value());
}

// The warped sheet: GDAL's warper onto the window of the output grid.
void WarpSheet(const Job& job, std::size_t i, GDALDataset* src, const std::string& path) {
  const Window& w = job.windows[i];
  const double* g = job.out.gt;
  std::vector<std::string> args = {"-of", "GTiff", "-t_srs", job.outWkt, "-te", Num(g[0] + D(w.col) * g[1]),
                                   Num(g[3] + D(w.row + w.rows) * g[5]), Num(g[0] + D(w.col + w.cols) * g[1]),
                                   Num(g[3] + D(w.row) * g[5]), "-ts", std::to_string(w.cols), std::to_string(w.rows),
                                   "-r", job.request.resampling, "-wm", "64", "-co", "TILED=YES",
                                   "-co", "BIGTIFF=IF_SAFER"};
  if (!job.request.sourceSrs.empty()) args.insert(args.end(), {"-s_srs", job.dataWkt});
  int has = 0;
  const double nodata = src->GetRasterBand(1)->GetNoDataValue(&has);
  if (!has) args.insert(args.end(), {"-dstnodata", "0"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  (void)nodata;
  GDALWarpAppOptions* options = GDALWarpAppOptionsNew(argv.data(), nullptr);
  if (options == nullptr) Refuse(N_("--resampling “%s” 不是 GDAL 的重采样方法"), {job.request.resampling});
  GDALDatasetH in = GDALDataset::ToHandle(src);
  int usageError = 0;
  GDALDatasetH out = GDALWarp(path.c_str(), nullptr, 1, &in, options, &usageError);
  GDALWarpAppOptionsFree(options);
  if (out == nullptr) throw Error(FileWriteError(path, GdalReason()));
  GDALClose(out);
}

SheetStats CutRasterSheet(const Job& job, std::size_t i, GDALDataset* src) {
  const ClipRequest& r = job.request;
  const ClipSheet& c = job.plan.sheets[i];
  const Window& w = job.windows[i];
  SheetStats st;
  if (!w.touches && !r.keepEmpty) {
    st.empty = true;
    return st;
  }
  if (r.folderLayout) fs::create_directories(fs::path(c.file).parent_path());
  OutputFiles files(c.file, job.driver);
  const int bands = src->GetRasterCount();
  const double* g = job.out.gt;
  const double x0 = g[0] + D(w.col) * g[1], y0 = g[3] + D(w.row) * g[5];

  // The mask: the frame enlarged by the margin.
  std::unique_ptr<OGRGeometry> maskShape;
  const OGRLinearRing* maskRing = nullptr;
  if (r.mask != ClipMask::None) {
    auto frame = Polygon(job.frameX[i], job.frameY[i]);
    maskShape.reset(job.marginX > 0 ? frame->Buffer(job.marginX, 8) : frame.release());
    if (!maskShape || wkbFlatten(maskShape->getGeometryType()) != wkbPolygon) {
      throw Error(Message(N_("无法计算图幅 %s 的外扩图廓：%s"), {c.name, GdalWhy()}));
    }
    maskRing = maskShape->toPolygon()->getExteriorRing();
  }

  if (job.warp) {
    WarpSheet(job, i, src, files.Working());
  } else {
    GDALDriver* gtiff = GetGDALDriverManager()->GetDriverByName("GTiff");
    const GDALDataType type = src->GetRasterBand(1)->GetRasterDataType();
    const std::vector<std::string> optionText = CreationOptions(src, w.cols, w.rows);
    std::vector<char*> options;
    for (const std::string& o : optionText) options.push_back(const_cast<char*>(o.c_str()));
    options.push_back(nullptr);
    Dataset out(gtiff->Create(files.Working().c_str(), static_cast<int>(w.cols), static_cast<int>(w.rows), bands,
                              type, options.data()));
    if (!out) throw Error(FileWriteError(c.file, GdalReason()));
    const double gt[6] = {x0, g[1], 0, y0, 0, g[5]};
    out->SetGeoTransform(const_cast<double*>(gt));
    OGRSpatialReference srs;
    srs.importFromWkt(job.outWkt.c_str());
    out->SetSpatialRef(&srs);
    for (int b = 1; b <= bands; ++b) CopyBandLooks(src->GetRasterBand(b), out->GetRasterBand(b));

    // The part of the window that lies on the source.
    const std::int64_t c0 = std::max<std::int64_t>(w.col, 0), c1 = std::min(w.col + w.cols, job.source.width);
    const std::int64_t r0 = std::max<std::int64_t>(w.row, 0), r1 = std::min(w.row + w.rows, job.source.height);
    const int size = GDALGetDataTypeSizeBytes(type);
    const std::int64_t rowBytes = w.cols * size;
    // Chunks of whole 256-row tiles, about 16 MB a band.
    const std::int64_t chunk = std::max<std::int64_t>(256, (16 << 20) / std::max<std::int64_t>(rowBytes, 1) / 256 * 256);
    // One buffer per worker, kept from sheet to sheet: no fresh pages to
    // clear for every sheet. Every byte of it is read or filled below.
    thread_local std::vector<unsigned char> buffer;
    const auto bufferBytes = static_cast<std::size_t>(std::min(chunk, w.rows) * rowBytes);
    if (buffer.size() < bufferBytes) buffer.resize(bufferBytes);
    std::vector<double> values;
    std::vector<BandHash> hashes(bands);
    std::vector<std::pair<std::int64_t, std::int64_t>> spans;
    std::uint64_t nodataCount = 0;
    for (std::int64_t y = 0; y < w.rows; y += chunk) {
      const std::int64_t h = std::min(chunk, w.rows - y);
      for (int b = 1; b <= bands; ++b) {
        GDALRasterBand* band = src->GetRasterBand(b);
        const GDALDataType t = band->GetRasterDataType();
        if (t != type) Refuse(N_("各波段的数据类型不同，无法原样裁切"));
        bool hasNodata = false;
        const double fill = FillOf(band, r.mask, &hasNodata);
        // Fill where the source has nothing, then read what it has.
        const std::int64_t ra = std::max(r0, w.row + y), rb = std::min(r1, w.row + y + h);
        if (ra != w.row + y || rb != w.row + y + h || c0 != w.col || c1 != w.col + w.cols) {
          GDALCopyWords(&fill, GDT_Float64, 0, buffer.data(), type, size, static_cast<int>(h * w.cols));
        }
        if (c1 > c0 && rb > ra) {
          unsigned char* at = buffer.data() + (ra - w.row - y) * rowBytes + (c0 - w.col) * size;
          if (band->RasterIO(GF_Read, static_cast<int>(c0), static_cast<int>(ra), static_cast<int>(c1 - c0),
                             static_cast<int>(rb - ra), at, static_cast<int>(c1 - c0), static_cast<int>(rb - ra),
                             type, size, rowBytes, nullptr) != CE_None) {
            ReadFailure(r.input, GdalWhy());
          }
        }
        if (maskRing != nullptr) {
          const double white = 255;
          const double value = r.mask == ClipMask::White ? white : fill;
          std::vector<unsigned char> one(size);
          GDALCopyWords(&value, GDT_Float64, 0, one.data(), type, size, 1);
          for (std::int64_t k = 0; k < h; ++k) {
            RowSpans(*maskRing, y0 + (D(y + k) + 0.5) * g[5], x0, g[1], w.cols, spans);
            unsigned char* row = buffer.data() + k * rowBytes;
            std::int64_t from = 0;
            const auto blank = [&](std::int64_t a, std::int64_t e) {
              for (std::int64_t p = a; p < e; ++p) std::memcpy(row + p * size, one.data(), size);
            };
            for (const auto& [sb, se] : spans) blank(from, sb), from = se;
            blank(from, w.cols);
          }
        }
        for (std::int64_t k = 0; k < h; ++k) {
          const unsigned char* row = buffer.data() + k * rowBytes;
          hashes[b - 1].Add(row, static_cast<std::size_t>(rowBytes));
          if (b == 1) {
            const std::int64_t gy = w.row + y + k;
            if (hasNodata) {
              nodataCount += CountValue(row, type, static_cast<std::size_t>(w.cols), fill, values);
            } else {
              // No nodata value: only what lies off the source has no data.
              nodataCount += gy < r0 || gy >= r1 ? w.cols : w.cols - std::max<std::int64_t>(c1 - c0, 0);
            }
          }
        }
        if (out->GetRasterBand(b)->RasterIO(GF_Write, 0, static_cast<int>(y), static_cast<int>(w.cols),
                                            static_cast<int>(h), buffer.data(), static_cast<int>(w.cols),
                                            static_cast<int>(h), type, size, rowBytes, nullptr) != CE_None) {
          throw Error(FileWriteError(c.file, GdalReason()));
        }
      }
    }
    BandHash all;
    for (const BandHash& hb : hashes) {
      const std::uint64_t v = hb.Value();
      all.Add(reinterpret_cast<const unsigned char*>(&v), 8);
    }
    st.pixels = static_cast<std::uint64_t>(w.cols) * w.rows;
    st.nodataShare = st.pixels ? D(nodataCount) / D(st.pixels) : 0;
    st.checksum = Hex(all.Value());
    if (nodataCount == st.pixels && !r.keepEmpty) {
      st.empty = true;
      return st;  // the staged files go with files
    }
    st.empty = nodataCount == st.pixels;
    out->FlushCache();
    if (!FirstGdalFailure().empty()) throw Error(FileWriteError(c.file, GdalReason()));
    files.Finish(out.get());
    out.reset();
  }
  if (job.warp) {
    Dataset back(GDALDataset::Open(files.Working().c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!back) throw Error(FileWriteError(c.file, GdalReason()));
    StatsOfFile(back.get(), st);
    if (st.nodataShare == 1 && !r.keepEmpty) {
      st.empty = true;
      return st;
    }
    st.empty = st.nodataShare == 1;
    files.Finish(back.get());
  }
  if (!FirstGdalFailure().empty()) throw Error(FileWriteError(c.file, GdalReason()));
  files.Commit();
  std::error_code ec;
  st.bytes = fs::file_size(c.file, ec);
  st.written = true;
  return st;
}

// ---------------------------------------------------------------------------
// Vectors.

OGRwkbGeometryType PieceType(OGRwkbGeometryType t) {
  const OGRwkbGeometryType flat = wkbFlatten(t);
  if (flat == wkbUnknown || flat == wkbGeometryCollection) return wkbUnknown;
  return OGR_GT_GetCollection(OGR_GT_GetLinear(flat));
}

// The piece of g inside the frame, of g's own dimension; null when none.
std::unique_ptr<OGRGeometry> Piece(const OGRGeometry& g, const OGRPolygon& frame) {
  std::unique_ptr<OGRGeometry> cut(g.Intersection(&frame));
  if (!cut || cut->IsEmpty()) return nullptr;
  const int dim = g.getDimension();
  if (wkbFlatten(cut->getGeometryType()) == wkbGeometryCollection) {
    auto keep = std::make_unique<OGRGeometryCollection>();
    for (const OGRGeometry* part : *cut->toGeometryCollection()) {
      if (part->getDimension() == dim) keep->addGeometry(part);
    }
    if (keep->IsEmpty()) return nullptr;
    cut = std::move(keep);
  }
  if (cut->getDimension() != dim) return nullptr;
  return cut;
}

class VectorOut {
 public:
  VectorOut(const std::string& target, const std::string& driver, OGRLayer* src, const OGRSpatialReference& srs,
            bool numberField)
      : set_(target, driver == "GPKG" ? std::vector<std::string>{}
                                      : std::vector<std::string>{".shx", ".dbf", ".prj", ".cpg"},
             false, driver == "GPKG" ? "GeoPackage" : "Shapefile") {
    GDALDriver* d = GetGDALDriverManager()->GetDriverByName(driver.c_str());
    ds_.reset(d->Create(set_.staged().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!ds_) throw Error(FileWriteError(target, GdalReason()));
    const char* options[] = {driver == "GPKG" ? nullptr : "ENCODING=UTF-8", nullptr};
    const std::string name = driver == "GPKG" ? src->GetName() : fs::path(target).stem().string();
    layer_ = ds_->CreateLayer(name.c_str(), const_cast<OGRSpatialReference*>(&srs), PieceType(src->GetGeomType()), const_cast<char**>(options));
    if (layer_ == nullptr) throw Error(FileWriteError(target, GdalReason()));
    OGRFeatureDefn* defn = src->GetLayerDefn();
    for (int i = 0; i < defn->GetFieldCount(); ++i) {
      if (layer_->CreateField(defn->GetFieldDefn(i)) != OGRERR_NONE) throw Error(FileWriteError(target, GdalReason()));
    }
    if (numberField) {
      OGRFieldDefn f("图幅号", OFTString);
      f.SetWidth(20);
      if (layer_->CreateField(&f) != OGRERR_NONE) throw Error(FileWriteError(target, GdalReason()));
      numberIndex_ = layer_->GetLayerDefn()->GetFieldIndex("图幅号");
    }
    type_ = PieceType(src->GetGeomType());
    transaction_ = ds_->TestCapability(ODsCTransactions) && ds_->StartTransaction() == OGRERR_NONE;
  }
  void Add(const OGRFeature& from, std::unique_ptr<OGRGeometry> piece, const std::string& number) {
    std::unique_ptr<OGRFeature> f(OGRFeature::CreateFeature(layer_->GetLayerDefn()));
    f->SetFrom(&from, TRUE);
    if (type_ != wkbUnknown) piece.reset(OGRGeometryFactory::forceTo(piece.release(), type_));
    f->SetGeometryDirectly(piece.release());
    if (numberIndex_ >= 0) f->SetField(numberIndex_, number.c_str());
    if (layer_->CreateFeature(f.get()) != OGRERR_NONE) throw Error(FileWriteError(set_.target(), GdalReason()));
    ++features_;
  }
  void Commit() {
    if (transaction_ && ds_->CommitTransaction() != OGRERR_NONE) throw Error(FileWriteError(set_.target(), GdalReason()));
    ds_->FlushCache();
    ds_.reset();
    if (!FirstGdalFailure().empty()) throw Error(FileWriteError(set_.target(), GdalReason()));
    set_.Commit();
  }
  std::uint64_t features() const { return features_; }

 private:
  SafeFileSet set_;
  Dataset ds_;
  OGRLayer* layer_ = nullptr;
  OGRwkbGeometryType type_ = wkbUnknown;
  int numberIndex_ = -1;
  bool transaction_ = false;
  std::uint64_t features_ = 0;
};

// ---------------------------------------------------------------------------
// The run summary.

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\n") == std::string::npos) return s;
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
  return q + "\"";
}

}  // namespace

std::string ClipSizeText(std::uint64_t bytes) {
  char b[32];
  if (bytes < (1ULL << 20)) {
    std::snprintf(b, sizeof b, "%llu KB", static_cast<unsigned long long>((bytes + 1023) >> 10));
  } else if (bytes < (1ULL << 30)) {
    std::snprintf(b, sizeof b, "%.1f MB", static_cast<double>(bytes) / (1 << 20));
  } else {
    std::snprintf(b, sizeof b, "%.1f GB", static_cast<double>(bytes) / (1 << 30));
  }
  return b;
}

std::string ClipFingerprint(const ClipRequest& r) {
  std::error_code ec;
  const fs::path input = fs::absolute(r.input, ec);
  struct stat st {};
  const bool known = ::stat(r.input.c_str(), &st) == 0;
  std::string f = "source=" + input.string();
  if (known) f += ";size=" + std::to_string(st.st_size) + ";mtime=" + std::to_string(st.st_mtime);
  f += ";layer=" + r.layer + ";scale=" + std::to_string(kScaleDenominators[r.scale]) +
       ";standard=" + (r.newStandard ? "new" : "old") +
       ";datum=" + (r.datum ? DatumInfoOf(*r.datum).key : "data") + ";zone=" + (r.zone3 ? "3" : "6") +
       ";cm=" + Num(r.cm) + ";margin=" + Num(r.margin.value) + UnitName(r.margin.unit) + ";s_srs=" + r.sourceSrs +
       ";t_srs=" + r.targetSrs + ";resampling=" + r.resampling + ";resolution=" + Num(r.resolution) +
       ";mask=" + std::to_string(static_cast<int>(r.mask)) + ";format=" + r.format +
       ";names=" + (r.oldNames ? "old" : "new") + ";one_layer=" + (r.oneLayer ? "1" : "0");
  return f;
}

std::optional<std::vector<std::string>> ReadSheetTable(const std::string& file) {
  const std::string problem = LocalFileProblem(file);
  if (!problem.empty()) ReadFailure(file, TextArg(problem));
  EnsureGdal();
  QuietGdal quiet;
  // Only the drivers of the tables sheets writes: a number list (.txt, or
  // no extension) is claimed by none of them.
  static const char* const kTables[] = {"CSV", "GeoJSON", "GPKG", "ESRI Shapefile", nullptr};
  Dataset ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, kTables));
  if (!ds || ds->GetLayerCount() == 0) return std::nullopt;
  OGRLayer* layer = ds->GetLayer(0);
  const OGRFeatureDefn* defn = layer->GetLayerDefn();
  int field = defn->GetFieldIndex("图幅号");
  if (field < 0) field = defn->GetFieldIndex("number");
  if (field < 0) {
    // A CSV is a table of whatever its header says; one without the column
    // is a list that happens to end in .csv only if it has one column.
    if (EQUAL(ds->GetDriverName(), "CSV") && defn->GetFieldCount() == 1) return std::nullopt;
    ReadFailure(file, Message(N_("表中没有“图幅号”或“number”字段")));
  }
  std::vector<std::string> numbers;
  for (auto& f : *layer) {
    if (!f->IsFieldSetAndNotNull(field)) continue;
    std::string n = f->GetFieldAsString(field);
    if (n.size() >= 3 && n.rfind("=\"", 0) == 0 && n.back() == '"') n = n.substr(2, n.size() - 3);
    if (!n.empty()) numbers.push_back(std::move(n));
  }
  if (!FirstGdalFailure().empty()) ReadFailure(file, GdalWhy());
  return numbers;
}

ClipPlan PlanClip(const ClipRequest& request) {
  QuietGdal quiet;
  Dataset src;
  return MakeJob(request, src)->plan;
}

ClipResult RunClip(const ClipRequest& request, const std::function<bool(const ClipProgress&)>& progress) {
  QuietGdal quiet;
  PrepareFileSignals();
  Dataset first;
  const std::unique_ptr<Job> job = MakeJob(request, first);
  const std::vector<ClipSheet>& sheets = job->plan.sheets;
  fs::create_directories(request.output);
  GDALSetCacheMax64(request.cacheBytes);

  std::vector<SheetStats> stats(sheets.size());
  std::vector<char> resumed(sheets.size(), 0);
  ClipResult result;
  std::mutex lock;
  std::atomic<bool> stop{false};
  ClipProgress shown{0, sheets.size(), 0};
  const auto finished = [&](std::size_t i) {
    std::lock_guard<std::mutex> g(lock);
    ++shown.done;
    shown.bytes += stats[i].bytes;
    if (progress && !progress(shown)) stop = true;
  };

  if (!job->plan.raster) {
    // Vectors: one pass per sheet over the features its frame's box meets.
    OGRLayer* layer = request.layer.empty() ? first->GetLayer(0) : first->GetLayerByName(request.layer.c_str());
    std::unique_ptr<VectorOut> one;
    const std::string oneFile =
        (fs::path(request.output) / (StemOf(request.input) + (job->driver == "GPKG" ? ".gpkg" : ".shp"))).string();
    if (request.oneLayer) one = std::make_unique<VectorOut>(oneFile, job->driver, layer, job->dataSrs, true);
    for (std::size_t i = 0; i < sheets.size() && !stop; ++i) {
      const ClipSheet& c = sheets[i];
      if (!request.oneLayer && request.resume && AlreadyDone(*job, c, stats[i])) {
        resumed[i] = 1;
        finished(i);
        continue;
      }
      const auto frame = Polygon(job->frameX[i], job->frameY[i]);
      layer->SetSpatialFilter(frame.get());
      layer->ResetReading();
      std::unique_ptr<VectorOut> own;
      for (std::unique_ptr<OGRFeature> f(layer->GetNextFeature()); f; f.reset(layer->GetNextFeature())) {
        const OGRGeometry* g = f->GetGeometryRef();
        if (g == nullptr) continue;
        auto piece = Piece(*g, *frame);
        if (!piece) continue;
        if (one) {
          one->Add(*f, std::move(piece), c.sheet.MapUnionNo);
          ++stats[i].features;
          continue;
        }
        if (!own) {
          if (request.folderLayout) fs::create_directories(fs::path(c.file).parent_path());
          own = std::make_unique<VectorOut>(c.file, job->driver, layer, job->dataSrs, false);
        }
        own->Add(*f, std::move(piece), c.sheet.MapUnionNo);
        ++stats[i].features;
      }
      if (!own && !one && request.keepEmpty) {
        if (request.folderLayout) fs::create_directories(fs::path(c.file).parent_path());
        own = std::make_unique<VectorOut>(c.file, job->driver, layer, job->dataSrs, false);
      }
      stats[i].empty = stats[i].features == 0;
      if (own) {
        own->Commit();
        std::error_code ec;
        stats[i].bytes = fs::file_size(c.file, ec);
        stats[i].written = true;
        WriteText(MetadataFile(c), Metadata(*job, i, stats[i]));
      }
      finished(i);
    }
    layer->SetSpatialFilter(nullptr);
    if (one && !stop) one->Commit();
  } else {
    // Rasters: a worker per core, each with its own handle of the source
    // (a GDAL dataset serves one thread), taking the next sheet in turn.
    unsigned workers = request.workers > 0 ? static_cast<unsigned>(request.workers)
                                           : std::max(1u, std::thread::hardware_concurrency());
    workers = static_cast<unsigned>(std::min<std::size_t>(workers, std::max<std::size_t>(sheets.size(), 1)));
    std::atomic<std::size_t> next{0};
    std::string failure;
    const auto work = [&](GDALDataset* own) {
      QuietGdal workerQuiet;
      Dataset opened;
      if (own == nullptr) {
        opened.reset(GDALDataset::Open(request.input.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
        own = opened.get();
      }
      try {
        if (own == nullptr) ReadFailure(request.input, GdalWhy());
        for (std::size_t i = next++; i < sheets.size() && !stop; i = next++) {
          if (request.resume && AlreadyDone(*job, sheets[i], stats[i])) {
            resumed[i] = 1;
          } else {
            stats[i] = CutRasterSheet(*job, i, own);
            if (stats[i].written) WriteText(MetadataFile(sheets[i]), Metadata(*job, i, stats[i]));
          }
          finished(i);
        }
      } catch (const std::exception& e) {
        std::lock_guard<std::mutex> g(lock);
        if (failure.empty()) failure = e.what();
        stop = true;
      }
    };
    std::vector<std::thread> threads;
    for (unsigned k = 1; k < workers; ++k) threads.emplace_back(work, nullptr);
    work(first.get());
    for (std::thread& t : threads) t.join();
    if (!failure.empty()) throw Error(failure);
  }

  // The summary: one line per sheet of the plan that has its file.
  std::string csv = job->plan.raster ? "sheet,file,pixels,nodata_share,checksum\n" : "sheet,file,features\n";
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const SheetStats& s = stats[i];
    if (resumed[i]) {
      ++result.resumed;
    } else if (s.written) {
      ++result.written;
    }
    if (s.empty && !resumed[i]) ++result.empty;
    if (!s.written && !resumed[i]) continue;
    result.bytes += s.bytes;
    const std::string file = fs::relative(sheets[i].file, request.output).string();
    csv += CsvField(sheets[i].name) + "," + CsvField(request.oneLayer ? fs::path(job->plan.sheets[i].file).filename().string() : file);
    if (job->plan.raster) {
      csv += "," + std::to_string(s.pixels) + "," + Num(s.nodataShare) + "," + s.checksum + "\n";
    } else {
      csv += "," + std::to_string(s.features) + "\n";
    }
  }
  if (request.oneLayer && !job->plan.raster) {
    // The pieces all went into one file: the summary counts them per sheet.
    csv = "sheet,file,features\n";
    const std::string file = StemOf(request.input) + (job->driver == "GPKG" ? ".gpkg" : ".shp");
    // A stopped run leaves no file, and so lists none.
    for (std::size_t i = 0; i < sheets.size() && !stop; ++i) {
      if (stats[i].features == 0) continue;
      csv += CsvField(sheets[i].name) + "," + CsvField(file) + "," + std::to_string(stats[i].features) + "\n";
    }
    result.written = stop ? 0 : 1;
  }
  result.summary = (fs::path(request.output) / "clip-summary.csv").string();
  WriteText(result.summary, csv);
  return result;
}

}  // namespace karvento
