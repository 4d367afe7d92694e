// SPDX-License-Identifier: Apache-2.0
#include "gis/coordinate_system.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <ogr_srs_api.h>

#include <charconv>
#include <cmath>
#include <memory>

#include "geodesy/angles.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/projection.h"
#include "gis/gdal_session.h"
#include "numbering/error.h"

namespace karvento {
namespace {

struct SrsDeleter {
  void operator()(OGRSpatialReferenceH h) const { OSRDestroySpatialReference(h); }
};
using Srs = std::unique_ptr<void, SrsDeleter>;

std::string Wkt(OGRSpatialReferenceH srs) {
  char* text = nullptr;
  if (OSRExportToWkt(srs, &text) != OGRERR_NONE || text == nullptr) {
    CPLFree(text);
    throw Error(std::string("WKT: ") + CPLGetLastErrorMsg());
  }
  std::string wkt(text);
  CPLFree(text);
  return wkt;
}

GisCrs FromEpsg(int code) {
  EnsureGdal();
  Srs srs(OSRNewSpatialReference(nullptr));
  if (OSRImportFromEPSG(srs.get(), code) != OGRERR_NONE) {
    throw Error("EPSG:" + std::to_string(code) + ": " + CPLGetLastErrorMsg());
  }
  GisCrs crs;
  crs.epsg = code;
  crs.wkt = Wkt(srs.get());
  const char* name = OSRGetName(srs.get());
  crs.name = name ? name : "";
  return crs;
}

}  // namespace

int GeographicEpsg(Datum datum) { return DatumInfoOf(datum).geographicEpsg; }

GisCrs GeographicCrs(Datum datum) { return FromEpsg(GeographicEpsg(datum)); }

GisCrs PlaneCrs(const TStandardMapUnions& table, const TPlaneSystem& system) {
  double westmost = std::nan(""), eastmost = std::nan("");
  for (const auto& column : table) {
    for (const TStandardMapUnion& s : column) {
      for (const TAngleDMS* lon : {&s.Range.West, &s.Range.East}) {
        const double d = DmsToDeg(*lon);
        if (!(d >= westmost)) westmost = d;
        if (!(d <= eastmost)) eastmost = d;
      }
    }
  }
  return PlaneCrs(westmost, eastmost, system);
}

GisCrs PlaneCrs(double westmost, double eastmost, const TPlaneSystem& system) {
  const bool prefix = system.cm != 0;
  const double cm = PlaneZoneMeridian(westmost, eastmost, system.zone3, system.cm);
  const int code = GaussKrugerEpsg(system.datum, system.zone3, cm, prefix);
  if (code != 0 && system.offsetX == 0 && system.offsetY == 0) return FromEpsg(code);

  // Not an EPSG system as it stands: the same transverse Mercator on the
  // datum's geographic system, written out.
  const DatumInfo& row = DatumInfoOf(system.datum);
  const std::string name =
      SheetSystemName(system.datum, false, system.zone3, cm, prefix, system.offsetX, system.offsetY);
  EnsureGdal();
  Srs srs(OSRNewSpatialReference(nullptr));
  Srs geographic(OSRNewSpatialReference(nullptr));
  const double falseEasting = prefix ? FalseEasting(system.zone3, cm) : 500000;
  if (OSRImportFromEPSG(geographic.get(), row.geographicEpsg) != OGRERR_NONE ||
      OSRSetProjCS(srs.get(), name.c_str()) != OGRERR_NONE ||
      OSRCopyGeogCSFrom(srs.get(), geographic.get()) != OGRERR_NONE ||
      OSRSetTM(srs.get(), 0, cm, 1, falseEasting - system.offsetX, -system.offsetY) !=
          OGRERR_NONE ||
      OSRSetLinearUnits(srs.get(), SRS_UL_METER, 1) != OGRERR_NONE) {
    throw Error(name + ": " + CPLGetLastErrorMsg());
  }
  GisCrs crs;
  crs.wkt = Wkt(srs.get());
  crs.name = name;
  return crs;
}

}  // namespace karvento
