// SPDX-License-Identifier: Apache-2.0
// A GIS layer moved from one datum to another, vertex by vertex: through a
// PROJ pipeline (the direct model, geodesy/transform.h's TransformPipeline)
// or through a routine of the caller's (the corner method). The output is
// written with the target datum's coordinate system, never the source's: a
// layer is not relabelled without being moved, nor moved without being
// relabelled.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "geodesy/datum.h"

namespace karvento {

struct LayerMove {
  std::string input, output;  // output: .shp, .gpkg, .geojson or .json
  // Which model, convention and parameters move it: kept in the output's
  // metadata item KARVENTO_TRANSFORM where the format keeps metadata
  // (GeoPackage, GeoJSON's layer description is none: the caller tells it).
  std::string description;
  Datum sourceDatum = Datum::Beijing54, targetDatum = Datum::Cgcs2000;
  // The layer's coordinates: Gauss-Krüger of the zone (zone3, cm) when
  // cm > 0, eastings with or without the zone number (told from the layer's
  // extent); longitude and latitude otherwise.
  bool zone3 = true;
  double cm = 0;
  // The direct model: PROJ pipelines for eastings without and with the zone
  // number. Used when move is empty.
  std::string pipeline, pipelinePrefixed;
  // Otherwise every vertex (x, y) goes through move; false refuses the layer.
  std::function<bool(double& x, double& y)> move;
};

// Moves every feature of the input's first layer into the output, fields
// kept, and returns the count of vertices moved. Refuses (karvento::Error) a
// layer whose coordinate system is on another ellipsoid than sourceDatum's,
// or geographic where a plane was named (and the other way round), and a
// vertex the transformation cannot move; a layer without a coordinate
// system is taken to be on sourceDatum as named. The output goes through the
// safe writer: complete, or not there at all.
std::uint64_t MoveLayer(const LayerMove& request);

}  // namespace karvento
