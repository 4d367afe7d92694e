// SPDX-License-Identifier: Apache-2.0
// The text of MapInfo Interchange files, for the MIF/MID writers of
// export/mif.cpp (into any sink) and export/mif_files.cpp (files through the
// safe writer): a MIF file of regions and the MID file of their sheet
// numbers, both GBK text with CR LF line ends.
//
// The writers format straight into one large buffer per file and hand it to
// the sink in big blocks. A corner is formatted once however often it is
// written: the outline closes on its first point, and a sheet shares its
// north corners with the south corners of the sheet before it in a column.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "export/number_format.h"
#include "export/text_output.h"
#include "numbering/sheet_types.h"

namespace karvento::mif {

inline constexpr std::size_t kBufferSize = std::size_t{1} << 22;
// More than any one region or record can take: ten lines of at most two
// numbers each, or one sheet number of a few hundred bytes.
inline constexpr std::size_t kRegionReserve = 1024;

inline constexpr const char* kNoBoundsSheet =
    "无法确定 MIF 文件的范围：图幅表的第一组或最后一组没有图幅。";

// A file's output buffer over a sink, named (the file's name) for the
// messages of a refused record. Put* append without checks; Reserve makes
// room first, writing out what is buffered.
class OutBuffer {
 public:
  OutBuffer(Sink& sink, std::string name)
      : sink_(sink), name_(std::move(name)), buf_(new char[kBufferSize]), p_(buf_.get()),
        end_(buf_.get() + kBufferSize) {}

  void Reserve(std::size_t n) {
    if (static_cast<std::size_t>(end_ - p_) < n) Flush();
  }
  void Flush() {
    sink_.Write(std::string_view(buf_.get(), static_cast<std::size_t>(p_ - buf_.get())));
    p_ = buf_.get();
  }
  void Put(std::string_view s) {
    std::memcpy(p_, s.data(), s.size());
    p_ += s.size();
  }
  // Text longer than the reserve (a very long sheet number) goes through a
  // flush of its own.
  void PutLong(std::string_view s) {
    if (static_cast<std::size_t>(end_ - p_) < s.size()) {
      Flush();
      if (s.size() > kBufferSize) {
        sink_.Write(s);
        return;
      }
    }
    Put(s);
  }
  void PutNumber(double v) { p_ = FormatGeneral(v, p_); }
  const std::string& target() const { return name_; }
  // "x y" CR LF
  void PutPoint(double x, double y) {
    p_ = FormatGeneral(x, p_);
    *p_++ = ' ';
    p_ = FormatGeneral(y, p_);
    *p_++ = '\r';
    *p_++ = '\n';
  }

 private:
  Sink& sink_;
  std::string name_;
  std::unique_ptr<char[]> buf_;
  char* p_;
  char* end_;
};

// One point's text, kept to be written twice.
struct PointText {
  double x = 0, y = 0;
  std::size_t size = 0;  // 0: nothing kept
  char text[2 * kGeneralNumberMaxLength + 3];
  void Set(double px, double py) {
    x = px;
    y = py;
    char* p = FormatGeneral(px, text);
    *p++ = ' ';
    p = FormatGeneral(py, p);
    *p++ = '\r';
    *p++ = '\n';
    size = static_cast<std::size_t>(p - text);
  }
  std::string_view view() const { return {text, size}; }
};

// The outline texts of the previous region. Neighbouring sheets share
// corners (in a column from north to south a sheet's north-west and
// north-east corners are the previous sheet's south-west and south-east), so
// half of the corners need no formatting; a corner is reused only when both
// its coordinates are equal to the last bit.
class CornerTexts {
 public:
  // The four outline corners of the next region, NW, NE, SE, SW.
  void Next(const double (&xy)[8]) {
    const int prev = current_;
    current_ ^= 1;
    for (int k = 0; k < 4; ++k) {
      const double x = xy[2 * k], y = xy[2 * k + 1];
      PointText& out = corners_[current_][k];
      const PointText* found = nullptr;
      for (const PointText& p : corners_[prev]) {
        if (p.size != 0 && p.x == x && p.y == y) {
          found = &p;
          break;
        }
      }
      if (found != nullptr) {
        out = *found;
      } else {
        out.Set(x, y);
      }
    }
  }
  std::string_view operator[](int k) const { return corners_[current_][k].view(); }

 private:
  PointText corners_[2][4];
  int current_ = 0;
};

struct Pens {
  std::string_view pen, brush;
};
inline constexpr Pens kPlanePens{"    Pen (1,0,0)\r\n", "    Brush (0,0,16777215)\r\n"};
inline constexpr Pens kGeoPens{"    Pen (1,2,0)\r\n", "    Brush (1,0,16777215)\r\n"};

struct Bounds {
  double minx, miny, maxx, maxy;
};

// The header up to Data; a geographic MIF has no bounds.
void PutHeader(OutBuffer& mif, const Bounds* bounds);

// The outline NW, NE, SE, SW, NW and the closing lines of one region.
void PutRegion(OutBuffer& mif, CornerTexts& corners, const Pens& pens, double xnw, double ynw,
               double xne, double yne, double xse, double yse, double xsw, double ysw, double cx,
               double cy);

// One sheet number's MID record; a number that no record can hold is
// refused with the MID's name.
void PutRecord(OutBuffer& mid, const std::string& number);

// The frame of a plane MIF: five sheets' widths and heights around the
// sheets, from A, the last sheet of the first column (south-west for a
// generated table), and B, the first sheet of the last column (north-east).
Bounds PlaneBounds(const TStandardMapUnion& sw, const TStandardMapUnion& ne);
// Throws Error(kSpansZonesMessage) for a plane MIF framed by southWest and
// northEast whose corners, without a central meridian (cm = 0), lie in more
// than one zone; nothing for a geographic one or one with nothing to frame.
void CheckOnePlane(bool geo, const TStandardMapUnion* southWest, const TStandardMapUnion* northEast,
                   bool zone3, double cm);

// One sheet's region (plane or geographic corners) and its record.
void PutStandardSheet(OutBuffer& mif, OutBuffer& mid, CornerTexts& corners, bool geo,
                      const TStandardMapUnion& sheet);

// A MIF/MID pair of files being written, for MifColumnWriter: the safe
// writer's pair (export/mif_files.cpp).
class FilePair {
 public:
  virtual ~FilePair() = default;
  virtual Sink& Mif() = 0;
  virtual Sink& Mid() = 0;
  virtual const std::string& MifName() const = 0;
  virtual const std::string& MidName() const = 0;
  // Puts both files in place, the MID first.
  virtual void Commit() = 0;
};

}  // namespace karvento::mif
