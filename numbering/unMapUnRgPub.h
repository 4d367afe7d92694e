// SPDX-License-Identifier: Apache-2.0
// The chief header: every sheet routine of the program, declared together.
//
// Conventions of all routines here: inputs by value; results through an out
// parameter that is assigned only when the routine completes, so that a
// routine that fails (throws karvento::Error) leaves the caller's result as it
// was.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/angles.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/projection.h"
#include "numbering/area.h"
#include "numbering/error.h"
#include "numbering/scales.h"
#include "numbering/sheet_types.h"

namespace karvento {

// ---------------------------------------------------------------------------
// Sheet enumeration (defined in numbering/sheet_grid.cpp, the rule-by-rule
// walk in literal.cpp, areas in area.cpp; CreateMapUnionsOfStandard in
// convert.cpp)
//
// Every routine lists the sheets of its scale that the requested area covers.
// The corners are snapped outward to the sheet grid (an edge on a grid line
// stays, so sheets that only touch the area are not listed); the sheets come
// column by column from west to east, each column from north to south. Each
// sheet gets its edges, its number and the plane corners NW, NE, SE, SW
// projected with the datum's projection (GeoToPlane54, GeoToPlane80 or
// GeoToPlane2000), zone3 and cm (cm = 0: each corner on its own zone). The
// coordinate system changes nothing but the plane corners. The routines that
// take the legacy flag is54 choose Beijing 1954 when it is true and Xi'an
// 1980 otherwise.
//
// Counts: a negative count of columns or rows (corners inverted by a whole
// sheet or more) throws "Range check error"; zero columns give an empty
// result, zero rows columns that are all empty. A request of more than
// kMaxSheets sheets is refused before anything is allocated (SheetLimitError).
//
// Domain: the grid is defined for non-negative longitudes and for rows 1 to 26
// (north edges 4° to 104°). A sheet that would need a row letter outside A–Z
// throws "Range check error"; so does a sheet whose parent cannot be found
// (only parsed numbers west of 0° or south of the equator reach either case).
// ---------------------------------------------------------------------------

// The most sheets one request may produce.
inline constexpr std::int64_t kMaxSheets = 5'000'000;

// The old-standard routine of a scale index (1:100万 with old numbers).
void CreateOldMapUnions(TMapUnionRange range, ScaleIndex scale, bool zone3, Datum datum, double cm,
                        TStandardMapUnions& result);

// New standard, any scale: J50 at 1:100万, otherwise the ten-character form
// J50D001005 (1:100万 number, scale code, row and column inside the 1:100万
// sheet counted from 1 at its north-west corner, three digits each).
void CreateNewMapUnions(TMapUnionRange range, ScaleIndex scale, bool zone3, double cm, Datum datum,
                        TStandardMapUnions& result);

// The sheets of either standard: CreateNewMapUnions when newStandard, else
// the old-standard routine of the scale.
void CreateMapUnionsOfStandard(TMapUnionRange range, ScaleIndex scale, bool newStandard,
                               bool zone3, Datum datum, double cm, TStandardMapUnions& result);

// The old standard stops at 1:5000: a request for its sheets at 1:2000,
// 1:1000 or 1:500 (HasOldStandard false), and a conversion new → old to such
// a scale, throw this refusal, naming the scale. Old → new to them is allowed.
Message OldStandardLacksScaleMessage(ScaleIndex scale, bool conversion);
void RequireConversionTarget(bool oldToNew, ScaleIndex scale);

// The sheets of CreateMapUnionsOfStandard handed to a consumer one column at
// a time, west to east, each column north to south, without building the
// whole result: the same records to the last bit, in the same order. Built
// with limited, a request is refused as the routines refuse it (more than
// kMaxSheets sheets); without, only a column of more than kMaxSheets sheets
// is refused, so that a consumer writing each column out (the command line
// writing a file or a pipe) handles any number of sheets in memory bounded by
// one column. Memory: O(rows) for the walk's prepared parallels and the
// column handed over.
class SheetWalk {
 public:
  // The consumer may change or move away the column's records; the walk
  // refills it for the next column.
  using Consumer = std::function<void(std::vector<TStandardMapUnion>& column)>;

  // Snaps the request and checks it; throws as the routines do ("Range
  // check error", the sheet limit, the old standard's missing scales).
  // The plane corners are those of the datum's projection.
  SheetWalk(const TMapUnionRange& range, ScaleIndex scale, bool newStandard, bool zone3,
            Datum datum, double cm, bool limited);
  // The walk of an area of interest: the request over the area's bounds
  // snapped outward to the grid (AreaSheetRange), handing on only the sheets
  // whose frame shares interior with the area (SheetSelection) and, with
  // minCover above 0, of which the area covers at least that fraction. The
  // kept sheets are those of the walk over the bounds, to the last bit, in
  // its order; the others are neither numbered nor projected, and a column
  // with none is not handed over. Limited, more than kMaxSheets selected
  // sheets are refused. An empty area hands on nothing.
  SheetWalk(const GeoMultiPolygon& area, double minCover, ScaleIndex scale, bool newStandard,
            bool zone3, Datum datum, double cm, bool limited);
  // The same over a request of the given corners instead of the area's
  // bounds: the sheets that request lists and the area selects.
  SheetWalk(const GeoMultiPolygon& area, const TMapUnionRange& request, double minCover,
            ScaleIndex scale, bool newStandard, bool zone3, Datum datum, double cm, bool limited);
  ~SheetWalk();
  SheetWalk(SheetWalk&&) noexcept;
  SheetWalk& operator=(SheetWalk&&) noexcept;

  // The grid: its columns, and the sheets of every column (0 when Columns()
  // is 0). Under an area, columns and rows of the bounds, kept or not.
  std::int64_t Columns() const;
  std::int64_t Rows() const;

  // Hands columns first … last − 1 (0-based, clamped to the walk) to consume,
  // one call per column in order; a column is empty when Rows() is 0.
  // Throws "Range check error" where the routines would (a row without a
  // letter), before the first column.
  void Run(const Consumer& consume, std::int64_t first, std::int64_t last) const;
  void Run(const Consumer& consume) const { Run(consume, 0, Columns()); }

  // Run, handing on beside each column the covered fraction of each of its
  // sheets (as SheetSelection::Cover); empty for a walk without an area.
  using CoverConsumer = std::function<void(std::vector<TStandardMapUnion>& column,
                                           const std::vector<double>& covers)>;
  void RunWithCovers(const CoverConsumer& consume, std::int64_t first, std::int64_t last) const;
  void RunWithCovers(const CoverConsumer& consume) const {
    RunWithCovers(consume, 0, Columns());
  }

  bool HasArea() const;
  // The same grid without the area: every sheet of the bounds.
  SheetWalk WithoutArea() const;

  struct State;

 private:
  explicit SheetWalk(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// The sheets of an area of interest: those of the request over the area's
// bounds (snapped outward to the grid, AreaSheetRange) whose frame shares
// interior with the area (SheetSelection), and, with minCover above 0, of
// which the area covers at least that fraction. Order, numbers, edges and
// plane corners are those of the unfiltered request; columns with no kept
// sheet are left out; covers, when given, receives each kept sheet's covered
// fraction in the same layout. Sheets that are not kept are neither numbered
// nor projected. An empty area gives no sheets.
void CreateMapUnionsInArea(const GeoMultiPolygon& area, ScaleIndex scale, bool newStandard,
                           bool zone3, Datum datum, double cm, double minCover,
                           TStandardMapUnions& result,
                           std::vector<std::vector<double>>* covers = nullptr);
// The sheets of an area of interest that a request of the corners lists:
// the walk covers only the part of the area's bounds within the corners, so
// a narrow request of a large area is cheap and within the sheet limit.
void CreateMapUnionsInArea(const GeoMultiPolygon& area, const TMapUnionRange& request,
                           ScaleIndex scale, bool newStandard, bool zone3, Datum datum, double cm,
                           TStandardMapUnions& result);

// The area's bounds snapped outward to the sheet grid of the scale, as
// corners for a request; all zero for an empty area.
TMapUnionRange AreaSheetRange(const GeoMultiPolygon& area, ScaleIndex scale);

// ---------------------------------------------------------------------------
// The sheet of a point (defined in numbering/point_lookup.cpp; conversion
// between the standards in convert.cpp)
//
// A point belongs to the sheet of column floor(longitude / width) and row
// floor(latitude / height), both in seconds of arc, as the standard's
// formulas give it: a point on a sheet edge belongs to the sheet east of a
// meridian and north of a parallel, so a point on the equator is on row A and
// one on 120° E in column 51. The point is given in seconds (DmsToSec of its
// angles), where every grid line is exact. Records are those of the sheet
// walk with the same zone3, datum and cm, to the last bit.
// ---------------------------------------------------------------------------

// The numbered domain: longitude 0 ≤ λ < 180°, latitude 0 ≤ φ < 90°.
inline constexpr const char* kOutsideNumberedDomain =
    N_("该点不在图幅编号的范围内（经度 0° 至 180°，纬度 0° 至 90°）。");
bool InNumberedDomain(double lonSec, double latSec);

// The sheet at a point; throws kOutsideNumberedDomain outside the domain.
TStandardMapUnion SheetAtPoint(double lonSec, double latSec, ScaleIndex scale, bool newStandard,
                               bool zone3, Datum datum, double cm);

// The number alone of the sheet at a point: the MapUnionNo of SheetAtPoint,
// byte for byte, with no corner projected (a point needs no datum or zone
// for its number). Empty for the old standard below 1:5000, which has no
// numbers there. Throws kOutsideNumberedDomain outside the domain and
// "Range check error" for a scale out of range or a point so far north
// (beyond 88°) that its 1:100万 row has no letter, as SheetAtPoint does.
std::string SheetNumberAtPoint(double lonSec, double latSec, ScaleIndex scale, bool newStandard);
// The same number written into buf (room for kSheetNumberBytes), for callers
// that number many points: its length (0 where the string is empty).
inline constexpr std::size_t kSheetNumberBytes = 64;
std::size_t SheetNumberAtPoint(char* buf, double lonSec, double latSec, ScaleIndex scale, bool newStandard);

// The grid cell of a coordinate in seconds of arc: floor(v / step), decided
// by exact comparison with the grid lines k × step (exact doubles), so that a
// rounded quotient never moves a value a hair west of a line onto it. The
// column of a longitude with LonStepTable[scale], the row of a latitude with
// LatStepTable[scale]; any finite v.
long long GridCellOf(double seconds, double step);
// The number of the sheet in grid column (from 0° E) and row (from the
// equator) of the scale: SheetNumberAtPoint of any point of that cell. Empty
// for the old standard below 1:5000; "Range check error" for a cell outside
// the domain, as SheetNumberAtPoint throws for a point outside it.
std::string SheetNumberOfCell(long long column, long long row, ScaleIndex scale, bool newStandard);

// The 接合图表: the point's sheet and its eight neighbours, north-west to
// south-east row by row (the point's sheet is element 4), across 1:100万
// sheet edges and zone edges. A neighbour outside the domain (west of 0°,
// south of the equator, east of 180°) or north of 88° N, where row V, the
// last row of the series, ends, has an empty number.
std::array<TStandardMapUnion, 9> SheetNeighbours(double lonSec, double latSec, ScaleIndex scale,
                                                 bool newStandard, bool zone3, Datum datum,
                                                 double cm);
// The 接合图表 of a sheet of the scale (one of a list, with its edges): the
// neighbours of the point at its centre, the sheet itself as element 4.
std::array<TStandardMapUnion, 9> SheetNeighbours(const TStandardMapUnion& sheet, ScaleIndex scale,
                                                 bool newStandard, bool zone3, Datum datum,
                                                 double cm);

// The scale of a sheet from the height of its frame (every scale has its own
// latitude step); -1 for a frame of no scale, such as the zero corners of a
// number that did not parse.
ScaleIndex ScaleOfSheet(const TMapUnionRange& range);

// The 接合图表 of a listed sheet: SheetNeighbours at the centre of its frame,
// at its own scale, in the standard its number is written in. False when the
// frame has no scale or the number is no standard number.
bool NeighboursOfSheet(const TStandardMapUnion& sheet, bool zone3, Datum datum, double cm,
                       std::array<TStandardMapUnion, 9>& neighbours);

// Converts a sheet number to the other standard by geometry: the number is
// parsed with the parser of its own standard (old when oldToNew) and every
// sheet of the other standard at the target scale that its sheet covers is
// listed, in the order of the sheet routines (west to east, north to south),
// in one sequence. The number is checked first (CheckMapUnionNo): one that
// is no standard number throws "…不是标准图幅号！", one of the other standard
// NumberFieldError (NotOld or NotNew). Throws as the check and the sheet
// routine do.
std::vector<TStandardMapUnion> ConvertMapUnionNo(std::string_view number, bool oldToNew,
                                                 ScaleIndex scale, bool zone3, double cm,
                                                 Datum datum);

// Adds the target sheets of one converted number to a conversion's running
// total, and refuses the conversion (the sheet-limit message) once the total
// passes kMaxSheets: a million sources each covering many target sheets must
// not exhaust memory.
void AddConvertedSheets(std::int64_t& total, std::size_t sheets);

// Subtracts the omitted large coordinate numbers of a tab from every plane
// corner: offsetX from each X, offsetY from each Y. Numbers and geographic
// corners are not touched.
void SubtractPlaneOffsets(TStandardMapUnions& sheets, double offsetX, double offsetY);
void SubtractPlaneOffsets(std::vector<TStandardMapUnion>& column, double offsetX, double offsetY);

// 1 → "001", 45 → "045", 192 → "192"; above 99 plain decimal.
std::string FormatSerial3(int n);

// A 1:2000 sheet numbered from its 1:5000 sheet (GB/T 13989-2012): the
// 1:5000 number, "-", and 1 to 9 counted row by row from the north-west
// (J50H001001-1 … J50H001001-9); it names the same sheet as the row and
// column form J50I001001 … J50I003003. Is5000BasedNumber tells the form by
// its structure: 12 characters, "H" at 4, digits at 5–10, "-" at 11, 1–9 at
// 12. NumberIn5000Form writes a new-standard 1:2000 number (scale code I)
// in this form; any other text throws "Range check error".
bool Is5000BasedNumber(std::string_view text);
std::string NumberIn5000Form(std::string_view number2000);

// ---------------------------------------------------------------------------
// Parsing and checking sheet numbers (defined in numbering/parse.cpp)
// ---------------------------------------------------------------------------

// The sheet of an old-standard number (J-50-5-(24)-A), or all twelve values
// zero when the text is not recognised. Throws "'%s' is not a valid integer
// value" when a field that must be an integer is not one.
TMapUnionRange ParseOldMapUnionNo(std::string_view text);
// A text in the 1:5000-based form of a 1:2000 number (Is5000BasedNumber) is
// a new-standard number and no old one: all zero here.
// The same for a new-standard number: J50 (3 characters), J50D001005 (10;
// codes B to I, row and column in three digits each), J50K00010001 (12; codes
// J and K, four digits each) and the 1:5000-based form J50H001001-5.
TMapUnionRange ParseNewMapUnionNo(std::string_view text);
// The one check of a typed or imported sheet number, which every front end
// calls: 0 = not a standard number, 1 = old standard, 2 = new standard. A
// text with the form of a number whose field lies outside its range throws
// NumberFieldError, naming the field; a field that must be an integer and is
// none throws as the parsers do. The ranges are those of the sheets the
// program writes:
// - the 1:100万 row letter A–W, the column 1–60 (old J-50, new two digits
//   J50, 01–60). Row W spans 88°–92° N, but the grid is numbered only as far
//   as 90° N (a request ends there): a sheet of row W is a sheet only where
//   its south edge lies below 90° (W-50, W-50-C, W50B002001, not W-50-A);
// - old serials: 1:50万 A–D, 1:25万 [1]–[16], 1:10万 1–144, 1:5万 A–D,
//   1:2.5万 1–4, 1:1万 (1)–(64), 1:5000 A–D (capitals, as the program writes
//   them; front ends turn typed letters into capitals first);
// - new row and column: 1 up to kSheetsPerMillionSide of the scale (001–002
//   for 1:50万 … 001–192 for 1:5000, 0001–2304 for 1:500), and the suffix
//   -1 … -9 of the 1:5000-based form of a 1:2000 number.
// The old standard has no 1:2000, 1:1000 or 1:500: those are new numbers
// only. The parsers below are structural and are called only after this
// check. Sheet numbers are ASCII: a text whose row character or integer
// field holds a byte above 0x7F is 0 (never an error quoting half a
// character); text that the parser does not read, such as a note after the
// bracket of J-50-5-(24)（北京） or J-50-[2]中, may be anything.
// The 1:5000-based form is tested first (2): the old structural test alone
// would take J50H001001-5 for a 1:100万 sheet.
std::uint8_t CheckMapUnionNo(std::string_view text);

// Which field of a sheet number lies outside its range.
enum class NumberFault {
  Row,          // the row: of 1:100万 letters, or of a new number's sheets
  Column,       // the column: of 1:100万, or of a new number's sheets
  Serial,       // an old serial or letter, or the 1:5000-based suffix
  NorthOfPole,  // a sheet of row W wholly north of 90°
  NotOld,       // a new number where an old one is asked for (conversion)
  NotNew,       // an old number where a new one is asked for (conversion)
};

// The refusal of a number for one field, as a code and its arguments, so
// that a front end can word it in its own language: the number, the scale
// of the field ("1:10万") and the first and last values the field takes
// ("1", "144"). what() is the Chinese text, NumberFaultPattern filled in.
class NumberFieldError : public Error {
 public:
  NumberFieldError(NumberFault fault, std::string number, std::string_view scale,
                   std::string first = {}, std::string last = {});
  NumberFault Fault() const { return fault_; }
  // number, scale, first, last: in the order of the pattern's %s.
  const std::array<std::string, 4>& Arguments() const { return args_; }
  // The Chinese text for the number as the user gave it (j-50-145 typed in
  // small letters is refused as typed).
  std::string TextFor(std::string_view number) const;

 private:
  NumberFault fault_;
  std::array<std::string, 4> args_;
};

// The Chinese pattern of a fault, "%s" for each argument in order:
// "%s：%s 的序号应为 %s–%s" gives "J-50-145：1:10万 的序号应为 1–144".
const char* NumberFaultPattern(NumberFault fault);

// Splits text at every occurrence of the delimiter; the text after the last
// one is kept only when it is not blank. J-50-5 → J, 50, 5; -50 → "", 50;
// J-50- → J, 50; a--b → a, "", b. Pieces are never trimmed.
std::vector<std::string> SplitString(std::string_view text, char delimiter);

// A sheet number as sheet numbers are written: its ASCII letters in capitals
// (j-50-5 is J-50-5; read as typed, a small row letter would stand for a row
// of no sheet, far north of the pole). Every other byte is kept.
std::string SheetNumberInCapitals(std::string text);

// True when the text is a floating-point number: optional blanks, an optional
// sign, digits with at most one ".", an optional exponent, optional blanks.
bool IsFloatText(std::string_view text);

// ---------------------------------------------------------------------------
// Independent plane grids (defined in numbering/custom_grid.cpp)
// ---------------------------------------------------------------------------

// The two refusals of CreateCustomMapUnions, as shown to the user.
inline constexpr const char* kBadFormatMessage = N_("图副格式不符合规定！");
inline constexpr const char* kStepTooSmallMessage = N_("偏移值太小了！");
// An extent whose maximum lies below its minimum, refused by every front end
// before a grid is made of it.
inline constexpr const char* kInvertedXMessage = N_("最大X小于最小X，请检查坐标范围！");
inline constexpr const char* kInvertedYMessage = N_("最大Y小于最小Y，请检查坐标范围！");

// The most bytes that the numbers of one independent grid may hold together:
// as much text as the largest number list that can be opened. A long format
// over many sheets would otherwise take gigabytes (32,767 characters ×
// 62,500 sheets is 2 GB).
inline constexpr std::int64_t kMaxCustomNumberBytes = std::int64_t{128} << 20;

// Divides the extent, snapped outward to multiples of the steps, into sheets
// of stepX × stepY, rows from the lowest Y upward. byRowCol numbers them from
// the format with [ROW] and [COL] (start row + row index, start column +
// column index); otherwise with [X] and [Y] (KmRemainder of the sheet's
// lower-left corner, written like "%4.2f"). Tokens match in any letter case;
// every other character of the format, "%" included, is copied as it stands.
// Returns the refusal text (kBadFormatMessage; kStepTooSmallMessage for a
// step that is not positive or too small to move a coordinate on) with an
// empty result, or an empty string. Throws Error beyond kMaxSheets sheets or
// kMaxCustomNumberBytes bytes of numbers, before the walk where the counts
// show it, else as soon as the walk passes the limit.
std::string CreateCustomMapUnions(double minX, double minY, double maxX, double maxY,
                                  int startRow, int startCol, double stepX, double stepY,
                                  std::string_view format, bool byRowCol,
                                  TCustomMapUnions& result);

// Kilometre value of a coordinate within its 100-km square, with the sign of
// v: 3456500 gives 56.5.
double KmRemainder(double v);

// Rectangular sheets of large-scale surveys (矩形分幅) on a plane grid: sheets
// of sheetWidth × sheetHeight metres (50 cm × 50 cm at 1:500 is 250 m × 250 m)
// over the extent snapped outward to multiples of the sheet size, rows from
// the lowest Y upward as CreateCustomMapUnions lays them out, numbered by the
// scheme of large-scale practice:
// - Coordinates (坐标编号): the south-west corner's northing, then "-", then
//   its whole easting within the zone (a zone number in the millions
//   dropped), in kilometres, to 0.01 km at 1:500, 0.1 km at 1:1000 and
//   1:2000, whole kilometres from 1:5000 (CoordinateSheetNumber), so that no
//   two sheets of a zone share a name; a run whose names would still repeat
//   (sheets smaller than the last decimal, eastings across two zone
//   numbers) returns kRepeatedCoordinateNumbersMessage with an empty result;
// - RowColumn (行列编号): rows lettered from the top (A … Z, AA, AB, …),
//   columns numbered from 1 at the left: "A-1";
// - Serial (流水编号): 1, 2, … row by row from the north-west.
// Returns kStepTooSmallMessage for a sheet size that is not positive, with
// an empty result, otherwise an empty string; more than kMaxSheets sheets
// throw SheetLimitError before anything is allocated.
enum class RectangularScheme : std::uint8_t { Coordinates, RowColumn, Serial };
inline constexpr const char* kRepeatedCoordinateNumbersMessage =
    "坐标编号会重复：图幅须不小于编号的最后一位（1:500 为 10 米，1:1000 和 1:2000 为 100 米，1:5000 起为 1 公里），"
    "且不跨两个带号的东坐标。请改变图幅大小或范围，或改用行列编号或流水编号。";
std::string CreateRectangularMapUnions(double minX, double minY, double maxX, double maxY,
                                       double sheetWidth, double sheetHeight, int denominator,
                                       RectangularScheme scheme, TCustomMapUnions& result);
// The 坐标编号 of a sheet whose south-west corner is (minX east, minY north):
// 3810000, 525500 (or 39525500) at 1:1000 gives "3810.0-525.5".
std::string CoordinateSheetNumber(double minX, double minY, int denominator);
// Row letters counted from 0: 0 → A, 25 → Z, 26 → AA, 27 → AB.
std::string RowLetters(long long row);

// ---------------------------------------------------------------------------
// Text conversions shared by the parsers and the file readers (defined in
// numbering/text_convert.cpp)
// ---------------------------------------------------------------------------

// A whole number with optional leading blanks, an optional sign and digits,
// nothing after, within 32 bits; otherwise throws "'%s' is not a valid integer
// value".
// Both messages quote the text as UTF-8: a byte that is not part of a
// well-formed UTF-8 sequence (a piece cut inside a character, a stray byte)
// is quoted as U+FFFD.
int StrToInt(std::string_view text);
// A floating-point number (IsFloatText), otherwise throws "'%s' is not a valid
// floating point value".
double StrToFloat(std::string_view text);

// A count as the program's messages show it: the whole number with its digits
// grouped by three with "," (8875008 as "8,875,008", -1234 as "-1,234"); a
// fraction is rounded to the nearest whole number; a count of 10^18 or more
// in magnitude, or one that is not finite, in the shortest form that reads
// back ("1e+30", "inf").
std::string FormatCount(double count);

// ---------------------------------------------------------------------------
// Exports (defined in export/: the MIF/MID files in mif_files.cpp, the
// workbook in excel_export.cpp)
//
// Each writer returns true when every file was written and closed. On failure
// it returns false, puts the file name and the system's reason into *reason
// (when given) and leaves any existing target file as it was: the output goes
// to a temporary file in the same folder that is renamed over the target only
// when complete.
// ---------------------------------------------------------------------------

// The file name without its folder and without its extension (the text from
// the last "." of the name on); a name without "." is taken whole.
std::string ExtractFileTitle(std::string_view fileName);

// The progress of an export, for a front end that shows it: called on the
// caller's thread with the records written so far and the number of records
// of the table, now and then (every few thousand records and once with
// done == total before the files are completed). Returning false cancels the
// export: the writer stops, removes its temporary files, leaves any existing
// target as it was and returns false with the reason kExportCancelled. An
// empty function (the default) reports nothing.
using ExportProgress = std::function<bool(std::uint64_t done, std::uint64_t total)>;
inline constexpr const char* kExportCancelled = "导出已取消。";

// MapInfo Interchange pair: the MIF file under fileName and the MID file
// beside it (folder + ExtractFileTitle + ".mid"), GBK text, CR LF lines.
// A plane MIF is one plane: zone3 and cm are those of the corners (cm = 0:
// each sheet on the zone that holds it), and sheets in more than one zone
// without a central meridian are refused before anything is written, as
// every file of plane frames refuses them.
bool WritePlaneMif(const std::string& fileName, const TStandardMapUnions& table, bool zone3, double cm,
                   Message* reason = nullptr, const ExportProgress& progress = {});
bool WriteCustomMif(const std::string& fileName, const TCustomMapUnions& table,
                    Message* reason = nullptr, const ExportProgress& progress = {});
bool WriteGeoMif(const std::string& fileName, const TStandardMapUnions& table,
                 Message* reason = nullptr, const ExportProgress& progress = {});

// Column names of the spreadsheet export, comma separated.
inline constexpr const char* kStandardXlsHeader =
    "图幅号,最小经度,最小纬度,最大经度,最大纬度,X1,Y1,X2,Y2,X3,Y3,X4,Y4";
inline constexpr const char* kCustomXlsHeader = "图幅号,最小X,最小Y,最大X,最大Y";
// Titles of the worksheet, by coordinate system.
inline constexpr const char* XlsTitleOf(Datum datum) { return DatumInfoOf(datum).xlsTitle; }
inline constexpr const char* kXlsTitle54 = XlsTitleOf(Datum::Beijing54);
inline constexpr const char* kXlsTitle80 = XlsTitleOf(Datum::Xian80);
inline constexpr const char* kXlsTitle2000 = XlsTitleOf(Datum::Cgcs2000);
inline constexpr const char* kXlsTitleCustom = "图幅表（独立坐标系）";

// Office Open XML workbook: title merged over row 1, header in row 2, one
// framed row per record from row 3, numbers as numbers.
bool ExportStandardMapUnionsToXls(const std::string& fileName, std::string_view title,
                                  std::string_view header, const TStandardMapUnions& table,
                                  Message* reason = nullptr,
                                  const ExportProgress& progress = {});
bool ExportCustomMapUnionsToXls(const std::string& fileName, std::string_view title,
                                std::string_view header, const TCustomMapUnions& table,
                                Message* reason = nullptr, const ExportProgress& progress = {});

// The refusal of a table of more records than one worksheet holds below its
// title and header rows, or an empty string when they fit. The two exports
// above refuse such a table with this text; a front end can check before it
// asks for a file name.
Message WorkbookRecordsRefusal(std::uint64_t records);

}  // namespace karvento
