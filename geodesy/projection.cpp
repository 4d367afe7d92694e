#include "geodesy/projection.h"

namespace karvento {

const Ellipsoid& LegacyEllipsoid(Datum datum) {
  return datum == Datum::Beijing54 ? kBeijing54 : kXian80;
}

double ProjectionLongitudeLimit(Datum datum) {
  return datum == Datum::Cgcs2000 ? kKrugerLongitudeLimit : kLegacyLongitudeLimit;
}

TPlanePoint GeoToPlane(Datum datum, const TLonLatDMS& p, bool zone3, double cm) {
  if (datum == Datum::Cgcs2000) return GeoToPlane2000(p, zone3, cm);
  return GeoToPlane(LegacyEllipsoid(datum), p, zone3, cm);
}

TLonLatDMS PlaneToGeo(Datum datum, double northing, double easting, bool zone3, double cm) {
  if (datum == Datum::Cgcs2000) return PlaneToGeo2000(northing, easting, zone3, cm);
  return PlaneToGeo(LegacyEllipsoid(datum), northing, easting, zone3, cm);
}

}  // namespace karvento
