// karvento-cli grid: the Generate of the independent tab.
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento::cli {

namespace {

const char* kHelp =
    "usage: karvento-cli grid --min-x X --min-y Y --max-x X --max-y Y\n"
    "                         --step-x W --step-y H [options]\n"
    "\n"
    "Divides a plane extent of an independent coordinate system, aligned outward\n"
    "to multiples of the steps, into sheets of W x H, row by row from the lowest\n"
    "Y upward, and numbers them through a format. X is the easting and Y the\n"
    "northing (Chinese surveying often writes X for the northing: here it is not).\n"
    "\n"
    "  --min-x X, --min-y Y  lower-left corner of the extent (easting, northing)\n"
    "  --max-x X, --max-y Y  upper-right corner\n"
    "  --step-x W         sheet width, along X (east), > 0\n"
    "  --step-y H         sheet height, along Y (north), > 0\n"
    "  --start-row N      number of the first row (default 0)\n"
    "  --start-col N      number of the first column (default 0)\n"
    "  --by rowcol|coords number by row and column ([ROW], [COL]) or by the\n"
    "                     kilometre values of the lower-left corner ([X], [Y])\n"
    "                     (default rowcol)\n"
    "  --format-string S  the number format (default '[ROW]+[COL]' or '[Y]-[X]');\n"
    "                     tokens match in any letter case, all other text is kept\n"
    "  --format F         table (default), csv, json, mif, xlsx, shp, gpkg, dxf\n"
    "                     (GeoJSON holds longitude and latitude only, not plane\n"
    "                     coordinates), or an index map: svg, png, pdf (mif, xlsx,\n"
    "                     shp, gpkg and dxf need --output); an independent grid has\n"
    "                     no geodetic system, so shp has no .prj and gpkg and dxf\n"
    "                     name none\n"
    "  --output FILE      write to FILE instead of standard output (- is standard\n"
    "                     output); an existing FILE is replaced once complete\n"
    "  --encoding E       csv text: utf-8 (with byte-order mark, default) or gbk;\n"
    "                     shp attribute text: utf-8 (default) or gbk\n"
    "  --spreadsheet      csv for Excel and WPS: numbers as text cells (=\"1-2\"),\n"
    "                     which they would otherwise turn into dates\n"
    "  --quiet            no notices on standard error\n"
    "Columns: csv 最小X,最小Y,最大X,最大Y and table min_x ... are eastings (X) and\n"
    "northings (Y); json names them min_easting, min_northing, max_easting,\n"
    "max_northing.\n"
    "%s"
    "\n"
    "Rectangular sheets of large-scale surveys (矩形分幅):\n"
    "  --scale S --sheet WxH   sheets of W x H centimetres of paper at 1:S (50x50\n"
    "                     at 1:500 is 250 m x 250 m) instead of --step-x/--step-y\n"
    "  --scheme coords|rowcol|serial\n"
    "                     number by the south-west corner's northing-easting in\n"
    "                     km (坐标编号, 3810.0-25.5; 0.01 km at 1:500, 0.1 km at\n"
    "                     1:1000 and 1:2000, 1 km from 1:5000), by row letter from\n"
    "                     the top and column from the left (行列编号, A-1), or 1, 2,\n"
    "                     ... from the north-west (流水编号), instead of the format\n"
    "  --datum 54|80|2000, --zone 3|6, --cm DEGREES\n"
    "                     the sheets lie on that Gauss-Krüger grid: shp, gpkg name\n"
    "                     its EPSG system (eastings with or without the zone number)\n"
    "  --frame dxf|pdf|svg  the frame (图廓) of every sheet instead of the list,\n"
    "                     into the folder --output DIR/ (one file per sheet; a\n"
    "                     FILE for one sheet or a PDF of every sheet), with\n"
    "                     --name TEXT and --notes 'LINE|LINE' in the margins\n"
    "\n"
    "Example: 500 m sheets over a 1 km by 500 m block, numbered 1+1, 1+2:\n"
    "  karvento-cli grid --min-x 0 --min-y 0 --max-x 1000 --max-y 500 \\\n"
    "      --step-x 500 --step-y 500 --start-row 1 --start-col 1\n"
    "1:500 sheets of 50 cm x 50 cm on CGCS2000 zone 39, numbered by coordinates:\n"
    "  karvento-cli grid --min-x 39525000 --min-y 3810000 --max-x 39526000 --max-y 3811000 \\\n"
    "      --scale 500 --sheet 50x50 --scheme coords --datum 2000 --cm 117 --format gpkg --output g.gpkg\n"
    "and their frames:\n"
    "  karvento-cli grid ... --scale 500 --sheet 50x50 --scheme coords --cm 117 --frame pdf --output frames/\n";

const OptionSpec kOwn[] = {{"min-x", true},     {"min-y", true},     {"max-x", true},
                           {"max-y", true},     {"step-x", true},    {"step-y", true},
                           {"start-row", true}, {"start-col", true}, {"by", true},
                           {"format-string", true}, {"scale", true}, {"sheet", true},
                           {"scheme", true},        {"frame", true}, {"name", true},
                           {"notes", true}};

double Required(const Args& args, const char* name) {
  const auto v = args.Value(name);
  if (!v) throw UsageError(std::string("--") + name + " is required");
  return ParseNumber(*v, std::string("--") + name);
}

}  // namespace

int RunGrid(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kOutputOptionSpecs, kProjectionOptionSpecs));
  if (HelpRequested(args, WithMapHelp(kHelp).c_str())) return 0;
  if (!args.Positional().empty()) throw UsageError("unexpected '" + args.Positional()[0] + "'");
  const std::string by = args.Value("by").value_or("rowcol");
  if (by != "rowcol" && by != "coords") throw UsageError("--by is rowcol or coords");
  const bool byRowCol = by == "rowcol";
  const std::string format =
      args.Value("format-string").value_or(byRowCol ? "[ROW]+[COL]" : "[Y]-[X]");
  const int startRow = ParseInteger(args.Value("start-row").value_or("0"), "--start-row");
  const int startCol = ParseInteger(args.Value("start-col").value_or("0"), "--start-col");
  const Projection p = ReadProjection(args);
  const bool frames = args.Has("frame");
  const OutputOptions o = frames ? OutputOptions{} : ReadOutputOptions(args);
  if (!frames) RefuseGeoJsonOfPlaneSheets(o.format);
  for (const char* name : {"name", "notes"}) {
    if (args.Has(name) && !frames) throw UsageError(std::string("--") + name + " goes with --frame");
  }

  // The sheet size: paper centimetres at a scale, or the steps in metres.
  const int denominator =
      args.Has("scale") ? kScaleDenominators[ParseScale(*args.Value("scale"))] : 0;
  double stepX = 0, stepY = 0;
  if (auto sheet = args.Value("sheet")) {
    if (denominator == 0) throw UsageError("--sheet WxH needs --scale");
    if (args.Has("step-x") || args.Has("step-y")) throw UsageError("give --sheet or --step-x/--step-y");
    const std::size_t x = sheet->find('x');
    if (x == std::string::npos) throw UsageError("--sheet: '" + *sheet + "' is not WxH (centimetres)");
    stepX = ParseNumber(sheet->substr(0, x), "--sheet") * denominator / 100;
    stepY = ParseNumber(sheet->substr(x + 1), "--sheet") * denominator / 100;
  } else {
    stepX = Required(args, "step-x");
    stepY = Required(args, "step-y");
  }
  if (frames && denominator == 0) throw UsageError("--frame needs --scale");

  TCustomMapUnions sheets;
  std::string refusal;
  if (auto scheme = args.Value("scheme")) {
    if (args.Has("by") || args.Has("format-string") || args.Has("start-row") || args.Has("start-col")) {
      throw UsageError("--scheme replaces --by, --format-string, --start-row and --start-col");
    }
    if (denominator == 0) throw UsageError("--scheme needs --scale");
    const RectangularScheme s = *scheme == "coords"   ? RectangularScheme::Coordinates
                                : *scheme == "rowcol" ? RectangularScheme::RowColumn
                                : *scheme == "serial" ? RectangularScheme::Serial
                                                      : throw UsageError("--scheme is coords, rowcol or serial");
    refusal = CreateRectangularMapUnions(Required(args, "min-x"), Required(args, "min-y"),
                                         Required(args, "max-x"), Required(args, "max-y"), stepX, stepY,
                                         denominator, s, sheets);
  } else {
    refusal = CreateCustomMapUnions(Required(args, "min-x"), Required(args, "min-y"), Required(args, "max-x"),
                                    Required(args, "max-y"), startRow, startCol, stepX, stepY, format,
                                    byRowCol, sheets);
  }
  if (!refusal.empty()) throw Error(refusal);
  if (frames) {
    if (!args.Has("output")) throw UsageError("--frame needs --output DIR/ or FILE");
    WriteRectangularFrames(sheets, denominator, p, *args.Value("frame"), *args.Value("output"),
                           args.Value("name").value_or(""), args.Value("notes").value_or(""));
    return 0;
  }
  if (WriteCustomMap(o, sheets, "图幅接合表  独立坐标系")) return 0;
  if (WriteCustomFile(o, sheets, p.cm != 0 ? &p : nullptr)) return 0;
  OutputStream stream(o);
  WriteCustomSheets(o.format, stream.out(), sheets, o.encoding);
  stream.Finish();
  return 0;
}

}  // namespace karvento::cli
