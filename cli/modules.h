// SPDX-License-Identifier: Apache-2.0
// The parts of karvento-cli that need GDAL or Qt, in two modules opened at
// run time, so that a command that needs neither (check, convert, at,
// project, dms, and sheets or grid to a text format) starts without loading
// either library and the hundred-odd libraries behind them:
//   libkarvento-cli-gis.so  the GIS writers and the area reader (GDAL, PROJ)
//   libkarvento-cli-map.so  the index maps and the map frames' SVG and PDF
//                           (Qt Gui and Svg)
// Each module hands over one table of functions; this header is the whole
// interface between the program and its modules.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/datum.h"
#include "gis/area_file.h"
#include "gis/clip.h"
#include "gis/coordinate_system.h"
#include "gis/gis_export.h"
#include "gis/common_points.h"
#include "gis/layer_move.h"
#include "gis/layer_tag.h"
#include "numbering/area.h"
#include "numbering/map_frame.h"
#include "numbering/sheet_types.h"

namespace karvento::cli {

// The folder of the running program: the modules and the language catalogue
// are found from it (beside it in a build tree, ../lib/… and ../share/locale
// once installed).
std::string ProgramFolder();

// A GIS file written column by column (GisSheetStream).
class GisColumns {
 public:
  virtual ~GisColumns() = default;
  virtual void Column(const std::vector<TStandardMapUnion>& column) = 0;
  virtual void Commit() = 0;
};

struct GisModule {
  // WriteGisSheets; WriteGisCustomSheets, in the Gauss-Krüger system of
  // plane (its offsets unused) for rectangular sheets on the national grid,
  // in none for an independent grid (plane null).
  bool (*writeSheets)(const std::string& file, const TStandardMapUnions& sheets, const TPlaneSystem& system,
                      const GisOptions& options, Message* reason);
  bool (*writeCustomSheets)(const std::string& file, const TCustomMapUnions& sheets, const GisOptions& options,
                            const TPlaneSystem* plane, Message* reason);
  // A GisSheetStream; throws as its constructor does.
  std::unique_ptr<GisColumns> (*openStream)(const std::string& file, const GisTableOutline& outline,
                                            const TPlaneSystem& system, const GisOptions& options);
  // GisTableOutline::Add.
  void (*addToOutline)(GisTableOutline& outline, const std::vector<TStandardMapUnion>& column);
  // ReadAreaFile.
  AreaFile (*readAreaFile)(const std::string& file, const std::string& layer, const std::string& where,
                           Datum datum);
  // MoveLayer (karvento-cli transform layer).
  std::uint64_t (*moveLayer)(const LayerMove& request);
  // ReadLayerCommonPoints (karvento-cli transform solve --source … --target …).
  LayerCommonPoints (*readLayerCommonPoints)(const std::string& sourceFile, const std::string& targetFile,
                                             const std::string& field, Datum source, Datum target);
  // TagLayer (karvento-cli tag).
  LayerTagResult (*tagLayer)(const LayerTagRequest& request, const std::function<bool(std::uint64_t)>& progress);
  // PlanClip and RunClip (karvento-cli clip).
  ClipPlan (*planClip)(const ClipRequest& request);
  ClipResult (*clip)(const ClipRequest& request, const std::function<bool(const ClipProgress&)>& progress);
  // ReadSheetTable (clip --input with a table of sheets).
  std::optional<std::vector<std::string>> (*readSheetTable)(const std::string& file);
};

// The pages of a PDF of map frames (map::FramePdf).
class FramePages {
 public:
  virtual ~FramePages() = default;
  virtual void Add(const MapFrame& frame) = 0;
  virtual void Finish() = 0;
};

// The index maps: the bytes of an SVG, PNG or PDF file (format 0, 1, 2) of
// width x height (pixels, millimetres for PDF), under the title, outlining
// the sheet at current (-1 for none) and the area where one is given.
struct MapModule {
  std::string (*renderStandard)(int format, double width, double height, const TStandardMapUnions& sheets,
                                const std::string& title, std::ptrdiff_t current, const GeoMultiPolygon* area);
  std::string (*renderCustom)(int format, double width, double height, const TCustomMapUnions& sheets,
                              const std::string& title);
  // The map frame of a sheet as an SVG file's bytes (map::RenderFrameSvg).
  std::string (*frameSvg)(const MapFrame& frame);
  // A PDF of frames, a page each, its bytes handed to write as they come.
  std::unique_ptr<FramePages> (*openFramePdf)(std::function<void(std::string_view)> write);
};

// The module, opened on first use from the folder of the program, then from
// ../lib/<multiarch>/karvento beside it (where the package installs it). A module
// that cannot be opened throws karvento::Error naming the file, the system's
// reason and the package to install.
const GisModule& Gis();
const MapModule& Map();

// The names of each module's one exported symbol.
inline constexpr const char* kGisModuleSymbol = "karvento_cli_gis_module";
inline constexpr const char* kMapModuleSymbol = "karvento_cli_map_module";

}  // namespace karvento::cli
