#include "cli/output.h"

#include <charconv>
#include <cmath>
#include <string>

namespace karvento::cli {

namespace {

// 116:26:15, 116:28:07.5: whole degrees and minutes, the seconds with as many
// decimals as they need, up to three.
std::string DmsText(const TAngleDMS& a) {
  char buf[96];
  char* p = buf;
  const bool negative = a.Degrees < 0 || a.Minutes < 0 || a.Seconds < 0;
  if (negative) *p++ = '-';
  p = std::to_chars(p, buf + 40, std::abs(a.Degrees), std::chars_format::fixed, 0).ptr;
  *p++ = ':';
  const double m = std::abs(a.Minutes);
  if (m < 10) *p++ = '0';
  p = std::to_chars(p, buf + 70, m, std::chars_format::fixed, 0).ptr;
  *p++ = ':';
  const double s = std::round(std::abs(a.Seconds) * 1000) / 1000;
  if (s < 10) *p++ = '0';
  p = std::to_chars(p, buf + 96, s, std::chars_format::general, 16).ptr;
  return std::string(buf, p);
}

}  // namespace

void WriteSheetTable(std::FILE* out, const TStandardMapUnions& sheets) {
  std::fprintf(out, "%-15s %-13s %-13s %-13s %-13s %16s %15s %16s %15s %16s %15s %16s %15s\n",
               "number", "west", "south", "east", "north", "X1", "Y1", "X2", "Y2", "X3", "Y3",
               "X4", "Y4");
  for (const auto& column : sheets) {
    for (const auto& s : column) {
      std::fprintf(out, "%-15s %-13s %-13s %-13s %-13s", s.MapUnionNo.c_str(),
                   DmsText(s.Range.West).c_str(), DmsText(s.Range.South).c_str(),
                   DmsText(s.Range.East).c_str(), DmsText(s.Range.North).c_str());
      for (const TPlanePoint& p : s.PlaneCorners) std::fprintf(out, " %16.3f %15.3f", p.X, p.Y);
      std::fputc('\n', out);
    }
  }
}

}  // namespace karvento::cli
