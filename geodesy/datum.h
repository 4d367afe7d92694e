// SPDX-License-Identifier: Apache-2.0
// The geodetic systems whose sheets Karvento lists: the two legacy datums of
// Chinese mapping and the national system in force since 2008.
//
// Every fact the program holds about a datum is one column of kDatums: its
// names and captions as each output spells them, how its plane coordinates
// are computed, and its EPSG systems. A new datum is one more row (and, if its
// plane coordinates follow neither routine below, one routine).
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "geodesy/gauss_kruger.h"
#include "geodesy/message.h"  // N_

namespace karvento {

enum class Datum : std::uint8_t {
  Beijing54,  // Beijing 1954, Krasovsky ellipsoid
  Xian80,     // Xi'an 1980, IAG-75 ellipsoid
  Cgcs2000,   // China Geodetic Coordinate System 2000, GRS 80 shape
};

// How a datum's plane coordinates are computed.
enum class DatumProjection : std::uint8_t {
  // The fixed Gauss-Krüger series (gauss_kruger.h) on the row's ellipsoid:
  // the definition of the legacy plane coordinates, kept bit for bit.
  LegacySeries,
  // Krüger's n-series transverse Mercator (transverse_mercator.h) on the
  // CGCS2000 ellipsoid (kCgcs2000).
  KrugerSeries,
};

// EPSG's Gauss-Krüger systems of a datum, four families: 3-degree zones with
// the zone number in front of the easting, 3-degree "CM" systems without it,
// and the same two in 6-degree zones. Each family's code at the central
// meridian firstCm runs on by one per zone up to lastCm; EPSG has none
// outside.
struct PlaneEpsgFamilies {
  int zone3Prefix, zone3Cm, zone6Prefix, zone6Cm;  // codes at firstCm
  double firstCm, lastCm;                          // degrees east
};

struct DatumInfo {
  Datum datum;
  const char* key;          // the command line's --datum value
  const char* name;         // in English texts: "Xi'an 1980"
  const char* epsgName;     // as EPSG names it in its systems: "Xian 1980"
  const char* wktDatum;     // the DATUM name of its WKT as GDAL writes it
  const char* chineseName;  // in Chinese texts: "西安1980"
  const char* caption;      // the window's tab and the index map's title: "西安80坐标系"
  const char* xlsTitle;     // the spreadsheet's title over its table
  const char* frameNote;    // the datum as a map frame's note names it: "1980西安坐标系"
  DatumProjection projection;
  const Ellipsoid* legacyEllipsoid;  // the series' constants; LegacySeries only
  int geographicEpsg;
  PlaneEpsgFamilies planeEpsg;
  // Its longitudes and latitudes are WGS 84's within a metre or so: a KML
  // file (always WGS 84) may carry its sheets, and its geographic corners
  // lie over WGS 84 data without a transformation. The legacy datums are
  // 100 m and more away, with no official transformation.
  bool nearWgs84;
  // ESRI's forms, which only a Shapefile's .prj holds: the datum in the names
  // of its projected systems, and its geographic system.
  const char* esriName;
  const char* esriGeogcs;
  // EPSG's name of its geographic system (geographicEpsg).
  const char* geographicName;
  // The ellipsoid as the datum defines it (Krasovsky 1940, IAG-75, CGCS2000):
  // semi-major axis a in metres and inverse flattening 1/f. Geocentric
  // coordinates (transform.h) and the PROJ pipelines of transformations are
  // computed on them.
  double a;
  double inverseFlattening;
};

// The command line's help and its refusal of an unknown --datum name the keys
// and EPSG codes in their texts (cli/), as the catalogue translates them: a
// new row is named there too.
//
// Rows in the order of Datum. EPSG codes are those of the EPSG Geodetic
// Parameter Dataset; the tests check each against GDAL's copy of it.
inline constexpr std::array<DatumInfo, 3> kDatums = {{
    {Datum::Beijing54, "54", "Beijing 1954", "Beijing 1954", "Beijing_1954", N_("北京1954"),
     "北京54坐标系", "图幅表（北京54坐标系）", "1954年北京坐标系", DatumProjection::LegacySeries,
     &kBeijing54, 4214, {2401, 2422, 21413, 21453, 75, 135}, false, "Beijing_1954",
     "GEOGCS[\"GCS_Beijing_1954\",DATUM[\"D_Beijing_1954\",SPHEROID[\"Krasovsky_1940\",6378245.0,298.3]],"
     "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]",
     "Beijing 1954", 6378245, 298.3},
    {Datum::Xian80, "80", "Xi'an 1980", "Xian 1980", "Xian_1980", N_("西安1980"), "西安80坐标系",
     "图幅表（西安80坐标系）", "1980西安坐标系", DatumProjection::LegacySeries, &kXian80, 4610,
     {2349, 2370, 2327, 2338, 75, 135}, false, "Xian_1980",
     "GEOGCS[\"GCS_Xian_1980\",DATUM[\"D_Xian_1980\",SPHEROID[\"Xian_1980\",6378140.0,298.257]],"
     "PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]",
     "Xian 1980", 6378140, 298.257},
    {Datum::Cgcs2000, "2000", "CGCS2000", "CGCS2000", "China_2000", N_("2000国家大地坐标系"),
     "2000国家坐标系", "图幅表（2000国家坐标系）", "2000国家大地坐标系",
     DatumProjection::KrugerSeries, nullptr, 4490, {4513, 4534, 4491, 4502, 75, 135}, true, "CGCS2000",
     "GEOGCS[\"GCS_China_Geodetic_Coordinate_System_2000\",DATUM[\"D_China_2000\",SPHEROID[\"CGCS2000\","
     "6378137.0,298.257222101]],PRIMEM[\"Greenwich\",0.0],UNIT[\"Degree\",0.0174532925199433]]",
     "China Geodetic Coordinate System 2000", 6378137, 298.257222101},
}};

constexpr bool DatumRowsInOrder() {
  for (std::size_t i = 0; i < kDatums.size(); ++i) {
    if (static_cast<std::size_t>(kDatums[i].datum) != i) return false;
  }
  return true;
}
static_assert(DatumRowsInOrder(), "kDatums holds one row per Datum, in its order");

// The row of a datum; std::out_of_range for a value that names none.
constexpr const DatumInfo& DatumInfoOf(Datum datum) {
  return kDatums.at(static_cast<std::size_t>(datum));
}

// The EPSG code of the Gauss-Krüger system of a datum, zone width and central
// meridian (degrees): withPrefix selects the family whose easting carries the
// zone number. 0 when EPSG has no such system (a central meridian that is not
// one of the family's, or outside 75° E to 135° E).
inline int GaussKrugerEpsg(Datum datum, bool zone3, double cm, bool withPrefix) {
  const PlaneEpsgFamilies& r = DatumInfoOf(datum).planeEpsg;
  const double width = zone3 ? 3 : 6;
  const double steps = (cm - r.firstCm) / width;
  if (cm < r.firstCm || cm > r.lastCm || steps != std::trunc(steps)) return 0;
  const int first = zone3 ? (withPrefix ? r.zone3Prefix : r.zone3Cm) : (withPrefix ? r.zone6Prefix : r.zone6Cm);
  return first + static_cast<int>(steps);
}

}  // namespace karvento
