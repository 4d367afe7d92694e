// SPDX-License-Identifier: Apache-2.0
// The frame of a standard sheet as every GIS file of sheets draws it: its
// four corners and the closed ring of its polygon. One routine, so that the
// Shapefile, the DXF drawing and the files GDAL writes hold the same
// vertices.
#pragma once

#include <vector>

#include "geodesy/datum.h"
#include "numbering/sheet_types.h"

namespace karvento {

// How far a frame's polygon may lie from the sheet's true edges, in metres.
inline constexpr double kFrameOutlineTolerance = 0.01;

// The plane a sheet's corners were computed on: the datum's Gauss-Krüger
// system of the zone method and central meridian (cm = 0: each corner on its
// own zone), the offsets subtracted from every coordinate afterwards.
//
// It is the request that made the sheets, and travels with them: the scale
// (its denominator) and the standard ("new" or "old") it asked for are what
// the files' 比例尺 and 标准 attributes say. 0 and none for a table of sheets
// of several scales or of both standards (the sheets of a point at every
// scale, a list of typed numbers), where each sheet says its own.
struct FramePlane {
  Datum datum = Datum::Beijing54;
  bool zone3 = true;
  double cm = 0;
  double offsetX = 0, offsetY = 0;
  int denominator = 0;
  const char* standard = nullptr;
};

struct GisFrame {
  double x[4] = {}, y[4] = {};  // corners NW, NE, SE, SW
  // The closed ring NW, NE, SE, SW, NW, north up, clockwise; along the true
  // edges (within kFrameOutlineTolerance) unless the corners alone were
  // asked for, when it is the five corners.
  std::vector<double> ringX, ringY;
  // The least and greatest coordinates of the four corners.
  double MinX() const;
  double MaxX() const;
  double MinY() const;
  double MaxY() const;
};

// Fills frame (its ring vectors reused) for the sheet: longitudes and
// latitudes in decimal degrees when geographic, else the sheet's plane
// corners (offsets already subtracted, as the walk hands them over) and an
// outline whose corners equal them exactly.
void FrameOfSheet(const TStandardMapUnion& sheet, const FramePlane& plane, bool geographic, bool cornersOnly,
                  GisFrame& frame);

// The frame of a rectangle given by its edges (an independent or
// rectangular grid's sheet): the four corners, the ring of five.
void FrameOfRectangle(double minX, double minY, double maxX, double maxY, GisFrame& frame);

}  // namespace karvento
