// SPDX-License-Identifier: Apache-2.0
// MIF/MID files: the pair written through the safe writer, both replaced
// only when complete, the MID first.
#include <memory>
#include <string>
#include <string_view>

#include "export/export_progress.h"
#include "export/mif_stream.h"
#include "export/mif_text.h"
#include "export/sheet_fields.h"
#include "export/safe_file.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

using namespace mif;

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
    throw Error(FileWriteError(fileName, Message(msg::kMifNotRegular)));
  }
  const std::string midName = MidNameOf(fileName);
  if (midName == FileNameBehind(fileName)) {
    throw Error(FileWriteError(fileName, Message(msg::kMifIsMid)));
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

class SafeFilePair : public FilePair {
 public:
  SafeFilePair(const std::string& fileName, const std::string& midName)
      : mifFile_(fileName), midFile_(midName) {}
  Sink& Mif() override { return mifFile_; }
  Sink& Mid() override { return midFile_; }
  const std::string& MifName() const override { return mifFile_.target(); }
  const std::string& MidName() const override { return midFile_.target(); }
  void Commit() override { CommitPair(mifFile_, midFile_); }

 private:
  SafeFile mifFile_;
  SafeFile midFile_;
};

// Runs one export: creates both files, lets body write them (ticking once per
// sheet), commits them together. Any failure, a cancel included, becomes
// false and the reason; the temporary files are removed by the safe writers.
template <class Table, class Body>
bool Export(const std::string& fileName, const Table& table, Message* reason,
            const ExportProgress& progress, Body body) {
  try {
    const std::string midName = CheckedMidName(fileName);
    ExportTicker ticker(progress, RecordsOf(table));
    ticker.Start();
    SafeFilePair files(fileName, midName);
    {
      OutBuffer mif(files.Mif(), files.MifName());
      OutBuffer mid(files.Mid(), files.MidName());
      body(mif, mid, ticker);
      ticker.Finish();
      mif.Flush();
      mid.Flush();
    }
    files.Commit();
    return true;
  } catch (const Error& e) {
    if (reason != nullptr) *reason = e.GetMessage();
    return false;
  }
}

bool Refuse(const Message& text, Message* reason) {
  if (reason != nullptr) *reason = text;
  return false;
}


// The pair for MifColumnWriter: a MIF that cannot have its MID beside it,
// and a plane MIF with nothing to frame, are refused before either file is
// made.
std::unique_ptr<FilePair> OpenPair(const std::string& fileName, bool framed) {
  const std::string midName = CheckedMidName(fileName);
  if (!framed) throw Error(kNoSheetsMessage);
  return std::make_unique<SafeFilePair>(fileName, midName);
}

// The MIF and MID of a standard table, sheet by sheet in column order: plane
// frames within bounds, or longitudes and latitudes when bounds is null.
auto StandardBody(const TStandardMapUnions& table, const Bounds* bounds) {
  return [&table, bounds](OutBuffer& mif, OutBuffer& mid, ExportTicker& ticker) {
    PutHeader(mif, bounds);
    CornerTexts corners;
    for (const auto& column : table) {
      for (const auto& sheet : column) {
        PutStandardSheet(mif, mid, corners, bounds == nullptr, sheet);
        ticker.Tick();
      }
    }
  };
}

}  // namespace

MifColumnWriter::MifColumnWriter(const std::string& fileName, bool geo,
                                 const TStandardMapUnion* southWest,
                                 const TStandardMapUnion* northEast, bool zone3, double cm)
    : MifColumnWriter((CheckOnePlane(geo, southWest, northEast, zone3, cm),
                       OpenPair(fileName, geo || (southWest != nullptr && northEast != nullptr))),
                      geo, southWest, northEast) {}

std::string ExtractFileTitle(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  std::string_view name = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

bool WritePlaneMif(const std::string& fileName, const TStandardMapUnions& table, bool zone3, double cm,
                   Message* reason, const ExportProgress& progress) {
  if (!HasSheets(table)) return Refuse(Message(kNoSheetsMessage), reason);
  if (table.front().empty() || table.back().empty()) return Refuse(Message(kNoBoundsSheet), reason);
  try {
    CheckOnePlane(false, &table.front().back(), &table.back().front(), zone3, cm);
  } catch (const Error& e) {
    return Refuse(e.GetMessage(), reason);
  }
  const Bounds bounds = PlaneBounds(table.front().back(), table.back().front());
  return Export(fileName, table, reason, progress, StandardBody(table, &bounds));
}

bool WriteCustomMif(const std::string& fileName, const TCustomMapUnions& table, Message* reason,
                    const ExportProgress& progress) {
  if (!HasSheets(table)) return Refuse(Message(kNoSheetsMessage), reason);
  if (table.front().empty() || table.back().empty()) return Refuse(Message(kNoBoundsSheet), reason);
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

bool WriteGeoMif(const std::string& fileName, const TStandardMapUnions& table, Message* reason,
                 const ExportProgress& progress) {
  return Export(fileName, table, reason, progress, StandardBody(table, nullptr));
}

}  // namespace karvento
