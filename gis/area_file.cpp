#include "gis/area_file.h"

#include <cpl_error.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <memory>

#include "gis/gdal_session.h"
#include "numbering/error.h"

namespace karvento {

namespace {

struct DatumInfo {
  int epsg;          // its geographic coordinate system
  const char* name;  // as the notice names it
  bool modern;       // CGCS2000 and WGS 84 against the two legacy datums
};

DatumInfo InfoOf(Datum d) {
  switch (d) {
    case Datum::Beijing54:
      return {4214, "Beijing 1954", false};
    case Datum::Xian80:
      return {4610, "Xi'an 1980", false};
    case Datum::Cgcs2000:
      return {4490, "CGCS2000", true};
  }
  return {4214, "Beijing 1954", false};
}

// The datum of a file's coordinate system by its geographic part's EPSG
// code, where it is one the notice can name.
bool KnownDatum(const OGRSpatialReference& srs, DatumInfo& out) {
  const char* code = srs.GetAuthorityCode("GEOGCS");
  const char* name = srs.GetAttrValue("DATUM");
  const std::string c = code ? code : "";
  const std::string n = name ? name : "";
  if (c == "4326" || n == "WGS_1984") return out = {4326, "WGS 84", true}, true;
  if (c == "4490" || n == "China_2000") return out = {4490, "CGCS2000", true}, true;
  if (c == "4214" || n == "Beijing_1954") return out = {4214, "Beijing 1954", false}, true;
  if (c == "4610" || n == "Xian_1980") return out = {4610, "Xi'an 1980", false}, true;
  return false;
}

[[noreturn]] void Fail(const std::string& file, const std::string& what) {
  const char* reason = CPLGetLastErrorMsg();
  throw Error("无法读取范围文件 " + file + "：" + what +
              (reason && *reason ? std::string("（") + reason + "）" : std::string()));
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

}  // namespace

AreaFile ReadAreaFile(const std::string& file, const std::string& layerName, const std::string& where,
                      Datum datum) {
  EnsureGdal();
  CPLErrorReset();
  std::unique_ptr<GDALDataset> ds(static_cast<GDALDataset*>(
      GDALOpenEx(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr)));
  if (!ds) Fail(file, "不是 GDAL 能读的矢量文件");
  OGRLayer* layer = layerName.empty() ? ds->GetLayer(0) : ds->GetLayerByName(layerName.c_str());
  if (!layer) Fail(file, layerName.empty() ? "没有图层" : "没有图层 " + layerName);
  if (!where.empty() && layer->SetAttributeFilter(where.c_str()) != OGRERR_NONE) {
    Fail(file, "筛选条件无效：" + where);
  }

  const DatumInfo target = InfoOf(datum);
  AreaFile out;
  OGRSpatialReference targetSrs;
  targetSrs.importFromEPSG(target.epsg);
  targetSrs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> transform;
  const OGRSpatialReference* source = layer->GetSpatialRef();
  if (!source) {
    out.notice = std::string("范围文件没有坐标系：其坐标按 ") + target.name + " 的经纬度使用。";
  } else {
    OGRSpatialReference from(*source);
    from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    DatumInfo own{};
    const bool known = KnownDatum(from, own);
    if (known && own.epsg != target.epsg && own.modern != target.modern) {
      // No official transformation between the two families: only the
      // file's projection is undone, onto its own longitude and latitude.
      out.notice = std::string("范围文件的坐标系 ") + own.name + " 与图幅的坐标系 " + target.name +
                   " 之间没有官方转换，经纬度按原值使用（边缘的图幅可能不同）。";
      if (from.IsProjected()) {
        std::unique_ptr<OGRSpatialReference> geographic(from.CloneGeogCS());
        geographic->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        transform.reset(OGRCreateCoordinateTransformation(&from, geographic.get()));
      }
    } else if (!from.IsSame(&targetSrs)) {
      transform.reset(OGRCreateCoordinateTransformation(&from, &targetSrs));
      if (!transform) Fail(file, "无法换算到 " + std::string(target.name) + " 的经纬度");
    }
  }

  for (auto& feature : *layer) {
    OGRGeometry* g = feature->GetGeometryRef();
    if (!g) continue;
    if (transform && g->transform(transform.get()) != OGRERR_NONE) Fail(file, "坐标换算失败");
    AddGeometry(g, out);
  }
  if (CPLGetLastErrorType() == CE_Failure) Fail(file, "读取出错");
  if (out.polygons == 0) Fail(file, "没有多边形");
  return out;
}

}  // namespace karvento
