// SPDX-License-Identifier: Apache-2.0
#include "export/shapefile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>
#include <ctime>

#include "export/gbk.h"
#include "export/sheet_fields.h"
#include "geodesy/angles.h"
#include "geodesy/float_chars.h"
#include "geodesy/gauss_kruger.h"
#include "numbering/error.h"
#include "numbering/sheet_outline.h"

namespace karvento {
namespace {

// Shortest round-trip text, plain decimal ("70.5", "39000000").
std::string ShortText(double v) {
  char buf[64];
  return std::string(buf, FloatToChars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr);
}

// A parameter of the WKT: 15 significant digits, ".0" on a whole value.
std::string WktNumber(double v) {
  if (v == 0) v = 0;  // no "-0.0"
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  std::string s = buf;
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

// A system's name as ESRI writes it: every run of characters other than
// letters, digits and "-" one "_".
std::string EsriName(std::string_view name) {
  std::string out;
  for (const char c : name) {
    const bool keep = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-';
    if (keep) {
      out += c;
    } else if (out.empty() || out.back() != '_') {
      out += '_';
    }
  }
  return out;
}

void PutBig32(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}
void PutLittle32(std::string& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((v >> shift) & 0xFF);
}
void PutLittle16(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void PutDouble(std::string& out, double v) {
  unsigned char bytes[8];
  std::memcpy(bytes, &v, 8);  // IEEE 754, little-endian on every target we build
  out.append(reinterpret_cast<const char*>(bytes), 8);
}

// The 100-byte header of a .shp or .shx: file code 9994, length in 16-bit
// words, version 1000, polygons, the bounding box (no z or m).
std::string MainHeader(std::uint32_t words, const double box[4]) {
  std::string h;
  PutBig32(h, 9994);
  h.append(20, '\0');
  PutBig32(h, words);
  PutLittle32(h, 1000);
  PutLittle32(h, 5);
  for (int k = 0; k < 4; ++k) PutDouble(h, box[k]);
  h.append(32, '\0');
  return h;
}

struct Field {
  std::string name;
  char type;
  int width;
  int decimals;
};

}  // namespace

void ShapefileOutline::Add(const TStandardMapUnion& sheet) {
  const double w = DmsToDeg(sheet.Range.West), e = DmsToDeg(sheet.Range.East);
  if (sheets == 0 || w < westmost) westmost = w;
  if (sheets == 0 || e > eastmost) eastmost = e;
  ++sheets;
  longestNumber = std::max(longestNumber, sheet.MapUnionNo.size());
}

std::string ShapefilePrj(const ShapefileOptions& options, double westmost, double eastmost) {
  const FramePlane& p = options.plane;
  const DatumInfo& names = DatumInfoOf(p.datum);
  if (options.geographic) return names.esriGeogcs;
  const bool prefix = p.cm != 0;
  const double cm = PlaneZoneMeridian(westmost, eastmost, p.zone3, p.cm);
  const bool offsets = p.offsetX != 0 || p.offsetY != 0;
  const double zone = (FalseEasting(p.zone3, cm) - 500000) / 1e6;
  std::string name;
  if (GaussKrugerEpsg(p.datum, p.zone3, cm, true) != 0 && !offsets) {
    name = std::string(names.esriName) + (p.zone3 ? "_3_Degree" : "") + "_GK_" +
           (prefix ? "Zone_" + ShortText(zone) : "CM_" + ShortText(cm) + "E");
  } else {
    std::string gdalName = std::string(DatumInfoOf(p.datum).epsgName) + " / " + (p.zone3 ? "3-degree " : "") + "Gauss-Kruger ";
    if (GaussKrugerEpsg(p.datum, p.zone3, cm, true) != 0) {
      gdalName += prefix ? "zone " + ShortText(zone) : "CM " + ShortText(cm) + "E";
    } else {
      gdalName += "CM " + ShortText(cm) + "E";
      if (prefix) gdalName += " zone " + ShortText(zone);
    }
    if (offsets) gdalName += ", omitted X " + ShortText(p.offsetX) + " Y " + ShortText(p.offsetY);
    name = EsriName(gdalName);
  }
  const double falseEasting = prefix ? FalseEasting(p.zone3, cm) : 500000;
  return "PROJCS[\"" + name + "\"," + names.esriGeogcs + ",PROJECTION[\"Gauss_Kruger\"],PARAMETER[\"False_Easting\"," +
         WktNumber(falseEasting - p.offsetX) + "],PARAMETER[\"False_Northing\"," +
         WktNumber(-p.offsetY) + "],PARAMETER[\"Central_Meridian\"," + WktNumber(cm) +
         "],PARAMETER[\"Scale_Factor\",1.0],PARAMETER[\"Latitude_Of_Origin\",0.0],UNIT[\"Meter\",1.0]]";
}

ShapefileWriter::ShapefileWriter(const ShapefileOptions& options, const ShapefileOutline& outline)
    : options_(options),
      outline_(outline),
      numberWidth_(static_cast<int>(std::clamp<std::size_t>(outline.longestNumber, 1, 254))),
      box_{0, 0, 0, 0} {
  if (outline.sheets == 0) throw Error(kNoSheetsMessage);
  files_.prj = ShapefilePrj(options, outline.westmost, outline.eastmost);
  files_.cpg = options.gbk ? "GBK" : "UTF-8";

  std::vector<Field> fields = {{"图幅号", 'C', numberWidth_, 0}, {"比例尺", 'N', 7, 0}, {"标准", 'C', 3, 0},
                               {"WEST", 'N', 24, 15},          {"SOUTH", 'N', 24, 15}, {"EAST", 'N', 24, 15},
                               {"NORTH", 'N', 24, 15}};
  if (!options.geographic) {
    for (const char* c : {"X1", "Y1", "X2", "Y2", "X3", "Y3", "X4", "Y4"}) fields.push_back({c, 'N', 24, 15});
  }
  int recordLength = 1;
  for (const Field& f : fields) recordLength += f.width;
  std::string& dbf = files_.dbf;
  const std::time_t now = std::time(nullptr);
  std::tm date{};
  gmtime_r(&now, &date);
  dbf += '\x03';
  dbf += static_cast<char>(date.tm_year);
  dbf += static_cast<char>(date.tm_mon + 1);
  dbf += static_cast<char>(date.tm_mday);
  PutLittle32(dbf, outline.sheets);
  PutLittle16(dbf, static_cast<std::uint16_t>(32 + 32 * fields.size() + 1));
  PutLittle16(dbf, static_cast<std::uint16_t>(recordLength));
  dbf.append(20, '\0');
  if (options.gbk) dbf[29] = static_cast<char>(kGbkLanguageDriver);
  for (const Field& f : fields) {
    std::string name = options.gbk ? Utf8ToGbk(f.name) : f.name;
    name.resize(11, '\0');
    dbf += name;
    dbf += f.type;
    dbf.append(4, '\0');
    dbf += static_cast<char>(f.width);
    dbf += static_cast<char>(f.decimals);
    dbf.append(14, '\0');
  }
  dbf += '\x0D';

  files_.shp = MainHeader(0, box_);
  files_.shx = MainHeader(50 + 4 * outline.sheets, box_);
}

void ShapefileWriter::Add(const TStandardMapUnion& sheet) {
  FrameOfSheet(sheet, options_.plane, options_.geographic, options_.cornersOnly, frame_);
  const std::vector<double>& ringX = frame_.ringX;
  const std::vector<double>& ringY = frame_.ringY;

  // The record of the .shp and its entry in the .shx.
  const auto [minX, maxX] = std::minmax_element(ringX.begin(), ringX.end());
  const auto [minY, maxY] = std::minmax_element(ringY.begin(), ringY.end());
  const double box[4] = {*minX, *minY, *maxX, *maxY};
  if (written_ == 0) {
    std::copy(box, box + 4, box_);
  } else {
    box_[0] = std::min(box_[0], box[0]);
    box_[1] = std::min(box_[1], box[1]);
    box_[2] = std::max(box_[2], box[2]);
    box_[3] = std::max(box_[3], box[3]);
  }
  const auto points = static_cast<std::uint32_t>(ringX.size());
  const std::uint32_t contentWords = (44 + 4 + 16 * points) / 2;
  PutBig32(files_.shx, static_cast<std::uint32_t>(files_.shp.size() / 2));
  PutBig32(files_.shx, contentWords);
  std::string& shp = files_.shp;
  PutBig32(shp, written_ + 1);
  PutBig32(shp, contentWords);
  PutLittle32(shp, 5);
  for (const double v : box) PutDouble(shp, v);
  PutLittle32(shp, 1);
  PutLittle32(shp, points);
  PutLittle32(shp, 0);
  for (std::size_t k = 0; k < ringX.size(); ++k) {
    PutDouble(shp, ringX[k]);
    PutDouble(shp, ringY[k]);
  }

  // The attributes.
  std::string& dbf = files_.dbf;
  dbf += ' ';
  std::string number = options_.gbk ? Utf8ToGbk(sheet.MapUnionNo) : sheet.MapUnionNo;
  number.resize(static_cast<std::size_t>(numberWidth_), ' ');
  dbf += number;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%7d", ScaleDenominatorOf(sheet, options_.plane));
  dbf += buf;
  std::string standard(StandardOf(sheet, options_.plane));
  standard.resize(3, ' ');
  dbf += standard;
  double reals[12] = {DmsToDeg(sheet.Range.West), DmsToDeg(sheet.Range.South), DmsToDeg(sheet.Range.East),
                      DmsToDeg(sheet.Range.North)};
  std::size_t count = 4;
  if (!options_.geographic) {
    for (std::size_t k = 0; k < 4; ++k) {
      reals[count++] = frame_.x[k];
      reals[count++] = frame_.y[k];
    }
  }
  for (const double v : std::span(reals, count)) {
    std::snprintf(buf, sizeof buf, "%24.15f", v);
    dbf.append(buf, std::min<std::size_t>(std::strlen(buf), 24));
  }
  ++written_;
}

ShapefileMembers ShapefileWriter::Finish() {
  if (written_ != outline_.sheets) throw Error("Shapefile: the sheets written are not the sheets announced");
  const std::string header = MainHeader(static_cast<std::uint32_t>(files_.shp.size() / 2), box_);
  files_.shp.replace(0, 100, header);
  files_.shx.replace(0, 100, MainHeader(50 + 4 * written_, box_));
  files_.dbf += '\x1A';
  return std::move(files_);
}

}  // namespace karvento
