// SPDX-License-Identifier: Apache-2.0
// Common points (重合点) from two GIS point layers, one on each datum, joined
// by a field that names the point (点号, 点名): the way an office keeps its
// control points when both sets are in a GIS.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "geodesy/datum.h"
#include "geodesy/transform.h"

namespace karvento {

struct LayerCommonPoints {
  // Both layers projected: Gauss-Krüger points (planar, X the easting as
  // the layer stores it, Y the northing); both geographic, or neither with
  // a coordinate system: geodetic points (longitude, latitude, h = 0; a Z
  // in a GIS layer is a height above the geoid or sea level, not the
  // ellipsoidal height the models need).
  bool plane = false;
  std::vector<GeodeticCommonPoint> geodetic;
  std::vector<PlaneCommonPoint> planar;
  // Points of either layer whose name the other has not: left out.
  std::vector<std::string> onlySource, onlyTarget;
};

// The points of the first layer of each file, joined by the text of field,
// in the source layer's order. Refuses (karvento::Error, naming the file): a
// file GDAL cannot read, a layer without the field, a feature that is not
// one point or has no name, a name twice in one layer, a layer whose
// coordinate system is on another ellipsoid than its datum's, one layer
// projected and the other geographic, and layers with no name in common.
LayerCommonPoints ReadLayerCommonPoints(const std::string& sourceFile, const std::string& targetFile,
                                        const std::string& field, Datum source, Datum target);

}  // namespace karvento
