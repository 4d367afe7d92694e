// Conversion between the standards, and the omitted large coordinate
// numbers.
#include "numbering/sheet_grid.h"

namespace karvento {

void CreateMapUnionsOfStandard(TMapUnionRange range, ScaleIndex scale, bool newStandard,
                               bool zone3, Datum datum, double cm, TStandardMapUnions& result) {
  if (newStandard) {
    CreateNewMapUnions(range, scale, zone3, cm, datum, result);
  } else {
    CreateOldMapUnions(range, scale, zone3, datum, cm, result);
  }
}

std::vector<TStandardMapUnion> ConvertMapUnionNo(std::string_view number, bool oldToNew,
                                                 ScaleIndex scale, bool zone3, double cm,
                                                 Datum datum) {
  TStandardMapUnions found;
  CreateMapUnionsOfStandard(oldToNew ? ParseOldMapUnionNo(number) : ParseNewMapUnionNo(number),
                            scale, oldToNew, zone3, datum, cm, found);
  std::size_t n = 0;
  for (const auto& column : found) n += column.size();
  std::vector<TStandardMapUnion> sheets;
  sheets.reserve(n);
  for (auto& column : found) {
    for (TStandardMapUnion& s : column) sheets.push_back(std::move(s));
  }
  return sheets;
}

void AddConvertedSheets(std::int64_t& total, std::size_t sheets) {
  total += static_cast<std::int64_t>(sheets);
  if (total > kMaxSheets) {
    ThrowSheetLimit(static_cast<double>(total), "请减少原图幅号，或选用较小的转换后比例尺。");
  }
}

void SubtractPlaneOffsets(TStandardMapUnions& sheets, double offsetX, double offsetY) {
  // Subtracting 0 changes no value: without offsets the pass is skipped.
  if (offsetX == 0 && offsetY == 0) return;
  for (auto& column : sheets) {
    for (TStandardMapUnion& s : column) {
      for (TPlanePoint& p : s.PlaneCorners) {
        p.X -= offsetX;
        p.Y -= offsetY;
      }
    }
  }
}

}  // namespace karvento
