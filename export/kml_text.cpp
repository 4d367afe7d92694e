// SPDX-License-Identifier: Apache-2.0
#include "export/kml_text.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "export/sheet_fields.h"
#include "export/sheet_frame.h"
#include "geodesy/angles.h"

namespace karvento {
namespace {

bool IsWholeInt(double v) {
  return v >= static_cast<double>(INT_MIN) && v <= static_cast<double>(INT_MAX) &&
         static_cast<double>(static_cast<int>(v)) == v;
}

// A digit string with an optional sign and nothing else.
bool IsIntegerText(const std::string& s) {
  std::size_t i = s[0] == '-' || s[0] == '+' ? 1 : 0;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

// Adds one unit in the last place of a fixed-point digit string.
void RoundUpLastDigit(std::string& s) {
  std::size_t i = s.size();
  while (i > 0) {
    --i;
    if (s[i] == '.') continue;
    if (s[i] == '-') break;
    if (s[i] != '9') {
      ++s[i];
      return;
    }
    s[i] = '0';
    if (i == 0 || s[i - 1] == '-') {
      s.insert(i, 1, '1');
      return;
    }
  }
}

// A fraction written with 15 decimals carries the binary value's noise in
// its last digits ("0.100000000000001", "0.299999999999999"): a run of
// zeros or nines just before the last digit is taken as that noise.
void TrimRoundoff(std::string& s) {
  const std::size_t len = s.size();
  if (len <= 10) return;
  const std::size_t dot = s.find('.');
  if (dot == std::string::npos || s.find_first_of("eE", dot) != std::string::npos) return;
  std::size_t before = dot - 1;
  if (s[0] == '-') --before;
  const auto run = [&](char c, std::size_t from, std::size_t to) {
    for (std::size_t k = from; k <= to; ++k) {
      if (s[len - k] != c) return false;
    }
    return true;
  };
  const auto longRun = [&](char c) {
    for (std::size_t k = 3; k <= 7; ++k) {
      if (before < k + 1 && s[len - k] != c) return false;
    }
    return s[len - 8] == c && s[len - 9] == c;
  };
  if (run('0', 2, 6)) {
    s.resize(len - 1);
  } else if (dot < len - 8 && longRun('0')) {
    s.resize(len - 8);
  } else if (run('9', 2, 6)) {
    s.resize(len - 6);
    RoundUpLastDigit(s);
  } else if (dot < len - 9 && longRun('9')) {
    s.resize(len - 9);
    RoundUpLastDigit(s);
  }
}

// One value of a coordinate pair: 15 significant digits, or 15 decimals
// (with the noise trimmed) below 1 in magnitude; a whole value gets ".0".
std::string CoordinateValue(double v) {
  char buf[64];
  std::string s;
  if (std::fabs(v) < 1) {
    std::snprintf(buf, sizeof buf, "%.15f", v);
    s = buf;
    TrimRoundoff(s);
    // and written without trailing zeros
    const std::size_t last = s.find_last_not_of('0');
    s.resize(s[last] == '.' ? last : last + 1);
  } else {
    std::snprintf(buf, sizeof buf, "%.15G", v);
    s = buf;
  }
  if (IsIntegerText(s)) s += ".0";
  return s;
}

// The text of a layer name or a number inside an element or an attribute.
void AppendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
}

}  // namespace

std::string KmlLayerName(std::string_view stem) {
  std::string name(stem);
  for (char& c : name) {
    const auto u = static_cast<unsigned char>(c);
    const bool ok = u >= 0x80 || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                    c == '_' || c == '.';
    if (!ok) c = '_';
  }
  return name;
}

std::string KmlCoordinate(double lon, double lat) {
  if (IsWholeInt(lon) && IsWholeInt(lat)) {
    return std::to_string(static_cast<int>(lon)) + ',' + std::to_string(static_cast<int>(lat));
  }
  return CoordinateValue(lon) + ',' + CoordinateValue(lat);
}

std::string KmlReal(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return buf;
}

std::string KmlHeader(std::string_view layer) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n"
      "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
      "<Document id=\"root_doc\">\n"
      "<Schema name=\"";
  AppendEscaped(out, layer);
  out += "\" id=\"";
  AppendEscaped(out, layer);
  out +=
      "\">\n"
      "\t<SimpleField name=\"Name\" type=\"string\"></SimpleField>\n"
      "\t<SimpleField name=\"比例尺\" type=\"int\"></SimpleField>\n"
      "\t<SimpleField name=\"标准\" type=\"string\"></SimpleField>\n"
      "\t<SimpleField name=\"WEST\" type=\"float\"></SimpleField>\n"
      "\t<SimpleField name=\"SOUTH\" type=\"float\"></SimpleField>\n"
      "\t<SimpleField name=\"EAST\" type=\"float\"></SimpleField>\n"
      "\t<SimpleField name=\"NORTH\" type=\"float\"></SimpleField>\n"
      "</Schema>\n"
      "<Folder><name>";
  AppendEscaped(out, layer);
  out += "</name>\n";
  return out;
}

void AppendKmlSheet(std::string& out, std::string_view layer, const TStandardMapUnion& sheet,
                    const FramePlane& request, bool cornersOnly) {
  const double w = DmsToDeg(sheet.Range.West), s = DmsToDeg(sheet.Range.South);
  const double e = DmsToDeg(sheet.Range.East), n = DmsToDeg(sheet.Range.North);
  out += "  <Placemark>\n\t<name>";
  AppendEscaped(out, sheet.MapUnionNo);
  out +=
      "</name>\n"
      "\t<Style><LineStyle><color>ff0000ff</color></LineStyle><PolyStyle><fill>0</fill></PolyStyle></Style>\n"
      "\t<ExtendedData><SchemaData schemaUrl=\"#";
  AppendEscaped(out, layer);
  out += "\">\n\t\t<SimpleData name=\"比例尺\">";
  out += std::to_string(ScaleDenominatorOf(sheet, request));
  out += "</SimpleData>\n\t\t<SimpleData name=\"标准\">";
  out += StandardOf(sheet, request);
  const std::pair<const char*, double> edges[] = {{"WEST", w}, {"SOUTH", s}, {"EAST", e}, {"NORTH", n}};
  for (const auto& [name, value] : edges) {
    out += "</SimpleData>\n\t\t<SimpleData name=\"";
    out += name;
    out += "\">";
    out += KmlReal(value);
  }
  out +=
      "</SimpleData>\n"
      "\t</SchemaData></ExtendedData>\n"
      "      <Polygon><outerBoundaryIs><LinearRing><coordinates>";
  // The ring NW, NE, SE, SW, NW runs clockwise; KML's outer ring is written
  // the other way round.
  GisFrame frame;
  FrameOfSheet(sheet, {}, true, cornersOnly, frame);
  for (std::size_t k = frame.ringX.size(); k-- > 0;) {
    out += KmlCoordinate(frame.ringX[k], frame.ringY[k]);
    if (k > 0) out += ' ';
  }
  out += "</coordinates></LinearRing></outerBoundaryIs></Polygon>\n  </Placemark>\n";
}

std::string_view KmlFooter() { return "</Folder>\n</Document></kml>\n"; }

}  // namespace karvento
