// SPDX-License-Identifier: Apache-2.0
// Map frames as AutoCAD R12 DXF text.
#include "export/dxf_frame.h"

#include "export/gbk.h"
#include "geodesy/float_chars.h"

namespace karvento {

namespace {

// The thin lines of a frame are drawn at the CAD program's own weight; only
// heavier ones (the outer frame, the scale bar's filled units) get a width.
constexpr double kThinMm = 0.2;

class Dxf {
 public:
  void Pair(int code, std::string_view value) {
    out_ += std::to_string(code);
    out_ += '\n';
    out_ += value;
    out_ += '\n';
  }
  void Pair(int code, double v) {
    char buf[32];
    const auto r = FloatToChars(buf, buf + sizeof buf, v == 0 ? 0.0 : v);
    Pair(code, std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
  }
  void Pair(int code, int v) { Pair(code, std::string_view(std::to_string(v))); }
  void Point(int code, const TPlanePoint& p) {
    Pair(code, p.X);
    Pair(code + 10, p.Y);
    Pair(code + 20, 0.0);
  }
  // A header variable: its name, then its value under the value's code.
  template <typename T>
  void Var(std::string_view name, int code, T value) {
    Pair(9, name);
    Pair(code, value);
  }
  // A named group of records: SECTION … ENDSEC, TABLE … ENDTAB (a table
  // states how many records it holds).
  template <typename Body>
  void Section(std::string_view name, Body body) {
    Pair(0, "SECTION");
    Pair(2, name);
    body();
    Pair(0, "ENDSEC");
  }
  template <typename Body>
  void Table(std::string_view name, int count, Body body) {
    Pair(0, "TABLE");
    Pair(2, name);
    Pair(70, count);
    body();
    Pair(0, "ENDTAB");
  }
  std::string& str() { return out_; }

 private:
  std::string out_;
};

std::string LayerName(FrameLayer layer) {
  return Utf8ToGbk(kFrameLayerNames[static_cast<int>(layer)]);
}

}  // namespace

std::string DxfFrameText(const MapFrame& frame) {
  const double k = frame.denominator / 1000.0;  // ground metres per paper millimetre
  Dxf d;
  d.Section("HEADER", [&] {
    d.Var("$ACADVER", 1, "AC1009");
    d.Var("$DWGCODEPAGE", 3, "ANSI_936");
    d.Var("$INSUNITS", 70, 6);
    d.Var("$MEASUREMENT", 70, 1);
    d.Pair(9, "$EXTMIN");
    d.Point(10, {frame.minX, frame.minY});
    d.Pair(9, "$EXTMAX");
    d.Point(10, {frame.maxX, frame.maxY});
  });

  d.Section("TABLES", [&] {
    d.Table("LTYPE", 1, [&] {
      d.Pair(0, "LTYPE");
      d.Pair(2, "CONTINUOUS");
      d.Pair(70, 0);
      d.Pair(3, "Solid line");
      d.Pair(72, 65);
      d.Pair(73, 0);
      d.Pair(40, 0.0);
    });
    d.Table("LAYER", kFrameLayerCount, [&] {
      for (int i = 0; i < kFrameLayerCount; ++i) {
        d.Pair(0, "LAYER");
        d.Pair(2, LayerName(static_cast<FrameLayer>(i)));
        d.Pair(70, 0);
        d.Pair(62, static_cast<FrameLayer>(i) == FrameLayer::KmGrid || static_cast<FrameLayer>(i) == FrameLayer::Graticule ? 3 : 7);
        d.Pair(6, "CONTINUOUS");
      }
    });
    // Chinese text needs a big font in CAD programs that draw SHX fonts.
    d.Table("STYLE", 1, [&] {
      d.Pair(0, "STYLE");
      d.Pair(2, "STANDARD");
      d.Pair(70, 0);
      d.Pair(40, 0.0);
      d.Pair(41, 0.8);
      d.Pair(50, 0.0);
      d.Pair(71, 0);
      d.Pair(42, 2.5);
      d.Pair(3, "txt");
      d.Pair(4, "gbcbig");
    });
  });

  d.Section("ENTITIES", [&] {
    for (const FrameLine& line : frame.lines) {
      const std::string layer = LayerName(line.layer);
      if (line.points.size() == 2 && !line.closed && line.widthMm <= kThinMm) {
        d.Pair(0, "LINE");
        d.Pair(8, layer);
        d.Point(10, line.points[0]);
        d.Point(11, line.points[1]);
        continue;
      }
      d.Pair(0, "POLYLINE");
      d.Pair(8, layer);
      d.Pair(66, 1);
      d.Point(10, {0, 0});
      d.Pair(70, line.closed ? 1 : 0);
      if (line.widthMm > kThinMm) {
        d.Pair(40, line.widthMm * k);
        d.Pair(41, line.widthMm * k);
      }
      for (const TPlanePoint& p : line.points) {
        d.Pair(0, "VERTEX");
        d.Pair(8, layer);
        d.Point(10, p);
      }
      d.Pair(0, "SEQEND");
      d.Pair(8, layer);
    }
    for (const FrameText& t : frame.texts) {
      d.Pair(0, "TEXT");
      d.Pair(8, LayerName(t.layer));
      d.Point(10, t.at);
      d.Pair(40, t.heightMm * k);
      d.Pair(1, Utf8ToGbk(t.text));
      d.Pair(7, "STANDARD");
      const int h = t.h == HAlign::Left ? 0 : t.h == HAlign::Centre ? 1 : 2;
      const int v = t.v == VAlign::Bottom ? 1 : t.v == VAlign::Middle ? 2 : 3;
      d.Pair(72, h);
      d.Point(11, t.at);
      d.Pair(73, v);
    }
  });
  d.Pair(0, "EOF");
  return std::move(d.str());
}

}  // namespace karvento
