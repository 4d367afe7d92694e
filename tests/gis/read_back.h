// SPDX-License-Identifier: Apache-2.0
// What GDAL/OGR reads back from a written file, as plain values.
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace karvento::testing {

struct ReadFeature {
  std::vector<std::string> fields;  // every field as text, in layer order
  std::vector<std::pair<double, double>> points;  // exterior ring, or the point
  std::string geometryType;
  std::string style;
};

struct ReadLayer {
  bool opened = false;
  std::string driver;
  int layers = 0;
  std::string layerName;
  std::vector<std::string> fieldNames;
  std::vector<int> fieldWidths;  // as the file declares them (0: none)
  std::vector<ReadFeature> features;
  bool hasSrs = false;
  std::string srsName;
  int epsg = 0;  // the EPSG code GDAL identifies, 0 for none
  std::string wkt;
  double centralMeridian = 0, falseEasting = 0, falseNorthing = 0;
  bool spatialIndex = false;     // a GeoPackage's R-tree, or a Shapefile's .qix
  // Field text of the named field, per feature.
  std::vector<std::string> Column(const std::string& name) const;
};

ReadLayer ReadBack(const std::string& file);

// Transforms plane points of a file's coordinate system (the WKT of
// ReadLayer) to the geographic system EPSG:geographic, longitude first.
std::vector<std::pair<double, double>> ToGeographic(const std::string& wkt, int geographic,
                                                    const std::vector<std::pair<double, double>>& xy);

}  // namespace karvento::testing
