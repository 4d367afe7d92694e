// SPDX-License-Identifier: Apache-2.0
// Transformations between the datums of the datum table (datum.h): from
// Beijing 1954 or Xi'an 1980 to CGCS2000 and back, with parameters an office
// solves from its own common points (重合点), points known on both systems.
// No national transformation exists, so every set of parameters is local.
//
// Four models:
//   Shift3  geocentric translation ΔX, ΔY, ΔZ (metres);
//   Bursa7  the Bursa-Wolf similarity on geocentric coordinates: ΔX, ΔY,
//           ΔZ in metres, rotations rx, ry, rz in seconds of arc, scale in
//           parts per million, with a stated rotation convention;
//   Plane4  the plane similarity on Gauss-Krüger coordinates of one zone:
//           Δx (north) and Δy (east) in metres, rotation α in seconds of arc,
//           scale m in parts per million;
//   Affine6 the plane affine model on Gauss-Krüger coordinates of one zone:
//           x' = a0 + a1 x + a2 y, y' = b0 + b1 x + b2 y (x north, y east),
//           a scale and a rotation of each axis of its own, for sheets or
//           data that were shrunk, sheared or digitised unevenly.
// Each routine is PROJ's operation of the same name and parameters
// (+proj=cart, +proj=helmert with +convention=position_vector or
// coordinate_frame, +proj=helmert with +theta) to well within 0.1 mm over
// China, forward and inverse; the tests check it against PROJ.
//
// Heights. Common points and data seldom carry ellipsoidal heights. Without
// them a point is taken at h = 0 on its own ellipsoid, on both sides when
// solving and on the source side when applying; the result's height is
// dropped. Solved so, the parameters absorb the separation of the two
// ellipsoids over the area and hold for points near it only. A point that in
// truth lies H above the ellipsoid is then moved as if it lay on it: the
// normals of the two datums differ in direction by the datums' relative
// rotation and by the tilt their offset gives (about |ΔT| / a, 3 × 10⁻⁵ for
// a 200 m shift), so the plane position errs by about H times that angle:
// up to 1.7 cm at H = 1000 m for parameters of the size of Beijing 1954 to
// CGCS2000 (the tests measure 16.5 mm at most over China), in proportion to
// H, nothing at H = 0. Plane4 and Affine6 know no heights.
//
// Nothing here does I/O or keeps state. Failures are returned as messages
// for the caller to show ("refusal", empty on success), never thrown.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/datum.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/message.h"

namespace karvento {

// Longitude and latitude in decimal degrees, ellipsoidal height in metres.
struct GeodeticPoint {
  double lon = 0;
  double lat = 0;
  double h = 0;
};

// Earth-centred, earth-fixed coordinates in metres: X toward longitude 0 on
// the equator, Z toward the north pole.
struct GeocentricPoint {
  double X = 0;
  double Y = 0;
  double Z = 0;
};

// Geodetic to geocentric on the datum's ellipsoid: the closed formula, exact
// to rounding (a few nanometres).
GeocentricPoint GeodeticToGeocentric(Datum datum, const GeodeticPoint& p);
// Geocentric to geodetic on the datum's ellipsoid, by iterating the latitude
// from Bowring's start to convergence: within 1e-12° and 0.1 µm for points
// between 10 km below and 1000 km above the ellipsoid (the range the tests
// cover). Longitudes in (-180°, 180°]; at the poles the longitude is 0.
GeodeticPoint GeocentricToGeodetic(Datum datum, const GeocentricPoint& p);

// The sign of the rotations. Position vector (EPSG 9606, the form of the
// Chinese rules and of PROJ's default): a positive rz turns the point's
// position vector counter-clockwise seen from the north pole. Coordinate
// frame (EPSG 9607): the same numbers turn the axes instead, so each rotation
// changes sign. Parameters copied from one convention into the other move
// points by about 30 m per second of arc: the classic failure, which is why
// every parameter file and every output names its convention.
enum class RotationConvention : std::uint8_t { PositionVector, CoordinateFrame };

enum class TransformModel : std::uint8_t { Shift3, Bursa7, Plane4, Affine6 };

// Plane4 and Affine6 work on the plane coordinates of one zone.
constexpr bool IsPlaneModel(TransformModel m) { return m == TransformModel::Plane4 || m == TransformModel::Affine6; }

struct BursaParams {
  double dx = 0, dy = 0, dz = 0;  // metres
  double rx = 0, ry = 0, rz = 0;  // seconds of arc
  double ppm = 0;                 // scale: 1 + ppm × 10⁻⁶
  RotationConvention convention = RotationConvention::PositionVector;
};

// X' = T + (1 + ppm·10⁻⁶) R X with the small-angle rotation matrix
// R = [1 −rz ry; rz 1 −rx; −ry rx 1] (position vector; its transpose for
// coordinate frame), as PROJ's helmert computes it. The inverse is
// PROJ's too: X = Rᵀ (X' − T) / (1 + ppm·10⁻⁶); since the small-angle R is
// not exactly orthogonal, a forward-then-inverse round trip returns the point
// within |θ|² × |X| (0.2 mm for rotations of 1″, 4 mm for 5″).
GeocentricPoint BursaForward(const BursaParams& b, const GeocentricPoint& p);
GeocentricPoint BursaInverse(const BursaParams& b, const GeocentricPoint& p);

// The plane similarity in the form of the Chinese rules, x the northing and
// y the easting:
//   x' = Δx + (1 + m) (x cos α − y sin α),  y' = Δy + (1 + m) (y cos α + x sin α),
// which is PROJ's +proj=helmert +x=Δy +y=Δx +theta=α +s=1+m on (easting,
// northing). The eastings are those of the zone without the zone number
// (500 km false easting only), so that the parameters do not depend on how
// a file writes its eastings.
struct PlaneSimilarity {
  double dNorth = 0, dEast = 0;  // Δx and Δy, metres
  double rotation = 0;           // α, seconds of arc
  double ppm = 0;                // m × 10⁶
};
// The point's X is the easting (without zone number) and Y the northing, as
// everywhere in this program. The inverse is exact (rotation by −α, scale
// 1 / (1 + m)).
TPlanePoint PlaneForward(const PlaneSimilarity& s, const TPlanePoint& p);
TPlanePoint PlaneInverse(const PlaneSimilarity& s, const TPlanePoint& p);

// The plane affine model in the form of the Chinese rules, x the northing and
// y the easting (zone without zone number, as PlaneSimilarity):
//   x' = a0 + a1 x + a2 y,  y' = b0 + b1 x + b2 y,
// which is PROJ's +proj=affine +xoff=b0 +yoff=a0 +s11=b2 +s12=b1 +s21=a2
// +s22=a1 on (easting, northing). a0 and b0 in metres, the coefficients pure
// numbers near 1 (a1, b2) and near 0 (a2, b1). The default is the identity.
struct PlaneAffine {
  double a0 = 0, a1 = 1, a2 = 0;  // the northing
  double b0 = 0, b1 = 0, b2 = 1;  // the easting
};
// Forward as written; the inverse solves the 2 × 2 system (exact to rounding;
// a singular matrix, a1 b2 = a2 b1, gives NaN).
TPlanePoint AffineForward(const PlaneAffine& a, const TPlanePoint& p);
TPlanePoint AffineInverse(const PlaneAffine& a, const TPlanePoint& p);

// A transformation as a parameter file holds it: the model, the two datums
// (source → target for the forward direction) and the model's parameters.
// Plane4 and Affine6 also name the zone (zone3, cm > 0) their plane
// coordinates are on.
struct TransformParams {
  TransformModel model = TransformModel::Bursa7;
  Datum source = Datum::Beijing54;
  Datum target = Datum::Cgcs2000;
  BursaParams bursa;      // Shift3: the translations only, rotations and scale 0
  PlaneSimilarity plane;  // Plane4
  PlaneAffine affine;     // Affine6
  bool zone3 = true;
  double cm = 0;
};

// The model's parameters by name, in the order of the parameter file and of
// TransformSolution::standardErrors: key (as the file writes it), value and
// unit ("m", "\"" for seconds of arc, "ppm", "" for a pure number).
struct ParameterValue {
  const char* key;
  double value;
  const char* unit;
};
std::vector<ParameterValue> ParameterValues(const TransformParams& t);

// A geodetic point of the source datum to the target datum (inverse: back);
// Shift3 and Bursa7 only (the plane models give the point unchanged: use
// TransformPlanePoint). The height comes out on the other ellipsoid.
GeodeticPoint TransformGeodetic(const TransformParams& t, const GeodeticPoint& p, bool inverse = false);

// A plane point of the source datum on the zone (zone3, cm > 0) to the
// target datum's plane on the same zone (inverse: back), the easting with or
// without the zone number as it came. Shift3 and Bursa7 go through
// PlaneToGeo, geocentric coordinates at h = 0 and GeoToPlane of the datums;
// Plane4 and Affine6 apply their forward on the parameters' own zone and
// ignore zone3 and cm. False (p unchanged) where the projection's inverse finds no point.
bool TransformPlanePoint(const TransformParams& t, TPlanePoint& p, bool zone3, double cm,
                         bool inverse = false);

// The same transformation as a PROJ pipeline, in the direction asked:
// geographic (longitude, latitude in degrees, height) in and out when
// plane is false, else Gauss-Krüger plane coordinates (easting, northing) of
// the zone (zone3, cm), eastings with the zone number when prefixed. PROJ's
// tmerc stands in for the fixed series of the legacy datums there, within
// 1.2 mm inside a zone (gauss_kruger.h).
std::string TransformPipeline(const TransformParams& t, bool inverse, bool plane, bool zone3, double cm,
                              bool prefixed);

// What the parameters say about themselves, in one line: the model, the
// convention, the datums and every parameter with its unit. Every output
// that a transformation moved carries it.
std::string DescribeTransform(const TransformParams& t);

// ---- Parameter files (.k7p, .k3p, .k4p, .k6p) ----------------------------
// One text, read and written by the two routines below only (the window, the
// command line and the module all call them). Lines of "key = value", blank
// lines and "#" comments; every key once:
//   karvento-transform = 1
//   model = bursa7 | shift3 | plane4 | affine6
//   source = 54 | 80 | 2000, target = 54 | 80 | 2000 (the datum keys)
//   bursa7:  convention = position-vector | coordinate-frame,
//            dx, dy, dz (m), rx, ry, rz (″), scale (ppm)
//   shift3:  dx, dy, dz (m)
//   plane4:  zone = 3 | 6, cm (degrees), dnorth, deast (m), rotation (″),
//            scale (ppm)
//   affine6: zone = 3 | 6, cm (degrees), a0 (m), a1, a2, b0 (m), b1, b2
// Numbers in the shortest text that reads back to the same double, so that
// a file written and read gives the same parameters bit for bit.
std::string FormatTransformParams(const TransformParams& t, std::string_view comment = {});
// The parameters of text; empty on success, else the refusal naming the line.
Message ParseTransformParams(std::string_view text, TransformParams& t);

// ---- Solving from common points --------------------------------------------

// A common point on both datums, geodetic. Without heights both h are 0 (see
// above).
struct GeodeticCommonPoint {
  std::string name;
  GeodeticPoint source, target;
};
// A common point on both datums' plane coordinates of one zone: X the
// easting (with or without zone number), Y the northing.
struct PlaneCommonPoint {
  std::string name;
  TPlanePoint source, target;
};

// The residual of a point: the given target position minus the model's, in
// metres east and north (plane metres: for Bursa7 and Shift3, on the ground
// in the target point's horizon, which differs from Gauss-Krüger metres by the
// projection's scale, at most 1.0014 in a 6-degree zone) and up (Bursa7 and
// Shift3).
struct PointResidual {
  std::string name;
  double east = 0, north = 0, up = 0;
  bool rejected = false;  // dropped by the kσ test; its residual is from the final solution
};

struct TransformSolution {
  Message refusal;  // empty when solved
  TransformParams params;
  // Standard errors in the parameters' units, in the order of
  // ParameterValues (dx, dy, dz, rx, ry, rz, scale; Shift3: the first three;
  // Plane4: dnorth, deast, rotation, scale; Affine6: a0, a1, a2, b0, b1, b2).
  std::vector<double> standardErrors;
  double sigma0 = 0;     // 单位权中误差: √(vᵀv / r), metres per coordinate
  int redundancy = 0;    // r: observations − parameters
  std::vector<PointResidual> residuals;  // every point, in the order given
  std::vector<std::string> rejected;     // in the order dropped
};

// Least squares of the model (Shift3 or Bursa7) from n ≥ 3 (Bursa7) or n ≥ 1
// (Shift3) points, three observations each (geocentric X, Y, Z). Refuses
// too few points, points that lie on one line on the ground (Bursa7: no
// point farther from the line through the two most distant points than 0.1%
// of their distance; the rotation about it is undetermined) and points not on
// the two datums (CheckCommonPoints).
// rejectK > 0: while the worst point's residual exceeds rejectK times the
// point error (σ0 √2 in the plane) of the solution without it, that point is
// dropped and the rest solved again; never below the model's minimum plus
// one point.
TransformSolution SolveBursa(const std::vector<GeodeticCommonPoint>& points, Datum source, Datum target,
                             TransformModel model, RotationConvention convention, double rejectK = 0);

// Least squares of Plane4 from n ≥ 2 points of one zone (zone3, cm > 0), two
// observations each; refuses too few points, coincident points and points
// not on the two datums' planes of that zone (CheckPlaneCommonPoints).
// rejectK as for SolveBursa.
TransformSolution SolvePlane4(const std::vector<PlaneCommonPoint>& points, Datum source, Datum target,
                              bool zone3, double cm, double rejectK = 0);
// Least squares of Affine6 from n ≥ 3 points of one zone, two observations
// each; refuses as SolvePlane4, and points on one line (no point farther
// from the line through the two most distant points than 0.1% of their
// distance: the scale across it is undetermined).
TransformSolution SolveAffine6(const std::vector<PlaneCommonPoint>& points, Datum source, Datum target,
                               bool zone3, double cm, double rejectK = 0);
// SolvePlane4 or SolveAffine6 by the model.
TransformSolution SolvePlane(const std::vector<PlaneCommonPoint>& points, TransformModel model, Datum source,
                             Datum target, bool zone3, double cm, double rejectK = 0);

// The checks behind the solvers, empty when every point passes: each point
// lies in China (longitudes 70° to 140° E, latitudes 0° to 56° N) on both
// datums, and its two positions are within 1 km of each other (the datums
// of the table differ by a few hundred metres at most, so a larger gap is
// another datum, another zone or another point). Plane points whose X and Y
// read the other way round would pass are refused as swapped: in Chinese
// practice X is the northing, here the easting.
Message CheckCommonPoints(const std::vector<GeodeticCommonPoint>& points, Datum source, Datum target);
Message CheckPlaneCommonPoints(const std::vector<PlaneCommonPoint>& points, Datum source, Datum target,
                               bool zone3, double cm);
// The plane common points as geodetic ones (PlaneToGeo of each datum, h = 0),
// after CheckPlaneCommonPoints; the refusal, or empty.
Message PlaneToGeodeticCommonPoints(const std::vector<PlaneCommonPoint>& points, Datum source, Datum target,
                                    bool zone3, double cm, std::vector<GeodeticCommonPoint>& out);

// ---- The corner method (图廓点改正法) -------------------------------------
// The shift of a plane point by bilinear interpolation of the shifts of the
// four corners of the cell it lies in, cells of stepLon × stepLat seconds of
// arc counted from longitude 0 and the equator (a sheet of one scale: 225″ ×
// 150″ at 1:1万, 900″ × 600″ at 1:5万). A corner's shift is its target plane
// position minus its source plane position under the model (Shift3 or
// Bursa7), both on (zone3, cm): the sheet's 图廓改正量. Neighbouring cells
// share their corners, so the interpolation is continuous across sheet lines.
// Against the direct model the error grows with the square of the cell: at
// sheet centres, for parameters of the size of Beijing 1954 to CGCS2000 in
// north China, 0.02 mm at 1:1万 and 0.3 mm at 1:5万 (the tests measure it).
// Four corner shifts per point: callers that move many points of few sheets
// keep the corners' shifts (CornerShift) and interpolate themselves.
struct PlaneShift {
  double east = 0, north = 0;  // metres
};
// The shift of the corner at (lon, lat) degrees; false beyond the
// projection.
bool CornerShift(const TransformParams& t, double lon, double lat, bool zone3, double cm, PlaneShift& s);
// p (source plane) moved by the interpolated shift; false beyond the
// projection.
bool TransformByCorners(const TransformParams& t, TPlanePoint& p, bool zone3, double cm, double stepLon,
                        double stepLat);

}  // namespace karvento
