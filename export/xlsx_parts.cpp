// SPDX-License-Identifier: Apache-2.0
// A workbook given as the parts of its package, for a caller that packs them
// into the ZIP itself: the browser page has neither libxlsxwriter nor zlib,
// and compresses the parts as they come. The parts are those a spreadsheet
// program reads: [Content_Types].xml, _rels/.rels, docProps/app.xml,
// docProps/core.xml, xl/workbook.xml, xl/_rels/workbook.xml.rels,
// xl/styles.xml and xl/worksheets/sheet1.xml, with the cells, merges,
// alignment, borders and column widths of the same workbook saved to a file.
//
// The rows are kept as XML in blocks until the workbook is saved (the column
// widths, which come before the rows in the worksheet, are known only then):
// some 600 bytes a row of the sheet table.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "export/text_output.h"
#include "export/xlsx_backend.h"
#include "export/xlsx_workbook.h"

namespace karvento {
namespace {

constexpr const char* kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char* kMainNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The column's letters: 0 → A, 25 → Z, 26 → AA.
void AppendColumnName(std::string& out, int col) {
  char letters[4];
  int n = 0;
  for (int c = col + 1; c > 0; c = (c - 1) / 26) letters[n++] = static_cast<char>('A' + (c - 1) % 26);
  while (n > 0) out.push_back(letters[--n]);
}

void AppendInteger(std::string& out, int value) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

void AppendCellName(std::string& out, int row, int col) {
  AppendColumnName(out, col);
  AppendInteger(out, row + 1);
}

// Text as XML character data. The control characters but tab and line feed
// are written in the workbook's own escape, _xHHHH_ (a carriage return too,
// which an XML reader would turn into a line feed).
void AppendEscaped(std::string& out, std::string_view text) {
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (ch == '&') {
      out += "&amp;";
    } else if (ch == '<') {
      out += "&lt;";
    } else if (ch == '>') {
      out += "&gt;";
    } else if (c < 0x20 && ch != '\t' && ch != '\n') {
      char escape[8];
      std::snprintf(escape, sizeof escape, "_x%04X_", c);
      out += escape;
    } else {
      out.push_back(ch);
    }
  }
}

// A number as spreadsheet programs store it: 16 significant digits, as the
// file backend writes it, so that both workbooks hold the same values.
void AppendNumber(std::string& out, double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.16G", value);
  out += text;
}

// White space that the written text keeps at its ends (the other control
// characters are escaped): a reader keeps it only when told to.
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// A width in characters as spreadsheet programs store it: whole pixels of
// the default font (Calibri 11: 7 pixels a digit, 5 of padding), in 1/256ths
// of a character.
double StoredWidth(double width) {
  constexpr double kDigit = 7, kPaddingPixels = 5;
  const double pixels = width < 1 ? static_cast<std::uint16_t>(width * (kDigit + kPaddingPixels) + 0.5)
                                  : static_cast<std::uint16_t>(width * kDigit + 0.5) + kPaddingPixels;
  return static_cast<std::uint16_t>(pixels / kDigit * 256.0) / 256.0;
}

// The rows of the worksheet are kept in blocks of about this many bytes, so
// that a large sheet is never copied whole.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

class PartsBackend final : public XlsxBackend {
 public:
  explicit PartsBackend(PartSink& sink) : sink_(sink) {}

  void Merge(int row, int firstCol, int lastCol, int style) override {
    for (int c = firstCol; c <= lastCol; ++c) Blank(row, c, style);
    merges_.emplace_back(std::string());
    AppendCellName(merges_.back(), row, firstCol);
    merges_.back().push_back(':');
    AppendCellName(merges_.back(), row, lastCol);
  }
  void Text(int row, int col, std::string_view utf8, int style) override {
    std::string& c = Open(row, col, style);
    c += " t=\"inlineStr\"><is><t";
    if (!utf8.empty() && (IsBlank(utf8.front()) || IsBlank(utf8.back()))) c += " xml:space=\"preserve\"";
    c.push_back('>');
    AppendEscaped(c, utf8);
    c += "</t></is></c>";
  }
  void Number(int row, int col, double value, int style) override {
    std::string& c = Open(row, col, style);
    c += "><v>";
    AppendNumber(c, value);
    c += "</v></c>";
  }
  void Blank(int row, int col, int style) override { Open(row, col, style) += "/>"; }
  void ColumnWidth(int col, double width) override { widths_.emplace_back(col, StoredWidth(width)); }

  bool Save(const std::function<bool()>& keepGoing) override {
    if (keepGoing && !keepGoing()) return false;
    EndRow();
    Part("[Content_Types].xml", ContentTypes());
    Part("_rels/.rels", PackageRelationships());
    Part("docProps/app.xml", AppProperties());
    Part("docProps/core.xml", CoreProperties());
    Part("xl/workbook.xml", Workbook());
    Part("xl/_rels/workbook.xml.rels", WorkbookRelationships());
    Part("xl/styles.xml", Styles());
    sink_.Begin("xl/worksheets/sheet1.xml");
    sink_.Write(SheetHead());
    for (std::string& block : blocks_) {
      if (keepGoing && !keepGoing()) return false;
      sink_.Write(block);
      std::string().swap(block);
    }
    sink_.Write(SheetTail());
    sink_.End();
    return true;
  }

 private:
  // Starts the cell's XML, "<c r=.. s=..", in the row being collected, the
  // cell's earlier XML (a blank of a merge) replaced.
  std::string& Open(int row, int col, int style) {
    if (row != row_) {
      EndRow();
      row_ = row;
    }
    minRow_ = std::min(minRow_, row);
    maxRow_ = std::max(maxRow_, row);
    minCol_ = std::min(minCol_, col);
    maxCol_ = std::max(maxCol_, col);
    // The row's cells keep their strings from row to row: no allocation a
    // cell once the first rows have been written.
    auto end = cells_.begin() + static_cast<std::ptrdiff_t>(used_);
    auto it = std::find_if(cells_.begin(), end, [col](const auto& c) { return c.first == col; });
    if (it == end) {
      if (used_ == cells_.size()) cells_.emplace_back();
      it = cells_.begin() + static_cast<std::ptrdiff_t>(used_++);
      it->first = col;
    }
    std::string& c = it->second;
    c.assign("<c r=\"");
    AppendCellName(c, row, col);
    c.push_back('"');
    const int xf = StyleIndex(style);
    if (xf != 0) {
      c += " s=\"";
      AppendInteger(c, xf);
      c.push_back('"');
    }
    return c;
  }

  // The row's cells in the order of their columns, as the file format wants.
  void EndRow() {
    if (used_ == 0) return;
    const auto end = cells_.begin() + static_cast<std::ptrdiff_t>(used_);
    if (!std::is_sorted(cells_.begin(), end, [](const auto& a, const auto& b) { return a.first < b.first; })) {
      std::sort(cells_.begin(), end, [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    if (blocks_.empty() || blocks_.back().size() >= kBlockBytes) {
      blocks_.emplace_back();
      blocks_.back().reserve(kBlockBytes + 4096);
    }
    std::string& out = blocks_.back();
    out += "<row r=\"";
    AppendInteger(out, row_ + 1);
    out += "\">";
    for (auto c = cells_.begin(); c != end; ++c) out += c->second;
    out += "</row>";
    used_ = 0;
  }

  // Cell formats are numbered in the order of their first use, 0 being the
  // plain one.
  int StyleIndex(int style) {
    if (style == kXlsxPlain) return 0;
    const auto at = std::find(styles_.begin(), styles_.end(), style);
    if (at != styles_.end()) return static_cast<int>(at - styles_.begin()) + 1;
    styles_.push_back(style);
    return static_cast<int>(styles_.size());
  }

  void Part(const char* name, const std::string& xml) {
    sink_.Begin(name);
    sink_.Write(xml);
    sink_.End();
  }

  static std::string ContentTypes() {
    std::string x = kXmlDeclaration;
    x += "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/docProps/app.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.extended-properties+xml\"/>"
         "<Override PartName=\"/docProps/core.xml\" "
         "ContentType=\"application/vnd.openxmlformats-package.core-properties+xml\"/>"
         "<Override PartName=\"/xl/styles.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
         "<Override PartName=\"/xl/workbook.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
         "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
         "</Types>";
    return x;
  }

  static std::string PackageRelationships() {
    std::string x = kXmlDeclaration;
    x += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
         "officeDocument\" Target=\"xl/workbook.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
         "core-properties\" Target=\"docProps/core.xml\"/>"
         "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
         "extended-properties\" Target=\"docProps/app.xml\"/>"
         "</Relationships>";
    return x;
  }

  static std::string AppProperties() {
    std::string x = kXmlDeclaration;
    x += "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\" "
         "xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes\">"
         "<Application>Microsoft Excel</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop>"
         "<HeadingPairs><vt:vector size=\"2\" baseType=\"variant\"><vt:variant><vt:lpstr>Worksheets</vt:lpstr>"
         "</vt:variant><vt:variant><vt:i4>1</vt:i4></vt:variant></vt:vector></HeadingPairs>"
         "<TitlesOfParts><vt:vector size=\"1\" baseType=\"lpstr\"><vt:lpstr>Sheet1</vt:lpstr></vt:vector>"
         "</TitlesOfParts><LinksUpToDate>false</LinksUpToDate><SharedDoc>false</SharedDoc>"
         "<HyperlinksChanged>false</HyperlinksChanged><AppVersion>12.0000</AppVersion></Properties>";
    return x;
  }

  static std::string CoreProperties() {
    char now[32] = "1980-01-01T00:00:00Z";
    const std::time_t t = std::time(nullptr);
    std::tm utc{};
    if (t != static_cast<std::time_t>(-1) && gmtime_r(&t, &utc) != nullptr) {
      std::strftime(now, sizeof now, "%Y-%m-%dT%H:%M:%SZ", &utc);
    }
    std::string x = kXmlDeclaration;
    x += "<cp:coreProperties xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
         "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:dcterms=\"http://purl.org/dc/terms/\" "
         "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
         "<dc:creator></dc:creator><cp:lastModifiedBy></cp:lastModifiedBy>"
         "<dcterms:created xsi:type=\"dcterms:W3CDTF\">";
    x += now;
    x += "</dcterms:created><dcterms:modified xsi:type=\"dcterms:W3CDTF\">";
    x += now;
    x += "</dcterms:modified></cp:coreProperties>";
    return x;
  }

  static std::string Workbook() {
    std::string x = kXmlDeclaration;
    x += std::string("<workbook xmlns=\"") + kMainNamespace + "\" xmlns:r=\"" + kRelationships + "\">" +
         "<bookViews><workbookView xWindow=\"240\" yWindow=\"15\" windowWidth=\"16095\" windowHeight=\"9660\"/>"
         "</bookViews><sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets>"
         "<calcPr calcId=\"124519\" fullCalcOnLoad=\"1\"/></workbook>";
    return x;
  }

  static std::string WorkbookRelationships() {
    std::string x = kXmlDeclaration;
    x += "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
         "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
         "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
         "styles\" Target=\"styles.xml\"/>"
         "</Relationships>";
    return x;
  }

  std::string Styles() const {
    std::string x = kXmlDeclaration;
    x += std::string("<styleSheet xmlns=\"") + kMainNamespace + "\">" +
         "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
         "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
         "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
         "<borders count=\"2\"><border><left/><right/><top/><bottom/><diagonal/></border>"
         "<border><left style=\"thin\"><color auto=\"1\"/></left><right style=\"thin\"><color auto=\"1\"/></right>"
         "<top style=\"thin\"><color auto=\"1\"/></top><bottom style=\"thin\"><color auto=\"1\"/></bottom>"
         "<diagonal/></border></borders>"
         "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>";
    x += "<cellXfs count=\"" + std::to_string(styles_.size() + 1) + "\">";
    x += "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";
    for (const int style : styles_) {
      const bool framed = (style & kXlsxFramed) != 0, centred = (style & kXlsxCentred) != 0;
      x += std::string("<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"") + (framed ? "1" : "0") +
           "\" xfId=\"0\"" + (framed ? " applyBorder=\"1\"" : "") + (centred ? " applyAlignment=\"1\"" : "");
      x += centred ? "><alignment horizontal=\"center\"/></xf>" : "/>";
    }
    x += "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
         "<dxfs count=\"0\"/><tableStyles count=\"0\" defaultTableStyle=\"TableStyleMedium9\" "
         "defaultPivotStyle=\"PivotStyleLight16\"/></styleSheet>";
    return x;
  }

  std::string SheetHead() const {
    std::string x = kXmlDeclaration;
    x += std::string("<worksheet xmlns=\"") + kMainNamespace + "\" xmlns:r=\"" + kRelationships + "\">";
    x += "<dimension ref=\"";
    if (maxRow_ < 0) {
      x += "A1";
    } else {
      AppendCellName(x, minRow_, minCol_);
      if (maxRow_ != minRow_ || maxCol_ != minCol_) {
        x.push_back(':');
        AppendCellName(x, maxRow_, maxCol_);
      }
    }
    x += "\"/><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
         "<sheetFormatPr defaultRowHeight=\"15\"/>";
    if (!widths_.empty()) {
      x += "<cols>";
      for (const auto& [col, width] : widths_) {
        const std::string n = std::to_string(col + 1);
        x += "<col min=\"" + n + "\" max=\"" + n + "\" width=\"";
        AppendNumber(x, width);
        x += "\" customWidth=\"1\"/>";
      }
      x += "</cols>";
    }
    x += "<sheetData>";
    return x;
  }

  std::string SheetTail() const {
    std::string x = "</sheetData>";
    if (!merges_.empty()) {
      x += "<mergeCells count=\"" + std::to_string(merges_.size()) + "\">";
      for (const std::string& m : merges_) x += "<mergeCell ref=\"" + m + "\"/>";
      x += "</mergeCells>";
    }
    x += "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/>"
         "</worksheet>";
    return x;
  }

  PartSink& sink_;
  int row_ = -1;                                   // the row being collected
  std::vector<std::pair<int, std::string>> cells_;  // its cells' XML by column: [0, used_)
  std::size_t used_ = 0;
  std::vector<std::string> blocks_;                // the finished rows
  int minRow_ = 1 << 30, maxRow_ = -1, minCol_ = 1 << 30, maxCol_ = -1;
  std::vector<int> styles_;  // the formats in use, in the order of their index from 1
  std::vector<std::pair<int, double>> widths_;
  std::vector<std::string> merges_;
};

}  // namespace

XlsxWorkbook::XlsxWorkbook(PartSink& parts)
    : backend_(std::make_unique<PartsBackend>(parts)), sheet_(new XlsxWorksheet(*backend_)) {}

}  // namespace karvento
