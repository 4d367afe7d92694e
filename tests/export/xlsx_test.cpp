// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "export/number_format.h"
#include "export/sheet_workbook.h"
#include "export/text_output.h"
#include "export/xlsx_workbook.h"
#include "numbering/error.h"
#include "numbering/unMapUnRgPub.h"
#include "test_files.h"

namespace karvento {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

// One cell as openpyxl reads it back.
struct ReadCell {
  char type = 0;  // 's' text, 'n' number
  std::string value;
  std::string align;
  std::string border;  // left,right,top,bottom
};

struct ReadBook {
  int sheets = 0;
  std::vector<std::string> merged;
  std::map<std::string, ReadCell> cells;  // by coordinate, "B3"
  std::map<std::string, double> widths;   // by column letter
};

ReadBook ReadBack(const std::string& file) {
  int status = -1;
  const std::string out =
      testing::Run("/usr/bin/python3 " KARVENTO_EXPORT_TEST_DIR "/read_xlsx.py " + testing::Quote(file),
                   &status);
  EXPECT_EQ(status, 0) << "openpyxl could not read " << file;
  ReadBook book;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream l(line);
    std::string kind;
    l >> kind;
    if (kind == "sheets") {
      l >> book.sheets;
    } else if (kind == "merged") {
      std::string r;
      l >> r;
      book.merged.push_back(r);
    } else if (kind == "width") {
      std::string letter;
      double w = 0;
      l >> letter >> w;
      book.widths[letter] = w;
    } else if (kind == "cell") {
      // cell COORD TYPE VALUE... align=A border=B; the value may hold blanks.
      std::string coord, type;
      l >> coord >> type;
      std::string rest;
      std::getline(l, rest);
      const std::size_t a = rest.rfind(" align=");
      const std::size_t b = rest.rfind(" border=");
      ReadCell c;
      c.type = type[0];
      c.value = rest.substr(1, a - 1);
      c.align = rest.substr(a + 7, b - a - 7);
      c.border = rest.substr(b + 8);
      book.cells[coord] = c;
    }
  }
  return book;
}

std::string Coord(int row, int col) { return std::string(1, static_cast<char>('A' + col - 1)) + std::to_string(row); }

std::vector<std::string> Names(const std::string& header) {
  std::vector<std::string> names;
  std::istringstream in(header);
  std::string n;
  while (std::getline(in, n, ',')) names.push_back(n);
  return names;
}

constexpr const char* kFramed = "thin,thin,thin,thin";

// The facts every export shares: one worksheet; the title merged over row 1
// up to the last header column, centred, unframed; the header framed in row
// 2; and exactly the expected data rows after it, framed, numbers as numbers.
void ExpectSheet(const ReadBook& book, const std::string& title, const std::string& header,
                 const std::vector<std::vector<std::string>>& texts,
                 const std::vector<std::vector<double>>& numbers) {
  const std::vector<std::string> names = Names(header);
  const int n = static_cast<int>(names.size());
  EXPECT_EQ(book.sheets, 1);
  ASSERT_EQ(book.merged, std::vector<std::string>{"A1:" + Coord(1, n)});
  ASSERT_TRUE(book.cells.count("A1"));
  EXPECT_EQ(book.cells.at("A1").type, 's');
  EXPECT_EQ(book.cells.at("A1").value, title);
  EXPECT_EQ(book.cells.at("A1").align, "center");
  for (int c = 1; c <= n; ++c) {
    if (book.cells.count(Coord(1, c))) {
      EXPECT_EQ(book.cells.at(Coord(1, c)).border, "-,-,-,-") << Coord(1, c);
    }
    const ReadCell& h = book.cells.at(Coord(2, c));
    EXPECT_EQ(h.type, 's');
    EXPECT_EQ(h.value, names[c - 1]);
    EXPECT_EQ(h.border, kFramed) << Coord(2, c);
  }
  for (std::size_t r = 0; r < texts.size(); ++r) {
    const int row = static_cast<int>(r) + 3;
    const ReadCell& a = book.cells.at(Coord(row, 1));
    EXPECT_EQ(a.type, 's') << Coord(row, 1);
    EXPECT_EQ(a.value, texts[r][0]) << Coord(row, 1);
    EXPECT_EQ(a.border, kFramed);
    for (int c = 2; c <= n; ++c) {
      const ReadCell& v = book.cells.at(Coord(row, c));
      EXPECT_EQ(v.type, 'n') << Coord(row, c);
      const double want = numbers[r][c - 2];
      EXPECT_NEAR(std::strtod(v.value.c_str(), nullptr), want, 1e-15 * std::fabs(want))
          << Coord(row, c);
      EXPECT_EQ(v.border, kFramed) << Coord(row, c);
    }
  }
  // Nothing else: the merged cells of row 1 may or may not be listed.
  std::size_t others = 0;
  for (const auto& [coord, cell] : book.cells) {
    if (coord.size() < 2 || coord.substr(1) != "1") ++others;
  }
  EXPECT_EQ(others, (texts.size() + 1) * n);
  // Every column is fitted: at least as wide as its widest cell below the
  // title (a CJK character counts two).
  for (int c = 1; c <= n; ++c) {
    double widest = 0;
    for (int row = 2; row < static_cast<int>(texts.size()) + 3; ++row) {
      const ReadCell& cell = book.cells.at(Coord(row, c));
      double w = 0;
      for (unsigned char ch : cell.value) w += ch < 0x80 ? 1 : ((ch & 0xC0) != 0x80 ? 2 : 0);
      if (cell.type == 'n') w = static_cast<double>(GeneralText(std::strtod(cell.value.c_str(), nullptr)).size());
      widest = std::max(widest, w);
    }
    const std::string letter(1, static_cast<char>('A' + c - 1));
    ASSERT_TRUE(book.widths.count(letter)) << letter;
    EXPECT_GE(book.widths.at(letter), widest) << letter;
    EXPECT_LE(book.widths.at(letter), widest + 3) << letter;
  }
}

TStandardMapUnion Standard(const std::string& no, TMapUnionRange range, double x0, double y0) {
  TStandardMapUnion u;
  u.MapUnionNo = no;
  u.Range = range;
  u.PlaneCorners = {TPlanePoint{x0 + 0.125, y0 + 4620.75}, TPlanePoint{x0 + 3555.5, y0 + 4621.25},
                    TPlanePoint{x0 + 3560.0625, y0}, TPlanePoint{x0, y0 - 0.5}};
  return u;
}

std::vector<double> StandardValues(const TStandardMapUnion& u) {
  std::vector<double> v = {DmsToDeg(u.Range.West), DmsToDeg(u.Range.South), DmsToDeg(u.Range.East),
                           DmsToDeg(u.Range.North)};
  for (const auto& p : u.PlaneCorners) {
    v.push_back(p.X);
    v.push_back(p.Y);
  }
  return v;
}

TEST(Workbook, StandardTableTwoColumnsOfThree) {
  ScratchDir dir;
  // Column by column from west to east, each column north to south, as the
  // numbering routines return them; one sheet west at 116°30′, and offsets
  // already taken off the plane corners (small X values).
  TStandardMapUnions table(2);
  std::vector<std::vector<std::string>> texts;
  std::vector<std::vector<double>> numbers;
  for (int c = 0; c < 2; ++c) {
    for (int s = 0; s < 3; ++s) {
      const TMapUnionRange range{{116, 30 + 3.75 * c, 0}, {39, 55 - 2.5 * (s + 1), 0},
                                 {116, 33.75 + 3.75 * c, 0}, {39, 55 - 2.5 * s, 0}};
      const std::string no = "J50G00" + std::to_string(s + 1) + "04" + std::to_string(c + 1);
      table[c].push_back(Standard(no, range, 456992.4651234 + 3555.5 * c, 4421000.0 - 4621 * s));
    }
  }
  for (const auto& column : table) {
    for (const auto& u : column) {
      texts.push_back({u.MapUnionNo});
      numbers.push_back(StandardValues(u));
    }
  }
  const std::string file = dir.File("tables.xlsx");
  Message reason;
  ASSERT_TRUE(ExportStandardMapUnionsToXls(file, "图幅表（北京54坐标系）", kStandardXlsHeader, table,
                                           &reason))
      << reason;
  const ReadBook book = ReadBack(file);
  ExpectSheet(book, "图幅表（北京54坐标系）", kStandardXlsHeader, texts, numbers);
  EXPECT_EQ(book.cells.at("A3").value, "J50G001041");
  EXPECT_EQ(book.cells.at("A6").value, "J50G001042");  // column 2 starts in row 6
  EXPECT_EQ(book.cells.at("B3").value, "116.5");
  EXPECT_EQ(dir.Listing(), "tables.xlsx\n");
}

TEST(Workbook, TablesOfBothKinds) {
  ScratchDir dir;
  struct Case {
    const char* what;
    std::function<bool(const std::string&, Message*)> write;
    std::string title, header;
    std::vector<std::vector<std::string>> texts;
    std::vector<std::vector<double>> numbers;
  } cases[] = {
      {"independent grid, bottom row first",
       [](const std::string& f, Message* r) {
         return ExportCustomMapUnionsToXls(
             f, "图幅表（独立坐标系）", kCustomXlsHeader,
             {{{"1-1", 0, 0, 500, 500}, {"1-2", 500, 0, 1000, 500}},
              {{"北2-1", 0, 500, 500, 1000.25}, {"2-2", 500, 500, -1E-7, 3.5E15}}},
             r);
       },
       "图幅表（独立坐标系）", kCustomXlsHeader,
       {{"1-1"}, {"1-2"}, {"北2-1"}, {"2-2"}},
       {{0, 0, 500, 500}, {500, 0, 1000, 500}, {0, 500, 500, 1000.25}, {500, 500, -1E-7, 3.5E15}}},
      {"empty standard table: title and header only",
       [](const std::string& f, Message* r) {
         return ExportStandardMapUnionsToXls(f, "图幅表（西安80坐标系）", kStandardXlsHeader, {}, r);
       },
       "图幅表（西安80坐标系）", kStandardXlsHeader, {}, {}},
      {"empty custom table with empty rows",
       [](const std::string& f, Message* r) {
         return ExportCustomMapUnionsToXls(f, "图幅表（独立坐标系）", kCustomXlsHeader, {{}, {}}, r);
       },
       "图幅表（独立坐标系）", kCustomXlsHeader, {}, {}},
      {"conversion result: empty inner entries leave no gap",
       [](const std::string& f, Message* r) {
         TStandardMapUnions t(3);
         t[0].push_back(Standard("J50", {{114, 0, 0}, {36, 0, 0}, {120, 0, 0}, {40, 0, 0}}, 1, 2));
         t[2].push_back(Standard("J51", {{120, 0, 0}, {36, 0, 0}, {126, 0, 0}, {40, 0, 0}}, 3, 4));
         return ExportStandardMapUnionsToXls(f, "图幅表（北京54坐标系）", kStandardXlsHeader, t, r);
       },
       "图幅表（北京54坐标系）", kStandardXlsHeader, {{"J50"}, {"J51"}},
       {StandardValues(Standard("J50", {{114, 0, 0}, {36, 0, 0}, {120, 0, 0}, {40, 0, 0}}, 1, 2)),
        StandardValues(Standard("J51", {{120, 0, 0}, {36, 0, 0}, {126, 0, 0}, {40, 0, 0}}, 3, 4))}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = dir.File("k.xlsx");
    Message reason;
    ASSERT_TRUE(c.write(file, &reason)) << reason;
    ExpectSheet(ReadBack(file), c.title, c.header, c.texts, c.numbers);
  }
}

// The adapter keeps the spreadsheet's rules: rows stream in order, merges lie
// in one row, cells stay inside the sheet.
TEST(Workbook, AdapterRefusesWhatCannotStream) {
  ScratchDir dir;
  struct Case {
    const char* what;
    std::function<void(XlsxWorksheet&)> steps;
    const char* message;
  } cases[] = {
      {"an earlier row after a later one",
       [](XlsxWorksheet& ws) {
         ws.SetText(3, 1, "a");
         ws.SetNumber(2, 1, 1);
       },
       "第 2 行已经写入，不能再修改"},
      {"a second merge in one row",
       [](XlsxWorksheet& ws) {
         ws.Merge(1, 1, 2);
         ws.Merge(1, 4, 5);
       },
       "每一行只能合并一次单元格"},
      {"row 0", [](XlsxWorksheet& ws) { ws.SetText(0, 1, "a"); }, "单元格 (0, 1) 超出工作表的范围"},
      {"column beyond the last",
       [](XlsxWorksheet& ws) { CellBorderAround(ws, 1, kWorksheetMaxColumns + 1); },
       "单元格 (1, 16385) 超出工作表的范围"},
  };
  for (const auto& c : cases) {
    XlsxWorkbook book(dir.File("refused.xlsx"));
    try {
      c.steps(book.FirstWorksheet());
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.what;
    }
  }
  EXPECT_EQ(dir.Listing(), "");  // unsaved workbooks leave nothing behind
}

TEST(Workbook, CellsOfOneRowInAnyOrder) {
  ScratchDir dir;
  const std::string file = dir.File("order.xlsx");
  {
    XlsxWorkbook book(file);
    XlsxWorksheet& ws = book.FirstWorksheet();
    ws.SetNumber(1, 3, 3.25);
    ws.SetText(1, 1, "first");
    CellBorderAround(ws, 1, 2);  // a framed empty cell
    ws.SetText(1, 3, "replaced");
    ws.CenterHorizontally(1, 3);
    ws.SetNumber(4, 2, -0.5);
    book.SaveAs();
  }
  const ReadBook b = ReadBack(file);
  EXPECT_EQ(b.cells.at("A1").value, "first");
  EXPECT_EQ(b.cells.at("B1").border, kFramed);
  EXPECT_EQ(b.cells.at("B1").value, "");
  EXPECT_EQ(b.cells.at("C1").value, "replaced");
  EXPECT_EQ(b.cells.at("C1").align, "center");
  EXPECT_EQ(b.cells.at("B4").value, "-0.5");
  EXPECT_EQ(b.cells.size(), 4u);
  EXPECT_TRUE(b.widths.empty());  // no fitting was asked for
}

// The parts of a workbook, each written to a file under a folder, then packed
// into a ZIP by Python's zipfile, a packer independent of ours.
class FolderParts : public PartSink {
 public:
  explicit FolderParts(std::string folder) : folder_(std::move(folder)) {}
  void Begin(std::string_view name) override {
    EXPECT_TRUE(part_.empty()) << "a part begun inside " << part_;
    part_ = name;
    names_.push_back(part_);
    bytes_.clear();
  }
  void Write(std::string_view bytes) override {
    EXPECT_FALSE(part_.empty()) << "bytes outside a part";
    bytes_.append(bytes);
  }
  void End() override {
    const std::string path = folder_ + "/" + part_;
    std::filesystem::create_directories(path.substr(0, path.rfind('/')));
    WriteFile(path, bytes_);
    part_.clear();
  }
  void Pack(const std::string& zip) const {
    EXPECT_TRUE(part_.empty()) << "unfinished part " << part_;
    int status = -1;
    testing::Run("cd " + testing::Quote(folder_) +
                     " && /usr/bin/python3 -c 'import os, sys, zipfile\n"
                     "with zipfile.ZipFile(sys.argv[1], \"w\", zipfile.ZIP_DEFLATED) as z:\n"
                     "    for n in sys.argv[2:]: z.write(n, n)' " +
                     testing::Quote(zip) + [&] {
                       std::string args;
                       for (const std::string& n : names_) args += " " + testing::Quote(n);
                       return args;
                     }(),
                 &status);
    EXPECT_EQ(status, 0);
  }

 private:
  std::string folder_, part_, bytes_;
  std::vector<std::string> names_;
};

// The workbook of the browser page is the file's workbook: the same cells,
// values to the last digit, merges, alignment, borders and column widths, as
// openpyxl reads them.
TEST(Workbook, PartsHoldTheWorkbookOfTheFile) {
  ScratchDir dir;
  TStandardMapUnions standard(2);
  for (int c = 0; c < 2; ++c) {
    for (int s = 0; s < 3; ++s) {
      const TMapUnionRange range{{116, 30 + 3.75 * c, 0}, {39, 55 - 2.5 * (s + 1), 0},
                                 {116, 33.75 + 3.75 * c, 0}, {39, 55 - 2.5 * s, 0}};
      standard[c].push_back(Standard("J50G00" + std::to_string(s + 1) + "04" + std::to_string(c + 1), range,
                                     456992.4651234 + 3555.5 * c, 4421000.0 / 3 - 4621 * s));
    }
  }
  const TCustomMapUnions custom = {{{"1-1", 0, 0, 500, 500}, {"1-2", 500, 0, 1000, 500}},
                                   {{"北2-1", 0, 500, 500, 1000.25}, {"2-2", 500, 500, -1E-7, 3.5E15}}};
  // Each workbook is filled alike under both backends.
  const auto table = [](auto& tables, const char* title, const char* header) {
    return [&tables, title, header](XlsxWorkbook& book) {
      SheetWorkbook sheet(book, title, header, "x.xlsx");
      for (const auto& column : tables) {
        for (const auto& s : column) sheet.Add(s);
      }
      sheet.Finish();
    };
  };
  const TStandardMapUnions none;
  struct Case {
    const char* what;
    std::function<void(XlsxWorkbook&)> fill;
  } cases[] = {
      {"standard table", table(standard, kXlsTitle2000, kStandardXlsHeader)},
      {"independent grid, a title XML must escape", table(custom, " <独立> & 坐标系 ", kCustomXlsHeader)},
      {"title and header only", table(none, kXlsTitle54, kStandardXlsHeader)},
      {"cells of a row in any order, beyond column Z",
       [](XlsxWorkbook& book) {
         XlsxWorksheet& ws = book.FirstWorksheet();
         ws.SetNumber(2, 30, 3.25);
         ws.SetText(2, 1, "first");
         CellBorderAround(ws, 2, 2);
         ws.SetNumber(5, 2, -0.5);
         ws.AutoFitColumns();
       }},
      {"white space at the ends and control characters",
       [](XlsxWorkbook& book) {
         XlsxWorksheet& ws = book.FirstWorksheet();
         ws.SetText(1, 1, "\tA\rB\vC\n");
         ws.SetText(1, 2, "\vD\x01 ");
         ws.SetText(1, 3, "\fE");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string file = dir.File("file.xlsx"), packed = dir.File("parts.xlsx");
    {
      XlsxWorkbook book(file);
      c.fill(book);
      ASSERT_TRUE(book.SaveAs());
    }
    FolderParts parts(dir.File("parts"));
    {
      XlsxWorkbook book(parts);
      c.fill(book);
      ASSERT_TRUE(book.SaveAs());
    }
    parts.Pack(packed);
    int status = -1;
    const std::string read = "/usr/bin/python3 " KARVENTO_EXPORT_TEST_DIR "/read_xlsx.py ";
    const std::string want = testing::Run(read + testing::Quote(file), &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(testing::Run(read + testing::Quote(packed), &status), want);
    EXPECT_EQ(status, 0);
    EXPECT_NE(want.find("cell A"), std::string::npos);
    std::filesystem::remove_all(dir.File("parts"));
  }
}

// A saved file that is not a whole workbook is found out from its ZIP
// directory: the faults a staging file that could not be written, a file cut
// short or an overwritten block leave behind.
TEST(Workbook, IncompleteFilesAreFoundOut) {
  ScratchDir dir;
  const std::string good = dir.File("good.xlsx");
  TCustomMapUnions grid(1);
  for (int k = 0; k < 200; ++k) grid[0].push_back({"1-" + std::to_string(k), 500.0 * k, 0, 500.0 * k + 500, 500});
  ASSERT_TRUE(ExportCustomMapUnionsToXls(good, "图幅表（独立坐标系）", kCustomXlsHeader, grid, nullptr));
  const std::string bytes = ReadFile(good);
  ASSERT_EQ(WorkbookFileFault(good, 200 * 5 * 22), "");
  // The directory entry of a part, by its name after the fixed 46 bytes.
  // (A name's last occurrence is in the directory, after its local header.)
  const auto entry = [&](const std::string& name) {
    return bytes.rfind(std::string("PK\x01\x02", 4), bytes.rfind(name));
  };
  const auto patched = [&](std::size_t at, const std::string& with) {
    std::string b = bytes;
    b.replace(at, with.size(), with);
    return b;
  };
  const std::size_t types = entry("[Content_Types].xml");
  const std::size_t styles = entry("xl/styles.xml");
  ASSERT_NE(types, std::string::npos);
  ASSERT_NE(styles, std::string::npos);
  struct Case { const char* what; std::string bytes; std::uint64_t minSheet; std::string fault; } cases[] = {
      {"the whole file", bytes, 0, ""},
      {"an empty part, as a full staging folder leaves it",
       patched(types + 24, std::string(4, '\0')), 0, "[Content_Types].xml 是空的"},
      {"a directory entry of another name than its record", patched(styles + 46, "xl/stylez.xml"), 0,
       "“xl/stylez.xml”的本地记录不在目录所说的位置"},
      {"a part missing",
       patched(bytes.find("xl/styles.xml"), "xl/stylez.xml").replace(styles + 46, 13, "xl/stylez.xml"), 0,
       "缺少 xl/styles.xml"},
      {"a directory entry pointing elsewhere", patched(styles + 42, std::string(4, '\0')), 0,
       "“xl/styles.xml”的本地记录不在目录所说的位置"},
      {"the last byte cut off", bytes.substr(0, bytes.size() - 1), 0, "没有 ZIP 目录的结束记录"},
      {"only the first 5000 bytes", bytes.substr(0, 5000), 0, "没有 ZIP 目录的结束记录"},
      {"junk after the end", bytes + "junk", 0, "没有 ZIP 目录的结束记录"},
      {"a worksheet smaller than its cells need", bytes, 1'000'000'000, "xl/worksheets/sheet1.xml 只有 "},
      {"no file of any length", "", 0, "文件只有 0 字节"},
      {"a byte of the compressed worksheet overwritten",
       patched(bytes.find("xl/worksheets/sheet1.xml") + 24 + 400, "\xFF\x00\xFF"), 0, "“xl/worksheets/sheet1.xml”的"},
  };
  for (const auto& c : cases) {
    const std::string file = dir.File("case.xlsx");
    WriteFile(file, c.bytes);
    const std::string fault = WorkbookFileFault(file, c.minSheet);
    if (c.fault.empty()) {
      EXPECT_EQ(fault, "") << c.what;
    } else {
      EXPECT_EQ(fault.rfind(c.fault, 0), 0u) << c.what << ": " << fault;
    }
  }
  // A worksheet whose staging file was cut short, in a ZIP that is otherwise
  // whole (lengths and CRCs computed over what is left, as the library does).
  int status = -1;
  testing::Run("/usr/bin/python3 -c \"import zipfile,sys\n"
               "a=zipfile.ZipFile(sys.argv[1]); b=zipfile.ZipFile(sys.argv[2],'w',zipfile.ZIP_DEFLATED)\n"
               "for i in a.infolist():\n d=a.read(i)\n"
               " b.writestr(i, d[:len(d)//2] if i.filename.endswith('sheet1.xml') else d)\n"
               "b.close()\" " + testing::Quote(good) + " " + testing::Quote(dir.File("cut.xlsx")),
               &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(WorkbookFileFault(dir.File("cut.xlsx")), "xl/worksheets/sheet1.xml 不完整");
}

// A workbook over a file with a second name, or reached through a link, is
// written into that file: the names stay as they were and every one shows
// the new workbook.
TEST(Workbook, WrittenIntoLinkedFiles) {
  ScratchDir dir;
  const std::string file = dir.File("a.xlsx");
  WriteFile(file, "old");
  ASSERT_EQ(::link(file.c_str(), dir.File("b.xlsx").c_str()), 0);
  ASSERT_EQ(::symlink("a.xlsx", dir.File("c.xlsx").c_str()), 0);
  for (const char* name : {"a.xlsx", "c.xlsx"}) {
    Message reason;
    ASSERT_TRUE(ExportCustomMapUnionsToXls(dir.File(name), std::string("图幅表 ") + name, kCustomXlsHeader,
                                           {{{"1-1", 0, 0, 500, 500}}}, &reason)) << reason;
    for (const char* other : {"a.xlsx", "b.xlsx", "c.xlsx"}) {
      EXPECT_EQ(ReadBack(dir.File(other)).cells.at("A1").value, std::string("图幅表 ") + name) << other;
    }
  }
  struct stat st {};
  ASSERT_EQ(::lstat(dir.File("c.xlsx").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_nlink, 2u);
  EXPECT_EQ(dir.Listing(), "a.xlsx\nb.xlsx\nc.xlsx\n");
}

}  // namespace
}  // namespace karvento
