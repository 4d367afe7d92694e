// SPDX-License-Identifier: Apache-2.0
#include "export/sheet_frame.h"

#include <algorithm>

#include "geodesy/angles.h"
#include "numbering/sheet_outline.h"

namespace karvento {

double GisFrame::MinX() const { return std::min(std::min(x[0], x[1]), std::min(x[2], x[3])); }
double GisFrame::MaxX() const { return std::max(std::max(x[0], x[1]), std::max(x[2], x[3])); }
double GisFrame::MinY() const { return std::min(std::min(y[0], y[1]), std::min(y[2], y[3])); }
double GisFrame::MaxY() const { return std::max(std::max(y[0], y[1]), std::max(y[2], y[3])); }

namespace {

void CloseOnCorners(GisFrame& frame) {
  for (const int k : {0, 1, 2, 3, 0}) {
    frame.ringX.push_back(frame.x[k]);
    frame.ringY.push_back(frame.y[k]);
  }
}

}  // namespace

void FrameOfSheet(const TStandardMapUnion& sheet, const FramePlane& plane, bool geographic, bool cornersOnly,
                  GisFrame& frame) {
  frame.ringX.clear();
  frame.ringY.clear();
  if (geographic) {
    const double w = DmsToDeg(sheet.Range.West), s = DmsToDeg(sheet.Range.South);
    const double e = DmsToDeg(sheet.Range.East), n = DmsToDeg(sheet.Range.North);
    const double xs[4] = {w, e, e, w}, ys[4] = {n, n, s, s};
    std::copy(xs, xs + 4, frame.x);
    std::copy(ys, ys + 4, frame.y);
    if (!cornersOnly) {
      for (const TLonLat& p : GeographicOutline(sheet.Range, kFrameOutlineTolerance)) {
        frame.ringX.push_back(p.Lon);
        frame.ringY.push_back(p.Lat);
      }
    }
  } else {
    for (std::size_t k = 0; k < 4; ++k) {
      frame.x[k] = sheet.PlaneCorners[k].X;
      frame.y[k] = sheet.PlaneCorners[k].Y;
    }
    if (!cornersOnly) {
      // The offsets are subtracted as from the corners, which the outline's
      // corners then equal exactly.
      const bool offsets = plane.offsetX != 0 || plane.offsetY != 0;
      for (const TPlanePoint& p :
           PlaneOutline(plane.datum, sheet.Range, plane.zone3, plane.cm, kFrameOutlineTolerance)) {
        frame.ringX.push_back(offsets ? p.X - plane.offsetX : p.X);
        frame.ringY.push_back(offsets ? p.Y - plane.offsetY : p.Y);
      }
    }
  }
  if (frame.ringX.empty()) CloseOnCorners(frame);
}

void FrameOfRectangle(double minX, double minY, double maxX, double maxY, GisFrame& frame) {
  const double xs[4] = {minX, maxX, maxX, minX}, ys[4] = {maxY, maxY, minY, minY};
  std::copy(xs, xs + 4, frame.x);
  std::copy(ys, ys + 4, frame.y);
  frame.ringX.clear();
  frame.ringY.clear();
  CloseOnCorners(frame);
}

}  // namespace karvento
