// SPDX-License-Identifier: Apache-2.0
// Sheets written as a walk hands them over, and the forms of their numbers.
#include "cli/common.h"
#include "cli/modules.h"
#include "export/mif_stream.h"

namespace karvento::cli {

bool ReadNumberForm(const Args& args, int scale, bool newStandard) {
  const std::string form = args.Value("number-form").value_or("rowcol");
  if (form != "rowcol" && form != "5000") throw UsageError(Tr("--number-form 只能是 rowcol 或 5000"));
  if (form == "5000" && (scale != 8 || !newStandard)) {
    throw UsageError(Tr("--number-form 5000 写的是 1:2000 的新图幅号：请给出 --scale 1:2000"));
  }
  return form == "5000";
}

void To5000Form(std::vector<TStandardMapUnion>& column) {
  for (TStandardMapUnion& s : column) s.MapUnionNo = NumberIn5000Form(s.MapUnionNo);
}

void ColumnEdits::Apply(std::vector<TStandardMapUnion>& column) const {
  SubtractPlaneOffsets(column, offsetX, offsetY);
  if (form5000) To5000Form(column);
}

namespace {

// One sheet of one column, edited as the stream edits it.
const TStandardMapUnion* SheetOf(const SheetWalk& walk, std::int64_t column, bool first,
                                 const ColumnEdits& edits, TStandardMapUnion& kept) {
  if (walk.Columns() == 0 || walk.Rows() == 0) return nullptr;
  // The frame of an area's sheets is that of the grid over its bounds.
  if (walk.HasArea()) return SheetOf(walk.WithoutArea(), column, first, edits, kept);
  walk.Run([&](std::vector<TStandardMapUnion>& c) {
    edits.Apply(c);
    kept = first ? c.front() : c.back();
  }, column, column + 1);
  return &kept;
}

// What a GIS file must know of a walk's sheets, as edited, before the first.
// A walk of the new standard over a whole grid tells it from the grid: its
// count, the west edge of its first column and the east edge of its last
// (zones run west to east), and the length of its numbers, which is one for a
// scale. The numbers of the old standard differ in length (J-50-5 and
// J-50-144), and an area keeps only some sheets of its grid: such a walk is
// run once ahead of the file, each column kept only while it is counted.
GisTableOutline OutlineOfWalk(const SheetWalk& walk, const ColumnEdits& edits, bool newStandard) {
  GisTableOutline outline;
  if (newStandard && !walk.HasArea()) {
    TStandardMapUnion west, east;
    const TStandardMapUnion* w = SheetOf(walk, 0, true, edits, west);
    const TStandardMapUnion* e = SheetOf(walk, walk.Columns() - 1, true, edits, east);
    if (w == nullptr || e == nullptr) return outline;
    outline.sheets =
        static_cast<std::uint64_t>(walk.Columns()) * static_cast<std::uint64_t>(walk.Rows());
    outline.westmost = DmsToDeg(w->Range.West);
    outline.eastmost = DmsToDeg(e->Range.East);
    outline.longestNumber = w->MapUnionNo.size();
    return outline;
  }
  walk.Run([&](std::vector<TStandardMapUnion>& column) {
    edits.Apply(column);
    Gis().addToOutline(outline, column);
  });
  return outline;
}

}  // namespace

void StreamStandardSheets(const OutputOptions& o, const SheetWalk& walk, const ColumnEdits& edits,
                          const SheetMeta& meta, const Projection& p, ProgressLine::Mode progress,
                          const ExportProgress& report) {
  // An area keeps only some sheets of its grid: their count is known when
  // they are written.
  const std::uint64_t total =
      walk.HasArea() ? 0 : static_cast<std::uint64_t>(walk.Columns()) * static_cast<std::uint64_t>(walk.Rows());
  ProgressLine line(progress, total);
  std::uint64_t done = 0;
  // Each column counted on the line and told to the caller, who may stop.
  auto written = [&](std::size_t sheets) {
    line.Add(sheets);
    done += sheets;
    if (report && !report(done, total)) throw Error(Message(kExportCancelled));
  };
  if (const auto gis = GisOptionsOf(o)) {
    const GisTableOutline outline = OutlineOfWalk(walk, edits, meta.standard == "new");
    const std::unique_ptr<GisColumns> file =
        Gis().openStream(o.file, outline, RequestPlane(p, edits.offsetX, edits.offsetY, &meta), *gis);
    walk.Run([&](std::vector<TStandardMapUnion>& column) {
      edits.Apply(column);
      file->Column(column);
      written(column.size());
    });
    file->Commit();
    line.Finish();
    return;
  }
  if (o.format == Format::Mif) {
    // The frame of a plane MIF comes first in the file: from the last sheet
    // of the first column and the first sheet of the last column, walked
    // ahead on their own.
    TStandardMapUnion southWest, northEast;
    const TStandardMapUnion* sw = SheetOf(walk, 0, false, edits, southWest);
    const TStandardMapUnion* ne = SheetOf(walk, walk.Columns() - 1, true, edits, northEast);
    MifColumnWriter mif(o.file, o.geoMif, sw, ne, p.zone3, p.cm);
    walk.Run([&](std::vector<TStandardMapUnion>& column) {
      edits.Apply(column);
      mif.Column(column);
      written(column.size());
    });
    mif.Commit();
    line.Finish();
    return;
  }
  OutputStream stream(o);
  StandardSheetWriter writer(TextFormatOf(o.format), stream.out(), meta, o.encoding);
  walk.RunWithCovers([&](std::vector<TStandardMapUnion>& column, const std::vector<double>& covers) {
    edits.Apply(column);
    writer.Column(column, nullptr, &covers);
    written(column.size());
  });
  writer.Finish();
  stream.Finish();
  line.Finish();
}

}  // namespace karvento::cli
