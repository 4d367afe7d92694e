// SPDX-License-Identifier: Apache-2.0
// The projection of a geodetic system: the fixed Gauss-Krüger series of
// Beijing 1954 and Xi'an 1980 (gauss_kruger.h) or the Krüger n-series of
// CGCS2000 (transverse_mercator.h), chosen by Datum. Zones, false easting and
// zone prefix are the same for all three; see those headers for units, range
// and accuracy.
#pragma once

#include <array>
#include <string>
#include <utility>

#include "geodesy/datum.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/transverse_mercator.h"

namespace karvento {

TPlanePoint GeoToPlane(Datum datum, const TLonLatDMS& p, bool zone3, double cm);
// The same on a zone value (the meridian of SheetZone, say).
TPlanePoint GeoToPlane(Datum datum, const TLonLatDMS& p, const ZoneParams& zone);

// The four corners north-west, north-east, south-east, south-west of the
// sheet with the given edges, each on the sheet's zone (SheetZone): the
// request's zone, or without a central meridian the zone that holds the
// whole sheet.
std::array<TPlanePoint, 4> SheetCorners(Datum datum, const TLonLatDMS& northWest,
                                        const TLonLatDMS& southEast, bool zone3, double cm);
TLonLatDMS PlaneToGeo(Datum datum, double northing, double easting, bool zone3, double cm);

// The domain of a datum's projection: longitudes up to this many degrees from
// the central meridian (kKrugerLongitudeLimit on CGCS2000, where the series
// err by less than 1 mm; kLegacyLongitudeLimit on the legacy datums, where
// the inverse finds the point). The inverse refuses plane points beyond it
// (NaN); the command line refuses forward requests beyond it.
double ProjectionLongitudeLimit(Datum datum);

// The name of the coordinate system of sheet corners, as EPSG names the
// datum's systems: "CGCS2000" for longitudes and latitudes; for plane
// corners on the zone of meridian cm (the table's one zone where the request
// named none), "CGCS2000 / 3-degree Gauss-Kruger zone 39" with the zone
// number in the easting (prefix) or "Beijing 1954 / Gauss-Kruger CM 117E"
// without it; a meridian EPSG has no system for is named by the meridian and
// then the zone number ("CGCS2000 / 3-degree Gauss-Kruger CM 118.5E zone 40").
// Offsets subtracted from the plane corners are named after it
// (", omitted X 39000000 Y 0"): the system is not EPSG's any more.
std::string SheetSystemName(Datum datum, bool geographic, bool zone3, double cm, bool prefix,
                            double offsetX = 0, double offsetY = 0);

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
// degrees; Meridian(L, z) on another zone, such as a sheet's SheetZone),
// Point(p, m) once per grid point. Point gives the same doubles as GeoToPlane
// of the datum.
struct LegacySplitProjection {
  const Ellipsoid* e;
  ZoneParams zone;
  using ParallelTerms = LatitudeTerms;
  using MeridianTerms = karvento::MeridianTerms;
  ParallelTerms Parallel(const TAngleDMS& lat) const { return ForwardLatitudeTerms(*e, lat); }
  MeridianTerms Meridian(double L) const { return ForwardMeridianTerms(L, zone); }
  static MeridianTerms Meridian(double L, const ZoneParams& z) { return ForwardMeridianTerms(L, z); }
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
  static MeridianTerms Meridian(double L, const ZoneParams& z) { return KrugerMeridianOf(L, z); }
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
