// SPDX-License-Identifier: Apache-2.0
#include "export/sheet_csv.h"

#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

void Bom(Output& out, CsvEncoding encoding) {
  if (encoding == CsvEncoding::Utf8Bom) out.Write("\xEF\xBB\xBF");
}

void CsvHeader(Output& out, const char* header) {
  out.Write(header);
  out.Write("\r\n");
}

void StandardCsvRow(Output& out, const TStandardMapUnion& s, const std::string* source,
                    const double* cover) {
  if (source) {
    CsvField(out, *source, out.TextCells());
    out.Put(',');
  }
  CsvField(out, s.MapUnionNo, out.TextCells());
  for (const TAngleDMS* a : {&s.Range.West, &s.Range.South, &s.Range.East, &s.Range.North}) {
    out.Put(',');
    out.Number(DmsToDeg(*a));
  }
  for (const TPlanePoint& p : s.PlaneCorners) {
    out.Put(',');
    out.Number(p.X);
    out.Put(',');
    out.Number(p.Y);
  }
  if (cover) {
    out.Put(',');
    out.Number(*cover);
  }
  out.Write("\r\n");
}

}  // namespace

// A field as CSV wants it: quoted when it holds a comma, a quote or a line
// break, with quotes doubled. A spreadsheet's cell is a formula giving the
// text, ="1-2", itself quoted as a field only where the text needs it.
void CsvField(Output& out, std::string_view text, bool cell) {
  if (cell) {
    std::string formula = "=\"";
    for (char c : text) {
      if (c == '"') formula += '"';
      formula += c;
    }
    formula += '"';
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
      out.Write(formula);
    } else {
      CsvField(out, formula, false);
    }
    return;
  }
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.Write(text);
    return;
  }
  out.Put('"');
  for (char c : text) {
    if (c == '"') out.Put('"');
    out.Put(c);
  }
  out.Put('"');
}

CsvSheetWriter::CsvSheetWriter(Output& out, const SheetMeta& meta, CsvEncoding encoding)
    : out_(out), meta_(meta) {
  Bom(out_, encoding);
  if (meta_.sources) out_.Write("原图幅号,");
  out_.Write(kStandardXlsHeader);
  CsvHeader(out_, meta_.cover ? ",覆盖比例" : "");
}

void CsvSheetWriter::Column(const std::vector<TStandardMapUnion>& column, const std::string* source,
                            const std::vector<double>* covers) {
  for (std::size_t j = 0; j < column.size(); ++j) {
    StandardCsvRow(out_, column[j], source, detail::CoverOf(meta_, covers, j));
  }
}

void WriteCustomCsv(Output& out, const TCustomMapUnions& sheets, CsvEncoding encoding) {
  Bom(out, encoding);
  CsvHeader(out, kCustomXlsHeader);
  for (const auto& row : sheets) {
    for (const auto& s : row) {
      CsvField(out, s.MapUnionNo, out.TextCells());
      for (double v : {s.MinX, s.MinY, s.MaxX, s.MaxY}) {
        out.Put(',');
        out.Number(v);
      }
      out.Write("\r\n");
    }
  }
}

void WritePointCsv(Output& out, const std::vector<PointSheet>& rows, CsvEncoding encoding,
                   bool byScale) {
  Bom(out, encoding);
  out.Write(byScale ? "比例尺" : "位置");
  out.Write(",新图幅号,旧图幅号,最小经度,最小纬度,最大经度,最大纬度\r\n");
  for (const PointSheet& r : rows) {
    CsvField(out, r.label);
    for (const std::string* f : {&r.newNumber, &r.oldNumber}) {
      out.Put(',');
      CsvField(out, *f, out.TextCells());
    }
    out.Put(',');
    out.Number(DmsToDeg(r.sheet.Range.West));
    for (const TAngleDMS* a : {&r.sheet.Range.South, &r.sheet.Range.East, &r.sheet.Range.North}) {
      out.Put(',');
      out.Number(DmsToDeg(*a));
    }
    out.Write("\r\n");
  }
}

}  // namespace karvento
