// karvento-cli sheets: the Generate of the two geodetic tabs.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/modules.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/text_files.h"

namespace karvento::cli {

namespace {

const char* kHelp =
    "usage: karvento-cli sheets --from LON,LAT --to LON,LAT [options]\n"
    "       karvento-cli sheets --aoi FILE [options]\n"
    "\n"
    "Lists every sheet that covers the extent from the lower-left corner --from\n"
    "to the upper-right corner --to, column by column from west to east and each\n"
    "column from north to south, with its number, its four edges and the plane\n"
    "corners NW, NE, SE, SW.\n"
    "\n"
    "  --from LON,LAT     lower-left corner: decimal degrees or D:M:S (116:28:00),\n"
    "                     longitude 0 to 180, latitude 0 to 90\n"
    "  --to LON,LAT       upper-right corner\n"
    "  --scale S          1:100万 1:50万 1:25万 1:10万 1:5万 1:2.5万 1:1万 1:5000\n"
    "                     1:2000 1:1000 1:500, or 1:10000, or 10000 (default 1:1万);\n"
    "                     1:2000, 1:1000 and 1:500 have new-standard numbers only\n"
    "  --standard new|old numbering standard (default new)\n"
    "  --number-form F    rowcol (J50I001001, default) or 5000: 1:2000 numbers from\n"
    "                     their 1:5000 sheet (J50H001001-1 ... -9)\n"
    "  --datum 54|80|2000 plane corners on Beijing 1954, Xi'an 1980 or the 2000\n"
    "                     national system CGCS2000 (default 54)\n"
    "  --zone 3|6         3-degree or 6-degree zones (default 3)\n"
    "  --cm DEGREES       central meridian, 0 to 180; 0 takes each corner's own zone and\n"
    "                     writes no zone number (default 0)\n"
    "  --offset-x X, --offset-y Y\n"
    "                     omitted large coordinate numbers, subtracted from the\n"
    "                     plane corners (default 0)\n"
    "  --params FILE      corners, zone method, central meridian and offsets from\n"
    "                     a parameter file saved by the window (options override)\n"
    "  --format F         table (default), csv, json, geojson, mif, xlsx, shp,\n"
    "                     gpkg, dxf, kml, or an index map: svg, png, pdf (mif, xlsx,\n"
    "                     shp and gpkg need --output); without --format the\n"
    "                     output name's extension chooses (x.gpkg: GeoPackage),\n"
    "                     and a --format that contradicts it is refused\n"
    "  --output FILE      write to FILE instead of standard output (- is standard\n"
    "                     output); an existing FILE is replaced once complete. Every\n"
    "                     text format, mif, shp, gpkg, dxf and kml are written\n"
    "                     column by column as the sheets are made, so there is no\n"
    "                     limit on their number but the format's own (a Shapefile\n"
    "                     holds up to 4 GB); xlsx and the maps: 5,000,000\n"
    "  --encoding E       csv text: utf-8 (with byte-order mark, default) or gbk;\n"
    "                     shp attribute text: utf-8 (default) or gbk\n"
    "  --spreadsheet      csv for Excel and WPS: numbers as text cells (=\"J-50-5\")\n"
    "                     that they do not turn into dates or numbers\n"
    "  --progress         a progress line on standard error (sheets done of the\n"
    "                     total, rate, time left), shown by default on a terminal\n"
    "                     once a run lasts a second\n"
    "  --quiet            no progress line and no notices on standard error\n"
    "  --coords plane|geo mif, shp, gpkg, dxf in plane corners (default) or in\n"
    "                     longitude and latitude\n"
    "  --corners-only     shp, gpkg, dxf, kml: each frame its four corners joined\n"
    "                     by straight lines (default: vertices along every edge,\n"
    "                     within 1 cm of the true parallels and meridians)\n"
    "  --aoi FILE         only the sheets whose frame shares interior with the\n"
    "                     polygons of FILE (any polygon layer GDAL reads), taken to\n"
    "                     the --datum's longitude and latitude; replaces --from/--to\n"
    "  --aoi-layer NAME   the layer of FILE (default the first)\n"
    "  --aoi-where SQL    only the features matching this attribute filter\n"
    "  --min-cover F      only sheets of which the polygons cover at least F (0 to 1)\n"
    "  --cover            the covered fraction of each sheet as a last column\n"
    "                     (table, csv, json, geojson)\n"
    "%s"
    "\n"
    "Plane corners: X is the easting and Y the northing, in metres.\n"
    "Coordinate systems: shp (with its .prj), gpkg and dxf name the EPSG system of\n"
    "the datum: geographic EPSG:4214 (54), 4610 (80) or 4490 (2000); plane the\n"
    "Gauss-Kruger system of the zone, with the zone number when --cm is given\n"
    "(3-degree zone 39: EPSG:2415 for 54, 2363 for 80, 4527 for 2000), without it\n"
    "when --cm is 0 (CM 117E: EPSG:2436, 2384, 4548), which needs every sheet in\n"
    "one zone. Offsets make it that system with its false origin moved by them.\n"
    "kml is WGS 84, which only CGCS2000 sheets are: Beijing 1954 and Xi'an 1980\n"
    "sheets are refused. geojson and csv longitudes and latitudes are the sheets'\n"
    "own on their datum, not WGS 84 as their readers assume: each geojson feature\n"
    "names its datum in the property \"datum\", and on 54 and 80 standard error\n"
    "says so (--quiet: not).\n"
    "\n"
    "Example: the 1:1万 sheets of central Beijing, new standard, zone 39:\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 \\\n"
    "      --scale 1:1万 --cm 117\n"
    "The same on CGCS2000:\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 \\\n"
    "      --scale 1:1万 --cm 117 --datum 2000\n"
    "Its index map as a PDF page of A4:\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 \\\n"
    "      --format pdf --size 297x210 --output beijing.pdf\n";

const OptionSpec kOwn[] = {{"from", true},     {"to", true},       {"scale", true},
                           {"standard", true}, {"offset-x", true}, {"offset-y", true},
                           {"params", true},   {"number-form", true}, {"aoi", true},
                           {"aoi-layer", true}, {"aoi-where", true}, {"min-cover", true},
                           {"cover", false}, {"progress", false}};

}  // namespace

int RunSheets(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kProjectionOptionSpecs, kOutputOptionSpecs));
  if (HelpRequested(args, WithMapHelp(kHelp).c_str())) return 0;
  if (!args.Positional().empty()) throw UsageError("unexpected '" + args.Positional()[0] + "'");
  const int scale = ParseScale(args.Value("scale").value_or("1:1万"));
  const std::string standard = args.Value("standard").value_or("new");
  if (standard != "new" && standard != "old") throw UsageError("--standard is new or old");
  Projection p = ReadProjection(args);
  const OutputOptions o = ReadOutputOptions(args);
  const ProgressLine::Mode progressMode = ProgressLine::ModeOf(args);

  // The corners, zone method, central meridian and offsets: from a saved
  // parameter file where one is given, each overridden by its option.
  TMapUnionRange range;
  double offsetX = 0, offsetY = 0;
  if (auto file = args.Value("params")) {
    const TParameterSet saved = Gis().openParameterFile(*file, p.datum);
    range = {saved.Corners[0], saved.Corners[1], saved.Corners[2], saved.Corners[3]};
    if (!args.Has("zone")) p.zone3 = saved.ZoneIndex == 0;
    if (!args.Has("cm")) p.cm = saved.CentralMeridian;
    offsetX = saved.OffsetX;
    offsetY = saved.OffsetY;
  } else if (!args.Has("aoi") && (!args.Has("from") || !args.Has("to"))) {
    throw UsageError("--from and --to are required (or --params FILE, or --aoi FILE)");
  }
  if (args.Has("aoi") && (args.Has("from") || args.Has("to"))) {
    throw UsageError("--aoi replaces --from and --to");
  }
  for (const char* name : {"aoi-layer", "aoi-where", "min-cover", "cover"}) {
    if (args.Has(name) && !args.Has("aoi")) throw UsageError(std::string("--") + name + " goes with --aoi");
  }
  if (auto from = args.Value("from")) {
    const TLonLatDMS corner = ParsePoint(*from, "--from");
    range.West = corner.Lon;
    range.South = corner.Lat;
  }
  if (auto to = args.Value("to")) {
    const TLonLatDMS corner = ParsePoint(*to, "--to");
    range.East = corner.Lon;
    range.North = corner.Lat;
  }
  if (!args.Has("aoi")) {
    const std::string inverted = InvertedCornersText(range);
    if (!inverted.empty()) throw Error(inverted);
  }
  if (auto x = args.Value("offset-x")) offsetX = ParseNumber(*x, "--offset-x");
  if (auto y = args.Value("offset-y")) offsetY = ParseNumber(*y, "--offset-y");

  const ColumnEdits edits{offsetX, offsetY, ReadNumberForm(args, scale, standard == "new")};
  const bool withCover = args.Has("cover");
  if (withCover && !IsTextFormat(o.format)) {
    throw UsageError("--cover is a column of table, csv, json and geojson");
  }
  // An area of interest: its polygons on the datum's longitude and latitude,
  // with the notice where they were taken as they are.
  std::optional<AreaFile> area;
  double minCover = 0;
  if (auto aoi = args.Value("aoi")) {
    if (auto f = args.Value("min-cover")) {
      minCover = ParseNumber(*f, "--min-cover");
      if (!(minCover >= 0 && minCover <= 1)) throw UsageError("--min-cover is a fraction from 0 to 1");
    }
    area = Gis().readAreaFile(*aoi, args.Value("aoi-layer").value_or(""),
                              args.Value("aoi-where").value_or(""), p.datum);
    // As the window refuses it, before any sheet is counted or allocated.
    if (const std::string problem = AreaDomainProblem(area->area); !problem.empty()) {
      throw Error("范围文件 “" + *aoi + "” " + problem);
    }
    if (!area->notice.empty()) std::fprintf(stderr, "karvento-cli sheets: %s\n", area->notice.c_str());
  }

  // A workbook and an index map are made from the whole table in memory (a
  // worksheet holds a limited number of rows, a map is drawn whole): such a
  // request keeps the window's sheet limit.
  const bool whole = o.format == Format::Xlsx || o.format == Format::Svg ||
                     o.format == Format::Png || o.format == Format::Pdf;
  if (whole) {
    TStandardMapUnions sheets;
    if (area) {
      CreateMapUnionsInArea(area->area, scale, standard == "new", p.zone3, p.datum, p.cm, minCover,
                            sheets);
    } else {
      CreateMapUnionsOfStandard(range, scale, standard == "new", p.zone3, p.datum, p.cm, sheets);
    }
    for (auto& column : sheets) edits.Apply(column);
    if (WriteStandardMap(o, sheets, MapTitle(kScaleCaptions[scale], standard, p.datum), -1,
                         area ? &area->area : nullptr)) {
      return 0;
    }
    WriteStandardFile(o, sheets, p, offsetX, offsetY);
    return 0;
  }
  // Every other format, the text, MIF and GIS files, is written column by
  // column as the walk goes: any number of sheets, in memory bounded by one
  // column.
  const SheetWalk walk =
      area ? SheetWalk(area->area, minCover, scale, standard == "new", p.zone3, p.datum, p.cm, false)
           : SheetWalk(range, scale, standard == "new", p.zone3, p.datum, p.cm, false);
  WarnOfGeographicDatum("sheets", o, p);
  StreamStandardSheets(o, walk, edits,
                       {std::string(kScaleCaptions[scale]), kScaleDenominators[scale], standard,
                        nullptr, DatumName(p), withCover},
                       p, progressMode);
  return 0;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"sheets", RunSheets}, {"grid", RunGrid}, {"convert", RunConvert}, {"check", RunCheck},
      {"project", RunProject}, {"dms", RunDms}, {"at", RunAt}, {"frame", RunFrame}};
  return commands;
}

}  // namespace karvento::cli
