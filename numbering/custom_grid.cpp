// SPDX-License-Identifier: Apache-2.0
// Sheets of an independent plane grid, numbered through a user's format.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "geodesy/float_chars.h"
#include "numbering/sheet_grid.h"

namespace karvento {

double KmRemainder(double v) {
  // trunc(v) − trunc(v / 100000) × 100000, in kilometres. Within 64-bit
  // integers this is integer arithmetic; beyond them (no real coordinate is)
  // it is done on doubles, which never overflow.
  if (std::abs(v) < 9.2e18) {
    const auto a = static_cast<long long>(v);
    const auto b = static_cast<long long>(v / 100000.0);
    return static_cast<double>(a - b * 100000) / 1000.0;
  }
  return (Truncate(v) - Truncate(v / 100000.0) * 100000.0) / 1000.0;
}

namespace {

std::string Lower(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return r;
}

// A number format with its tokens replaced by value slots. The first
// occurrence of the first token, found without regard to case, becomes a slot
// written like a printf specifier ("%d", "%4.2f"), then the first occurrence
// of the second token in the text as it now stands. The text around the
// slots is copied as it stands, "%" included: it is never read as a format.
class NumberTemplate {
 public:
  NumberTemplate(std::string_view format, const char* first, const char* second,
                 std::string_view specifier)
      : text_(format) {
    Replace(first, specifier);
    Replace(second, specifier);
  }

  // The bytes of every number that are not a value, and the count of values.
  std::size_t LiteralLength() const {
    std::size_t n = text_.size();
    for (const Slot& s : slots_) n -= s.length;
    return n;
  }
  std::size_t SlotCount() const { return slots_.size(); }

  // Writes the number; write(out, k) appends the value of the k-th slot in
  // text order.
  template <typename WriteValue>
  void Format(std::string& out, WriteValue write) const {
    out.clear();
    std::size_t from = 0;
    int k = 0;
    for (const Slot& slot : slots_) {
      out.append(text_, from, slot.at - from);
      write(out, k++);
      from = slot.at + slot.length;
    }
    out.append(text_, from, std::string::npos);
  }

 private:
  struct Slot {
    std::size_t at, length;
  };

  void Replace(const char* token, std::string_view specifier) {
    const std::size_t at = Lower(text_).find(token);
    if (at == std::string::npos) return;
    const std::size_t tokenLength = std::char_traits<char>::length(token);
    text_.replace(at, tokenLength, specifier);
    for (Slot& s : slots_) {
      if (s.at > at) s.at = s.at - tokenLength + specifier.size();
    }
    slots_.push_back({at, specifier.size()});
    if (slots_.size() == 2 && slots_[1].at < slots_[0].at) std::swap(slots_[0], slots_[1]);
  }

  std::string text_;
  std::vector<Slot> slots_;  // in text order
};

void AppendInt(std::string& out, long long v) {
  char buf[24];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// Fixed point, two decimals, at least four characters, blank-padded on the
// left: what "%4.2f" writes.
void AppendFixed2Width4(std::string& out, double v) {
  char buf[400];
  const auto end = FloatToChars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2).ptr;
  const auto len = static_cast<std::size_t>(end - buf);
  if (len < 4) out.append(4 - len, ' ');
  out.append(buf, len);
}

bool Contains(const std::string& s, const char* word) { return s.find(word) != std::string::npos; }

// The first of a pair of values is the one whose word stands first in the
// format, or the only one whose word occurs at all.
bool FirstWordFirst(const std::string& lower, const char* first, const char* second) {
  const std::size_t a = lower.find(first), b = lower.find(second);
  return b == std::string::npos || (a != std::string::npos && a < b);
}

// A grid whose last sheet would end beyond the largest number: a minimum
// that is not on the grid, walked in steps near the largest number.
constexpr const char* kBeyondNumbersMessage = N_("图幅范围超出了数值范围：请缩小范围或图幅的X、Y方向尺寸。");

// The refusal of a grid whose numbers together would pass kMaxCustomNumberBytes.
[[noreturn]] void ThrowNumberBytesLimit(std::size_t formatLength, double sheets) {
  throw SheetLimitError(Message(msg::kNumbersTooLong, {FormatCount(sheets), FormatCount(static_cast<double>(formatLength)),
                                                      FormatCount(static_cast<double>(kMaxCustomNumberBytes >> 20))}));
}

}  // namespace

std::string CreateCustomMapUnions(double minX, double minY, double maxX, double maxY, int startRow,
                                  int startCol, double stepX, double stepY,
                                  std::string_view format, bool byRowCol,
                                  TCustomMapUnions& result) {
  result.clear();
  const std::string lower = Lower(format);
  const char* firstToken = byRowCol ? "[row]" : "[x]";
  const char* secondToken = byRowCol ? "[col]" : "[y]";
  if (!Contains(lower, firstToken) && !Contains(lower, secondToken)) return kBadFormatMessage;
  // A step that does not advance (zero, negative, not a number) would walk
  // backwards or forever; an infinite one leaves no sheet of finite size.
  const auto advances = [](double step) { return step > 0 && std::isfinite(step); };
  if (!advances(stepX) || !advances(stepY)) return kStepTooSmallMessage;

  const NumberTemplate number(format, firstToken, secondToken, byRowCol ? "%d" : "%4.2f");
  const bool firstValueFirst =
      byRowCol ? FirstWordFirst(lower, "row", "col") : FirstWordFirst(lower, "x", "y");

  // The extent aligned outward to the grid.
  const double x0 = FloorToStep(minX, stepX), y0 = FloorToStep(minY, stepY);
  const double x1 = CeilToStep(maxX, stepX), y1 = CeilToStep(maxY, stepY);

  // Refuse before allocating: the rows, and the sheets in them, that the
  // walk below would make. A step too small to move a coordinate forward at
  // all is refused as too small.
  // A walk that starts below its end makes at least one row or column, even
  // where the quotient rounds to 0.
  const double rowCount = y1 > y0 ? std::max(1.0, std::ceil((y1 - y0) / stepY)) : 0;
  const double colCount = x1 > x0 ? std::max(1.0, std::ceil((x1 - x0) / stepX)) : 0;
  const double sheetCount = rowCount == 0 || colCount == 0 ? 0 : rowCount * colCount;
  const double kMax = static_cast<double>(kMaxSheets);
  if (!(rowCount <= kMax) || !(sheetCount <= kMax)) {
    ThrowSheetLimit(sheetCount > rowCount ? sheetCount : rowCount, msg::kAdviceLargerSheets);
  }
  // The numbers' own bytes: every number holds at least the format's text
  // and one character (a digit) or four ("%4.2f") for each value. The walk
  // counts the real bytes as it goes.
  const double leastNumberBytes = static_cast<double>(
      number.LiteralLength() + number.SlotCount() * (byRowCol ? 1 : 4));
  if (sheetCount * leastNumberBytes > static_cast<double>(kMaxCustomNumberBytes)) {
    ThrowNumberBytesLimit(format.size(), sheetCount);
  }

  TCustomMapUnions rows;
  rows.reserve(static_cast<std::size_t>(rowCount));
  std::string text;
  std::int64_t numberBytes = 0;
  long long i = 0;
  for (double y = y0; y < y1; ++i) {
    const double ya = y;
    y = y + stepY;
    const double yb = y;
    if (!(yb > ya)) return kStepTooSmallMessage;
    if (!std::isfinite(yb)) throw Error(kBeyondNumbersMessage);
    auto& row = rows.emplace_back();
    row.reserve(static_cast<std::size_t>(colCount));
    long long j = 0;
    for (double x = x0; x < x1; ++j) {
      const double xa = x;
      x = x + stepX;
      const double xb = x;
      if (!(xb > xa)) return kStepTooSmallMessage;
      if (!std::isfinite(xb)) throw Error(kBeyondNumbersMessage);
      if (byRowCol) {
        const long long rowNo = startRow + i, colNo = startCol + j;
        number.Format(text, [&](std::string& out, int slot) {
          AppendInt(out, (slot == 0) == firstValueFirst ? rowNo : colNo);
        });
      } else {
        const double kx = KmRemainder(xa), ky = KmRemainder(ya);
        number.Format(text, [&](std::string& out, int slot) {
          AppendFixed2Width4(out, (slot == 0) == firstValueFirst ? kx : ky);
        });
      }
      numberBytes += static_cast<std::int64_t>(text.size());
      if (numberBytes > kMaxCustomNumberBytes) ThrowNumberBytesLimit(format.size(), sheetCount);
      row.push_back({text, xa, ya, xb, yb});
    }
  }
  result = std::move(rows);
  return {};
}

std::string RowLetters(long long row) {
  std::string letters;
  for (long long n = row + 1; n > 0; n = (n - 1) / 26) {
    letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
  }
  return letters;
}

namespace {

// The easting of a 坐标编号 in kilometres within its zone: a zone number in
// the millions is dropped (39 525 750 m is 525.75 km), so that the name is
// the same whether the grid's eastings carry it or not.
double EastingKmInZone(double x) {
  return std::abs(x) >= 1000000.0 ? (x - Truncate(x / 1000000.0) * 1000000.0) / 1000.0 : x / 1000.0;
}

// Kilometres of a 坐标编号's last decimal: 0.01 at 1:500, 0.1 at 1:1000 and
// 1:2000, 1 from 1:5000.
int CoordinateDecimals(int denominator) { return denominator <= 500 ? 2 : denominator < 5000 ? 1 : 0; }

}  // namespace

std::string CoordinateSheetNumber(double minX, double minY, int denominator) {
  const int decimals = CoordinateDecimals(denominator);
  // Any double fits: the largest has 309 digits before the point.
  char buf[700];
  std::snprintf(buf, sizeof buf, "%.*f-%.*f", decimals, minY / 1000, decimals, EastingKmInZone(minX));
  return buf;
}

std::string CreateRectangularMapUnions(double minX, double minY, double maxX, double maxY,
                                       double sheetWidth, double sheetHeight, int denominator,
                                       RectangularScheme scheme, TCustomMapUnions& result) {
  result.clear();
  if (!(sheetWidth > 0 && sheetHeight > 0 && std::isfinite(sheetWidth) && std::isfinite(sheetHeight))) {
    return kStepTooSmallMessage;
  }
  // Whole sheets: the extent snapped outward to multiples of the sheet size,
  // each line k × size (the sizes are whole metres, so every line is exact).
  const double c0 = std::floor(minX / sheetWidth), c1 = std::ceil(maxX / sheetWidth);
  const double r0 = std::floor(minY / sheetHeight), r1 = std::ceil(maxY / sheetHeight);
  const double cols = c1 > c0 ? c1 - c0 : 0, rows = r1 > r0 ? r1 - r0 : 0;
  if (!std::isfinite(cols * rows)) throw Error(kBeyondNumbersMessage);
  if (cols * rows > static_cast<double>(kMaxSheets) || rows > static_cast<double>(kMaxSheets)) {
    ThrowSheetLimit(std::max(cols * rows, rows), msg::kAdviceLargerSheets);
  }
  if (scheme == RectangularScheme::Coordinates) {
    // Two sheets of the run may not share a name: a sheet narrower than the
    // name's last decimal, or a run across a 1000 km line of a zone-numbered
    // easting (the zone number is not in the name), would repeat names.
    const double unit = CoordinateDecimals(denominator) == 2 ? 10 : CoordinateDecimals(denominator) == 1 ? 100 : 1000;
    const double xa = c0 * sheetWidth, xb = c1 * sheetWidth;
    const bool acrossZones = std::abs(xa) >= 1000000.0 && cols > 1 &&
                             Truncate(xa / 1000000.0) != Truncate((xb - sheetWidth) / 1000000.0);
    if ((cols > 1 && sheetWidth < unit) || (rows > 1 && sheetHeight < unit) || acrossZones) {
      return kRepeatedCoordinateNumbersMessage;
    }
  }
  const auto nRows = static_cast<long long>(rows), nCols = static_cast<long long>(cols);
  TCustomMapUnions out(static_cast<std::size_t>(nRows));
  for (long long i = 0; i < nRows; ++i) {
    auto& row = out[static_cast<std::size_t>(i)];
    row.reserve(static_cast<std::size_t>(nCols));
    const double y0 = (r0 + static_cast<double>(i)) * sheetHeight, y1 = y0 + sheetHeight;
    const long long fromTop = nRows - 1 - i;
    for (long long j = 0; j < nCols; ++j) {
      const double x0 = (c0 + static_cast<double>(j)) * sheetWidth, x1 = x0 + sheetWidth;
      std::string number;
      switch (scheme) {
        case RectangularScheme::Coordinates:
          number = CoordinateSheetNumber(x0, y0, denominator);
          break;
        case RectangularScheme::RowColumn:
          number = RowLetters(fromTop) + "-" + std::to_string(j + 1);
          break;
        case RectangularScheme::Serial:
          number = std::to_string(fromTop * nCols + j + 1);
          break;
      }
      row.push_back({std::move(number), x0, y0, x1, y1});
    }
  }
  result = std::move(out);
  return {};
}

}  // namespace karvento
