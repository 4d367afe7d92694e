// SPDX-License-Identifier: Apache-2.0
// The projection of a geodetic system: the fixed Gauss-Krüger series of
// Beijing 1954 and Xi'an 1980 (gauss_kruger.h) or the Krüger n-series of
// CGCS2000 (transverse_mercator.h), chosen by Datum. Zones, false easting and
// zone prefix are the same for all three; see those headers for units, range
// and accuracy.
#pragma once

#include <utility>

#include "geodesy/datum.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/transverse_mercator.h"

namespace karvento {

TPlanePoint GeoToPlane(Datum datum, const TLonLatDMS& p, bool zone3, double cm);
TLonLatDMS PlaneToGeo(Datum datum, double northing, double easting, bool zone3, double cm);

// The domain of a datum's projection: longitudes up to this many degrees from
// the central meridian (kKrugerLongitudeLimit on CGCS2000, where the series
// err by less than 1 mm; kLegacyLongitudeLimit on the legacy datums, where
// the inverse finds the point). The inverse refuses plane points beyond it
// (NaN); the command line refuses forward requests beyond it.
double ProjectionLongitudeLimit(Datum datum);

// The datum that the legacy flag of the Beijing 1954 and Xi'an 1980 routines
// names: Beijing 1954 when is54, otherwise Xi'an 1980.
constexpr Datum LegacyDatum(bool is54) { return is54 ? Datum::Beijing54 : Datum::Xian80; }

// The Gauss-Krüger ellipsoid of a legacy datum (Beijing 1954 or Xi'an 1980);
// Beijing 1954's for a datum on the Krüger series, which has none.
const Ellipsoid& LegacyEllipsoid(Datum datum);

// Whether the datum's plane coordinates are those of the Krüger series.
constexpr bool OnKrugerSeries(Datum datum) {
  return DatumInfoOf(datum).projection == DatumProjection::KrugerSeries;
}

// The split forward projection of a datum (latitude terms, longitude terms,
// the rest) behind one face, for walks over grids of parallels and meridians:
// Parallel(lat) once per parallel, Meridian(L) once per meridian (L in decimal
// degrees), Point(p, m) once per grid point. Point gives the same doubles as
// GeoToPlane of the datum.
struct LegacySplitProjection {
  const Ellipsoid* e;
  ZoneParams zone;
  using ParallelTerms = LatitudeTerms;
  using MeridianTerms = karvento::MeridianTerms;
  ParallelTerms Parallel(const TAngleDMS& lat) const { return ForwardLatitudeTerms(*e, lat); }
  MeridianTerms Meridian(double L) const { return ForwardMeridianTerms(L, zone); }
  static TPlanePoint Point(const ParallelTerms& p, const MeridianTerms& m) {
    return ForwardFromTerms(p, m);
  }
};

struct KrugerSplitProjection {
  ZoneParams zone;
  using ParallelTerms = KrugerLatitudeTerms;
  using MeridianTerms = KrugerMeridianTerms;
  ParallelTerms Parallel(const TAngleDMS& lat) const { return KrugerLatitudeOf(lat); }
  MeridianTerms Meridian(double L) const { return KrugerMeridianOf(L, zone); }
  static TPlanePoint Point(const ParallelTerms& p, const MeridianTerms& m) {
    return ForwardFromTerms(p, m);
  }
};

// Calls f with the split projection of the datum on a zone: each point on
// the zone's central meridian and false easting (cm = 0 there: each point on
// its own zone, no zone number).
template <class F>
decltype(auto) WithSplitProjection(Datum datum, const ZoneParams& zone, F&& f) {
  if (OnKrugerSeries(datum)) return f(KrugerSplitProjection{zone});
  return f(LegacySplitProjection{&LegacyEllipsoid(datum), zone});
}
// The same on the zones of zone3, cm.
template <class F>
decltype(auto) WithSplitProjection(Datum datum, bool zone3, double cm, F&& f) {
  return WithSplitProjection(datum, MakeZoneParams(zone3, cm), std::forward<F>(f));
}
}  // namespace karvento
