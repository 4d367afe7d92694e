// SPDX-License-Identifier: Apache-2.0
// 标准分幅裁切: cutting a user's raster or vector data into the standard sheets
// of a scale, one file per sheet named by its number.
//
// Sheets. The sheets are those of the numbering's own sheet walk: by default
// every sheet whose frame meets the data's footprint (the extent of the
// raster or of the layer, brought to the sheet datum's longitude and
// latitude), or those of corners, of an area of interest, or of a list of
// numbers. Nothing here decides a sheet or a number.
//
// Frames. A sheet's frame is two parallels and two meridians. It is
// densified in longitude and latitude (kFrameSteps equal steps per edge,
// every edge point computed from the edge's own two ends, so that two
// neighbours share their common edge to the last bit) and transformed with
// PROJ into the data's system, where both edges are curves.
//
// Raster. The window of a sheet is the bounding box of its frame in the
// data's system, enlarged by the margin (外扩) on every side and snapped
// outward to the source's pixel grid: an edge within 1e-6 pixel of a grid
// line stays on it. Its pixels are the source's, copied unchanged (same data
// type, nodata, colour table and band descriptions); where the window leaves
// the source, the pixels are nodata (0 for a band without one). Only with a
// target system is anything resampled (GDAL's warper). A sheet whose window
// holds no data pixel is skipped and counted, or written full of nodata with
// keepEmpty.
//
// Vector. Every feature is clipped to the frame itself (no margin), so that
// the pieces of a feature across several sheets add up to it: neighbours
// share their edge exactly, and no area or length is lost or counted twice.
// Attributes are kept; pieces of a dimension below the feature's (a polygon
// touching a sheet along an edge) are dropped.
//
// Files. Every file (the sheet's data, its metadata file <number>.json, the
// run summary clip-summary.csv) goes through the safe writer: it appears
// under its final name only when complete, so that an interrupted run leaves
// only complete sheets. The data file is committed before its metadata file,
// which is what a resumed run looks for.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "geodesy/datum.h"
#include "numbering/area.h"
#include "numbering/scales.h"
#include "numbering/sheet_types.h"

namespace karvento {

// Equal steps of longitude (latitude) along each edge of a frame. At 1:100万
// a 6° parallel bows by about 4.3 km on the plane; 64 chords leave at most
// about 1 m of it (1 mm at 1:1万).
inline constexpr int kFrameSteps = 64;

enum class MarginUnit : std::uint8_t { Millimetres, Metres, Pixels };

// The 外扩: millimetres on paper at the sheet's scale (10 mm at 1:1万 is
// 100 m), metres on the ground, or source pixels.
struct ClipMargin {
  double value = 0;
  MarginUnit unit = MarginUnit::Millimetres;
};

enum class ClipChoice : std::uint8_t { Footprint, Corners, Area, Numbers };
enum class ClipMask : std::uint8_t { None, Nodata, White };

struct ClipRequest {
  std::string input;   // a local raster or vector file
  std::string layer;   // vector: the layer (empty: the first)
  ScaleIndex scale = 0;
  bool newStandard = true;
  // The datum of the sheets; none: the data's own, when it is one of the
  // sheets' datums.
  std::optional<Datum> datum;
  bool zone3 = true;  // the zones of the plane corners in the metadata
  double cm = 0;      // 0: each sheet on its own zone

  ClipChoice choice = ClipChoice::Footprint;
  TMapUnionRange corners;            // Corners
  GeoMultiPolygon area;              // Area, on the sheet datum's longitude and latitude
  std::vector<std::string> numbers;  // Numbers, of the request's standard and scale

  // Systems as GDAL reads a user's definition (EPSG:4527, WKT, PROJ): the
  // data's, in place of the file's own (or where it has none); the system to
  // warp into.
  std::string sourceSrs, targetSrs;
  std::string resampling = "nearest";
  double resolution = 0;  // target pixel size; 0: the source's

  ClipMargin margin;
  ClipMask mask = ClipMask::None;
  bool keepEmpty = false;

  std::string output;         // the folder of the sheets
  bool folderLayout = false;  // DIR/<number>/<number>.tif
  bool oldNames = false;      // files named by the old number
  // GDAL's driver: GTiff (default) or COG for rasters, GPKG (default) or
  // ESRI Shapefile for vectors.
  std::string format;
  bool oneLayer = false;  // vector: one file, a 图幅号 field on each piece
  bool resume = false;    // skip sheets whose data and metadata match this request

  int workers = 0;                           // 0: one per core
  std::int64_t cacheBytes = 64 << 20;        // GDAL's block cache, for the whole run
};

// One sheet of a run: its record, the name of its files and the data file.
struct ClipSheet {
  TStandardMapUnion sheet;
  std::string name;
  std::string file;
};

// What a run will do, made before anything is written: every refusal is
// made here.
struct ClipPlan {
  bool raster = true;
  Datum datum = Datum::Cgcs2000;
  std::vector<ClipSheet> sheets;
  std::uint64_t estimateBytes = 0;  // of the data files, before compression
  std::string system;               // the data's system, as named in the metadata
};

ClipPlan PlanClip(const ClipRequest& request);

struct ClipProgress {
  std::size_t done = 0, total = 0;
  std::uint64_t bytes = 0;  // written so far
};

struct ClipResult {
  std::size_t written = 0;  // sheets written in this run
  std::size_t empty = 0;    // sheets with no data, skipped (or written with keepEmpty)
  std::size_t resumed = 0;  // sheets already complete
  std::uint64_t bytes = 0;
  std::string summary;  // the run summary's file
};

// Plans (PlanClip) and cuts. progress is called after each sheet, from any
// worker, one call at a time; returning false stops the run after the sheets
// being cut (their files complete). Throws Error with the file and the
// reason on any failure; the sheets finished before it stay.
ClipResult RunClip(const ClipRequest& request,
                   const std::function<bool(const ClipProgress&)>& progress = {});

// The sheet numbers of a table that `karvento-cli sheets` wrote: a CSV
// (its 图幅号 column; a spreadsheet's text cell ="J-50-5" is J-50-5), a
// GeoJSON file (its number property), a GeoPackage or a Shapefile (its 图幅号
// field), in the order of the records; a record without a number is
// skipped. None when the file is no such table, which is then read as a
// number list, one number a line. The file is read under the same rules as
// an area file (local files only).
std::optional<std::vector<std::string>> ReadSheetTable(const std::string& file);

// The text that a request's metadata records for resume: the source (its
// path, size and modification time) and every option that changes the
// output.
std::string ClipFingerprint(const ClipRequest& request);

// A size as a person reads it in a message: whole KB below a megabyte
// (rounded up, so that a small output never shows as nothing), tenths of a
// MB below a gigabyte, tenths of a GB above.
std::string ClipSizeText(std::uint64_t bytes);

}  // namespace karvento
