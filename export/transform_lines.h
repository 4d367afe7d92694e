// SPDX-License-Identifier: Apache-2.0
// Lines of points moved by a transformation, as `karvento-cli transform
// apply` streams them and the window's 坐标转换 tool moves a point file:
// one routine for both.
#pragma once

#include <string>
#include <string_view>

#include "geodesy/transform.h"
#include "numbering/sheet_types.h"

namespace karvento {

// How a point is moved: the parameters, the direction, and what the
// points are (plane: easting and northing of the zone (zone3, cm); else
// longitude, latitude and an optional height), directly or by the corner
// method on cells of stepLon × stepLat seconds (TransformByCorners).
struct PointMover {
  TransformParams t;
  bool inverse = false;
  bool plane = false;
  bool zone3 = true;
  double cm = 0;
  bool corners = false;
  double stepLon = 0, stepLat = 0;
  // x, y: longitude and latitude (h in z), or easting and northing. False
  // beyond the projection.
  bool Move(double& x, double& y, double& z) const;
};

enum class PointLineResult { Passed, Moved, NotAPoint, OutOfRange };

// One line (without its line end) appended to out with its end: blank lines
// and "#" comments as they are (Passed); else its first two numbers
// (blanks, commas or tabs between them), and a third as the height of a
// geodetic point, moved and written with 4 decimals (plane, metres) or 9
// (degrees), the rest of the line kept (Moved). NotAPoint and OutOfRange
// append nothing.
PointLineResult TransformPointLine(const PointMover& m, std::string_view text, std::string& out);

// A sheet's four 图廓改正量 (the shift of each corner under t, Shift3 or
// Bursa7, east and north in metres) as one line of a table, appended to out:
// the number, the central meridian of the zone they are on (cm, or with
// cm = 0 the zone of the sheet's middle), then south-west, south-east,
// north-east, north-west, east before north, 4 decimals, tabs between.
// kSheetCorrectionHeader names the columns. False (nothing appended)
// beyond the projection.
inline constexpr const char* kSheetCorrectionHeader =
    "图幅号\t中央经线\t西南东(m)\t西南北(m)\t东南东(m)\t东南北(m)\t东北东(m)\t东北北(m)\t西北东(m)\t西北北(m)\n";
bool SheetCorrectionLine(const TransformParams& t, const TStandardMapUnion& sheet, bool zone3, double cm,
                         std::string& out);

}  // namespace karvento
