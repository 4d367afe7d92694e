// How karvento-cli writes sheets.
#pragma once

#include <cstdio>

#include "numbering/sheet_types.h"

namespace karvento::cli {

// Aligned columns for a terminal: number, west, south, east, north as D:M:S,
// then X and Y of the NW, NE, SE and SW corners in metres.
void WriteSheetTable(std::FILE* out, const TStandardMapUnions& sheets);

}  // namespace karvento::cli
