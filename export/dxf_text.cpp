// SPDX-License-Identifier: Apache-2.0
#include "export/dxf_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "export/gbk.h"
#include "export/sheet_fields.h"
#include "geodesy/angles.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/float_chars.h"
#include "numbering/error.h"

namespace karvento {
namespace {

#include "export/dxf_templates.inc"

// GDAL numbers the entities it writes from here, leaving the small handles
// to the objects of its templates.
constexpr std::uint64_t kFirstEntityHandle = 0x20000;

constexpr std::string_view kTextStyle = "AutoTextStyle-1";

// A group of a DXF file: its code and its value line.
struct Group {
  int code;
  std::string value;
};

// A template as the groups GDAL reads from it: a code line read as an
// integer (its padding gone), the value line as it stands.
std::vector<Group> GroupsOf(std::string_view text) {
  std::vector<Group> groups;
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
    std::string code(lines[i]);
    groups.push_back({std::atoi(code.c_str()), std::string(lines[i + 1])});
  }
  return groups;
}

// A group: its code right-aligned in three columns ("%3d"), its value, each
// on a line.
void AppendGroup(std::string& out, int code, std::string_view value) {
  char buf[16];
  const char* end = std::to_chars(buf, buf + sizeof buf, code).ptr;
  const auto digits = static_cast<std::size_t>(end - buf);
  if (digits < 3) out.append(3 - digits, ' ');
  out.append(buf, digits);
  out += '\n';
  out += value;
  out += '\n';
}

// A group of a number, written as DxfNumber writes it, without a string of
// its own: a drawing of all China holds some forty million of them.
void AppendGroup(std::string& out, int code, double value) {
  char buf[64];
  const char* end = FloatToChars(buf, buf + sizeof buf, value, std::chars_format::general, 15).ptr;
  AppendGroup(out, code, std::string_view(buf, static_cast<std::size_t>(end - buf)));
}

std::string Hex(std::uint64_t value) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(value));
  return buf;
}

// The value of a hexadecimal handle as GDAL reads one ("%x": the leading
// hexadecimal digits), 0 for none.
std::uint64_t HandleValue(std::string_view text) {
  std::uint64_t v = 0;
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) i += 2;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (d < 0) break;
    v = v * 16 + static_cast<std::uint64_t>(d);
  }
  return v;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The handles (groups 5 and 105) of the header template before its
// entities, and of the trailer after the start of its objects: a handle
// written must be none of them.
std::set<std::string> TemplateHandles() {
  std::set<std::string> used;
  const auto scan = [&](std::string_view text, bool header) {
    const std::vector<Group> groups = GroupsOf(text);
    bool counting = header;
    for (std::size_t i = 0; i < groups.size(); ++i) {
      if ((groups[i].code == 5 || groups[i].code == 105) && counting) used.insert(groups[i].value);
      if (groups[i].code == 0 && EqualNoCase(groups[i].value, "SECTION") && i + 1 < groups.size()) {
        ++i;
        if (groups[i].code == 2 && EqualNoCase(groups[i].value, "ENTITIES")) counting = false;
        if (groups[i].code == 2 && EqualNoCase(groups[i].value, "OBJECTS")) counting = !header;
      }
    }
  };
  scan(kGdalDxfHeader, true);
  scan(kGdalDxfTrailer, false);
  return used;
}

// The value of a header variable replaced, right-aligned in the width of
// the template's value.
std::string Aligned(const std::string& old, std::string_view value) {
  std::string text(old.size() > value.size() ? old.size() - value.size() : 0, ' ');
  text += value;
  return text;
}

[[noreturn]] void RefuseText(std::string_view text) {
  // Shown with control characters and bytes that are no UTF-8 as \xNN.
  std::string shown;
  for (std::size_t i = 0; i < text.size() && shown.size() < 64;) {
    const Utf8Char c = Utf8CharAt(text, i);
    if (c.length == 0 || c.code < 0x20 || c.code == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(text[i]));
      shown += buf;
      ++i;
    } else {
      shown += text.substr(i, c.length);
      i += c.length;
    }
    if (shown.size() >= 64 && i < text.size()) shown += "…";
  }
  throw Error("图幅号 “" + shown + "” 含有 DXF 文件无法表示的字符（控制字符、U+0080 至 U+00FF 或 U+FFFF 以后的字符）");
}

}  // namespace

std::string DxfNumber(double value) {
  char buf[64];
  return std::string(buf, FloatToChars(buf, buf + sizeof buf, value, std::chars_format::general, 15).ptr);
}

std::string DxfEscapedText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const Utf8Char c = Utf8CharAt(text, i);
    // GDAL writes U+0080 to U+00FF as single bytes of code page 1252, which
    // a GBK drawing reads as other characters; it has 16 bits a character.
    if (c.length == 0 || c.code < 0x20 || c.code == 0x7F || (c.code >= 0x80 && c.code <= 0xFF) ||
        c.code > 0xFFFF) {
      RefuseText(text);
    }
    if (c.code == ' ') {
      out += "\\~";
    } else if (c.code == '\\') {
      out += "\\\\";
    } else if (c.code == '^') {
      out += "^ ";
    } else if (c.code < 0x80) {
      out += static_cast<char>(c.code);
    } else {
      char buf[16];
      std::snprintf(buf, sizeof buf, "\\U+%04x", static_cast<unsigned>(c.code));
      out += buf;
    }
    i += c.length;
  }
  return out;
}

DxfSheetWriter::DxfSheetWriter(const DxfSheetOptions& options, Sink& entities)
    : options_(options),
      entities_(entities),
      usedHandles_(TemplateHandles()),
      nextHandle_(kFirstEntityHandle),
      minX_(std::numeric_limits<double>::infinity()),
      minY_(std::numeric_limits<double>::infinity()),
      maxX_(-std::numeric_limits<double>::infinity()),
      maxY_(-std::numeric_limits<double>::infinity()) {
  for (const std::string& h : usedHandles_) highestUsed_ = std::max(highestUsed_, HandleValue(h));
  highestHandle_ = highestUsed_;
}

DxfSheetWriter::DxfSheetWriter(const DxfSheetOptions& options) : DxfSheetWriter(options, memory_) {}

std::string DxfSheetWriter::NextHandle() {
  std::string h = Hex(nextHandle_++);
  // Past the templates' highest handle no text can be one of theirs.
  while (nextHandle_ - 1 <= highestUsed_ && usedHandles_.count(h) != 0) h = Hex(nextHandle_++);
  highestHandle_ = std::max(highestHandle_, nextHandle_ - 1);
  return h;
}

void DxfSheetWriter::Extend(double x, double y) {
  minX_ = std::min(minX_, x);
  maxX_ = std::max(maxX_, x);
  minY_ = std::min(minY_, y);
  maxY_ = std::max(maxY_, y);
}

void DxfSheetWriter::Add(const TStandardMapUnion& sheet) {
  if (!options_.geographic && options_.plane.cm == 0) {
    // Each corner on its own zone: the drawing has one plane only when every
    // sheet lies in one zone.
    const double w = DmsToDeg(sheet.Range.West), e = DmsToDeg(sheet.Range.East);
    if (!(w >= westmost_)) westmost_ = w;
    if (!(e <= eastmost_)) eastmost_ = e;
    PlaneZoneMeridian(westmost_, eastmost_, options_.plane.zone3, 0);
  }
  FrameOfSheet(sheet, options_.plane, options_.geographic, options_.cornersOnly, frame_);
  Add(sheet.MapUnionNo, frame_);
}

void DxfSheetWriter::Add(std::string_view number, const GisFrame& frame) {
  // Refused before anything of the sheet is written.
  AddEscaped(DxfEscapedText(number), frame);
}

void DxfSheetWriter::AddEscaped(std::string_view text, const GisFrame& frame) {
  static const std::string frameLayer = Utf8ToGbk(kDxfFrameLayer);
  static const std::string numberLayer = Utf8ToGbk(kDxfNumberLayer);

  std::string& s = line_;
  s.clear();
  AppendGroup(s, 0, "LWPOLYLINE");
  AppendGroup(s, 5, NextHandle());
  AppendGroup(s, 100, "AcDbEntity");
  AppendGroup(s, 8, frameLayer);
  AppendGroup(s, 100, "AcDbPolyline");
  AppendGroup(s, 70, "1");
  AppendGroup(s, 90, std::to_string(frame.ringX.size()));
  for (std::size_t k = 0; k < frame.ringX.size(); ++k) {
    AppendGroup(s, 10, frame.ringX[k]);
    AppendGroup(s, 20, frame.ringY[k]);
    Extend(frame.ringX[k], frame.ringY[k]);
  }

  const double height = (frame.MaxY() - frame.MinY()) * kDxfTextHeightRatio;
  const double cx = (frame.MinX() + frame.MaxX()) / 2, cy = (frame.MinY() + frame.MaxY()) / 2;
  AppendGroup(s, 0, "MTEXT");
  AppendGroup(s, 5, NextHandle());
  AppendGroup(s, 100, "AcDbEntity");
  AppendGroup(s, 8, numberLayer);
  AppendGroup(s, 100, "AcDbMText");
  AppendGroup(s, 40, height);
  AppendGroup(s, 71, "5");  // attached at its middle centre
  // A long text goes in pieces of 250 bytes, the last one as group 1.
  std::string_view rest = text;
  while (rest.size() > 250) {
    AppendGroup(s, 3, rest.substr(0, 250));
    rest.remove_prefix(250);
  }
  AppendGroup(s, 1, rest);
  AppendGroup(s, 7, kTextStyle);
  AppendGroup(s, 10, cx);
  AppendGroup(s, 20, cy);
  Extend(cx, cy);
  entities_.Write(s);
  ++sheets_;
}

void DxfSheetWriter::FinishEntities() { entities_.Flush(); }

void DxfSheetWriter::WriteHead(Sink& out) {
  if (sheets_ == 0) throw Error(kNoSheetsMessage);
  if (!options_.system.empty()) {
    // One line of printable ASCII: a comment of another code page or with a
    // line break would be no comment.
    std::string comment = "999\nKarvento sheet frames, coordinate system: ";
    for (const char c : options_.system) comment += c >= ' ' && c <= '~' ? c : '?';
    out.Write(comment + "\n");
  }
  static const std::vector<Group> groups = GroupsOf(kGdalDxfHeader);
  // Non-finite extents (a coordinate that is no number) become a generic
  // box, as GDAL makes them.
  if (!std::isfinite(minX_) || !std::isfinite(minY_) || !std::isfinite(maxX_) || !std::isfinite(maxY_)) {
    minX_ = minY_ = 0;
    maxX_ = maxY_ = 10;
  }
  // The layers and the style that the entities use, each a record of the
  // template's tables with the next handles.
  std::vector<std::string> layers;
  if (sheets_ > 0) layers = {Utf8ToGbk(kDxfFrameLayer), Utf8ToGbk(kDxfNumberLayer)};

  std::string head;
  std::string section, table;
  std::vector<Group> defaultLayer;  // the template's first layer record, "0"
  std::size_t handseedAt = std::string::npos;
  for (std::size_t i = 0; i < groups.size() && section != "ENTITIES"; ++i) {
    const Group& g = groups[i];
    if (g.code == 0 && EqualNoCase(g.value, "ENDTAB")) {
      if (table == "LAYER") {
        for (const std::string& name : layers) {
          for (const Group& d : defaultLayer) {
            if (d.code == 2) {
              AppendGroup(head, 2, name);
            } else if (d.code == 5) {
              AppendGroup(head, 5, NextHandle());
            } else {
              AppendGroup(head, d.code, d.value);
            }
          }
        }
      }
      if (table == "STYLE" && sheets_ > 0) {
        AppendGroup(head, 0, "STYLE");
        AppendGroup(head, 5, NextHandle());
        AppendGroup(head, 100, "AcDbSymbolTableRecord");
        AppendGroup(head, 100, "AcDbTextStyleTableRecord");
        AppendGroup(head, 2, kTextStyle);
        AppendGroup(head, 70, "0");
        AppendGroup(head, 40, "0.0");
        AppendGroup(head, 41, "1.0");
        AppendGroup(head, 50, "0.0");
        AppendGroup(head, 71, "0");
        AppendGroup(head, 1001, "ACAD");
        AppendGroup(head, 1071, "0");
      }
      table.clear();
    }
    if (g.code == 9 && EqualNoCase(g.value, "$HANDSEED") && i + 1 < groups.size()) {
      AppendGroup(head, g.code, g.value);
      ++i;
      std::string seed = groups[i].value;
      if (seed.size() < 8) seed.insert(0, 8 - seed.size(), '0');  // room for eight digits
      handseedAt = head.size();
      AppendGroup(head, groups[i].code, seed);
      continue;
    }
    if (g.code == 9 && (EqualNoCase(g.value, "$EXTMIN") || EqualNoCase(g.value, "$EXTMAX"))) {
      const bool min = EqualNoCase(g.value, "$EXTMIN");
      AppendGroup(head, g.code, g.value);
      if (i + 1 < groups.size() && groups[i + 1].code == 10) {
        ++i;
        AppendGroup(head, 10, DxfNumber(min ? minX_ : maxX_));
        if (i + 1 < groups.size() && groups[i + 1].code == 20) {
          ++i;
          AppendGroup(head, 20, DxfNumber(min ? minY_ : maxY_));
        }
      }
      continue;
    }
    // The Chinese code page and the units.
    if (g.code == 9 && i + 1 < groups.size()) {
      const Group& v = groups[i + 1];
      std::string value;
      if (EqualNoCase(g.value, "$DWGCODEPAGE") && v.value == "ANSI_1252") value = "ANSI_936";
      if (EqualNoCase(g.value, "$INSUNITS")) value = Aligned(v.value, options_.geographic ? "0" : "6");
      if (EqualNoCase(g.value, "$MEASUREMENT")) value = Aligned(v.value, "1");
      if (!value.empty()) {
        AppendGroup(head, g.code, g.value);
        AppendGroup(head, v.code, value);
        ++i;
        continue;
      }
    }
    AppendGroup(head, g.code, g.value);
    if (g.code == 0 && EqualNoCase(g.value, "SECTION") && i + 1 < groups.size()) {
      ++i;
      AppendGroup(head, groups[i].code, groups[i].value);
      section = groups[i].value;
    } else if (g.code == 0 && EqualNoCase(g.value, "TABLE") && i + 1 < groups.size()) {
      ++i;
      AppendGroup(head, groups[i].code, groups[i].value);
      table = groups[i].value;
    } else if (g.code == 0 && EqualNoCase(g.value, "LAYER") && table == "LAYER" && defaultLayer.empty()) {
      // The first layer record, when it is layer "0", is the pattern of
      // the new ones.
      defaultLayer.push_back(g);
      for (std::size_t j = i + 1; j < groups.size() && groups[j].code != 0; ++j) {
        if (groups[j].code == 2 && groups[j].value != "0") {
          defaultLayer.clear();
          break;
        }
        defaultLayer.push_back(groups[j]);
      }
    }
  }
  if (handseedAt != std::string::npos) {
    char seed[24];
    std::snprintf(seed, sizeof seed, "%08llX", static_cast<unsigned long long>(highestHandle_ + 1));
    const std::size_t value = head.find('\n', handseedAt) + 1;
    head.replace(value, 8, seed, 8);
  }
  out.Write(head);
}

void DxfSheetWriter::WriteTail(Sink& out) {
  static const std::string tail = [] {
    const std::vector<Group> groups = GroupsOf(kGdalDxfTrailer);
    std::string text;
    std::size_t i = 0;
    for (; i < groups.size(); ++i) {
      if (groups[i].code == 0 && EqualNoCase(groups[i].value, "SECTION") && i + 1 < groups.size()) {
        ++i;
        if (groups[i].code == 2 && EqualNoCase(groups[i].value, "OBJECTS")) break;
      }
    }
    AppendGroup(text, 0, "ENDSEC");
    AppendGroup(text, 0, "SECTION");
    AppendGroup(text, 2, "OBJECTS");
    for (++i; i < groups.size(); ++i) AppendGroup(text, groups[i].code, groups[i].value);
    return text;
  }();
  out.Write(tail);
}

std::string DxfSheetWriter::Text() {
  FinishEntities();
  StringSink all;
  WriteHead(all);
  all.text += memory_.text;
  WriteTail(all);
  return std::move(all.text);
}

}  // namespace karvento
