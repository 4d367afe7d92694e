// SPDX-License-Identifier: Apache-2.0
// The map frame (图廓) of a sheet as plain geometry: the lines and texts that a
// printed topographic sheet or a CAD survey drawing is built in, computed once
// here so that a DXF frame and a PDF or SVG frame are the same lines.
//
// Units. Every point is a plane point in metres at ground size (TPlanePoint:
// X the easting with its false easting, Y the northing) on the frame's own
// plane: the Gauss-Krüger zone (with the zone number in X when a central
// meridian is given) or, at 1:100万, the sheet's Lambert conformal conic
// (FrameOnConic). A writer draws the points as they are, on any plane. Line widths and text
// heights are millimetres of paper; a millimetre of paper is denominator /
// 1000 metres of ground. A renderer at true scale maps ground metres to paper
// by that factor alone.
//
// The frame of a sheet of the national division (梯形分幅):
// - inner frame (内图廓): the sheet's two meridians and two parallels,
//   projected, each edge densified until no point of the true curve is more
//   than kFrameCurveToleranceMm of paper from the polyline; its corners are
//   the sheet's plane corners to the last bit when the central meridian is
//   given;
// - graduation band (分度带): a tick at the projection of every whole
//   multiple of the scale's tick interval on each edge (1′ at 1:1万 … 1:10万),
//   pointing outward across the band, and the band's outer line; the corner
//   longitudes and latitudes (116°15′, 39°50′) in the corner squares;
// - at 1:100万, on the conic, the graticule (经纬网) at every whole degree
//   with its degrees between the frames instead of the kilometre grid;
// - kilometre grid (公里网): lines at every multiple of the scale's interval
//   in X and in Y, clipped to the inner frame, labelled between the frames
//   with the last two digits of their kilometre value, the first and last
//   labelled line of each direction with the full value (the easting with its
//   zone number in front);
// - outer frame (外图廓): the thick line parallel to the inner frame;
// - margin texts: the sheet number centred above the north frame and the
//   name above it, the 接合图表 (3 × 3 neighbours) at the upper left, the
//   numeric scale and a scale bar centred below, the datum, projection and
//   zone and the user's notes at the lower left.
//
// A central meridian of 0 (each point on its own zone elsewhere in the
// program) draws the whole frame on the zone of the sheet's centre, without
// zone number in the coordinates: a frame lies in one plane.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/datum.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/lambert_conic.h"
#include "numbering/message.h"
#include "numbering/scales.h"
#include "numbering/sheet_types.h"

namespace karvento {

// The layers of a frame, in drawing order, and their names in a DXF file.
enum class FrameLayer : std::uint8_t { Inner, Outer, Graduation, KmGrid, Notes, Neighbours, NeighbourZone, Graticule };
inline constexpr int kFrameLayerCount = 8;
inline constexpr std::array<std::string_view, kFrameLayerCount> kFrameLayerNames = {
    "内图廓", "外图廓", "分度带", "公里网", "注记", "接图表", "邻带方里网", "经纬网"};

// The largest distance, in millimetres of paper, between a projected edge of
// the inner frame and the polyline that stands for it.
inline constexpr double kFrameCurveToleranceMm = 0.01;

struct FrameLine {
  FrameLayer layer;
  double widthMm;  // line weight on paper
  bool closed;     // a ring: the last point joins the first
  std::vector<TPlanePoint> points;
};

// Where a text stands relative to its point.
enum class HAlign : std::uint8_t { Left, Centre, Right };
enum class VAlign : std::uint8_t { Bottom, Middle, Top };

struct FrameText {
  FrameLayer layer;
  std::string text;  // UTF-8
  TPlanePoint at;
  double heightMm;   // height of a capital or a Chinese character on paper
  HAlign h;
  VAlign v;
};

// The layout width of a text on paper, in millimetres, at a height (that of
// a capital or a Chinese character; the painter's font has an em of
// height / 0.75): the advances of the frames' font (WenQuanYi Micro Hei,
// measured with Qt) rounded up: digits 0.56 em, "." and ":" 0.28, "-" 0.33,
// a space 0.27, "°" 0.44, "′" 0.24, "″" 0.41, a Latin letter 0.62 (M and W
// 0.9); a Chinese character and any other character 1 em. A font that
// writes a text wider is narrowed to this width by the painter
// (map/frame_paint.h), so the labels are placed from these numbers in the
// DXF, the PDF and the SVG alike.
double FrameTextWidthMm(std::string_view text, double heightMm);

// The box of a text, ground metres: its layout width, aligned as the text
// is, and 0.1 em before it for a leading J, whose hook reaches back;
// vertically from its baseline (at the point for VAlign::Bottom, half a
// height below it for Middle, a height below it for Top) 0.02 em down and
// 0.74 em up for a text of digits, Latin capitals (but J and Q) and signs,
// 0.25 em down and 0.82 em up for one with a Chinese character or a letter
// that descends: the ink of the font's glyphs lies inside.
struct FrameBox {
  double x0, y0, x1, y1;
};
FrameBox FrameTextBox(const FrameText& text, int denominator);

// The drawing of one frame. Bounds hold every line and (by their layout
// boxes) every text, in ground metres.
struct MapFrame {
  std::string number;  // the sheet's number, also the name of its file
  int denominator = 0;
  std::vector<FrameLine> lines;
  std::vector<FrameText> texts;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// One row of the per-scale table: distances, weights and heights in
// millimetres of paper; intervals in seconds of arc and metres.
struct FrameStyle {
  int denominator;
  double tickSeconds;   // graduation interval along each edge
  double gridMetres;    // kilometre grid interval
  double innerWidth;    // inner frame line
  double outerWidth;    // outer frame line
  double gridWidth;     // kilometre lines, graduation ticks and band line
  double bandMm;        // inner frame to the band's outer line (tick length)
  double gapMm;         // inner frame to the outer frame's centre line
  double labelMm;       // kilometre labels, corner coordinates
  double numberMm;      // sheet number
  double nameMm;        // sheet name
  double noteMm;        // scale, notes, 接合图表 numbers
};

// The table, one row per ScaleIndex (1:100万 … 1:500).
extern const std::array<FrameStyle, kScaleCount> kFrameStyles;

// What a frame needs besides its sheet.
struct FrameRequest {
  Datum datum = Datum::Cgcs2000;
  bool zone3 = true;
  double cm = 0;             // 0: the zone of the sheet's centre, no zone number
  std::string name;          // 图名, above the number; none when empty
  std::vector<std::string> notes;  // lines under the datum note (高程基准, 等高距, …)
  // The zone width was not asked for but taken from the scale (ScaleZone3):
  // the datum note says so.
  bool zoneOfScale = false;
  // The 图名 of a neighbour by its number, written under its number in the
  // 接合图表 (empty: none); no names when not set.
  std::function<std::string(std::string_view number)> neighbourName{};
  // The standing notes of the lower left margin, each line written only when
  // given, in this order under the datum note: "1985国家高程基准",
  // "等高距为 5 米", "图式：GB/T 20257.2—2017", "测制单位：…", "测制日期：…".
  std::string elevationDatum{};
  double contourInterval = 0;  // metres; 0: none, and no 坡度尺
  std::string symbols{};       // the edition of the symbol standard
  std::string surveyor{};      // 测制单位
  std::string surveyDate{};    // 测制日期, as the user writes it
  // 密级, written above the outer frame's north-east corner; none when empty.
  std::string classification{};
  // The magnetic declination (磁偏角) in degrees, east positive, as the user
  // has it for the sheet and its epoch: it is never computed here. Without
  // it the 偏角图 shows true north and grid north only.
  bool hasDeclination = false;
  double declination = 0;
};

// What decorates a standard sheet at its scale (denominator):
// - the graduation band as alternating black and white minute bars (a black
//   bar over every even whole minute of longitude or latitude) at 1:2.5万 …
//   1:10万, ticks alone at the other scales;
// - the 坡度尺 (with a contour interval) and the 偏角图 at 1:1万 … 1:10万;
// - the neighbouring zone's kilometre ticks (邻带方里网) between the frames
//   on a sheet whose west or east edge lies within NeighbourZoneReachSeconds
//   of its zone's edge.
constexpr bool FrameHasMinuteBars(int denominator) { return denominator >= 25000 && denominator <= 100000; }
constexpr bool FrameHasDiagrams(int denominator) { return denominator >= 10000 && denominator <= 100000; }
// 30′ on 6-degree zones, 15′ on 3-degree zones.
constexpr double NeighbourZoneReachSeconds(bool zone3) { return zone3 ? 900 : 1800; }

// The slopes of the 坡度尺, degrees, and the map distance in millimetres
// between n + 1 contours (n intervals of contourInterval metres) on a slope
// of slopeDeg at 1:denominator: n × interval / tan(slope), on paper.
inline constexpr std::array<double, 15> kSlopeScaleDegrees = {0.5, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 20, 25, 30};
double SlopeSpacingMm(double contourInterval, int intervals, double slopeDeg, int denominator);

// The meridian convergence (子午线收敛角) at a point, degrees: the angle
// from true north to grid north, positive where grid north lies east of
// true north (east of the central meridian in the northern hemisphere),
// from the projected direction of the meridian through the point.
double MeridianConvergenceDeg(Datum datum, const ZoneParams& zone, double lonDeg, double latDeg);

// An angle as printed in the 偏角图: "0°21′", "-2°05′" (whole minutes).
std::string DegreeMinuteText(double deg);

// The frame of a sheet of the national division at its scale: sheet.Range
// and sheet.MapUnionNo are used (the plane corners are projected afresh on the
// request's plane system). neighbours are the 接合图表 numbers north-west to
// south-east row by row (element 4, the sheet itself, is hatched, not
// written); an empty number leaves its cell blank. Throws Error for a scale
// outside the series or a frame without area.
MapFrame BuildStandardFrame(const TStandardMapUnion& sheet, ScaleIndex scale,
                            const std::array<std::string, 9>& neighbours,
                            const FrameRequest& request);

// The frame of a sheet of a generated list: its scale from its frame, its
// 接合图表 in the standard its number is written in, on the list's plane
// system (datum, zone3, cm) and in the list's coordinates (offsetX and
// offsetY, the omitted large numbers, taken off). Throws Error for a number
// that is no sheet number.
MapFrame FrameOfListedSheet(const TStandardMapUnion& sheet, Datum datum, bool zone3, double cm,
                            double offsetX, double offsetY);

// The frame of a sheet of the national division from its number alone (old
// or new standard): its edges, scale and 接合图表 from the numbering routines.
// Throws Error("不是标准图幅号：…") for a text that is no sheet number.
MapFrame BuildStandardFrame(std::string_view number, const FrameRequest& request);

// The scale of a sheet number that BuildStandardFrame draws; throws the Error
// that BuildStandardFrame would throw for it. For checking a whole list before
// the first frame is drawn.
ScaleIndex FrameNumberScale(std::string_view number);

// Whether a standard sheet at a scale (denominator) is drawn on its own
// Lambert conformal conic rather than a Gauss-Krüger zone: 1:100万, as the
// national series draws it. Such a frame has its graticule at every whole
// degree instead of a kilometre grid, lies on the plane of its conic
// (MillionSheetConic: the band's standard parallels, the sheet's central
// meridian, whatever zone or central meridian a request names) and has no
// series error to warn of.
constexpr bool FrameOnConic(int denominator) { return denominator == 1000000; }

// The projection note of a frame on a conic:
// "2000国家大地坐标系，兰勃特等角圆锥投影，标准纬线40°35′、43°25′，中央经线117°".
std::string ConicNote(Datum datum, const LambertConicParams& conic);

// The zone width of the national series at a scale: 1:2.5万 … 1:50万 (and
// 1:100万) on 6-degree zones, 1:1万 and larger on 3-degree zones. True for
// 3-degree zones.
constexpr bool ScaleZone3(int denominator) { return denominator <= 10000; }

// A run of frames that the user confirms before it is written: more than
// kFrameConfirmCount frames, or an estimated kFrameConfirmBytes and more.
inline constexpr std::uint64_t kFrameConfirmCount = 10000;
inline constexpr double kFrameConfirmBytes = 1024.0 * 1024 * 1024;
constexpr bool FrameRunNeedsConfirmation(std::uint64_t count, double estimatedBytes) {
  return count > kFrameConfirmCount || estimatedBytes >= kFrameConfirmBytes;
}
// "12,000 个图廓，约 190 MB": the count and the estimated size of a run.
Message FrameRunText(std::uint64_t count, double estimatedBytes);

// The warning of a sheet whose corners (west … east, degrees) lie farther
// from the central meridian cm than the datum's projection is accurate to
// the millimetre (MillimetreLongitudeLimit, geodesy/projection_accuracy.h):
// "J50G003040：图幅角点距中央经线 11.4°，…". Empty when every corner is within
// it, and for cm 0 (each sheet on its own zone).
std::string ProjectionAccuracyWarning(std::string_view what, Datum datum, double west, double east,
                                      double cm);
// The same warning for the frame of a standard sheet (range): none for a
// sheet drawn on its conic (FrameOnConic), whose formulas are exact.
std::string FrameAccuracyWarning(std::string_view number, Datum datum, const TMapUnionRange& range, double cm);

// The frame of a rectangular sheet (矩形分幅) of an independent or national
// plane grid at 1:denominator, one of the series (1:500 … 1:5000 in
// practice): the inner frame on the sheet's rectangle; a cross (十字丝, arms
// of 5 mm) at every 10 cm of paper inside it and a 5 mm tick inward where a
// 10 cm line meets the frame; the grid values in kilometres between the
// frames, the full values (the south-west corner's) at the ends of each side;
// the outer frame and the margins as for a standard sheet. With request.cm
// not 0 the sheet lies on the national grid: the datum note is written, and
// an easting of more than a million (with its zone number) is labelled with
// it. Throws Error for a scale outside the series or a sheet without area.
MapFrame BuildRectangularFrame(const TCustomMapUnion& sheet, int denominator,
                               const std::array<std::string, 9>& neighbours,
                               const FrameRequest& request);

// Moves every point of a frame, and its bounds, by (dx, dy): a frame in the
// coordinates of a list whose large numbers are omitted (省略坐标大数). The
// texts keep the values they show.
void ShiftFrame(MapFrame& frame, double dx, double dy);

// The datum note of the lower left margin:
// "2000国家大地坐标系，高斯-克吕格投影，3°分带，中央经线117°".
// With zoneOfScale the zone width is marked as the scale's own: "6°分带（按比例尺）".
std::string DatumNote(Datum datum, bool zone3, double cm, bool zoneOfScale = false);

// The numeric scale as printed: 1:10 000, 1:1 000 000, 1:500.
std::string ScaleText(int denominator);

// The kilometre label of a grid value v (metres): with full, the whole
// kilometre value with the zone number (when not 0) in front (39 500 km →
// "39500"); otherwise its last two whole digits ("29"); decimals where the
// interval is below a kilometre (1:2000 … 1:500: "29.8", "4429.80").
std::string KmLabel(double v, double intervalM, bool full, int zoneNumber);

}  // namespace karvento
