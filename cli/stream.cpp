// Sheets written as a walk hands them over, and the forms of their numbers.
#include <algorithm>

#include "cli/common.h"
#include "export/mif_stream.h"

namespace karvento::cli {

bool ReadNumberForm(const Args& args, int scale, bool newStandard) {
  const std::string form = args.Value("number-form").value_or("rowcol");
  if (form != "rowcol" && form != "5000") throw UsageError("--number-form is rowcol or 5000");
  if (form == "5000" && (scale != 8 || !newStandard)) {
    throw UsageError("--number-form 5000 writes new-standard 1:2000 numbers: give --scale 1:2000");
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
  walk.Run([&](std::vector<TStandardMapUnion>& c) {
    edits.Apply(c);
    kept = first ? c.front() : c.back();
  }, column, column + 1);
  return &kept;
}

// The longest number of a walk's sheets as edited. The numbers of one
// new-standard scale all have one length, so the first sheet tells; those of
// the old standard differ (J-50-5 and J-50-144), and the walk is run once
// for them ahead of the file.
std::size_t LongestNumber(const SheetWalk& walk, const ColumnEdits& edits, bool newStandard,
                          const TStandardMapUnion* first) {
  if (first == nullptr) return 0;
  if (newStandard) return first->MapUnionNo.size();
  std::size_t longest = 0;
  walk.Run([&](std::vector<TStandardMapUnion>& column) {
    edits.Apply(column);
    for (const TStandardMapUnion& s : column) longest = std::max(longest, s.MapUnionNo.size());
  });
  return longest;
}

}  // namespace

void StreamStandardSheets(const OutputOptions& o, const SheetWalk& walk, const ColumnEdits& edits,
                          const SheetMeta& meta, const Projection& p) {
  if (const auto gis = GisOptionsOf(o)) {
    // Zones run west to east: the west edge of the first column and the east
    // edge of the last bound every corner.
    TStandardMapUnion west, east;
    GisTableOutline outline;
    const TStandardMapUnion* w = SheetOf(walk, 0, true, edits, west);
    const TStandardMapUnion* e = SheetOf(walk, walk.Columns() - 1, true, edits, east);
    if (w != nullptr && e != nullptr) {
      outline.sheets = static_cast<std::uint64_t>(walk.Columns()) *
                       static_cast<std::uint64_t>(walk.Rows());
      outline.westmost = DmsToDeg(w->Range.West);
      outline.eastmost = DmsToDeg(e->Range.East);
      outline.longestNumber = LongestNumber(walk, edits, meta.standard == "new", w);
    }
    GisSheetStream file(o.file, outline, {p.datum, p.zone3, p.cm, edits.offsetX, edits.offsetY},
                        *gis);
    walk.Run([&](std::vector<TStandardMapUnion>& column) {
      edits.Apply(column);
      file.Column(column);
    });
    file.Commit();
    return;
  }
  if (o.format == Format::Mif) {
    // The frame of a plane MIF comes first in the file: from the last sheet
    // of the first column and the first sheet of the last column, walked
    // ahead on their own.
    TStandardMapUnion southWest, northEast;
    const TStandardMapUnion* sw = SheetOf(walk, 0, false, edits, southWest);
    const TStandardMapUnion* ne = SheetOf(walk, walk.Columns() - 1, true, edits, northEast);
    MifColumnWriter mif(o.file, o.geoMif, sw, ne);
    walk.Run([&](std::vector<TStandardMapUnion>& column) {
      edits.Apply(column);
      mif.Column(column);
    });
    mif.Commit();
    return;
  }
  OutputStream stream(o);
  StandardSheetWriter writer(o.format, stream.out(), meta, o.encoding);
  walk.Run([&](std::vector<TStandardMapUnion>& column) {
    edits.Apply(column);
    writer.Column(column);
  });
  writer.Finish();
  stream.Finish();
}

}  // namespace karvento::cli
