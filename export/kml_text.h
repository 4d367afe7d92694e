// SPDX-License-Identifier: Apache-2.0
// KML of standard sheets without GDAL: the bytes that GDAL's KML driver
// writes for the same sheets (the command line's `--format kml`), so that the
// page, which has no GDAL, offers the same file.
//
// The file is one folder of placemarks named after the layer (the file
// name's stem), each a sheet: its number as the placemark's name, the scale
// denominator, the standard and the four edges as extended data, and the
// frame as a polygon whose outer ring runs counter-clockwise, as KML wants it.
// The frame is the four corners joined by straight lines, or (the default)
// the outline along the parallels that GeographicOutline gives at 1 cm, so
// that a globe joining vertices by great circles does not cut across them.
// Longitudes and latitudes are written as they are, which is honest on
// CGCS2000 only (WGS 84 and CGCS2000 differ by centimetres); front ends
// refuse other datums first.
//
// Numbers are formatted as GDAL formats them: a coordinate pair of two whole
// numbers as integers, otherwise each value to 15 significant digits with
// ".0" added to a whole one; an attribute to 15 significant digits.
#pragma once

#include "numbering/message.h"  // N_

#include <string>
#include <string_view>

#include "export/sheet_frame.h"
#include "numbering/sheet_types.h"

namespace karvento {

// The refusal of a datum other than CGCS2000, as shown to the user.
inline constexpr const char* kKmlNeedsCgcs2000Message =
    N_("北京54坐标系和西安80坐标系到 WGS 84 没有官方的坐标转换，"
       "KML 文件的经纬度却按 WGS 84 解读，因此只能导出 2000 国家大地坐标系（CGCS2000）的图幅。");

// The layer of a file: its name's stem made an XML name, every character
// that cannot be in one (ASCII other than letters, digits, "_" and ".")
// replaced by "_", as the driver does ("图幅 a&b" → "图幅_a_b"). The writer's
// layer arguments take this name.
std::string KmlLayerName(std::string_view stem);

// Everything before the first placemark of a layer.
std::string KmlHeader(std::string_view layer);
// One placemark, appended to out; its 比例尺 and 标准 as the request said.
void AppendKmlSheet(std::string& out, std::string_view layer, const TStandardMapUnion& sheet,
                    const FramePlane& request, bool cornersOnly);
// Everything after the last placemark.
std::string_view KmlFooter();

// A longitude-latitude pair as a KML coordinate ("116,40", "116.25,40.0").
std::string KmlCoordinate(double lon, double lat);
// A real attribute as the file holds it ("39.8333333333333").
std::string KmlReal(double value);

}  // namespace karvento
