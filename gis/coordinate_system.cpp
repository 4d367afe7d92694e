#include "gis/coordinate_system.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <ogr_srs_api.h>

#include <array>
#include <charconv>
#include <cmath>
#include <memory>

#include "geodesy/angles.h"
#include "geodesy/gauss_kruger.h"
#include "gis/gdal_session.h"
#include "numbering/error.h"

namespace karvento {
namespace {

struct DatumRow {
  Datum datum;
  const char* name;  // as EPSG names the datum in its projected systems
  int geographic;
  // First code of each Gauss-Krüger family, for the central meridian 75° E:
  // 3-degree with zone prefix (zone 25), 3-degree "CM 75E", 6-degree with
  // zone prefix (zone 13), 6-degree "CM 75E". Codes run on by one per zone.
  int zone3Prefix, zone3Cm, zone6Prefix, zone6Cm;
};

// EPSG Geodetic Parameter Dataset; each code is checked against GDAL's copy
// of it in the tests.
constexpr std::array<DatumRow, 3> kDatums = {{
    {Datum::Beijing54, "Beijing 1954", 4214, 2401, 2422, 21413, 21453},
    {Datum::Xian80, "Xian 1980", 4610, 2349, 2370, 2327, 2338},
    {Datum::Cgcs2000, "CGCS2000", 4490, 4513, 4534, 4491, 4502},
}};

const DatumRow& RowOf(Datum datum) {
  for (const DatumRow& r : kDatums) {
    if (r.datum == datum) return r;
  }
  throw Error("unknown datum");
}

constexpr double kFirstCm = 75;
constexpr double kLastCm = 135;

std::string NumberText(double v) {
  char buf[64];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr);
}

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

// The central meridian of the zone that every corner between two longitudes
// lies in, as the forward projection chose it; NaN when they lie in more than
// one. The zone's meridian never decreases eastward, so the two ends decide.
double CommonZoneMeridian(double westmost, double eastmost, bool zone3) {
  const double west = CentralMeridian(zone3, westmost);
  return west == CentralMeridian(zone3, eastmost) ? west : std::nan("");
}

}  // namespace

int GeographicEpsg(Datum datum) { return RowOf(datum).geographic; }

int GaussKrugerEpsg(Datum datum, bool zone3, double cm, bool withPrefix) {
  const DatumRow& r = RowOf(datum);
  const double width = zone3 ? 3 : 6;
  const double steps = (cm - kFirstCm) / width;
  if (cm < kFirstCm || cm > kLastCm || steps != std::trunc(steps)) return 0;
  const int first = zone3 ? (withPrefix ? r.zone3Prefix : r.zone3Cm)
                          : (withPrefix ? r.zone6Prefix : r.zone6Cm);
  return first + static_cast<int>(steps);
}

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
  const double cm = prefix ? system.cm : CommonZoneMeridian(westmost, eastmost, system.zone3);
  if (std::isnan(cm)) throw Error(kSpansZonesMessage);
  const int code = GaussKrugerEpsg(system.datum, system.zone3, cm, prefix);
  if (code != 0 && system.offsetX == 0 && system.offsetY == 0) return FromEpsg(code);

  // Not an EPSG system as it stands: the same transverse Mercator on the
  // datum's geographic system, written out.
  const DatumRow& row = RowOf(system.datum);
  std::string name;
  if (code != 0) {
    name = FromEpsg(code).name;
  } else {
    name = std::string(row.name) + " / " + (system.zone3 ? "3-degree " : "") +
           "Gauss-Kruger CM " + NumberText(cm) + "E";
    if (prefix) name += " zone " + NumberText((FalseEasting(system.zone3, cm) - 500000) / 1e6);
  }
  if (system.offsetX != 0 || system.offsetY != 0) {
    name += ", omitted X " + NumberText(system.offsetX) + " Y " + NumberText(system.offsetY);
  }
  EnsureGdal();
  Srs srs(OSRNewSpatialReference(nullptr));
  Srs geographic(OSRNewSpatialReference(nullptr));
  const double falseEasting = prefix ? FalseEasting(system.zone3, cm) : 500000;
  if (OSRImportFromEPSG(geographic.get(), row.geographic) != OGRERR_NONE ||
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
