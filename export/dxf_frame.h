// SPDX-License-Identifier: Apache-2.0
// Map frames as DXF drawings: the lines and texts of a MapFrame in metres at
// ground size, one layer per part of the frame (内图廓, 外图廓, 分度带, 公里网,
// 注记, 接图表), written as text with no GDAL.
//
// The file is an AutoCAD R12 (AC1009) ASCII DXF that CAD programs and GDAL
// read alike: units metres ($INSUNITS 6, $MEASUREMENT 1), text and layer
// names in GBK ($DWGCODEPAGE ANSI_936). Lines of two points are LINE
// entities, longer ones POLYLINE (closed rings flagged closed); a line
// heavier than the thin lines carries its paper weight as the polyline's
// width in ground metres. Texts are TEXT entities with their alignment point,
// heights in ground metres (paper millimetres × denominator / 1000).
// Coordinates are written in the shortest form that reads back to the same
// double.
#pragma once

#include <string>

#include "numbering/map_frame.h"

namespace karvento {

// The whole DXF file of one frame. Throws Error when a text cannot be written
// in GBK.
std::string DxfFrameText(const MapFrame& frame);

// Writes the frame to fileName through the safe writer: the file is replaced
// only when complete; a failure throws Error naming the file and the reason.
void WriteDxfFrame(const std::string& fileName, const MapFrame& frame);

}  // namespace karvento
