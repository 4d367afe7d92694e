// SPDX-License-Identifier: Apache-2.0
#include "geodesy/projection.h"

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

TLonLatDMS PlaneToGeo(Datum datum, double northing, double easting, bool zone3, double cm) {
  if (OnKrugerSeries(datum)) return PlaneToGeo2000(northing, easting, zone3, cm);
  return PlaneToGeo(LegacyEllipsoid(datum), northing, easting, zone3, cm);
}

}  // namespace karvento
