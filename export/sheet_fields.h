// The attributes that every GIS file of standard sheets carries besides the
// number and the edges.
#pragma once

#include <string_view>

#include "numbering/sheet_types.h"

namespace karvento {

// The scale denominator of a standard sheet, from the height of its frame;
// 0 when the height is none of the scale series.
int ScaleDenominatorOf(const TStandardMapUnion& sheet);

// "old" for a number of the old standard (it has hyphens), else "new".
std::string_view StandardOf(const TStandardMapUnion& sheet);

}  // namespace karvento
