// SPDX-License-Identifier: Apache-2.0
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

Message OldStandardLacksScaleMessage(ScaleIndex scale, bool conversion) {
  const std::string caption =
      scale >= 0 && scale < kScaleCount ? std::string(kScaleCaptions[scale]) : std::to_string(scale);
  return Message(conversion ? msg::kNoOldScale : msg::kNoOldNumbering, {caption});
}

void RequireConversionTarget(bool oldToNew, ScaleIndex scale) {
  if (!oldToNew && !HasOldStandard(scale)) throw Error(OldStandardLacksScaleMessage(scale, true));
}

std::vector<TStandardMapUnion> ConvertMapUnionNo(std::string_view number, bool oldToNew,
                                                 ScaleIndex scale, bool zone3, double cm,
                                                 Datum datum) {
  RequireConversionTarget(oldToNew, scale);
  // The source must be a standard number of the standard it is converted
  // from: a number of the other one, or none, gives no sheets and would be
  // lost without a word.
  const std::uint8_t kind = CheckMapUnionNo(number);
  if (kind == 0) throw Error(Message(msg::kNotStandardNumber, {std::string(number)}));
  if (kind != (oldToNew ? 1 : 2)) {
    throw NumberFieldError(oldToNew ? NumberFault::NotOld : NumberFault::NotNew, std::string(number),
                           {});
  }
  TMapUnionRange range = oldToNew ? ParseOldMapUnionNo(number) : ParseNewMapUnionNo(number);
  // A sheet of the western hemisphere (columns 1–30) is a real number, but
  // the grid is worked out east of Greenwich only: it is refused by name,
  // not as a fault of the range.
  if (DmsToDeg(range.West) < 0) throw Error(Message(msg::kSheetWestOfGreenwich, {std::string(number)}));
  // Row W runs from 88° to 92°: only the sheets south of the pole exist.
  if (DmsToDeg(range.North) > 90) range.North = TAngleDMS{90, 0, 0};
  TStandardMapUnions found;
  CreateMapUnionsOfStandard(range, scale, oldToNew, zone3, datum, cm, found);
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
    ThrowSheetLimit(static_cast<double>(total), msg::kAdviceFewerNumbers);
  }
}

void SubtractPlaneOffsets(std::vector<TStandardMapUnion>& column, double offsetX, double offsetY) {
  // Subtracting 0 changes no value: without offsets the pass is skipped.
  if (offsetX == 0 && offsetY == 0) return;
  for (TStandardMapUnion& s : column) {
    for (TPlanePoint& p : s.PlaneCorners) {
      p.X -= offsetX;
      p.Y -= offsetY;
    }
  }
}

void SubtractPlaneOffsets(TStandardMapUnions& sheets, double offsetX, double offsetY) {
  for (auto& column : sheets) SubtractPlaneOffsets(column, offsetX, offsetY);
}

}  // namespace karvento
