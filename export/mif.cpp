// MapInfo Interchange export: a MIF file of regions and the MID file of their
// sheet numbers. Both files are GBK text with CR LF line ends.
//
// The writers format straight into one large buffer per file and hand it to
// the safe writer in big blocks. A corner is formatted once however often it
// is written: the outline closes on its first point, and a sheet shares its
// north corners with the south corners of the sheet before it in a column.

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "export/export_progress.h"
#include "export/gbk.h"
#include "export/mif_stream.h"
#include "export/number_format.h"
#include "export/safe_file.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 22;
// More than any one region or record can take: ten lines of at most two
// numbers each, or one sheet number of a few hundred bytes.
constexpr std::size_t kRegionReserve = 1024;

constexpr const char* kNothingToExport = "没有可导出的图幅：请先生成图幅号。";
constexpr const char* kNoBoundsSheet =
    "无法确定 MIF 文件的范围：图幅表的第一组或最后一组没有图幅。";

// A file's output buffer. Put* append without checks; Reserve makes room
// first, writing out what is buffered.
class OutBuffer {
 public:
  explicit OutBuffer(SafeFile& file)
      : file_(file), buf_(new char[kBufferSize]), p_(buf_.get()), end_(buf_.get() + kBufferSize) {}

  void Reserve(std::size_t n) {
    if (static_cast<std::size_t>(end_ - p_) < n) Flush();
  }
  void Flush() {
    file_.Write(std::string_view(buf_.get(), static_cast<std::size_t>(p_ - buf_.get())));
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
        file_.Write(s);
        return;
      }
    }
    Put(s);
  }
  void PutNumber(double v) { p_ = FormatGeneral(v, p_); }
  const std::string& target() const { return file_.target(); }
  // "x y" CR LF
  void PutPoint(double x, double y) {
    p_ = FormatGeneral(x, p_);
    *p_++ = ' ';
    p_ = FormatGeneral(y, p_);
    *p_++ = '\r';
    *p_++ = '\n';
  }

 private:
  SafeFile& file_;
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
constexpr Pens kPlanePens{"    Pen (1,0,0)\r\n", "    Brush (0,0,16777215)\r\n"};
constexpr Pens kGeoPens{"    Pen (1,2,0)\r\n", "    Brush (1,0,16777215)\r\n"};

const std::string& ColumnLine() {
  static const std::string line = Utf8ToGbk("  图幅号 Char(30)") + "\r\n";
  return line;
}

struct Bounds {
  double minx, miny, maxx, maxy;
};

void PutHeader(OutBuffer& mif, const Bounds* bounds) {
  mif.Reserve(kRegionReserve);
  mif.Put("Version 450\r\nCharset \"WindowsSimpChinese\"\r\nDelimiter \",\"\r\n");
  if (bounds == nullptr) {
    mif.Put("CoordSys Earth Projection 1, 0\r\n");
  } else {
    mif.Put("CoordSys NonEarth Units \"m\" Bounds (");
    mif.PutNumber(bounds->minx);
    mif.Put(", ");
    mif.PutNumber(bounds->miny);
    mif.Put(") (");
    mif.PutNumber(bounds->maxx);
    mif.Put(", ");
    mif.PutNumber(bounds->maxy);
    mif.Put(")\r\n");
  }
  mif.Put("Columns 1\r\n");
  mif.Put(ColumnLine());
  mif.Put("Data\r\n");
}

// The outline NW, NE, SE, SW, NW and the closing lines of one region.
void PutRegion(OutBuffer& mif, CornerTexts& corners, const Pens& pens, double xnw, double ynw,
               double xne, double yne, double xse, double yse, double xsw, double ysw, double cx,
               double cy) {
  corners.Next({xnw, ynw, xne, yne, xse, yse, xsw, ysw});
  mif.Reserve(kRegionReserve);
  mif.Put("Region 1\r\n  5\r\n");
  mif.Put(corners[kNW]);
  mif.Put(corners[kNE]);
  mif.Put(corners[kSE]);
  mif.Put(corners[kSW]);
  mif.Put(corners[kNW]);
  mif.Put(pens.pen);
  mif.Put(pens.brush);
  mif.Put("    Center ");
  mif.PutPoint(cx, cy);
}

// "number" CR LF, the number in GBK between double quotes; a double quote
// inside it is doubled, as MapInfo writes and reads it (GBK's second bytes
// never take the value of a quote, so the doubling can follow the
// conversion). A number that no MID record can hold is refused.
void PutRecord(OutBuffer& mid, const std::string& number) {
  bool plain = number.size() + 4 <= kRegionReserve;
  for (const char c : number) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '"' || c == '\r' || c == '\n' || c == '\0') {
      plain = false;
      break;
    }
  }
  if (plain) {
    mid.Reserve(kRegionReserve);
    mid.Put("\"");
    mid.Put(number);
    mid.Put("\"\r\n");
    return;
  }
  const std::string fault = SheetNumberFault(number);
  if (!fault.empty()) throw Error(FileWriteError(mid.target(), fault));
  std::string gbk;
  try {
    gbk = Utf8ToGbk(number);
  } catch (const Error& e) {
    throw Error(FileWriteError(mid.target(), "图幅号“" + number + "”" + e.what()));
  }
  std::string record = "\"";
  for (const char c : gbk) {
    if (c == '"') record += '"';
    record += c;
  }
  record += "\"\r\n";
  mid.PutLong(record);
}

std::string FolderOf(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(fileName.substr(0, slash + 1));
}

// The MID lies beside the file that the MIF's name leads to through
// symbolic links, under its title: where a reader of that MIF looks for it.
std::string MidNameOf(const std::string& mifName) {
  const std::string mif = FileNameBehind(mifName);
  return FolderOf(mif) + ExtractFileTitle(mif) + ".mid";
}

// A MIF needs its MID beside it: a device, a pipe or a terminal has no
// folder to put one in (beside /dev/null it would be a new file in /dev).
// Returns the MID's name.
std::string CheckedMidName(const std::string& fileName) {
  if (!LeadsToRegularFile(fileName)) {
    throw Error(FileWriteError(
        fileName, "不是普通文件（设备、管道或终端），MIF 只能写入普通文件：它的 MID 文件要写在它旁边"));
  }
  const std::string midName = MidNameOf(fileName);
  if (midName == FileNameBehind(fileName)) {
    throw Error(FileWriteError(fileName, "MIF 文件与 MID 文件会是同一个文件，请换用扩展名 .mif"));
  }
  return midName;
}

template <class Table>
bool HasSheets(const Table& table) {
  for (const auto& inner : table) {
    if (!inner.empty()) return true;
  }
  return false;
}

// Runs one export: creates both files, lets body write them (ticking once per
// sheet), commits them together. Any failure, a cancel included, becomes
// false and the reason; the temporary files are removed by the safe writers.
template <class Table, class Body>
bool Export(const std::string& fileName, const Table& table, std::string* reason,
            const ExportProgress& progress, Body body) {
  try {
    const std::string midName = CheckedMidName(fileName);
    ExportTicker ticker(progress, RecordsOf(table));
    ticker.Start();
    SafeFile mifFile(fileName);
    SafeFile midFile(midName);
    {
      OutBuffer mif(mifFile);
      OutBuffer mid(midFile);
      body(mif, mid, ticker);
      ticker.Finish();
      mif.Flush();
      mid.Flush();
    }
    CommitPair(mifFile, midFile);
    return true;
  } catch (const Error& e) {
    if (reason != nullptr) *reason = e.what();
    return false;
  }
}

bool Refuse(const char* text, std::string* reason) {
  if (reason != nullptr) *reason = text;
  return false;
}

// The frame of a plane MIF: five sheets' widths and heights around the
// sheets, from A, the last sheet of the first column (south-west for a
// generated table), and B, the first sheet of the last column (north-east).
Bounds PlaneBounds(const TStandardMapUnion& sw, const TStandardMapUnion& ne) {
  const auto& a = sw.PlaneCorners;
  const auto& b = ne.PlaneCorners;
  return {a[kSW].X - 5 * (a[kSE].X - a[kSW].X), a[kSW].Y - 5 * (a[kNW].Y - a[kSW].Y),
          b[kNE].X + 5 * (b[kNE].X - b[kNW].X), b[kNE].Y + 5 * (b[kNE].Y - b[kSE].Y)};
}

// One sheet's region (plane or geographic corners) and its record.
void PutStandardSheet(OutBuffer& mif, OutBuffer& mid, CornerTexts& corners, bool geo,
                      const TStandardMapUnion& sheet) {
  if (geo) {
    const double west = DmsToDeg(sheet.Range.West);
    const double south = DmsToDeg(sheet.Range.South);
    const double east = DmsToDeg(sheet.Range.East);
    const double north = DmsToDeg(sheet.Range.North);
    PutRegion(mif, corners, kGeoPens, west, north, east, north, east, south, west, south,
              (west + east) / 2, (south + north) / 2);
  } else {
    const auto& c = sheet.PlaneCorners;
    const double minX = std::min(std::min(c[0].X, c[1].X), std::min(c[2].X, c[3].X));
    const double maxX = std::max(std::max(c[0].X, c[1].X), std::max(c[2].X, c[3].X));
    const double minY = std::min(std::min(c[0].Y, c[1].Y), std::min(c[2].Y, c[3].Y));
    const double maxY = std::max(std::max(c[0].Y, c[1].Y), std::max(c[2].Y, c[3].Y));
    PutRegion(mif, corners, kPlanePens, c[kNW].X, c[kNW].Y, c[kNE].X, c[kNE].Y, c[kSE].X, c[kSE].Y,
              c[kSW].X, c[kSW].Y, (minX + maxX) / 2, (minY + maxY) / 2);
  }
  PutRecord(mid, sheet.MapUnionNo);
}

}  // namespace

struct MifColumnWriter::Files {
  Files(const std::string& fileName, const std::string& midName)
      : mifFile(fileName), midFile(midName), mif(mifFile), mid(midFile) {}
  SafeFile mifFile;
  SafeFile midFile;
  OutBuffer mif;
  OutBuffer mid;
  CornerTexts corners;
};

MifColumnWriter::MifColumnWriter(const std::string& fileName, bool geo,
                                 const TStandardMapUnion* southWest,
                                 const TStandardMapUnion* northEast)
    : geo_(geo) {
  const std::string midName = CheckedMidName(fileName);
  if (!geo && (southWest == nullptr || northEast == nullptr)) throw Error(kNothingToExport);
  files_ = std::make_unique<Files>(fileName, midName);
  if (geo) {
    PutHeader(files_->mif, nullptr);
  } else {
    const Bounds bounds = PlaneBounds(*southWest, *northEast);
    PutHeader(files_->mif, &bounds);
  }
}

MifColumnWriter::~MifColumnWriter() = default;

void MifColumnWriter::Column(const std::vector<TStandardMapUnion>& column) {
  for (const TStandardMapUnion& sheet : column) {
    PutStandardSheet(files_->mif, files_->mid, files_->corners, geo_, sheet);
  }
}

void MifColumnWriter::Commit() {
  files_->mif.Flush();
  files_->mid.Flush();
  CommitPair(files_->mifFile, files_->midFile);
}

std::string ExtractFileTitle(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  std::string_view name = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

bool WritePlaneMif(const std::string& fileName, const TStandardMapUnions& table,
                   std::string* reason, const ExportProgress& progress) {
  if (!HasSheets(table)) return Refuse(kNothingToExport, reason);
  if (table.front().empty() || table.back().empty()) return Refuse(kNoBoundsSheet, reason);
  const Bounds bounds = PlaneBounds(table.front().back(), table.back().front());
  const auto body = [&](OutBuffer& mif, OutBuffer& mid, ExportTicker& ticker) {
    PutHeader(mif, &bounds);
    CornerTexts corners;
    for (const auto& column : table) {
      for (const auto& sheet : column) {
        PutStandardSheet(mif, mid, corners, false, sheet);
        ticker.Tick();
      }
    }
  };
  return Export(fileName, table, reason, progress, body);
}

bool WriteCustomMif(const std::string& fileName, const TCustomMapUnions& table, std::string* reason,
                    const ExportProgress& progress) {
  if (!HasSheets(table)) return Refuse(kNothingToExport, reason);
  if (table.front().empty() || table.back().empty()) return Refuse(kNoBoundsSheet, reason);
  // A is the lower-left sheet of the grid, B the upper-right one.
  const TCustomMapUnion& a = table.front().front();
  const TCustomMapUnion& b = table.back().back();
  const Bounds bounds{a.MinX - 5 * (a.MaxX - a.MinX), a.MinY - 5 * (a.MaxY - a.MinY),
                      b.MaxX + 5 * (b.MaxX - b.MinX), b.MaxY + 5 * (b.MaxY - b.MinY)};
  const auto body = [&](OutBuffer& mif, OutBuffer& mid, ExportTicker& ticker) {
    PutHeader(mif, &bounds);
    CornerTexts corners;
    for (const auto& row : table) {
      for (const auto& s : row) {
        PutRegion(mif, corners, kPlanePens, s.MinX, s.MaxY, s.MaxX, s.MaxY, s.MaxX, s.MinY, s.MinX, s.MinY,
                  (s.MinX + s.MaxX) / 2, (s.MinY + s.MaxY) / 2);
        PutRecord(mid, s.MapUnionNo);
        ticker.Tick();
      }
    }
  };
  return Export(fileName, table, reason, progress, body);
}

bool WriteGeoMif(const std::string& fileName, const TStandardMapUnions& table, std::string* reason,
                 const ExportProgress& progress) {
  const auto body = [&](OutBuffer& mif, OutBuffer& mid, ExportTicker& ticker) {
    PutHeader(mif, nullptr);
    CornerTexts corners;
    for (const auto& column : table) {
      for (const auto& sheet : column) {
        PutStandardSheet(mif, mid, corners, true, sheet);
        ticker.Tick();
      }
    }
  };
  return Export(fileName, table, reason, progress, body);
}

}  // namespace karvento
