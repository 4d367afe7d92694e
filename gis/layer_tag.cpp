// SPDX-License-Identifier: Apache-2.0
#include "gis/layer_tag.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

#include "export/safe_file.h"
#include "export/number_format.h"
#include "export/text_output.h"
#include "geodesy/angles.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/projection.h"
#include "gis/area_file.h"
#include "gis/coordinate_system.h"
#include "gis/gdal_session.h"
#include "gis/gpkg_index.h"
#include "numbering/area.h"
#include "numbering/error.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {

namespace {

constexpr double kEastLimitSec = 180 * 3600.0;
constexpr double kNorthLimitSec = 90 * 3600.0;

[[noreturn]] void FailRead(const std::string& file, MessageArg what) {
  const std::string& gdal = FirstGdalFailure();
  if (gdal.empty()) throw Error(Message(kTagCannotRead, {file, std::move(what)}));
  throw Error(Message(kTagCannotReadBecause, {file, std::move(what), TextArg(gdal)}));
}
[[noreturn]] void FailRead(const std::string& file, const char* what) { FailRead(file, Message(what)); }

// ---- The layer's coordinate system ------------------------------------------

// The datum of a system by its geographic part's EPSG code or its datum's
// name; wgs84 for WGS 84, which is taken as CGCS2000.
bool DatumOfSrs(const OGRSpatialReference& srs, Datum& datum, bool& wgs84) {
  const char* code = srs.GetAuthorityCode("GEOGCS");
  const char* name = srs.GetAttrValue("DATUM");
  const std::string c = code ? code : "";
  const std::string n = name ? name : "";
  wgs84 = false;
  if (c == "4326" || n == "WGS_1984") {
    wgs84 = true;
    datum = Datum::Cgcs2000;
    return true;
  }
  for (const DatumInfo& d : kDatums) {
    if (c == std::to_string(d.geographicEpsg) || n == d.wktDatum) {
      datum = d.datum;
      return true;
    }
  }
  return false;
}

// A Gauss-Krüger system: transverse Mercator, scale 1 on the central
// meridian, origin on the equator, false easting 500 km with or without a
// zone number in front, metres.
bool GaussKrugerOf(const OGRSpatialReference& srs, bool& zone3, double& cm, bool& prefixed) {
  if (!srs.IsProjected()) return false;
  const char* projection = srs.GetAttrValue("PROJECTION");
  if (!projection || std::string_view(projection) != SRS_PT_TRANSVERSE_MERCATOR) return false;
  if (srs.GetLinearUnits() != 1.0) return false;
  if (srs.GetProjParm(SRS_PP_SCALE_FACTOR, 1.0) != 1.0 || srs.GetProjParm(SRS_PP_LATITUDE_OF_ORIGIN) != 0 ||
      srs.GetProjParm(SRS_PP_FALSE_NORTHING) != 0) {
    return false;
  }
  cm = srs.GetProjParm(SRS_PP_CENTRAL_MERIDIAN);
  const double fe = srs.GetProjParm(SRS_PP_FALSE_EASTING);
  const double number = std::round((fe - 500000) / 1000000);
  if (!(cm > 0) || number < 0 || fe != 500000 + number * 1000000) return false;
  prefixed = number > 0;
  if (!prefixed) {
    zone3 = true;  // the width does not matter without a zone number
    return true;
  }
  if (ZoneNumber(true, cm) == number) {
    zone3 = true;
  } else if (ZoneNumber(false, cm) == number) {
    zone3 = false;
  } else {
    return false;
  }
  return true;
}

// Where the layer's coordinates come from and how they reach the sheets'
// longitude and latitude.
struct Reading {
  enum class Kind { Geographic, Plane, Proj } kind = Kind::Geographic;
  Datum layerDatum = Datum::Cgcs2000;
  Datum sheetDatum = Datum::Cgcs2000;
  bool zone3 = true;
  double cm = 0;
  bool prefixed = false;  // Plane from a system: eastings with the zone number
  bool guessPrefix = false;  // Plane without a system: each easting read as at --plane
  // Proj: the layer's system to its own geographic one.
  std::unique_ptr<OGRCoordinateTransformation> toGeographic;
  const TransformParams* transform = nullptr;
  bool inverse = false;

  // A vertex (x, y as the layer has it) to the sheets' longitude and
  // latitude in degrees; false where the projection or the transformation
  // finds no point.
  bool ToSheets(double x, double y, double& lon, double& lat) const {
    if (kind == Kind::Plane) {
      double easting = guessPrefix ? EastingWithZonePrefix(x, zone3, cm)
                                   : prefixed ? x : x + (FalseEasting(zone3, cm) - 500000);
      double northing = y;
      Datum on = layerDatum;
      if (transform != nullptr && transform->model == TransformModel::Plane4) {
        TPlanePoint p{easting, northing};
        if (!TransformPlanePoint(*transform, p, zone3, cm, inverse)) return false;
        easting = p.X;
        northing = p.Y;
        on = sheetDatum;
      }
      const TLonLatDMS g = PlaneToGeo(on, northing, easting, zone3, cm);
      if (std::isnan(g.Lon.Degrees)) return false;
      lon = DmsToDeg(g.Lon);
      lat = DmsToDeg(g.Lat);
      if (on == sheetDatum) return std::isfinite(lon) && std::isfinite(lat);
    } else if (kind == Kind::Proj) {
      double z = 0;
      int ok = 0;
      lon = x;
      lat = y;
      if (!toGeographic->Transform(1, &lon, &lat, &z, nullptr, &ok) || !ok) return false;
    } else {
      lon = x;
      lat = y;
    }
    if (transform != nullptr && transform->model != TransformModel::Plane4) {
      const GeodeticPoint g = TransformGeodetic(*transform, {lon, lat, 0}, inverse);
      lon = g.lon;
      lat = g.lat;
    }
    return std::isfinite(lon) && std::isfinite(lat);
  }
};

const DatumInfo& Info(Datum d) { return DatumInfoOf(d); }
// A datum as a message names it: by its Chinese name, which the catalogue
// gives in English where the message is shown in English.
MessageArg DatumName(Datum d) { return TextArg(Info(d).chineseName); }

// ---- Sheets of a geometry ---------------------------------------------------

struct Cell {
  long long column, row;
  double share;
};

// The walk's order: columns west to east, each north to south.
bool GridOrder(const Cell& a, const Cell& b) {
  return a.column != b.column ? a.column < b.column : a.row > b.row;
}

bool InDomainCell(long long column, long long row, ScaleIndex scale) {
  return column >= 0 && row >= 0 && static_cast<double>(column) * LonStepTable[scale] < kEastLimitSec &&
         static_cast<double>(row) * LatStepTable[scale] < kNorthLimitSec;
}

// A vertex within kOnGridLine of a grid line is on it (the edge rule of
// areas).
double Snap(double seconds, double step) {
  const double k = std::round(seconds / step);
  return std::abs(seconds - k * step) <= kOnGridLine ? k * step : seconds;
}

// A feature's vertices in the sheets' longitude and latitude, degrees, by
// the dimension of its parts.
struct Shape {
  std::vector<GeoPoint> points;
  std::vector<std::vector<GeoPoint>> lines;
  GeoMultiPolygon polygons;
  void clear() {
    points.clear();
    lines.clear();
    polygons.clear();
  }
  bool empty() const { return points.empty() && lines.empty() && polygons.empty(); }
};

class ShapeReader {
 public:
  explicit ShapeReader(const Reading& r) : r_(r) {}
  // False where a vertex cannot be brought to the sheets.
  bool Read(const OGRGeometry* g, Shape& out) {
    if (g == nullptr || g->IsEmpty()) return true;
    switch (wkbFlatten(g->getGeometryType())) {
      case wkbPoint: {
        const OGRPoint* p = g->toPoint();
        GeoPoint v;
        if (!r_.ToSheets(p->getX(), p->getY(), v.lon, v.lat)) return false;
        out.points.push_back(v);
        return true;
      }
      case wkbLineString:
      case wkbLinearRing: {
        out.lines.emplace_back();
        return Ring(g->toSimpleCurve(), out.lines.back());
      }
      case wkbPolygon: {
        const OGRPolygon* p = g->toPolygon();
        GeoPolygon poly;
        for (const OGRLinearRing* ring : *p) {
          poly.rings.emplace_back();
          if (!Ring(ring, poly.rings.back())) return false;
        }
        out.polygons.push_back(std::move(poly));
        return true;
      }
      case wkbMultiPoint:
      case wkbMultiLineString:
      case wkbMultiPolygon:
      case wkbGeometryCollection:
      case wkbMultiCurve:
      case wkbMultiSurface:
        for (const OGRGeometry* part : *g->toGeometryCollection()) {
          if (!Read(part, out)) return false;
        }
        return true;
      default: {
        // Curves, surfaces and the rest: their straight-line form.
        std::unique_ptr<OGRGeometry> linear(g->getLinearGeometry());
        if (!linear || wkbFlatten(linear->getGeometryType()) == wkbFlatten(g->getGeometryType())) return true;
        return Read(linear.get(), out);
      }
    }
  }

 private:
  bool Ring(const OGRSimpleCurve* c, std::vector<GeoPoint>& out) {
    const int n = c->getNumPoints();
    out.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      if (!r_.ToSheets(c->getX(i), c->getY(i), out[i].lon, out[i].lat)) return false;
    }
    return true;
  }
  const Reading& r_;
};

// The cells of the points, each with the share of the points in it.
void PointCells(const std::vector<GeoPoint>& points, ScaleIndex scale, std::vector<Cell>& out) {
  for (const GeoPoint& p : points) {
    const double x = p.lon * 3600, y = p.lat * 3600;
    if (!(x >= 0 && x < kEastLimitSec && y >= 0 && y < kNorthLimitSec)) continue;
    out.push_back({GridCellOf(x, LonStepTable[scale]), GridCellOf(y, LatStepTable[scale]), 1});
  }
}

// The cells that stretches of positive length of the lines lie in, each
// cell with its west and south edges, each with its length (east scaled by
// the cosine of the latitude).
void LineCells(const std::vector<std::vector<GeoPoint>>& lines, ScaleIndex scale, std::vector<Cell>& out) {
  const double w = LonStepTable[scale], h = LatStepTable[scale];
  std::vector<double> cuts;
  for (const auto& line : lines) {
    for (std::size_t i = 1; i < line.size(); ++i) {
      const double x0 = Snap(line[i - 1].lon * 3600, w), y0 = Snap(line[i - 1].lat * 3600, h);
      const double x1 = Snap(line[i].lon * 3600, w), y1 = Snap(line[i].lat * 3600, h);
      const double dx = x1 - x0, dy = y1 - y0;
      if (dx == 0 && dy == 0) continue;
      // Where the segment crosses grid lines, as fractions of it.
      cuts.assign({0.0, 1.0});
      const auto crossings = [&](double a, double b, double step) {
        if (a == b) return;
        const long long first = GridCellOf(std::min(a, b), step) + 1;
        const long long last = GridCellOf(std::max(a, b), step);
        for (long long k = first; k <= last; ++k) {
          const double t = (static_cast<double>(k) * step - a) / (b - a);
          if (t > 0 && t < 1) cuts.push_back(t);
        }
      };
      crossings(x0, x1, w);
      crossings(y0, y1, h);
      std::sort(cuts.begin(), cuts.end());
      for (std::size_t k = 1; k < cuts.size(); ++k) {
        const double ta = cuts[k - 1], tb = cuts[k];
        // A piece's middle lies inside one cell (or on its west or south
        // edge, when the segment runs along a grid line).
        const double tm = (ta + tb) / 2;
        const double xm = dx == 0 ? x0 : x0 + tm * dx, ym = dy == 0 ? y0 : y0 + tm * dy;
        const double east = (tb - ta) * dx * std::cos(ym / 3600 * (M_PI / 180)), north = (tb - ta) * dy;
        const double length = std::hypot(east, north);
        if (!(length > kOnGridLine)) continue;
        if (!(xm >= 0 && xm < kEastLimitSec && ym >= 0 && ym < kNorthLimitSec)) continue;
        out.push_back({GridCellOf(xm, w), GridCellOf(ym, h), length});
      }
    }
  }
}

// The cells whose interior meets the polygons', each with the area of the
// polygons in it (in units of the sheet's area).
bool PolygonCells(const GeoMultiPolygon& polygons, ScaleIndex scale, std::vector<Cell>& out) {
  double west = 0, south = 0, east = 0, north = 0;
  if (!AreaBounds(polygons, west, south, east, north)) return false;
  const double w = LonStepTable[scale], h = LatStepTable[scale];
  const long long c0 = GridCellOf(Snap(west * 3600, w), w), c1 = GridCellOf(Snap(east * 3600, w), w);
  const long long r0 = GridCellOf(Snap(south * 3600, h), h), r1 = GridCellOf(Snap(north * 3600, h), h);
  SheetFrame frame;
  frame.west = static_cast<double>(c0) * w;
  frame.north = static_cast<double>(r1 + 1) * h;
  frame.width = w;
  frame.height = h;
  frame.columns = c1 - c0 + 1;
  frame.rows = r1 - r0 + 1;
  const SheetSelection selection(polygons, frame);
  const std::size_t before = out.size();
  for (std::int64_t c = 0; c < frame.columns; ++c) {
    for (std::int64_t r = 0; r < frame.rows; ++r) {
      if (!selection.Selected(c, r)) continue;
      const long long column = c0 + c, row = r1 - r;
      if (!InDomainCell(column, row, scale)) continue;
      out.push_back({column, row, selection.Cover(c, r)});
    }
  }
  return out.size() > before;
}

// The cells of a shape at a scale in grid order, each once, its share the
// fraction of the feature (of its area, else its length, else its points)
// in it.
void CellsOf(const Shape& shape, ScaleIndex scale, std::vector<Cell>& cells) {
  cells.clear();
  // The sheets that only a collection's lines or points beside its polygons
  // (or its points beside its lines) lie in: the feature meets them, with
  // no share of its area (length).
  std::vector<Cell> lower;
  if (!shape.polygons.empty() && PolygonCells(shape.polygons, scale, cells)) {
    if (!shape.lines.empty()) LineCells(shape.lines, scale, lower);
    if (!shape.points.empty()) PointCells(shape.points, scale, lower);
  } else {
    cells.clear();
    std::vector<std::vector<GeoPoint>> lines = shape.lines;
    // Polygons of no area count as their boundaries.
    for (const GeoPolygon& p : shape.polygons) {
      for (const GeoRing& ring : p.rings) lines.push_back(ring);
    }
    LineCells(lines, scale, cells);
    if (cells.empty()) {
      std::vector<GeoPoint> points = shape.points;
      // A line shorter than the edge tolerance is its first vertex.
      for (const auto& line : lines) {
        if (!line.empty()) points.push_back(line.front());
      }
      PointCells(points, scale, cells);
    } else if (!shape.points.empty()) {
      PointCells(shape.points, scale, lower);
    }
  }
  for (Cell& c : lower) {
    c.share = 0;
    cells.push_back(c);
  }
  std::sort(cells.begin(), cells.end(), GridOrder);
  std::size_t n = 0;
  double total = 0;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    total += cells[i].share;
    if (n > 0 && cells[n - 1].column == cells[i].column && cells[n - 1].row == cells[i].row) {
      cells[n - 1].share += cells[i].share;
    } else {
      cells[n++] = cells[i];
    }
  }
  cells.resize(n);
  for (Cell& c : cells) c.share = total > 0 ? c.share / total : 0;
}

// ---- Output -----------------------------------------------------------------

const char* DriverOf(TagFormat f) {
  switch (f) {
    case TagFormat::Shapefile: return "ESRI Shapefile";
    case TagFormat::GeoPackage: return "GPKG";
    case TagFormat::GeoJson: return "GeoJSON";
    case TagFormat::Csv: return "CSV";
    case TagFormat::Kml: return "KML";
    case TagFormat::Mif: return "MapInfo File";
  }
  return "GPKG";
}

const char* WhatOf(TagFormat f) {
  switch (f) {
    case TagFormat::Shapefile: return "Shapefile";
    case TagFormat::GeoPackage: return "GeoPackage";
    case TagFormat::GeoJson: return "GeoJSON";
    case TagFormat::Csv: return "CSV";
    case TagFormat::Kml: return "KML";
    case TagFormat::Mif: return "MIF";
  }
  return "GeoPackage";
}

// A share to six decimals, in the general form (0.5, 0.123457, 1).
std::string ShareText(double share) { return GeneralText(std::round(share * 1e6) / 1e6); }

struct ScaleFields {
  ScaleIndex scale;
  int fresh = -1, old = -1, cover = -1;  // field indices in the output, -1: none
};

}  // namespace

TagFieldNames TagFields(ScaleIndex scale, TagFormat format, bool asciiNames) {
  const std::string denominator = std::to_string(kScaleDenominators[scale]);
  if (format == TagFormat::Shapefile) return {"S_" + denominator, "O_" + denominator, "C_" + denominator};
  if (asciiNames) return {"sheet_" + denominator, "old_" + denominator, "cover_" + denominator};
  // 1:1万 → 图幅号_1万.
  const std::string caption = std::string(kScaleCaptions[scale]).substr(2);
  return {"图幅号_" + caption, "旧图幅号_" + caption, "覆盖_" + caption};
}

LayerTagResult TagLayer(const LayerTagRequest& q, const std::function<bool(std::uint64_t)>& progress) {
  if (q.scales.empty()) throw Error(Message(kTagNoScale));
  if (!q.newStandard && !q.oldStandard) throw Error(Message(kTagNoStandard));
  if (q.oldStandard && !q.newStandard) {
    for (const ScaleIndex s : q.scales) {
      if (!HasOldStandard(s)) throw Error(OldStandardLacksScaleMessage(s, false));
    }
  }
  EnsureGdal();
  RequireLocalVectorFile(q.input, kTagCannotRead);
  QuietGdal quiet;
  // A CSV of points names its coordinate columns: longitude and latitude,
  // or the easting and northing (X the easting, as everywhere in this
  // program). Every column stays an attribute.
  TagFormat inputFormat = TagFormat::GeoPackage;
  const bool csv = TagFormatOfName(q.input, inputFormat) && inputFormat == TagFormat::Csv;
  const char* const csvOptions[] = {
      "X_POSSIBLE_NAMES=lon,long,longitude,经度,x,east,easting,东坐标,东",
      "Y_POSSIBLE_NAMES=lat,latitude,纬度,y,north,northing,北坐标,北", "KEEP_GEOM_COLUMNS=YES", nullptr};
  const std::unique_ptr<GDALDataset> in(static_cast<GDALDataset*>(
      GDALOpenEx(q.input.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, kLocalVectorDrivers,
                 csv ? csvOptions : nullptr, nullptr)));
  if (!in) FailRead(q.input, msg::kNotVectorFile);
  OGRLayer* layer = q.layer.empty() ? in->GetLayer(0) : in->GetLayerByName(q.layer.c_str());
  if (layer == nullptr) FailRead(q.input, q.layer.empty() ? Message(msg::kNoLayers) : Message(msg::kAreaNoLayer, {q.layer}));

  LayerTagResult result;
  Reading reading;
  const OGRSpatialReference* source = layer->GetSpatialRef();
  // The layer's datum, and what its coordinates are.
  OGREnvelope extent;
  const bool haveExtent = layer->GetExtent(&extent, TRUE) == OGRERR_NONE;
  Datum layerDatum = q.sheetDatum.value_or(Datum::Cgcs2000);
  std::unique_ptr<OGRSpatialReference> assumed;  // the output's system for a layer without one
  if (source == nullptr) {
    const bool geographic = !haveExtent || (extent.MinX >= -180 && extent.MaxX <= 180 &&
                                            extent.MinY >= -90 && extent.MaxY <= 90);
    if (!q.sheetDatum) FailRead(q.input, kTagNeedsDatum);
    if (q.transform) {
      // Without a system the layer is on the transformation's other datum.
      layerDatum = q.transform->source == *q.sheetDatum ? q.transform->target : q.transform->source;
    }
    if (geographic && !(q.cm > 0)) {
      reading.kind = Reading::Kind::Geographic;
      result.notices.push_back(Message(kTagNoSystemGeographic, {DatumName(layerDatum)}));
      const GisCrs crs = GeographicCrs(layerDatum);
      assumed = std::make_unique<OGRSpatialReference>(crs.wkt.c_str());
    } else {
      const double cm = q.cm > 0 ? q.cm : q.defaultCm;
      if (!(cm > 0)) FailRead(q.input, kTagNeedsZone);
      reading.kind = Reading::Kind::Plane;
      reading.zone3 = q.zone3;
      reading.cm = cm;
      reading.guessPrefix = true;
      result.notices.push_back(Message(kTagNoSystemPlane, {DatumName(layerDatum), q.zone3 ? "3" : "6", GeneralText(cm)}));
      const bool prefixed = haveExtent && extent.MinX >= 1000000;
      const GisCrs crs = PlaneCrs(cm, cm,
                                  TPlaneSystem{layerDatum, q.zone3, cm,
                                               prefixed ? 0 : FalseEasting(q.zone3, cm) - 500000, 0});
      assumed = std::make_unique<OGRSpatialReference>(crs.wkt.c_str());
    }
  } else {
    OGRSpatialReference from(*source);
    from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    bool wgs84 = false;
    if (!DatumOfSrs(from, layerDatum, wgs84)) {
      // Another datum altogether: PROJ takes it to CGCS2000 where it knows how.
      if (q.transform) FailRead(q.input, kTagTransformNotForLayer);
      layerDatum = q.sheetDatum.value_or(Datum::Cgcs2000);
      OGRSpatialReference target(GeographicCrs(layerDatum).wkt.c_str());
      target.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
      reading.kind = Reading::Kind::Proj;
      const char* const systemName = from.GetName() ? from.GetName() : "?";
      // A real transformation, not PROJ's "ballpark" that takes the
      // coordinates as they are (one to WGS 84 where there is none to the
      // sheets' system): a Krasovsky or IAU 1976 system without its
      // datum's name (a Beijing 1954 file written by a tool that dropped it,
      // New Beijing) lies up to about 100 m from CGCS2000. Only a geocentric
      // system (on GRS 80 or WGS 84: an ITRF, ETRS89) is used so, against
      // sheets on CGCS2000, a few metres from them at most.
      // Sheets on Beijing 1954 or Xi'an 1980: no other datum has an official
      // transformation to them. PROJ knows many systems' way to WGS 84 only
      // (Hong Kong 1980, Tokyo), and WGS 84 is taken as CGCS2000, as for a
      // layer on it.
      bool viaWgs84 = false;
      if (Info(layerDatum).nearWgs84) reading.toGeographic = RealTransformation(from, target, true, &viaWgs84);
      if (reading.toGeographic) {
        result.notices.push_back(Message(viaWgs84 ? kTagThroughWgs84 : kTagThroughProj, {systemName, DatumName(layerDatum)}));
      } else {
        OGRErr err = OGRERR_NONE;
        const bool geocentric = std::abs(from.GetSemiMajor(&err) - 6378137.0) < 0.5 &&
                                std::abs(from.GetInvFlattening(&err) - 298.2572) < 0.001 && err == OGRERR_NONE;
        if (!geocentric || !Info(layerDatum).nearWgs84) {
          FailRead(q.input, Message(kTagNoTransformation, {systemName, DatumName(layerDatum)}));
        }
        reading.toGeographic.reset(OGRCreateCoordinateTransformation(&from, &target));
        if (!reading.toGeographic) FailRead(q.input, Message(msg::kAreaCannotTransform, {DatumName(layerDatum)}));
        result.notices.push_back(Message(kTagGeocentricAsIs, {systemName, DatumName(layerDatum)}));
      }
    } else {
      if (wgs84 && q.sheetDatum.value_or(Datum::Cgcs2000) == Datum::Cgcs2000) {
        result.notices.push_back(Message(kTagWgs84));
      }
      bool zone3 = true, prefixed = false;
      double cm = 0;
      if (!wgs84 && GaussKrugerOf(from, zone3, cm, prefixed)) {
        if (q.cm > 0 && q.cm != cm) {
          FailRead(q.input, Message(kTagCmContradicts, {GeneralText(q.cm), GeneralText(cm)}));
        }
        reading.kind = Reading::Kind::Plane;
        reading.zone3 = zone3;
        reading.cm = cm;
        reading.prefixed = prefixed;
      } else if (from.IsGeographic() && std::abs(from.GetAngularUnits(nullptr) - M_PI / 180) < 1e-15) {
        reading.kind = Reading::Kind::Geographic;
      } else {
        std::unique_ptr<OGRSpatialReference> geographic(from.CloneGeogCS());
        geographic->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        reading.kind = Reading::Kind::Proj;
        reading.toGeographic.reset(OGRCreateCoordinateTransformation(&from, geographic.get()));
        if (!reading.toGeographic) FailRead(q.input, kTagCannotUnproject);
      }
    }
  }
  const Datum sheetDatum = q.sheetDatum.value_or(layerDatum);
  reading.layerDatum = layerDatum;
  reading.sheetDatum = sheetDatum;
  if (q.transform) {
    const TransformParams& t = *q.transform;
    if (t.source == layerDatum && t.target == sheetDatum) {
      reading.inverse = false;
    } else if (t.target == layerDatum && t.source == sheetDatum) {
      reading.inverse = true;
    } else {
      throw Error(Message(kTagParamsMismatch, {DatumName(t.source), DatumName(t.target), DatumName(layerDatum), DatumName(sheetDatum)}));
    }
    if (t.model == TransformModel::Plane4) {
      if (reading.kind != Reading::Kind::Plane) throw Error(Message(kTagPlane4NeedsPlane));
      if (t.zone3 != reading.zone3 && reading.prefixed) throw Error(Message(kTagPlane4Zone));
      if (t.cm != reading.cm) throw Error(Message(kTagPlane4Meridian));
    }
    reading.transform = &t;
    result.notices.push_back(Message(reading.inverse ? kTagTransformedInverse : kTagTransformed, {DescribeTransform(t)}));
  } else if (layerDatum != sheetDatum && !(Info(layerDatum).nearWgs84 && Info(sheetDatum).nearWgs84)) {
    throw Error(Message(kTagOtherDatumMessage, {DatumName(layerDatum), DatumName(sheetDatum)}));
  }
  if (q.format == TagFormat::Kml && !Info(layerDatum).nearWgs84) {
    throw Error(Message(kTagKmlLegacy, {DatumName(layerDatum)}));
  }

  // The scales, finest last: --explode writes a row per sheet of the
  // finest.
  std::vector<ScaleIndex> scales = q.scales;
  std::sort(scales.begin(), scales.end());
  scales.erase(std::unique(scales.begin(), scales.end()), scales.end());
  const ScaleIndex finest = scales.back();

  // The output, through the safe writer.
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(DriverOf(q.format));
  if (driver == nullptr) throw Error(FileWriteError(q.output, Message(kTagNoDriver, {DriverOf(q.format)})));
  SafeFileSet files(q.output,
                    q.format == TagFormat::Shapefile
                        ? std::vector<std::string>{".shx", ".dbf", ".prj", ".cpg", ".qix", ".sbn", ".sbx"}
                    : q.format == TagFormat::Mif ? std::vector<std::string>{".mid"}
                                                 : std::vector<std::string>{},
                    false, WhatOf(q.format));
  std::vector<const char*> datasetOptions, layerOptions;
  if (q.format == TagFormat::Mif) datasetOptions.push_back("FORMAT=MIF");
  if (q.format == TagFormat::Shapefile) layerOptions.push_back("ENCODING=UTF-8");
  if (q.format == TagFormat::Mif) layerOptions.push_back("ENCODING=CP936");
  // A GeoPackage's R-tree is written packed once the rows are in.
  const bool geopackage = q.format == TagFormat::GeoPackage;
  if (geopackage) layerOptions.push_back("SPATIAL_INDEX=NO");
  if (q.format == TagFormat::Csv) {
    // A table of points read from a CSV keeps its coordinate columns: they
    // are its geometry. Other layers get theirs as X, Y or as WKT.
    const OGRwkbGeometryType type = wkbFlatten(layer->GetGeomType());
    if (!csv) layerOptions.push_back(type == wkbPoint ? "GEOMETRY=AS_XY" : "GEOMETRY=AS_WKT");
    layerOptions.push_back("WRITE_BOM=YES");
    layerOptions.push_back("LINEFORMAT=CRLF");
  }
  datasetOptions.push_back(nullptr);
  layerOptions.push_back(nullptr);
  LayerTagResult out = std::move(result);
  {
    std::unique_ptr<GDALDataset> ds(driver->Create(files.staged().c_str(), 0, 0, 0, GDT_Unknown,
                                                   const_cast<char**>(datasetOptions.data())));
    if (!ds) throw Error(FileWriteError(q.output, FirstGdalFailure()));
    const OGRSpatialReference* srs = source != nullptr ? source : assumed.get();
    const std::string name = layer->GetName();
    OGRLayer* dst = ds->CreateLayer(name.c_str(), const_cast<OGRSpatialReference*>(srs), layer->GetGeomType(),
                                    const_cast<char**>(layerOptions.data()));
    if (dst == nullptr) throw Error(FileWriteError(q.output, FirstGdalFailure()));
    // The number fields, text (a cover field of --explode a number). A field
    // of the input with the same name (a layer tagged before, whatever its
    // type or width) is written over: it takes the number field's place.
    const bool shapefile = q.format == TagFormat::Shapefile;
    std::vector<std::unique_ptr<OGRFieldDefn>> numberFields;
    const auto wanted = [&](const std::string& fieldName, bool text) {
      auto f = std::make_unique<OGRFieldDefn>(fieldName.c_str(), text || !q.explode ? OFTString : OFTReal);
      if (shapefile && (text || !q.explode)) f->SetWidth(254);
      numberFields.push_back(std::move(f));
    };
    for (const ScaleIndex s : scales) {
      const TagFieldNames names = TagFields(s, q.format, q.asciiNames);
      if (q.newStandard) wanted(names.fresh, true);
      if (q.oldStandard && HasOldStandard(s)) wanted(names.old, true);
      if (q.cover && (!q.explode || s == finest)) wanted(names.cover, false);
    }
    const auto numberField = [&](const char* fieldName) -> OGRFieldDefn* {
      for (const std::unique_ptr<OGRFieldDefn>& f : numberFields) {
        if (EQUAL(f->GetNameRef(), fieldName)) return f.get();
      }
      return nullptr;
    };
    OGRFeatureDefn* defn = layer->GetLayerDefn();
    for (int i = 0; i < defn->GetFieldCount(); ++i) {
      OGRFieldDefn* own = numberField(defn->GetFieldDefn(i)->GetNameRef());
      if (dst->CreateField(own != nullptr ? own : defn->GetFieldDefn(i)) != OGRERR_NONE) {
        throw Error(FileWriteError(q.output, FirstGdalFailure()));
      }
    }
    const auto field = [&](const std::string& fieldName) {
      const int existing = dst->GetLayerDefn()->GetFieldIndex(fieldName.c_str());
      if (existing >= 0) return existing;
      if (dst->CreateField(numberField(fieldName.c_str())) != OGRERR_NONE) {
        throw Error(FileWriteError(q.output, FirstGdalFailure()));
      }
      return dst->GetLayerDefn()->GetFieldIndex(fieldName.c_str());
    };
    std::vector<ScaleFields> fields;
    for (const ScaleIndex s : scales) {
      const TagFieldNames names = TagFields(s, q.format, q.asciiNames);
      ScaleFields f{s};
      if (q.newStandard) f.fresh = field(names.fresh);
      if (q.oldStandard && HasOldStandard(s)) f.old = field(names.old);
      if (q.cover && (!q.explode || s == finest)) f.cover = field(names.cover);
      fields.push_back(f);
    }
    if (shapefile) {
      out.notices.push_back(Message(kTagShapefileNames));
    }

    GpkgBulkIndex rtree;
    if (geopackage) {
      if (const std::string why = rtree.Begin(GDALDataset::ToHandle(ds.get()), OGRLayer::ToHandle(dst)); !why.empty()) {
        throw Error(FileWriteError(q.output, why));
      }
    }
    const bool transaction = ds->TestCapability(ODsCTransactions) && ds->StartTransaction() == OGRERR_NONE;
    std::uint64_t inTransaction = 0;
    ShapeReader reader(reading);
    Shape shape;
    std::vector<std::vector<Cell>> cells(scales.size());
    std::string joined;
    layer->ResetReading();
    std::unique_ptr<OGRFeature> copy(OGRFeature::CreateFeature(dst->GetLayerDefn()));
    // The input's fields are the output's first ones, in order: the map of
    // SetFrom, made once rather than per feature.
    std::vector<int> fieldMap(static_cast<std::size_t>(defn->GetFieldCount()));
    for (std::size_t i = 0; i < fieldMap.size(); ++i) fieldMap[i] = static_cast<int>(i);
    for (std::unique_ptr<OGRFeature> f(layer->GetNextFeature()); f; f.reset(layer->GetNextFeature())) {
      if (!FirstGdalFailure().empty()) FailRead(q.input, msg::kReadError);
      ++out.features;
      if (progress && out.features % 4096 == 0 && !progress(out.features)) throw Error(kExportCancelled);
      shape.clear();
      const OGRGeometry* g = f->GetGeometryRef();
      if (!reader.Read(g, shape)) {
        FailRead(q.input, Message(kTagFeatureBeyond, {std::to_string(f->GetFID())}));
      }
      bool any = false;
      for (std::size_t k = 0; k < scales.size(); ++k) {
        CellsOf(shape, scales[k], cells[k]);
        any = any || !cells[k].empty();
      }
      if (shape.empty()) {
        ++out.empty;
      } else if (!any) {
        ++out.outside;
      }
      copy->SetFrom(f.get(), fieldMap.data(), TRUE);
      const auto write = [&]() {
        // Rows are numbered afresh: an exploded feature is several rows.
        copy->SetFID(OGRNullFID);
        // A writer may refuse a feature by an error alone (KML, an
        // infinite latitude), the call itself succeeding.
        if (dst->CreateFeature(copy.get()) != OGRERR_NONE || !FirstGdalFailure().empty()) {
          throw Error(FileWriteError(q.output, FirstGdalFailure()));
        }
        if (rtree.Active() && g != nullptr && !g->IsEmpty()) {
          OGREnvelope e;
          g->getEnvelope(&e);
          rtree.Add(copy->GetFID(), e.MinX, e.MaxX, e.MinY, e.MaxY);
        }
        ++out.rows;
        if (transaction && ++inTransaction == 100000) {
          if (ds->CommitTransaction() != OGRERR_NONE || ds->StartTransaction() != OGRERR_NONE) {
            throw Error(FileWriteError(q.output, FirstGdalFailure()));
          }
          inTransaction = 0;
        }
      };
      if (!q.explode || cells.back().empty()) {
        for (std::size_t k = 0; k < scales.size(); ++k) {
          const ScaleFields& sf = fields[k];
          for (const int standard : {0, 1}) {
            const int index = standard == 0 ? sf.fresh : sf.old;
            if (index < 0) continue;
            joined.clear();
            for (const Cell& c : cells[k]) {
              if (!joined.empty()) joined += ';';
              joined += SheetNumberOfCell(c.column, c.row, sf.scale, standard == 0);
            }
            if (shapefile && joined.size() > 254) {
              throw Error(Message(kTagShapefileFieldMessage,
                                  {std::to_string(f->GetFID()), std::string(kScaleCaptions[sf.scale]),
                                   std::to_string(cells[k].size()), std::to_string(joined.size())}));
            }
            if (cells[k].empty()) {
              copy->SetFieldNull(index);
            } else {
              copy->SetField(index, joined.c_str());
            }
          }
          if (sf.cover >= 0) {
            joined.clear();
            for (const Cell& c : cells[k]) joined += (joined.empty() ? "" : ";") + ShareText(c.share);
            if (cells[k].empty()) {
              copy->SetFieldNull(sf.cover);
            } else if (q.explode) {
              copy->SetField(sf.cover, 1.0);
            } else {
              copy->SetField(sf.cover, joined.c_str());
            }
          }
        }
        write();
        continue;
      }
      // A row per sheet of the finest scale; the coarser scales' fields hold
      // the sheets that contain it (the grids nest).
      for (const Cell& c : cells.back()) {
        const double lon = (static_cast<double>(c.column) + 0.5) * LonStepTable[finest];
        const double lat = (static_cast<double>(c.row) + 0.5) * LatStepTable[finest];
        for (const ScaleFields& sf : fields) {
          const long long column = GridCellOf(lon, LonStepTable[sf.scale]);
          const long long row = GridCellOf(lat, LatStepTable[sf.scale]);
          if (sf.fresh >= 0) copy->SetField(sf.fresh, SheetNumberOfCell(column, row, sf.scale, true).c_str());
          if (sf.old >= 0) copy->SetField(sf.old, SheetNumberOfCell(column, row, sf.scale, false).c_str());
          if (sf.cover >= 0) copy->SetField(sf.cover, std::round(c.share * 1e6) / 1e6);
        }
        write();
      }
    }
    // An error past the last feature is the reading's.
    if (!FirstGdalFailure().empty()) FailRead(q.input, msg::kReadError);
    if (transaction && ds->CommitTransaction() != OGRERR_NONE) throw Error(FileWriteError(q.output, FirstGdalFailure()));
    ds->FlushCache();
    ds.reset();
    if (!FirstGdalFailure().empty()) throw Error(FileWriteError(q.output, FirstGdalFailure()));
    if (const std::string why = rtree.Finish(files.staged()); !why.empty()) throw Error(FileWriteError(q.output, why));
  }
  files.Commit();
  if (out.outside > 0) {
    out.notices.push_back(Message(kTagOutsideCount, {std::to_string(out.outside)}));
  }
  if (out.empty > 0) out.notices.push_back(Message(kTagEmptyCount, {std::to_string(out.empty)}));
  return out;
}

}  // namespace karvento
