// SPDX-License-Identifier: Apache-2.0
// A request of the page as its form states it, its translation into the
// routines' terms, and the walk of the sheets it lists: shared by the page's
// entry points (core.cpp) and its file writers (files.cpp), so that every
// file is made of exactly the sheets listed.
#pragma once

#include <emscripten/val.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/angle_text.h"
#include "geodesy/angles.h"
#include "export/sheet_frame.h"
#include "numbering/sheet_grid.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento::web {

// A request as the page's form states it: the corners as typed, in any of
// the window's coordinate forms.
struct Request {
  std::string west, south, east, north;
  int scale = 6;
  bool newStandard = true;
  bool zone3 = true;
  int datum = 0;  // Datum's order: 0 = Beijing 1954, 1 = Xi'an 1980, 2 = CGCS2000
  double cm = 0;
  double offsetX = 0, offsetY = 0;
};

// The datum of the form's choice, in the datum table's order; a value that
// names no row is refused, never taken for another datum.
inline Datum DatumOf(int d) {
  if (d < 0 || d >= static_cast<int>(kDatums.size())) throw Error("坐标系 " + std::to_string(d) + " 不存在");
  return kDatums[static_cast<std::size_t>(d)].datum;
}

// The request as the files of its sheets carry it: the plane of the corners,
// the scale and the standard.
inline FramePlane PlaneOf(const Request& r) {
  const std::size_t scale = static_cast<std::size_t>(r.scale);
  return {DatumOf(r.datum), r.zone3, r.cm, r.offsetX, r.offsetY,
          scale < kScaleDenominators.size() ? kScaleDenominators[scale] : 0, r.newStandard ? "new" : "old"};
}

// One corner coordinate: degrees, minutes and seconds as the window's fields
// hold them, within 0 to the most degrees; a refusal names the text.
inline TAngleDMS CornerOf(const std::string& text, double maxDegrees) {
  TAngleDMS a{};
  if (ParseAngleText(text, a) != AngleTextError::None) throw Error("“" + text + "”不是坐标");
  if (!(a.Degrees >= 0 && DmsToDeg(a) <= maxDegrees)) {
    throw Error("“" + text + "”超出范围（0 至 " + std::to_string(static_cast<int>(maxDegrees)) +
                " 度）");
  }
  return a;
}

// The request's corners; corners in the wrong order are refused in the
// command line's words (the page's fields are captioned 左下角 and 右上角).
inline TMapUnionRange RangeOf(const Request& r) {
  const TMapUnionRange range{CornerOf(r.west, 180), CornerOf(r.south, 90), CornerOf(r.east, 180),
                             CornerOf(r.north, 90)};
  if (const std::string inverted = InvertedCornersText(range, "", ""); !inverted.empty()) throw Error(inverted);
  return range;
}

// An area from the page's file reader: coords holds longitude, latitude
// pairs in decimal degrees; shape the number of polygons, then for each the
// number of its rings and the number of points of each ring (outer first).
inline GeoMultiPolygon AreaOf(const emscripten::val& coords, const emscripten::val& shape) {
  const std::vector<double> xy = emscripten::vecFromJSArray<double>(coords);
  const std::vector<int> counts = emscripten::vecFromJSArray<int>(shape);
  GeoMultiPolygon area;
  std::size_t c = 0, p = 0;
  const auto next = [&] {
    if (c >= counts.size()) throw Error("范围的结构不完整");
    return counts[c++];
  };
  const int polygons = next();
  for (int i = 0; i < polygons; ++i) {
    GeoPolygon polygon;
    const int rings = next();
    for (int r = 0; r < rings; ++r) {
      const int points = next();
      if (points < 0 || p + 2 * static_cast<std::size_t>(points) > xy.size()) {
        throw Error("范围的结构不完整");
      }
      GeoRing ring;
      for (int k = 0; k < points; ++k, p += 2) ring.push_back({xy[p], xy[p + 1]});
      polygon.rings.push_back(std::move(ring));
    }
    area.push_back(std::move(polygon));
  }
  return area;
}

// A refusal or failure as the page's JavaScript receives it: { error }.
inline emscripten::val Failure(const std::string& text) {
  emscripten::val out = emscripten::val::object();
  out.set("error", text);
  return out;
}

// The bytes as a Uint8Array over the module's memory, valid only until the
// module next allocates: for a call that copies them at once.
inline emscripten::val MemoryView(std::string_view bytes) {
  return emscripten::val(
      emscripten::typed_memory_view(bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data())));
}

// A copy that JavaScript owns, the C++ bytes going out of scope.
inline emscripten::val Bytes(std::string_view bytes) {
  return emscripten::val::global("Uint8Array").new_(MemoryView(bytes));
}

// The walk of the sheets that a request lists: over the area of coords and
// shape (as AreaOf takes them) when shape is not empty. limited as the
// walk takes it: a list being made is limited, one walked again to export it
// was limited when it was made.
inline SheetWalk ListedWalk(const Request& r, const emscripten::val& coords, const emscripten::val& shape,
                            double minCover, bool limited = false) {
  if (shape["length"].as<double>() > 0) {
    return SheetWalk(AreaOf(coords, shape), RangeOf(r), minCover, static_cast<ScaleIndex>(r.scale),
                     r.newStandard, r.zone3, DatumOf(r.datum), r.cm, limited);
  }
  return SheetWalk(RangeOf(r), static_cast<ScaleIndex>(r.scale), r.newStandard, r.zone3, DatumOf(r.datum), r.cm,
                   limited);
}

// The sheets of a request as the page lists them (over an area when shape
// is not empty), column by column, each column cut to the sheets that mask
// keeps (one byte per listed sheet, in list order; empty: every sheet), the
// plane offsets subtracted. A column left empty is not handed on.
template <class Consumer>
void WalkListed(const SheetWalk& walk, const Request& r, const std::vector<std::uint8_t>& mask,
                Consumer consume) {
  std::size_t listed = 0;
  std::vector<TStandardMapUnion> kept;
  walk.Run([&](std::vector<TStandardMapUnion>& column) {
    SubtractPlaneOffsets(column, r.offsetX, r.offsetY);
    if (mask.empty()) {
      listed += column.size();
      if (!column.empty()) consume(column);
      return;
    }
    kept.clear();
    for (std::size_t i = 0; i < column.size(); ++i, ++listed) {
      if (listed < mask.size() && mask[listed]) kept.push_back(std::move(column[i]));
    }
    if (!kept.empty()) consume(kept);
  });
}

}  // namespace karvento::web
