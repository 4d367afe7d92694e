// SPDX-License-Identifier: Apache-2.0
// The sheet walk exactly as the numbering rules state it, one sheet at a time.
// Production code uses it where the fast walk cannot prove itself equal, and
// the tests hold the fast walk against it.
#include "numbering/sheet_grid.h"

namespace karvento::literal {

using detail::FromUnit;
using detail::ToUnit;

// At 1:100万 the number comes from the sheet's own edges; below it from the
// first sheet of the parent's routine run on the sheet's own range.
std::string SheetNumber(const TMapUnionRange& sheet, double west, double north, ScaleIndex scale,
                        Standard standard, bool zone3, Datum datum, double cm) {
  const detail::GridUnit u = detail::UnitOf(scale, standard);
  std::string number;
  if (scale == 0) {
    detail::AppendMillionNumber(number, west, north, standard);
    return number;
  }
  const ScaleIndex parentScale = standard == Standard::Old ? kOldSubdivisions[scale].parent : 0;
  // A new-standard sheet is numbered inside its 1:100万 sheet, whose number
  // is then in new form; an old-standard parent 1:100万 is in old form.
  TStandardMapUnions parent;
  CreateSheets(sheet, parentScale, standard, zone3, datum, cm, false, parent);
  if (parent.empty() || parent.front().empty()) throw Error(kRangeCheckError);
  const TStandardMapUnion& p = parent.front().front();
  const double Np = ToUnit(p.Range.North, u.degrees);
  const double Wp = ToUnit(p.Range.West, u.degrees);
  const long long r = detail::CheckedInteger(Truncate((Np - north) / u.height));
  const long long c = detail::CheckedInteger(Truncate((west - Wp) / u.width));
  number = p.MapUnionNo;
  if (standard == Standard::Old) {
    const OldSubdivision& d = kOldSubdivisions[scale];
    detail::AppendDesignator(number, d.designator, d.division, r, c);
  } else {
    number += kNewScaleCodes[scale];
    detail::AppendSerial(number, r + 1, kSerialDigits[scale]);
    detail::AppendSerial(number, c + 1, kSerialDigits[scale]);
  }
  return number;
}

void CreateSheets(const TMapUnionRange& range, ScaleIndex scale, Standard standard, bool zone3,
                  Datum datum, double cm, bool project, TStandardMapUnions& result) {
  const detail::GridUnit u = detail::UnitOf(scale, standard);
  const detail::SnappedRequest q = detail::Snap(range, u);
  TStandardMapUnions sheets(static_cast<std::size_t>(q.columns));
  for (long long i = 1; i <= q.columns; ++i) {
    auto& column = sheets[static_cast<std::size_t>(i - 1)];
    column.resize(static_cast<std::size_t>(q.rows));
    for (long long j = 0; j < q.rows; ++j) {
      const double west = q.W + static_cast<double>(i - 1) * u.width;
      const double east = q.W + static_cast<double>(i) * u.width;
      const double north = q.N - static_cast<double>(j) * u.height;
      const double south = q.N - static_cast<double>(j + 1) * u.height;
      TStandardMapUnion& s = column[static_cast<std::size_t>(j)];
      s.Range = {FromUnit(west, u.degrees), FromUnit(south, u.degrees), FromUnit(east, u.degrees),
                 FromUnit(north, u.degrees)};
      s.MapUnionNo = SheetNumber(s.Range, west, north, scale, standard, zone3, datum, cm);
      if (project) {
        // Every corner on the sheet's zone: the request's, or without a
        // central meridian the one zone that holds the whole sheet.
        const ZoneParams zone = SheetZone(MakeZoneParams(zone3, cm), DmsToDeg(s.Range.West),
                                          DmsToDeg(s.Range.East));
        s.PlaneCorners[kNW] = GeoToPlane(datum, {s.Range.West, s.Range.North}, zone);
        s.PlaneCorners[kNE] = GeoToPlane(datum, {s.Range.East, s.Range.North}, zone);
        s.PlaneCorners[kSE] = GeoToPlane(datum, {s.Range.East, s.Range.South}, zone);
        s.PlaneCorners[kSW] = GeoToPlane(datum, {s.Range.West, s.Range.South}, zone);
      }
    }
  }
  result = std::move(sheets);
}

}  // namespace karvento::literal
