// SPDX-License-Identifier: Apache-2.0
// The MIF/MID text of the sheets, into any pair of sinks (see mif_text.h).
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>

#include "export/gbk.h"
#include "export/mif_stream.h"
#include "export/mif_text.h"
#include "export/sheet_fields.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace mif {
namespace {

const std::string& ColumnLine() {
  static const std::string line = Utf8ToGbk("  图幅号 Char(30)") + "\r\n";
  return line;
}

}  // namespace

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
  const Message fault = SheetNumberFaultMessage(number);
  if (!fault.Empty()) throw Error(FileWriteError(mid.target(), fault));
  std::string gbk;
  try {
    gbk = Utf8ToGbk(number);
  } catch (const Error& e) {
    throw Error(FileWriteError(mid.target(), Message(msg::kNumberProblem, {number, e.GetMessage()})));
  }
  std::string record = "\"";
  for (const char c : gbk) {
    if (c == '"') record += '"';
    record += c;
  }
  record += "\"\r\n";
  mid.PutLong(record);
}

void CheckOnePlane(bool geo, const TStandardMapUnion* southWest, const TStandardMapUnion* northEast,
                   bool zone3, double cm) {
  if (geo || southWest == nullptr || northEast == nullptr) return;
  PlaneZoneMeridian(DmsToDeg(southWest->Range.West), DmsToDeg(northEast->Range.East), zone3, cm);
}

Bounds PlaneBounds(const TStandardMapUnion& sw, const TStandardMapUnion& ne) {
  const auto& a = sw.PlaneCorners;
  const auto& b = ne.PlaneCorners;
  return {a[kSW].X - 5 * (a[kSE].X - a[kSW].X), a[kSW].Y - 5 * (a[kNW].Y - a[kSW].Y),
          b[kNE].X + 5 * (b[kNE].X - b[kNW].X), b[kNE].Y + 5 * (b[kNE].Y - b[kSE].Y)};
}

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

}  // namespace mif

struct MifColumnWriter::Streams {
  Streams(Sink& mifSink, const std::string& mifName, Sink& midSink, const std::string& midName)
      : mif(mifSink, mifName), mid(midSink, midName) {}
  mif::OutBuffer mif;
  mif::OutBuffer mid;
  mif::CornerTexts corners;
};

MifColumnWriter::MifColumnWriter(Sink& mifSink, Sink& midSink, const std::string& midName, bool geo,
                                 const TStandardMapUnion* southWest,
                                 const TStandardMapUnion* northEast, bool zone3, double cm)
    : geo_(geo) {
  mif::CheckOnePlane(geo, southWest, northEast, zone3, cm);
  Start(mifSink, "", midSink, midName, southWest, northEast);
}

MifColumnWriter::MifColumnWriter(std::unique_ptr<mif::FilePair> files, bool geo,
                                 const TStandardMapUnion* southWest,
                                 const TStandardMapUnion* northEast)
    : geo_(geo), files_(std::move(files)) {
  Start(files_->Mif(), files_->MifName(), files_->Mid(), files_->MidName(), southWest, northEast);
}

void MifColumnWriter::Start(Sink& mifSink, const std::string& mifName, Sink& midSink,
                            const std::string& midName, const TStandardMapUnion* southWest,
                            const TStandardMapUnion* northEast) {
  if (!geo_ && (southWest == nullptr || northEast == nullptr)) throw Error(kNoSheetsMessage);
  streams_ = std::make_unique<Streams>(mifSink, mifName, midSink, midName);
  if (geo_) {
    mif::PutHeader(streams_->mif, nullptr);
  } else {
    const mif::Bounds bounds = mif::PlaneBounds(*southWest, *northEast);
    mif::PutHeader(streams_->mif, &bounds);
  }
}

MifColumnWriter::~MifColumnWriter() = default;

void MifColumnWriter::Column(const std::vector<TStandardMapUnion>& column) {
  for (const TStandardMapUnion& sheet : column) {
    mif::PutStandardSheet(streams_->mif, streams_->mid, streams_->corners, geo_, sheet);
  }
}

void MifColumnWriter::Commit() {
  streams_->mif.Flush();
  streams_->mid.Flush();
  if (files_) files_->Commit();
}

}  // namespace karvento
