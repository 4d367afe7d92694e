// SPDX-License-Identifier: Apache-2.0
#include "geodesy/projection.h"

#include "geodesy/float_chars.h"

namespace karvento {

const Ellipsoid& LegacyEllipsoid(Datum datum) {
  const Ellipsoid* e = DatumInfoOf(datum).legacyEllipsoid;
  return e != nullptr ? *e : kBeijing54;
}

double ProjectionLongitudeLimit(Datum datum) {
  return OnKrugerSeries(datum) ? kKrugerLongitudeLimit : kLegacyLongitudeLimit;
}

TPlanePoint GeoToPlane(Datum datum, const TLonLatDMS& p, bool zone3, double cm) {
  if (OnKrugerSeries(datum)) return GeoToPlane2000(p, zone3, cm);
  return GeoToPlane(LegacyEllipsoid(datum), p, zone3, cm);
}

std::string SheetSystemName(Datum datum, bool geographic, bool zone3, double cm, bool prefix,
                            double offsetX, double offsetY) {
  const DatumInfo& row = DatumInfoOf(datum);
  if (geographic) return row.geographicName;
  std::string name = row.epsgName;
  const auto shortest = [](double v) {
    char buf[64];
    return std::string(buf, FloatToChars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr);
  };
  name += std::string(" / ") + (zone3 ? "3-degree " : "") + "Gauss-Kruger ";
  // EPSG's own systems name a prefixed zone by its number; a meridian of its
  // own (118.5) is named by the meridian and then the number.
  if (prefix && GaussKrugerEpsg(datum, zone3, cm, true) != 0) {
    name += "zone " + shortest(ZoneNumber(zone3, cm));
  } else {
    name += "CM " + shortest(cm) + "E";
    if (prefix) name += " zone " + shortest(ZoneNumber(zone3, cm));
  }
  if (offsetX != 0 || offsetY != 0) name += ", omitted X " + shortest(offsetX) + " Y " + shortest(offsetY);
  return name;
}

TPlanePoint GeoToPlane(Datum datum, const TLonLatDMS& p, const ZoneParams& zone) {
  return WithSplitProjection(datum, zone, [&](const auto& projection) {
    return projection.Point(projection.Parallel(p.Lat), projection.Meridian(DmsToDeg(p.Lon)));
  });
}

std::array<TPlanePoint, 4> SheetCorners(Datum datum, const TLonLatDMS& northWest,
                                        const TLonLatDMS& southEast, bool zone3, double cm) {
  const ZoneParams zone = SheetZone(MakeZoneParams(zone3, cm), DmsToDeg(northWest.Lon),
                                    DmsToDeg(southEast.Lon));
  return WithSplitProjection(datum, zone, [&](const auto& projection) {
    const auto north = projection.Parallel(northWest.Lat);
    const auto south = projection.Parallel(southEast.Lat);
    const auto west = projection.Meridian(DmsToDeg(northWest.Lon));
    const auto east = projection.Meridian(DmsToDeg(southEast.Lon));
    return std::array<TPlanePoint, 4>{projection.Point(north, west), projection.Point(north, east),
                                      projection.Point(south, east), projection.Point(south, west)};
  });
}

TLonLatDMS PlaneToGeo(Datum datum, double northing, double easting, bool zone3, double cm) {
  if (OnKrugerSeries(datum)) return PlaneToGeo2000(northing, easting, zone3, cm);
  return PlaneToGeo(LegacyEllipsoid(datum), northing, easting, zone3, cm);
}

}  // namespace karvento
