// SPDX-License-Identifier: Apache-2.0
// The steps of karvento-cli transform that another front end (the Python
// module) calls with the same options: the parameters solved from common
// points, the parameter file written, the point mover of --params, and a
// layer moved. Each reads the options as the subcommand does (the
// subcommand's word first among the positional words) and throws its errors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/args.h"
#include "export/transform_lines.h"
#include "geodesy/transform.h"

namespace karvento::cli {

// The options karvento-cli transform knows.
const OptionSpec* TransformOptionSpecs(std::size_t& count);

// transform solve: the solution and what the report says of it.
struct SolvedTransform {
  TransformSolution solution;
  TransformModel model = TransformModel::Bursa7;
  RotationConvention convention = RotationConvention::PositionVector;
  bool heights = false;         // the common points carried heights
  double rejectK = 0;           // --reject, 0 for none
  std::string file;             // the common points' file (or the two layers)
  std::vector<std::string> notices;  // points of one layer only, in the user's language
};
SolvedTransform SolveCommonPoints(const Args& args);
// The parameter file of --output, through the safe writer.
void WriteSolvedParams(const std::string& out, const SolvedTransform& s);

// transform apply and layer: --params, --inverse, --zone, --cm, --method and
// --scale as one mover; its description for the notice line.
PointMover ReadTransformMover(const Args& args);
std::string TransformMoverText(const PointMover& m);

// transform layer INPUT OUTPUT: the vertices moved; notice, when given,
// receives the command's notice line.
std::uint64_t MoveLayerWith(const Args& args, std::string* notice = nullptr);

}  // namespace karvento::cli
