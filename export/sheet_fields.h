// SPDX-License-Identifier: Apache-2.0
// The attributes that every GIS file of standard sheets carries besides the
// number and the edges.
#pragma once

#include "numbering/message.h"  // N_

#include <string_view>

#include "export/sheet_frame.h"
#include "numbering/scales.h"
#include "numbering/sheet_types.h"

namespace karvento {

// The scale denominator of a standard sheet, from the height of its frame;
// 0 when the height is none of the scale series.
int ScaleDenominatorOf(const TStandardMapUnion& sheet);

// The refusals of a file of sheets, as shown to the user.
inline constexpr const char* kNoSheetsMessage = N_("没有可导出的图幅：请先生成图幅号。");
// Plane corners with no central meridian given, each on its own zone, of
// sheets in more than one zone.
inline constexpr const char* kSpansZonesMessage =
    N_("这些图幅跨越了多个投影带（中央经度为 0 时每个角点按其所在带投影），"
       "没有统一的平面坐标系，不能导出平面坐标。请指定一个中央经线（“中央经度”，命令行 --cm）后重新生成。");

// The central meridian of the one plane that sheets from longitude westmost
// to eastmost (degrees) are drawn on: cm where the request named one, else the
// zone that holds every sheet (CommonZoneMeridian, the zone SheetZone puts
// each sheet's corners on). Throws Error(kSpansZonesMessage) where there is
// none: plane corners of sheets in more than one zone, or no sheet (NaN).
double PlaneZoneMeridian(double westmost, double eastmost, bool zone3, double cm);

// "old" for a number of the old standard (it has hyphens, and is not the
// 1:5000-based form of a new 1:2000 number, J50H008075-3), else "new".
std::string_view StandardOf(const TStandardMapUnion& sheet);

// The scale denominator and the standard of a sheet of a table as its
// request said them, or where it said none, the sheet's own.
int ScaleDenominatorOf(const TStandardMapUnion& sheet, const FramePlane& request);
std::string_view StandardOf(const TStandardMapUnion& sheet, const FramePlane& request);
// The scale of the series, likewise; -1 where neither says one.
ScaleIndex ScaleOf(const TStandardMapUnion& sheet, const FramePlane& request);

}  // namespace karvento
