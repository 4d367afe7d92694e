// SPDX-License-Identifier: Apache-2.0
// The production sheet walk and the routines of both numbering standards.
#include "numbering/sheet_grid.h"

#include "numbering/area.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <utility>
#include <variant>

namespace karvento {

namespace detail {

GridUnit UnitOf(ScaleIndex scale, Standard standard) {
  if (scale < 0 || scale >= kScaleCount) throw Error(kRangeCheckError);
  if (standard == Standard::Old && !HasOldStandard(scale)) {
    throw Error(OldStandardLacksScaleMessage(scale, false));
  }
  // The 1:100万 routine, and the old-standard 1:50万 routine, work in decimal
  // degrees; all others in seconds of arc.
  const bool degrees = scale == 0 || (scale == 1 && standard == Standard::Old);
  const double k = degrees ? 3600.0 : 1.0;
  return {degrees, LonStepTable[scale] / k, LatStepTable[scale] / k};
}

double ToUnit(const TAngleDMS& a, bool degrees) { return degrees ? DmsToDeg(a) : DmsToSec(a); }
TAngleDMS FromUnit(double v, bool degrees) { return degrees ? DegToDms(v) : SecToDms(v); }

namespace {

// Sheets between two snapped edges: the whole part of the difference divided
// by the step, truncating; for the steps that are not whole (112.5″ and the
// steps below 1:2000's 25″) the quotient itself is truncated. Both are exact:
// the snapped difference is a whole multiple of the step.
double CountBetween(double hi, double lo, double step) {
  if (Truncate(step) == step) return Truncate(Truncate(hi - lo) / step);
  return Truncate((hi - lo) / step);
}

}  // namespace

SnappedRequest Snap(const TMapUnionRange& range, const GridUnit& u, bool limited) {
  SnappedRequest q;
  q.W = FloorToStep(ToUnit(range.West, u.degrees), u.width);
  q.S = FloorToStep(ToUnit(range.South, u.degrees), u.height);
  q.E = CeilToStep(ToUnit(range.East, u.degrees), u.width);
  q.N = CeilToStep(ToUnit(range.North, u.degrees), u.height);
  const double columns = CountBetween(q.E, q.W, u.width);
  double rows = CountBetween(q.N, q.S, u.height);
  // The result is sized to the columns first and each column to the rows, so
  // negative rows fail only where there is a column to size.
  if (!(columns >= 0)) throw Error(kRangeCheckError);
  if (columns == 0) rows = 0;
  if (!(rows >= 0)) throw Error(kRangeCheckError);
  const double kMax = static_cast<double>(kMaxSheets);
  if (limited && (columns > kMax || rows > kMax || columns * rows > kMax)) {
    ThrowSheetLimit(columns * rows > columns ? columns * rows : columns, msg::kAdviceSmallerRange);
  }
  // A walk that hands its columns on holds one column at a time: that one
  // column must fit, and the count of columns must fit in 64 bits.
  if (!limited && !(columns < 9e18)) throw Error(kRangeCheckError);
  if (!limited && rows > kMax) {
    throw Error(Message(msg::kTooManySheetsInColumn, {FormatCount(rows), FormatCount(kMax)}));
  }
  q.columns = static_cast<long long>(columns);
  q.rows = static_cast<long long>(rows);
  return q;
}

long long CheckedInteger(double v) {
  if (!(std::abs(v) < 9.2e18)) throw Error(kRangeCheckError);
  return static_cast<long long>(v);
}

namespace {

char* WriteInt(char* p, long long v) {
  // Designators and serials are small: write them without the general path.
  if (v >= 0 && v < 1000) {
    if (v >= 100) *p++ = static_cast<char>('0' + v / 100);
    if (v >= 10) *p++ = static_cast<char>('0' + v / 10 % 10);
    *p++ = static_cast<char>('0' + v % 10);
    return p;
  }
  return std::to_chars(p, p + 24, v).ptr;
}

// What follows the row letter of a 1:100万 number: its column.
char* WriteMillionColumn(char* p, long long column, Standard standard) {
  if (standard == Standard::Old) {
    *p++ = '-';
  } else if (column >= 0 && column <= 9) {
    *p++ = '0';  // two digits, so that every new number has its fixed width
  }
  return WriteInt(p, column);
}

// Row letter and column of a 1:100万 sheet; the row must have a letter.
char* WriteMillion(char* p, long long row, long long column, Standard standard) {
  if (!HasRowLetter(row)) throw Error(kRangeCheckError);
  *p++ = RowLetter(static_cast<int>(row));
  return WriteMillionColumn(p, column, standard);
}

char* WriteDesignator(char* p, Designator d, int division, long long r, long long c) {
  const long long n = r * division + c + 1;
  switch (d) {
    case Designator::None:
      break;
    case Designator::Letter:
      // Only A to D exist; a sub-sheet outside its 2 × 2 parent has none.
      if (r < 0 || r > 1 || c < 0 || c > 1) throw Error(kRangeCheckError);
      *p++ = '-';
      *p++ = static_cast<char>('A' + 2 * r + c);
      break;
    case Designator::Square:
      *p++ = '-';
      *p++ = '[';
      p = WriteInt(p, n);
      *p++ = ']';
      break;
    case Designator::Plain:
      *p++ = '-';
      p = WriteInt(p, n);
      break;
    case Designator::Round:
      *p++ = '-';
      *p++ = '(';
      p = WriteInt(p, n);
      *p++ = ')';
      break;
  }
  return p;
}

// One leading "0" for each power of ten from 10 up to 10^(digits−1) that n
// stays below: 1 → 001 (three digits), 45 → 0045 (four); a number with more
// digits is written whole.
char* WriteSerial(char* p, long long n, int digits) {
  long long bound = 10;
  for (int k = 1; k < digits; ++k, bound *= 10) {
    if (n < bound) *p++ = '0';
  }
  return WriteInt(p, n);
}

}  // namespace

void AppendMillionNumber(std::string& out, double westDeg, double northDeg, Standard standard) {
  char buf[64];
  const long long column = CheckedInteger(Truncate(westDeg / 6.0 + 31.0));
  const long long row = CheckedInteger(Truncate(northDeg / 4.0));
  out.append(buf, WriteMillion(buf, row, column, standard));
}

void AppendDesignator(std::string& out, Designator d, int division, long long r, long long c) {
  char buf[64];
  out.append(buf, WriteDesignator(buf, d, division, r, c));
}

void AppendSerial(std::string& out, long long n, int digits) {
  char buf[48];
  out.append(buf, WriteSerial(buf, n, digits));
}

}  // namespace detail

void ThrowSheetLimit(double count, const char* advice) {
  throw SheetLimitError(Message(msg::kTooManySheets, {FormatCount(count), FormatCount(static_cast<double>(kMaxSheets)),
                                                     Message(advice)}));
}

InvertedCorners FindInvertedCorners(const TMapUnionRange& range) {
  const auto dms = [](const TAngleDMS& a) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0f:%02.0f:%02g", a.Degrees, a.Minutes, a.Seconds);
    return std::string(buf);
  };
  if (DmsToDeg(range.West) > DmsToDeg(range.East)) {
    return {kLongitudesInverted, dms(range.West), dms(range.East)};
  }
  if (DmsToDeg(range.South) > DmsToDeg(range.North)) {
    return {kLatitudesInverted, dms(range.South), dms(range.North)};
  }
  return {};
}

std::string InvertedCornersText(const TMapUnionRange& range, std::string_view lowerField,
                                std::string_view upperField) {
  const InvertedCorners c = FindInvertedCorners(range);
  if (!c.pattern) return {};
  const std::string_view args[] = {c.lower, c.upper, lowerField, upperField};
  std::string out;
  std::size_t next = 0;
  for (const char* p = c.pattern; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      out += args[next++];
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

std::string FormatSerial3(int n) {
  std::string s;
  detail::AppendSerial(s, n, 3);
  return s;
}

namespace {

using detail::GridUnit;
using detail::SnappedRequest;

// Sheet edges in grid units (eighths of a second of arc), where every grid
// line of every scale is a whole number.
constexpr double kUnitsPerSecond = static_cast<double>(kGridUnitsPerSecond);
constexpr long long kMillionWidthH = 21600 * kGridUnitsPerSecond;
constexpr long long kMillionHeightH = 14400 * kGridUnitsPerSecond;

long long WidthH(ScaleIndex s) { return static_cast<long long>(LonStepTable[s] * kUnitsPerSecond); }
long long HeightH(ScaleIndex s) { return static_cast<long long>(LatStepTable[s] * kUnitsPerSecond); }

// The exact grid walk applies when the snapped west and north edges are grid
// lines and every sheet lies east of 0° and north of the equator: then each
// parent routine of the literal rules finds exactly the grid cell that holds
// the sheet, and its edges are the exact multiples used here.
bool OnExactGrid(const SnappedRequest& q, const GridUnit& u) {
  const double lowestSouth = q.N - static_cast<double>(q.rows) * u.height;
  const double eastmost = q.W + static_cast<double>(q.columns) * u.width;
  const double limit = u.degrees ? 1e9 : 1e12;  // far inside exact integers
  return q.W >= 0 && q.W == Truncate(q.W / u.width) * u.width && q.N == Truncate(q.N / u.height) * u.height &&
         lowestSouth >= 0 && eastmost < limit && q.N < limit;
}

// The scales whose designators make up an old number, from below 1:100万
// down to the sheet's own scale.
int OldChain(ScaleIndex scale, ScaleIndex chain[3]) {
  int n = 0;
  for (ScaleIndex s = scale; s > 0; s = kOldSubdivisions[s].parent) chain[n++] = s;
  for (int i = 0; i < n / 2; ++i) std::swap(chain[i], chain[n - 1 - i]);
  return n;
}

// Grid indices of one column (from its west edge) or one row (from its north
// edge), at every level of the number.
struct Indices {
  long long million;  // 1:100万 column number, or row number
  long long at[3];    // column or row inside the parent, per level of the chain
};

Indices ColumnIndices(long long westH, ScaleIndex scale, Standard standard, const ScaleIndex* chain,
                      int levels) {
  Indices x{};
  const long long millionWest = westH / kMillionWidthH * kMillionWidthH;
  x.million = westH / kMillionWidthH + kColumnOfZeroMeridian;
  if (standard == Standard::New) {
    x.at[0] = (westH - millionWest) / WidthH(scale);
    return x;
  }
  long long parentWest = millionWest;
  for (int l = 0; l < levels; ++l) {
    const long long w = WidthH(chain[l]);
    const long long west = westH / w * w;
    x.at[l] = (west - parentWest) / w;
    parentWest = west;
  }
  return x;
}

long long CeilTo(long long v, long long step) { return (v + step - 1) / step * step; }

Indices RowIndices(long long northH, ScaleIndex scale, Standard standard, const ScaleIndex* chain,
                   int levels) {
  Indices y{};
  const long long millionNorth = CeilTo(northH, kMillionHeightH);
  y.million = millionNorth / kMillionHeightH;
  if (standard == Standard::New) {
    y.at[0] = (millionNorth - northH) / HeightH(scale);
    return y;
  }
  long long parentNorth = millionNorth;
  for (int l = 0; l < levels; ++l) {
    const long long h = HeightH(chain[l]);
    const long long north = CeilTo(northH, h);
    y.at[l] = (parentNorth - north) / h;
    parentNorth = north;
  }
  return y;
}

// The number of a sheet from its column and row indices.
std::size_t WriteNumber(char* buf, const Indices& x, const Indices& y, ScaleIndex scale,
                        Standard standard, const ScaleIndex* chain, int levels) {
  char* p = detail::WriteMillion(buf, y.million, x.million, standard);
  if (standard == Standard::New) {
    if (scale > 0) {
      *p++ = kNewScaleCodes[scale];
      p = detail::WriteSerial(p, y.at[0] + 1, kSerialDigits[scale]);
      p = detail::WriteSerial(p, x.at[0] + 1, kSerialDigits[scale]);
    }
  } else {
    for (int l = 0; l < levels; ++l) {
      const OldSubdivision& d = kOldSubdivisions[chain[l]];
      p = detail::WriteDesignator(p, d.designator, d.division, y.at[l], x.at[l]);
    }
  }
  return static_cast<std::size_t>(p - buf);
}

// A part of a sheet number that its row or its column alone decides, written
// once per row or column and copied into each number whole: a copy of a fixed
// 24 bytes costs less than one of the part's own length. The buffer a number
// is assembled in leaves room for the bytes copied beyond the part.
struct Piece {
  char text[23];
  unsigned char size;
};
static_assert(sizeof(Piece) == 24);

// At most a letter and four pieces, each copied whole.
constexpr std::size_t kAssemblyBuffer = 1 + 4 * sizeof(Piece);

template <class Write>
Piece MakePiece(const Write& write) {
  char buf[64];
  const char* end = write(buf);
  Piece piece{};
  const auto size = static_cast<std::size_t>(end - buf);
  // The longest part is a column of 20 digits behind a '-' or '0'.
  if (size > sizeof piece.text) throw Error(kRangeCheckError);
  std::memcpy(piece.text, buf, size);
  piece.size = static_cast<unsigned char>(size);
  return piece;
}

inline char* Put(char* p, const Piece& piece) {
  std::memcpy(p, piece.text, sizeof piece.text);
  return p + piece.size;
}

// The parts of the numbers of an exact walk that each row decides, and the
// designators of the old standard by their row and column in the parent.
// WriteNumber's result, in pieces: a row letter, what WriteMillionColumn
// writes for the column, then under the new standard the scale code with the
// row's serial and the column's serial, under the old one a designator per
// level of the chain.
struct NumberPieces {
  std::vector<char> rowLetter;
  std::vector<Piece> rowTail;                   // new standard: code and row serial
  std::vector<std::vector<Piece>> designators;  // old standard: per level, r · division + c
};

NumberPieces MakeNumberPieces(const std::vector<Indices>& rowIndex, ScaleIndex scale,
                              Standard standard, const ScaleIndex* chain, int levels) {
  NumberPieces n;
  n.rowLetter.reserve(rowIndex.size());
  for (const Indices& y : rowIndex) n.rowLetter.push_back(RowLetter(static_cast<int>(y.million)));
  if (standard == Standard::New) {
    if (scale > 0) {
      n.rowTail.reserve(rowIndex.size());
      for (const Indices& y : rowIndex) {
        n.rowTail.push_back(MakePiece([&](char* p) {
          *p++ = kNewScaleCodes[scale];
          return detail::WriteSerial(p, y.at[0] + 1, kSerialDigits[scale]);
        }));
      }
    }
    return n;
  }
  for (int l = 0; l < levels; ++l) {
    const OldSubdivision& d = kOldSubdivisions[chain[l]];
    std::vector<Piece>& table = n.designators.emplace_back();
    for (int r = 0; r < d.division; ++r) {
      for (int c = 0; c < d.division; ++c) {
        table.push_back(MakePiece(
            [&](char* p) { return detail::WriteDesignator(p, d.designator, d.division, r, c); }));
      }
    }
  }
  return n;
}

// Whether every index of the chain lies inside its parent's division, as it
// does on an exact grid; the designator tables hold no other.
bool InsideDivisions(const Indices& i, const ScaleIndex* chain, int levels) {
  for (int l = 0; l < levels; ++l) {
    if (i.at[l] < 0 || i.at[l] >= kOldSubdivisions[chain[l]].division) return false;
  }
  return true;
}

}  // namespace

// Everything a walk prepares once: the snapped request, the parallels (their
// edges, angles, the datum's latitude terms and row indices) and the chain of
// the number. The latitude terms are those of the datum's split projection:
// the fixed series of Beijing 1954 and Xi'an 1980 or the Krüger series of
// CGCS2000.
struct SheetWalk::State {
  ScaleIndex scale = 0;
  Standard standard = Standard::New;
  bool zone3 = true;
  Datum datum = Datum::Beijing54;
  double cm = 0;
  GridUnit u{};
  SnappedRequest q{};
  bool exact = false;
  ScaleIndex chain[3] = {0, 0, 0};
  int levels = 0;
  std::vector<double> latEdge;
  std::vector<TAngleDMS> latAngle;
  std::vector<Indices> rowIndex;
  NumberPieces pieces;  // of an exact walk whose rows all lie inside their divisions
  bool piecewise = false;
  std::variant<std::vector<LatitudeTerms>, std::vector<KrugerLatitudeTerms>> parallel;
  // An area's selection on this very grid, decided before anything is
  // projected or numbered, and the least covered fraction; none for a walk
  // of the whole request. Shared by a walk and its WithoutArea copy.
  std::shared_ptr<const SheetSelection> area;
  double minCover = 0;

  double LonEdge(long long a) const { return q.W + static_cast<double>(a) * u.width; }
  bool Keep(std::int64_t column, std::int64_t row) const {
    return !area || (area->Selected(column, row) &&
                     (minCover <= 0 || area->Cover(column, row) >= minCover));
  }
};

namespace {

// The columns first … last − 1 of a prepared walk on the datum's projection:
// each meridian prepared once, each grid point projected once and shared by
// the sheets that meet there. Under an area only the kept sheets are numbered
// and only their corners projected (a grid point when the first kept sheet
// beside it needs it), and a column with no kept sheet is not handed over.
template <class Projection, class Consume>
void RunColumns(const SheetWalk::State& w, const Projection& projection, const Consume& consume,
                bool withCovers, std::int64_t first, std::int64_t last) {
  const GridUnit& u = w.u;
  const auto& parallel = std::get<std::vector<typename Projection::ParallelTerms>>(w.parallel);
  std::vector<TStandardMapUnion> column;
  std::vector<double> covers;
  const auto rows = static_cast<std::size_t>(w.q.rows);
  std::vector<TPlanePoint> westPoints(rows + 1), eastPoints(rows + 1);
  const auto projectMeridian = [&](const typename Projection::MeridianTerms& meridian,
                                   std::vector<TPlanePoint>& out) {
    for (std::size_t b = 0; b <= rows; ++b) out[b] = Projection::Point(parallel[b], meridian);
  };
  const bool area = w.area != nullptr;
  // Under an area: the kept rows of the column, and which grid points of its
  // west and east meridians are projected.
  std::vector<std::size_t> kept;
  std::vector<char> westDone, eastDone;
  TAngleDMS westAngle = detail::FromUnit(w.LonEdge(first), u.degrees);
  // The central meridian that the points of the west meridian were projected
  // on. Without a central meridian a sheet's corners share the zone that holds
  // it (SheetZone): a meridian on a zone boundary is projected once for the
  // sheets west of it and once for those east of it.
  double westL0 = MeridianOfPoint(projection.zone, DmsToDeg(westAngle));
  if (area) {
    westDone.assign(rows + 1, 0);
    eastDone.assign(rows + 1, 0);
  } else if (first < last) {
    projectMeridian(projection.Meridian(DmsToDeg(westAngle)), westPoints);
  }
  const double toH = u.degrees ? 3600.0 * kUnitsPerSecond : kUnitsPerSecond;
  // The walk's fixed facts, held here rather than read through w afresh for
  // every sheet: a record's writes could alias them as far as the compiler knows.
  const bool exact = w.exact;
  const bool newStandard = w.standard == Standard::New;
  const int levels = w.levels;
  const bool tails = !w.pieces.rowTail.empty();
  const char* const rowLetter = w.pieces.rowLetter.data();
  const Piece* const rowTail = w.pieces.rowTail.data();
  const std::vector<std::vector<Piece>>& designators = w.pieces.designators;
  const TAngleDMS* const latAngle = w.latAngle.data();

  for (std::int64_t i = first; i < last; ++i) {
    const double westEdge = w.LonEdge(i);
    const TAngleDMS eastAngle = detail::FromUnit(w.LonEdge(i + 1), u.degrees);
    const double westDeg = DmsToDeg(westAngle), eastDeg = DmsToDeg(eastAngle);
    const ZoneParams zone = SheetZone(projection.zone, westDeg, eastDeg);
    if (const double L0 = MeridianOfPoint(zone, westDeg); L0 != westL0) {
      westL0 = L0;
      if (area) {
        std::fill(westDone.begin(), westDone.end(), 0);
      } else {
        projectMeridian(Projection::Meridian(westDeg, zone), westPoints);
      }
    }
    const typename Projection::MeridianTerms eastTerms = Projection::Meridian(eastDeg, zone);
    if (area) {
      kept.clear();
      for (std::size_t j = 0; j < rows; ++j) {
        if (w.Keep(i, static_cast<std::int64_t>(j))) kept.push_back(j);
      }
      std::fill(eastDone.begin(), eastDone.end(), 0);
      if (!kept.empty()) {
        const typename Projection::MeridianTerms west = Projection::Meridian(westDeg, zone);
        for (const std::size_t j : kept) {
          for (std::size_t b = j; b <= j + 1; ++b) {
            if (!westDone[b]) westPoints[b] = Projection::Point(parallel[b], west), westDone[b] = 1;
            if (!eastDone[b]) eastPoints[b] = Projection::Point(parallel[b], eastTerms), eastDone[b] = 1;
          }
        }
      }
    } else {
      projectMeridian(eastTerms, eastPoints);
    }
    if (!area || !kept.empty()) {
      Indices colIndex{};
      if (exact) {
        colIndex = ColumnIndices(static_cast<long long>(westEdge * toH), w.scale, w.standard,
                                 w.chain, w.levels);
      }
      // The column's parts of the numbers, where its indices are those the
      // pieces were made for.
      const bool piecewise = w.piecewise && InsideDivisions(colIndex, w.chain, w.levels);
      Piece colHead{}, colTail{};
      std::size_t colDesignator[3] = {0, 0, 0};
      if (piecewise) {
        colHead = MakePiece(
            [&](char* p) { return detail::WriteMillionColumn(p, colIndex.million, w.standard); });
        if (newStandard && w.scale > 0) {
          colTail = MakePiece([&](char* p) {
            return detail::WriteSerial(p, colIndex.at[0] + 1, kSerialDigits[w.scale]);
          });
        }
        for (int l = 0; l < levels; ++l) colDesignator[l] = static_cast<std::size_t>(colIndex.at[l]);
      }
      const auto number = [&](std::size_t j, char* buf) -> std::size_t {
        if (!piecewise) {
          return WriteNumber(buf, colIndex, w.rowIndex[j], w.scale, w.standard, w.chain, levels);
        }
        char* p = buf;
        *p++ = rowLetter[j];
        p = Put(p, colHead);
        if (newStandard) {
          if (tails) p = Put(Put(p, rowTail[j]), colTail);
        } else {
          const Indices& y = w.rowIndex[j];
          for (int l = 0; l < levels; ++l) {
            const std::vector<Piece>& table = designators[static_cast<std::size_t>(l)];
            const auto division = static_cast<std::size_t>(kOldSubdivisions[w.chain[l]].division);
            p = Put(p, table[static_cast<std::size_t>(y.at[l]) * division + colDesignator[l]]);
          }
        }
        return static_cast<std::size_t>(p - buf);
      };
      // A column the consumer kept is refilled in place; one it moved away, or
      // one of another length, is built afresh, each record written once.
      const std::size_t count = area ? kept.size() : rows;
      const bool refill = column.size() == count;
      if (!refill) {
        column.clear();
        column.reserve(count);
      }
      if (withCovers) covers.resize(area ? count : 0);
      for (std::size_t k = 0; k < count; ++k) {
        const std::size_t j = area ? kept[k] : k;
        const TMapUnionRange range{westAngle, latAngle[j + 1], eastAngle, latAngle[j]};
        const std::array<TPlanePoint, 4> corners{westPoints[j], eastPoints[j], eastPoints[j + 1],
                                                 westPoints[j + 1]};
        if (exact) {
          char buf[kAssemblyBuffer];
          const std::size_t size = number(j, buf);
          if (refill) {
            TStandardMapUnion& s = column[k];
            s.MapUnionNo.assign(buf, size);
            s.Range = range;
            s.PlaneCorners = corners;
          } else {
            column.push_back(TStandardMapUnion{std::string(buf, size), range, corners});
          }
        } else {
          std::string no = literal::SheetNumber(range, westEdge, w.latEdge[j], w.scale, w.standard,
                                                w.zone3, w.datum, w.cm);
          if (refill) {
            column[k] = TStandardMapUnion{std::move(no), range, corners};
          } else {
            column.push_back(TStandardMapUnion{std::move(no), range, corners});
          }
        }
        if (withCovers && area) covers[k] = w.area->Cover(i, static_cast<std::int64_t>(j));
      }
      consume(column, covers);
    }
    westPoints.swap(eastPoints);
    westDone.swap(eastDone);
    westAngle = eastAngle;
    westL0 = MeridianOfPoint(zone, eastDeg);
  }
}

}  // namespace

std::size_t detail::CellNumber(char* buf, long long column, long long row, ScaleIndex scale,
                               Standard standard) {
  ScaleIndex chain[3] = {0, 0, 0};
  const int levels = standard == Standard::Old ? OldChain(scale, chain) : 0;
  const Indices x = ColumnIndices(column * WidthH(scale), scale, standard, chain, levels);
  const Indices y = RowIndices((row + 1) * HeightH(scale), scale, standard, chain, levels);
  return WriteNumber(buf, x, y, scale, standard, chain, levels);
}

SheetWalk::SheetWalk(const TMapUnionRange& range, ScaleIndex scale, bool newStandard, bool zone3,
                     Datum datum, double cm, bool limited)
    : state_(std::make_unique<State>()) {
  State& w = *state_;
  w.scale = scale;
  w.standard = newStandard ? Standard::New : Standard::Old;
  w.zone3 = zone3;
  w.datum = datum;
  w.cm = cm;
  w.u = detail::UnitOf(scale, w.standard);
  w.q = detail::Snap(range, w.u, limited);
  const GridUnit& u = w.u;
  const SnappedRequest& q = w.q;
  if (q.columns == 0 || q.rows == 0) return;
  const auto rows = static_cast<std::size_t>(q.rows);

  // Edges as the literal walk forms them: west W + (i−1)·width and east
  // W + i·width, north N − j·height and south N − (j+1)·height. The same edge
  // of two neighbours is the same double, and so the same angle.
  w.latEdge.resize(rows + 1);
  w.latAngle.resize(rows + 1);
  for (std::size_t b = 0; b <= rows; ++b) {
    w.latEdge[b] = q.N - static_cast<double>(b) * u.height;
    w.latAngle[b] = detail::FromUnit(w.latEdge[b], u.degrees);
  }

  // Numbers: from exact grid indices where they are provably those of the
  // literal rules, otherwise by the literal parent lookups.
  w.exact = OnExactGrid(q, u);
  w.levels = w.standard == Standard::Old ? OldChain(scale, w.chain) : 0;
  if (w.exact) {
    const double toH = u.degrees ? 3600.0 * kUnitsPerSecond : kUnitsPerSecond;
    w.rowIndex.resize(rows);
    for (std::size_t j = 0; j < rows; ++j) {
      const auto northH = static_cast<long long>(w.latEdge[j] * toH);
      w.rowIndex[j] = RowIndices(northH, scale, w.standard, w.chain, w.levels);
      if (!HasRowLetter(w.rowIndex[j].million)) throw Error(kRangeCheckError);
    }
    w.piecewise = std::all_of(w.rowIndex.begin(), w.rowIndex.end(), [&](const Indices& y) {
      return InsideDivisions(y, w.chain, w.levels);
    });
    if (w.piecewise) w.pieces = MakeNumberPieces(w.rowIndex, scale, w.standard, w.chain, w.levels);
  }

  // Plane corners: the datum's latitude terms of every parallel, once.
  WithSplitProjection(datum, zone3, cm, [&](const auto& projection) {
    using Projection = std::decay_t<decltype(projection)>;
    std::vector<typename Projection::ParallelTerms> parallel(rows + 1);
    for (std::size_t b = 0; b <= rows; ++b) parallel[b] = projection.Parallel(w.latAngle[b]);
    w.parallel = std::move(parallel);
  });
}

SheetWalk::~SheetWalk() = default;
SheetWalk::SheetWalk(SheetWalk&&) noexcept = default;
SheetWalk& SheetWalk::operator=(SheetWalk&&) noexcept = default;

std::int64_t SheetWalk::Columns() const { return state_->q.columns; }
std::int64_t SheetWalk::Rows() const { return state_->q.columns == 0 ? 0 : state_->q.rows; }

SheetWalk::SheetWalk(const GeoMultiPolygon& area, double minCover, ScaleIndex scale,
                     bool newStandard, bool zone3, Datum datum, double cm, bool limited)
    : SheetWalk(area, AreaSheetRange(area, scale), minCover, scale, newStandard, zone3, datum, cm,
                limited) {}

SheetWalk::SheetWalk(const GeoMultiPolygon& area, const TMapUnionRange& request, double minCover,
                     ScaleIndex scale, bool newStandard, bool zone3, Datum datum, double cm,
                     bool limited)
    : SheetWalk(request, scale, newStandard, zone3, datum, cm, false) {
  State& w = *state_;
  // The selection works in seconds of arc, where every grid line is exact.
  const double k = w.u.degrees ? 3600.0 : 1.0;
  w.area = std::make_shared<const SheetSelection>(
      area, SheetFrame{w.q.W * k, w.q.N * k, w.u.width * k, w.u.height * k, w.q.columns,
                       w.q.rows});
  w.minCover = minCover;
  if (limited && w.area->Count() > kMaxSheets) {
    ThrowSheetLimit(static_cast<double>(w.area->Count()), msg::kAdviceSmallerRange);
  }
}

bool SheetWalk::HasArea() const { return state_->area != nullptr; }

SheetWalk SheetWalk::WithoutArea() const {
  auto whole = std::make_unique<State>(*state_);
  whole->area.reset();
  whole->minCover = 0;
  return SheetWalk(std::move(whole));
}

SheetWalk::SheetWalk(std::unique_ptr<State> state) : state_(std::move(state)) {}

namespace {

template <class Consume>
void RunWalk(const SheetWalk::State& w, const Consume& consume, bool withCovers, std::int64_t first,
             std::int64_t last) {
  first = std::max<std::int64_t>(first, 0);
  last = std::min<std::int64_t>(last, w.q.columns);
  if (w.q.rows == 0) {
    if (w.area) return;  // no sheet kept, so no column
    std::vector<TStandardMapUnion> column;
    const std::vector<double> covers;
    for (std::int64_t i = first; i < last; ++i) {
      column.clear();
      consume(column, covers);
    }
    return;
  }
  WithSplitProjection(w.datum, w.zone3, w.cm, [&](const auto& projection) {
    RunColumns(w, projection, consume, withCovers, first, last);
  });
}

}  // namespace

void SheetWalk::Run(const Consumer& consume, std::int64_t first, std::int64_t last) const {
  RunWalk(
      *state_,
      [&](std::vector<TStandardMapUnion>& column, const std::vector<double>&) { consume(column); },
      false, first, last);
}

void SheetWalk::RunWithCovers(const CoverConsumer& consume, std::int64_t first,
                              std::int64_t last) const {
  RunWalk(*state_, consume, true, first, last);
}

void CreateSheets(const TMapUnionRange& range, ScaleIndex scale, Standard standard, bool zone3,
                  Datum datum, double cm, TStandardMapUnions& result) {
  const SheetWalk walk(range, scale, standard == Standard::New, zone3, datum, cm, true);
  TStandardMapUnions sheets;
  sheets.reserve(static_cast<std::size_t>(walk.Columns()));
  walk.Run([&](std::vector<TStandardMapUnion>& column) { sheets.push_back(std::move(column)); });
  result = std::move(sheets);
}

void CreateOldMapUnions(TMapUnionRange range, ScaleIndex scale, bool zone3, Datum datum, double cm,
                        TStandardMapUnions& result) {
  CreateSheets(range, scale, Standard::Old, zone3, datum, cm, result);
}

void CreateNewMapUnions(TMapUnionRange range, ScaleIndex scale, bool zone3, double cm, Datum datum,
                        TStandardMapUnions& result) {
  CreateSheets(range, scale, Standard::New, zone3, datum, cm, result);
}

}  // namespace karvento
