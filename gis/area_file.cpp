// SPDX-License-Identifier: Apache-2.0
#include "gis/area_file.h"

#include <cpl_error.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string_view>
#include <vector>

#include "gis/gdal_session.h"
#include "numbering/area_repair.h"
#include "numbering/error.h"

namespace karvento {

namespace {

// The one rule of a local input: which part of it refuses file, with the
// system's errno for a file that cannot be examined.
enum class LocalFault { kNone, kVsi, kUrl, kSystem, kNotRegular };
LocalFault CheckLocal(const std::string& file, int& err) {
  if (file.rfind("/vsi", 0) == 0) return LocalFault::kVsi;
  if (file.find("://") != std::string::npos) return LocalFault::kUrl;
  struct stat st {};
  if (stat(file.c_str(), &st) != 0) return err = errno, LocalFault::kSystem;
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return LocalFault::kNotRegular;
  return LocalFault::kNone;
}

}  // namespace

std::string LocalFileProblem(const std::string& file) {
  int err = 0;
  switch (CheckLocal(file, err)) {
    case LocalFault::kNone: return {};
    case LocalFault::kVsi: return msg::kNoVsi;
    case LocalFault::kUrl: return msg::kNoUrl;
    case LocalFault::kSystem: return std::strerror(err);
    case LocalFault::kNotRegular: return msg::kNotRegularFile;
  }
  return {};
}

namespace {

// A geographic system as the notice names it.
struct KnownSystem {
  int epsg;          // its geographic coordinate system
  const char* name;  // as the notice names it
  bool modern;       // CGCS2000 and WGS 84 against the two legacy datums
};

// Named in Chinese, which the catalogue gives in English where the notice is
// shown in English.
KnownSystem SystemOf(const DatumInfo& d) { return {d.geographicEpsg, d.chineseName, d.nearWgs84}; }

// The datum of a file's coordinate system by its geographic part's EPSG
// code or its datum's name, where it is one the notice can name: WGS 84 or
// one of the sheets' datums.
bool KnownDatum(const OGRSpatialReference& srs, KnownSystem& out) {
  const char* code = srs.GetAuthorityCode("GEOGCS");
  const char* name = srs.GetAttrValue("DATUM");
  const std::string c = code ? code : "";
  const std::string n = name ? name : "";
  if (c == "4326" || n == "WGS_1984") return out = {4326, "WGS 84", true}, true;
  for (const DatumInfo& d : kDatums) {
    if (c == std::to_string(d.geographicEpsg) || n == d.wktDatum) return out = SystemOf(d), true;
  }
  return false;
}

}  // namespace

const char* const kLocalVectorDrivers[] = {"ESRI Shapefile", "GPKG",       "GeoJSON",     "GeoJSONSeq",
                                    "ESRIJSON",       "TopoJSON",   "KML",         "DXF",
                                    "MapInfo File",   "FlatGeobuf", "OpenFileGDB", "CSV",
                                    nullptr};

namespace {

const char* const* const kAreaDrivers = kLocalVectorDrivers;

// GDAL's failures while a file is read, every one of them: the last alone
// ("Failed to read GeoJSON data") often hides the reason given before it.
class GdalFailures {
 public:
  GdalFailures() {
    CPLPushErrorHandlerEx(Collect, this);
    CPLErrorReset();
  }
  ~GdalFailures() { CPLPopErrorHandler(); }
  GdalFailures(const GdalFailures&) = delete;
  GdalFailures& operator=(const GdalFailures&) = delete;
  // From here on only new failures count.
  void Clear() {
    messages_.clear();
    CPLErrorReset();
  }
  bool Any() const { return !messages_.empty(); }
  std::string Text() const {
    std::string text;
    for (const std::string& m : messages_) text += (text.empty() ? "" : "；") + m;
    return text;
  }

 private:
  static void CPL_STDCALL Collect(CPLErr type, CPLErrorNum, const char* message) {
    auto* self = static_cast<GdalFailures*>(CPLGetErrorHandlerUserData());
    if (type < CE_Failure || !message || !*message) return;
    for (const std::string& m : self->messages_) {
      if (m == message) return;
    }
    self->messages_.emplace_back(message);
  }
  std::vector<std::string> messages_;
};

[[noreturn]] void Fail(const std::string& file, MessageArg what, const GdalFailures* gdal = nullptr) {
  const std::string reason = gdal ? gdal->Text() : std::string();
  if (reason.empty()) throw Error(Message(msg::kAreaCannotRead, {file, std::move(what)}));
  throw Error(Message(msg::kAreaCannotReadBecause, {file, std::move(what), TextArg(reason)}));
}

[[noreturn]] void Fail(const std::string& file, const char* what, const GdalFailures* gdal = nullptr) {
  Fail(file, Message(what), gdal);
}

// An area file is a local file or folder, named as such: no GDAL virtual
// file system (/vsicurl/, /vsistdin/, …), no URL, nothing that is not a
// regular file or a folder (a FIFO would block the program).
void RequireLocalFile(const std::string& file) {
  int err = 0;
  switch (CheckLocal(file, err)) {
    case LocalFault::kNone: return;
    case LocalFault::kVsi: Fail(file, msg::kNoVsi);
    case LocalFault::kUrl: Fail(file, msg::kNoUrl);
    case LocalFault::kSystem: Fail(file, ReasonArg(err));
    case LocalFault::kNotRegular: Fail(file, msg::kNotRegularFile);
  }
}

void AddRing(const OGRLinearRing* ring, GeoRing& out) {
  out.clear();
  for (int i = 0; i < ring->getNumPoints(); ++i) out.push_back({ring->getX(i), ring->getY(i)});
}

void AddPolygon(const OGRPolygon* p, AreaFile& out) {
  if (p->IsEmpty()) return;
  GeoPolygon poly;
  poly.rings.emplace_back();
  AddRing(p->getExteriorRing(), poly.rings.back());
  for (int i = 0; i < p->getNumInteriorRings(); ++i) {
    poly.rings.emplace_back();
    AddRing(p->getInteriorRing(i), poly.rings.back());
  }
  out.area.push_back(std::move(poly));
  ++out.polygons;
}

void AddGeometry(const OGRGeometry* g, AreaFile& out) {
  if (!g) return;
  switch (wkbFlatten(g->getGeometryType())) {
    case wkbPolygon:
      AddPolygon(g->toPolygon(), out);
      break;
    case wkbMultiPolygon:
    case wkbGeometryCollection:
    case wkbMultiSurface:
      for (const OGRGeometry* part : *g->toGeometryCollection()) AddGeometry(part, out);
      break;
    case wkbCurvePolygon: {
      std::unique_ptr<OGRGeometry> linear(g->getLinearGeometry());
      AddGeometry(linear.get(), out);
      break;
    }
    case wkbLineString: {
      // A closed polyline (DXF) bounds an area.
      const OGRLineString* l = g->toLineString();
      if (l->getNumPoints() >= 4 && l->get_IsClosed()) {
        GeoPolygon poly;
        poly.rings.emplace_back();
        for (int i = 0; i < l->getNumPoints(); ++i) poly.rings.back().push_back({l->getX(i), l->getY(i)});
        out.area.push_back(std::move(poly));
        ++out.polygons;
      }
      break;
    }
    default:
      break;
  }
}

// One more notice of the reading: the window and stderr show them on one
// line, one after the other.
void AddNotice(AreaFile& out, Message notice) {
  out.notice += (out.notice.empty() ? "" : " ") + notice.Text();
  out.notices.push_back(std::move(notice));
}

// The area as a valid multipolygon, by the routine every front end uses:
// kept as it is when it is one already; otherwise each polygon's
// self-intersecting rings repaired (a bow-tie keeps both lobes) and all
// polygons merged, so that overlapping polygons count once in the cover.
// The notice says so.
void SettleAreaFile(const std::string& file, AreaFile& out) {
  SettledArea settled = SettleArea(out.area);
  if (!settled.merged) return;
  // Polygons that enclose nothing (three points on a line) leave no area:
  // refused, as the page refuses them, never listed as no sheet at all.
  if (settled.area.empty()) Fail(file, msg::kAreaNoArea);
  out.area = std::move(settled.area);
  AddNotice(out, Message(settled.repaired ? msg::kAreaRepairedAndMerged : msg::kAreaMerged));
}

// A decimal number as XML Schema writes one (KML's coordinates): digits
// with an optional point and exponent, nothing else.
bool IsXmlDecimal(std::string_view v) {
  std::size_t i = 0;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
  const std::size_t intStart = i;
  while (i < v.size() && std::isdigit(static_cast<unsigned char>(v[i]))) ++i;
  bool digits = i > intStart;
  if (i < v.size() && v[i] == '.') {
    const std::size_t fracStart = ++i;
    while (i < v.size() && std::isdigit(static_cast<unsigned char>(v[i]))) ++i;
    digits = digits || i > fracStart;
  }
  if (!digits) return false;
  if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
    ++i;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) ++i;
    const std::size_t expStart = i;
    while (i < v.size() && std::isdigit(static_cast<unsigned char>(v[i]))) ++i;
    if (i == expStart) return false;
  }
  return i == v.size();
}

// The start of the next element named name (any namespace prefix) at or
// after from and before limit, or npos; closing says whether it is the end
// tag.
std::size_t FindElement(const std::string& text, std::string_view name, bool closing, std::size_t from,
                        std::size_t limit) {
  for (std::size_t at = text.find('<', from); at < limit; at = text.find('<', at + 1)) {
    std::size_t i = at + 1;
    if (closing) {
      if (i >= text.size() || text[i] != '/') continue;
      ++i;
    }
    std::size_t j = i;
    while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_' || text[j] == '-')) ++j;
    if (j < text.size() && text[j] == ':') i = j + 1;  // a prefix
    if (text.compare(i, name.size(), name) != 0) continue;
    const std::size_t end = i + name.size();
    if (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) continue;
    return at;
  }
  return std::string::npos;
}

// GDAL's KML driver drops a tuple of a Polygon's <coordinates> that is no
// pair of numbers ("nan,40", "abc,40") without a word, and would list the
// sheets of another polygon. The coordinates of every Polygon are checked
// here as the page checks them, counted from 1 over the file.
void CheckKmlCoordinates(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The text without its comments, in one pass (an unterminated one runs to
  // the end).
  std::string text;
  text.reserve(raw.size());
  for (std::size_t at = 0; at < raw.size();) {
    const std::size_t c = raw.find("<!--", at);
    text.append(raw, at, c == std::string::npos ? std::string::npos : c - at);
    if (c == std::string::npos) break;
    const std::size_t e = raw.find("-->", c + 4);
    at = e == std::string::npos ? raw.size() : e + 3;
  }
  const std::size_t end = text.size();
  std::size_t count = 0;
  for (std::size_t p = FindElement(text, "Polygon", false, 0, end); p != std::string::npos;) {
    const std::size_t pEnd = FindElement(text, "Polygon", true, p, end);
    const std::size_t stop = pEnd == std::string::npos ? end : pEnd;
    for (std::size_t c = FindElement(text, "coordinates", false, p, stop); c != std::string::npos;) {
      const std::size_t open = static_cast<std::size_t>(
          std::find(text.begin() + static_cast<std::ptrdiff_t>(c), text.begin() + static_cast<std::ptrdiff_t>(stop), '>') -
          text.begin());
      if (open >= stop) break;
      if (text[open - 1] == '/') {  // <coordinates/>: nothing in it
        c = FindElement(text, "coordinates", false, open + 1, stop);
        continue;
      }
      const std::size_t close = FindElement(text, "coordinates", true, open, stop);
      if (close == std::string::npos) break;
      std::string_view body(text.data() + open + 1, close - open - 1);
      std::size_t i = 0;
      while (i < body.size()) {
        while (i < body.size() && std::isspace(static_cast<unsigned char>(body[i]))) ++i;
        std::size_t j = i;
        while (j < body.size() && !std::isspace(static_cast<unsigned char>(body[j]))) ++j;
        if (j == i) break;
        const std::string_view tuple = body.substr(i, j - i);
        ++count;
        std::vector<std::string_view> parts;
        for (std::size_t k = 0;;) {
          const std::size_t comma = tuple.find(',', k);
          parts.push_back(tuple.substr(k, comma == std::string_view::npos ? std::string_view::npos : comma - k));
          if (comma == std::string_view::npos) break;
          k = comma + 1;
        }
        if (parts.size() < 2 || parts.size() > 3 || !IsXmlDecimal(parts[0]) || !IsXmlDecimal(parts[1])) {
          // At most 40 bytes of it, cut between two characters.
          std::size_t cut = std::min<std::size_t>(tuple.size(), 40);
          while (cut > 0 && cut < tuple.size() && (static_cast<unsigned char>(tuple[cut]) & 0xC0) == 0x80) --cut;
          Fail(file, Message(msg::kKmlBadCoordinate, {std::to_string(count), std::string(tuple.substr(0, cut))}));
        }
        i = j;
      }
      c = FindElement(text, "coordinates", false, close + 1, stop);
    }
    p = pEnd == std::string::npos ? std::string::npos : FindElement(text, "Polygon", false, pEnd + 1, end);
  }
}

}  // namespace

// A layer is a local file or folder, named as such: no GDAL virtual file
// system (/vsicurl/, /vsistdin/, …), no URL, nothing that is not a regular
// file or a folder (a FIFO would block the program).
void RequireLocalVectorFile(const std::string& file, const char* cannotRead) {
  int err = 0;
  MessageArg what;
  switch (CheckLocal(file, err)) {
    case LocalFault::kNone: return;
    case LocalFault::kVsi: what = Message(msg::kNoVsi); break;
    case LocalFault::kUrl: what = Message(msg::kNoUrl); break;
    case LocalFault::kSystem: what = ReasonArg(err); break;
    case LocalFault::kNotRegular: what = Message(msg::kNotRegularFile); break;
  }
  throw Error(Message(cannotRead, {file, std::move(what)}));
}

std::unique_ptr<OGRCoordinateTransformation> RealTransformation(const OGRSpatialReference& from,
                                                                const OGRSpatialReference& to, bool wgs84Too,
                                                                bool* viaWgs84) {
  OGRCoordinateTransformationOptions strict;
  strict.SetBallparkAllowed(false);
  CPLPushErrorHandler(CPLQuietErrorHandler);
  std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&from, &to, strict));
  const bool wgs84 = !t && wgs84Too;
  if (wgs84) {
    OGRSpatialReference geographic;
    geographic.importFromEPSG(4326);
    geographic.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    t.reset(OGRCreateCoordinateTransformation(&from, &geographic, strict));
  }
  CPLPopErrorHandler();
  CPLErrorReset();
  if (viaWgs84 != nullptr) *viaWgs84 = wgs84 && t;
  return t;
}

AreaFile ReadAreaFile(const std::string& file, const std::string& layerName, const std::string& where,
                      Datum datum) {
  EnsureGdal();
  RequireLocalFile(file);
  GdalFailures gdal;  // GDAL's reasons go into the error, not to the terminal
  std::unique_ptr<GDALDataset> ds(static_cast<GDALDataset*>(GDALOpenEx(
      file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, kAreaDrivers, nullptr, nullptr)));
  if (!ds) Fail(file, msg::kNotVectorFile, &gdal);
  if (std::strcmp(ds->GetDriverName(), "KML") == 0) CheckKmlCoordinates(file);
  OGRLayer* layer = layerName.empty() ? ds->GetLayer(0) : ds->GetLayerByName(layerName.c_str());
  if (!layer) Fail(file, layerName.empty() ? Message(msg::kNoLayers) : Message(msg::kAreaNoLayer, {layerName}));
  if (!where.empty()) {
    // The filter must be one OGR SQL expression, whole: a driver that hands
    // it to its own database could otherwise run only the part before a ';'.
    gdal.Clear();
    OGRFeatureQuery query;
    if (query.Compile(layer->GetLayerDefn(), where.c_str()) != OGRERR_NONE ||
        layer->SetAttributeFilter(where.c_str()) != OGRERR_NONE) {
      Fail(file, Message(msg::kAreaBadFilter, {where}), &gdal);
    }
  }

  const KnownSystem target = SystemOf(DatumInfoOf(datum));
  AreaFile out;
  OGRSpatialReference targetSrs;
  targetSrs.importFromEPSG(target.epsg);
  targetSrs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> transform;
  const OGRSpatialReference* source = layer->GetSpatialRef();
  if (!source) {
    AddNotice(out, Message(msg::kAreaNoSystem, {TextArg(target.name)}));
  } else {
    OGRSpatialReference from(*source);
    from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    KnownSystem own{};
    const bool known = KnownDatum(from, own);
    if (known && own.epsg != target.epsg && own.modern != target.modern) {
      // No official transformation between the two families: only the
      // file's projection is undone, onto its own longitude and latitude.
      AddNotice(out, Message(msg::kAreaNoOfficialTransformation, {TextArg(own.name), TextArg(target.name)}));
      if (from.IsProjected()) {
        std::unique_ptr<OGRSpatialReference> geographic(from.CloneGeogCS());
        geographic->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        transform.reset(OGRCreateCoordinateTransformation(&from, geographic.get()));
      }
    } else if (!from.IsSame(&targetSrs)) {
      // Where PROJ knows no real transformation (nor one to WGS 84, for
      // sheets on CGCS2000), only its "ballpark" that takes the coordinates
      // as they are, the area is used so and the user is told (an unnamed
      // Krasovsky datum, New Beijing; Xi'an 1980 on Beijing 1954 sheets),
      // but for WGS 84 and CGCS2000, which lie within a metre.
      transform = RealTransformation(from, targetSrs, target.modern);
      if (!transform) {
        transform.reset(OGRCreateCoordinateTransformation(&from, &targetSrs));
        if (!transform) Fail(file, Message(msg::kAreaCannotTransform, {TextArg(target.name)}));
        if (!(known && own.modern && target.modern)) {
          AddNotice(out, Message(msg::kAreaNoOfficialTransformation,
                                 {known ? TextArg(own.name) : MessageArg(std::string(from.GetName() ? from.GetName() : "?")),
                                  TextArg(target.name)}));
        }
      }
    }
  }

  gdal.Clear();
  for (auto& feature : *layer) {
    OGRGeometry* g = feature->GetGeometryRef();
    if (!g) continue;
    if (transform && g->transform(transform.get()) != OGRERR_NONE) Fail(file, msg::kTransformFailed, &gdal);
    AddGeometry(g, out);
  }
  if (gdal.Any()) Fail(file, msg::kReadError, &gdal);
  if (out.polygons == 0) Fail(file, msg::kNoPolygons);
  // The check the page makes of the polygons it reads, before any repair.
  if (Message problem = AreaRingProblem(out.area); !problem.Empty()) Fail(file, problem);
  SettleAreaFile(file, out);
  return out;
}

}  // namespace karvento
