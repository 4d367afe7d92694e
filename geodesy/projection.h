// The projection of a geodetic system: the fixed Gauss-Krüger series of
// Beijing 1954 and Xi'an 1980 (gauss_kruger.h) or the Krüger n-series of
// CGCS2000 (transverse_mercator.h), chosen by Datum. Zones, false easting and
// zone prefix are the same for all three; see those headers for units, range
// and accuracy.
#pragma once

#include "geodesy/datum.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/transverse_mercator.h"

namespace karvento {

TPlanePoint GeoToPlane(Datum datum, const TLonLatDMS& p, bool zone3, double cm);
TLonLatDMS PlaneToGeo(Datum datum, double northing, double easting, bool zone3, double cm);

// The datum that the legacy flag of the Beijing 1954 and Xi'an 1980 routines
// names: Beijing 1954 when is54, otherwise Xi'an 1980.
constexpr Datum LegacyDatum(bool is54) { return is54 ? Datum::Beijing54 : Datum::Xian80; }

// The Gauss-Krüger ellipsoid of a legacy datum (Beijing 1954 or Xi'an 1980).
const Ellipsoid& LegacyEllipsoid(Datum datum);

}  // namespace karvento
