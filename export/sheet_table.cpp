// SPDX-License-Identifier: Apache-2.0
#include "export/sheet_table.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "geodesy/float_chars.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

std::string DmsText(const TAngleDMS& a) {
  // 116:26:15, 116:28:07.5: whole degrees and minutes, the seconds with the
  // decimals they need, up to three.
  char buf[128];
  char* p = buf;
  if (a.Degrees < 0 || a.Minutes < 0 || a.Seconds < 0) *p++ = '-';
  p = FloatToChars(p, buf + 40, std::abs(a.Degrees), std::chars_format::fixed, 0).ptr;
  *p++ = ':';
  const double m = std::abs(a.Minutes);
  if (m < 10) *p++ = '0';
  p = FloatToChars(p, buf + 80, m, std::chars_format::fixed, 0).ptr;
  *p++ = ':';
  const double s = std::round(std::abs(a.Seconds) * 1000) / 1000;
  if (s < 10) *p++ = '0';
  p = FloatToChars(p, buf + 128, s, std::chars_format::general, 16).ptr;
  return std::string(buf, p);
}

void Padded(Output& out, std::string_view text, std::size_t width, bool right) {
  if (right && text.size() < width) out.Write(std::string(width - text.size(), ' '));
  out.Write(text);
  if (!right && text.size() < width) out.Write(std::string(width - text.size(), ' '));
}

std::string Fixed3(double v) {
  char buf[400];
  return std::string(buf, FloatToChars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3).ptr);
}

void StandardTableRow(Output& out, const TStandardMapUnion& s, const std::string* source,
                      const double* cover) {
  if (source) {
    Padded(out, *source, 15, false);
    out.Put(' ');
  }
  Padded(out, s.MapUnionNo, 15, false);
  for (const TAngleDMS* a : {&s.Range.West, &s.Range.South, &s.Range.East, &s.Range.North}) {
    out.Put(' ');
    Padded(out, DmsText(*a), 13, false);
  }
  for (const TPlanePoint& p : s.PlaneCorners) {
    out.Put(' ');
    Padded(out, Fixed3(p.X), 16, true);
    out.Put(' ');
    Padded(out, Fixed3(p.Y), 15, true);
  }
  if (cover) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " %8.6f", *cover);
    out.Write(buf);
  }
  out.Put('\n');
}

}  // namespace

TableSheetWriter::TableSheetWriter(Output& out, const SheetMeta& meta) : out_(out), meta_(meta) {
  const char* head[] = {"number", "west", "south", "east", "north"};
  if (meta_.sources) {
    Padded(out_, "source", 15, false);
    out_.Put(' ');
  }
  Padded(out_, head[0], 15, false);
  for (int k = 1; k < 5; ++k) {
    out_.Put(' ');
    Padded(out_, head[k], 13, false);
  }
  const char* corners[] = {"X1", "Y1", "X2", "Y2", "X3", "Y3", "X4", "Y4"};
  for (int k = 0; k < 8; ++k) {
    out_.Put(' ');
    Padded(out_, corners[k], k % 2 ? 15 : 16, true);
  }
  if (meta_.cover) out_.Write("    cover");
  out_.Put('\n');
}

void TableSheetWriter::Column(const std::vector<TStandardMapUnion>& column, const std::string* source,
                              const std::vector<double>* covers) {
  for (std::size_t j = 0; j < column.size(); ++j) {
    StandardTableRow(out_, column[j], source, detail::CoverOf(meta_, covers, j));
  }
}

void WriteCustomTable(Output& out, const TCustomMapUnions& sheets) {
  Padded(out, "number", 20, false);
  for (const char* h : {"min_x", "min_y", "max_x", "max_y"}) {
    out.Put(' ');
    Padded(out, h, 16, true);
  }
  out.Put('\n');
  for (const auto& row : sheets) {
    for (const auto& s : row) {
      Padded(out, s.MapUnionNo, 20, false);
      for (double v : {s.MinX, s.MinY, s.MaxX, s.MaxY}) {
        out.Put(' ');
        Padded(out, Fixed3(v), 16, true);
      }
      out.Put('\n');
    }
  }
}

void WritePointTable(Output& out, const std::vector<PointSheet>& rows, bool byScale) {
  out.Write(byScale ? "scale     " : "place     ");
  out.Write("new          old               west          south         east          north\n");
  for (const PointSheet& r : rows) {
    // Labels hold Chinese captions (1:1万): padded by display width, two
    // columns for each three-byte character.
    std::size_t width = 0;
    for (const char c : r.label) {
      const auto u = static_cast<unsigned char>(c);
      width += u < 0x80 ? 1 : u >= 0xE0 ? 2 : 0;
    }
    out.Write(r.label);
    out.Write(std::string(width >= 10 ? 1 : 10 - width, ' '));
    Padded(out, r.newNumber.empty() ? "-" : r.newNumber, 12, false);
    out.Put(' ');
    Padded(out, r.oldNumber.empty() ? "-" : r.oldNumber, 17, false);
    for (const TAngleDMS* a : {&r.sheet.Range.West, &r.sheet.Range.South, &r.sheet.Range.East,
                               &r.sheet.Range.North}) {
      out.Put(' ');
      Padded(out, DmsText(*a), 13, false);
    }
    out.Put('\n');
  }
}

}  // namespace karvento
