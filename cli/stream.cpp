// Sheets written as a walk hands them over, and the forms of their numbers.
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
  // The frame of an area's sheets is that of the grid over its bounds.
  if (walk.HasArea()) return SheetOf(walk.WithoutArea(), column, first, edits, kept);
  walk.Run([&](std::vector<TStandardMapUnion>& c) {
    edits.Apply(c);
    kept = first ? c.front() : c.back();
  }, column, column + 1);
  return &kept;
}

}  // namespace

void StreamStandardSheets(const OutputOptions& o, const SheetWalk& walk, const ColumnEdits& edits,
                          const SheetMeta& meta) {
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
  walk.RunWithCovers([&](std::vector<TStandardMapUnion>& column, const std::vector<double>& covers) {
    edits.Apply(column);
    writer.Column(column, nullptr, &covers);
  });
  writer.Finish();
  stream.Finish();
}

}  // namespace karvento::cli
