// SPDX-License-Identifier: Apache-2.0
#include "read_back.h"

#include <cpl_conv.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>

#include <memory>

namespace karvento::testing {

std::vector<std::string> ReadLayer::Column(const std::string& name) const {
  std::vector<std::string> values;
  for (std::size_t k = 0; k < fieldNames.size(); ++k) {
    if (fieldNames[k] != name) continue;
    for (const ReadFeature& f : features) values.push_back(f.fields[k]);
  }
  return values;
}

ReadLayer ReadBack(const std::string& file) {
  GDALAllRegister();
  ReadLayer r;
  GDALDatasetH ds = GDALOpenEx(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr,
                               nullptr);
  if (ds == nullptr) return r;
  r.opened = true;
  r.driver = GDALGetDriverShortName(GDALGetDatasetDriver(ds));
  r.layers = GDALDatasetGetLayerCount(ds);
  OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
  r.layerName = OGR_L_GetName(layer);
  OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
  for (int k = 0; k < OGR_FD_GetFieldCount(defn); ++k) {
    r.fieldNames.emplace_back(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(defn, k)));
    r.fieldWidths.push_back(OGR_Fld_GetWidth(OGR_FD_GetFieldDefn(defn, k)));
  }
  if (OGRSpatialReferenceH srs = OGR_L_GetSpatialRef(layer)) {
    r.hasSrs = true;
    r.srsName = OSRGetName(srs) ? OSRGetName(srs) : "";
    OGRSpatialReferenceH copy = OSRClone(srs);
    // What a GIS program does with a file's system: find the EPSG entry it is.
    const char* target = OSRIsProjected(copy) ? "PROJCS" : "GEOGCS";
    if (OSRGetAuthorityCode(copy, target) == nullptr) OSRAutoIdentifyEPSG(copy);
    if (const char* code = OSRGetAuthorityCode(copy, target)) r.epsg = std::atoi(code);
    if (r.epsg == 0) {
      int count = 0;
      int* confidence = nullptr;
      OGRSpatialReferenceH* matches = OSRFindMatches(copy, nullptr, &count, &confidence);
      if (count > 0 && confidence[0] >= 90) {
        if (const char* code = OSRGetAuthorityCode(matches[0], nullptr)) r.epsg = std::atoi(code);
      }
      OSRFreeSRSArray(matches);
      CPLFree(confidence);
    }
    char* wkt = nullptr;
    OSRExportToWkt(srs, &wkt);
    r.wkt = wkt ? wkt : "";
    CPLFree(wkt);
    if (OSRIsProjected(srs)) {
      r.centralMeridian = OSRGetProjParm(srs, SRS_PP_CENTRAL_MERIDIAN, 0, nullptr);
      r.falseEasting = OSRGetProjParm(srs, SRS_PP_FALSE_EASTING, 0, nullptr);
      r.falseNorthing = OSRGetProjParm(srs, SRS_PP_FALSE_NORTHING, 0, nullptr);
    }
    OSRDestroySpatialReference(copy);
  }
  OGRFeatureH f;
  while ((f = OGR_L_GetNextFeature(layer)) != nullptr) {
    ReadFeature rf;
    for (int k = 0; k < OGR_F_GetFieldCount(f); ++k) rf.fields.emplace_back(OGR_F_GetFieldAsString(f, k));
    if (const char* style = OGR_F_GetStyleString(f)) rf.style = style;
    if (OGRGeometryH g = OGR_F_GetGeometryRef(f)) {
      rf.geometryType = OGR_G_GetGeometryName(g);
      OGRGeometryH points = OGR_G_GetGeometryCount(g) > 0 ? OGR_G_GetGeometryRef(g, 0) : g;
      for (int k = 0; k < OGR_G_GetPointCount(points); ++k) {
        rf.points.emplace_back(OGR_G_GetX(points, k), OGR_G_GetY(points, k));
      }
    }
    r.features.push_back(std::move(rf));
    OGR_F_Destroy(f);
  }
  if (r.driver == "GPKG") {
    OGRLayerH sql = GDALDatasetExecuteSQL(
        ds, "SELECT COUNT(*) FROM gpkg_extensions WHERE extension_name = 'gpkg_rtree_index'",
        nullptr, nullptr);
    if (sql != nullptr) {
      if (OGRFeatureH row = OGR_L_GetNextFeature(sql)) {
        r.spatialIndex = OGR_F_GetFieldAsInteger(row, 0) > 0;
        OGR_F_Destroy(row);
      }
      GDALDatasetReleaseResultSet(ds, sql);
    }
  }
  GDALClose(ds);
  return r;
}

std::vector<std::pair<double, double>> ToGeographic(const std::string& wkt, int geographic,
                                                    const std::vector<std::pair<double, double>>& xy) {
  OGRSpatialReferenceH from = OSRNewSpatialReference(wkt.c_str());
  OGRSpatialReferenceH to = OSRNewSpatialReference(nullptr);
  OSRImportFromEPSG(to, geographic);
  OSRSetAxisMappingStrategy(from, OAMS_TRADITIONAL_GIS_ORDER);
  OSRSetAxisMappingStrategy(to, OAMS_TRADITIONAL_GIS_ORDER);
  OGRCoordinateTransformationH ct = OCTNewCoordinateTransformation(from, to);
  std::vector<std::pair<double, double>> out = xy;
  for (auto& p : out) {
    if (ct == nullptr || !OCTTransform(ct, 1, &p.first, &p.second, nullptr)) {
      p = {std::nan(""), std::nan("")};
    }
  }
  if (ct) OCTDestroyCoordinateTransformation(ct);
  OSRDestroySpatialReference(from);
  OSRDestroySpatialReference(to);
  return out;
}

}  // namespace karvento::testing
