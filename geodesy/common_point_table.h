// SPDX-License-Identifier: Apache-2.0
// A table of common points (重合点) as text: a CSV or TXT file, or rows
// pasted from a spreadsheet into the window's 坐标转换 tool or the page.
// The command line, the window and the page read it through this one
// routine.
#pragma once

#include <string>
#include <vector>

#include "geodesy/transform.h"

namespace karvento {

// The points of a table, geodetic or plane by its columns.
struct CommonPointTable {
  bool plane = false;    // north1 east1 north2 east2
  bool heights = false;  // h1 and h2 given (geodetic only)
  std::vector<GeodeticCommonPoint> geodetic;
  std::vector<PlaneCommonPoint> planar;
  std::size_t Count() const { return plane ? planar.size() : geodetic.size(); }
};

// The lines of a table (comma, tab or blank separated, told from the first
// line that is not blank or a "#" comment) whose first line names the
// columns, in any order and case:
//   name, 点名, 点号 or id: the point's name (else its row number);
//   lon1 lat1 [h1] lon2 lat2 [h2]: geodetic, 1 the source datum and 2 the
//     target, degrees decimal or as degrees:minutes:seconds, ellipsoidal
//     heights (0 where none);
//   north1 east1 north2 east2 (or n1 e1 n2 e2, or y1 x1 y2 x2, this
//     program's X being the easting): Gauss-Krüger of one zone.
// A first line of a name and four numbers, with no column names, is a row
// of points pasted from a spreadsheet in the surveyor's order: name, X
// (north) and Y (east) on the source datum, then on the target.
// Empty on success, with the points in result; else the refusal (naming
// source and the line, result untouched) of a table without the columns, a
// row missing a value, or a value that is no number or angle. No I/O: the
// caller reads the lines.
Message ParseCommonPointTable(const std::vector<std::string>& lines, const std::string& source,
                              CommonPointTable& result);

}  // namespace karvento
