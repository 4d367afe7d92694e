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
    "Example: 500 m sheets over a 1 km by 500 m block, numbered 1+1, 1+2:\n"
    "  karvento-cli grid --min-x 0 --min-y 0 --max-x 1000 --max-y 500 \\\n"
    "      --step-x 500 --step-y 500 --start-row 1 --start-col 1\n";

const OptionSpec kOwn[] = {{"min-x", true},     {"min-y", true},     {"max-x", true},
                           {"max-y", true},     {"step-x", true},    {"step-y", true},
                           {"start-row", true}, {"start-col", true}, {"by", true},
                           {"format-string", true}};

double Required(const Args& args, const char* name) {
  const auto v = args.Value(name);
  if (!v) throw UsageError(std::string("--") + name + " is required");
  return ParseNumber(*v, std::string("--") + name);
}

}  // namespace

int RunGrid(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kOutputOptionSpecs));
  if (HelpRequested(args, WithMapHelp(kHelp).c_str())) return 0;
  if (!args.Positional().empty()) throw UsageError("unexpected '" + args.Positional()[0] + "'");
  const std::string by = args.Value("by").value_or("rowcol");
  if (by != "rowcol" && by != "coords") throw UsageError("--by is rowcol or coords");
  const bool byRowCol = by == "rowcol";
  const std::string format =
      args.Value("format-string").value_or(byRowCol ? "[ROW]+[COL]" : "[Y]-[X]");
  const int startRow = ParseInteger(args.Value("start-row").value_or("0"), "--start-row");
  const int startCol = ParseInteger(args.Value("start-col").value_or("0"), "--start-col");
  const OutputOptions o = ReadOutputOptions(args);
  RefuseGeoJsonOfPlaneSheets(o.format);

  TCustomMapUnions sheets;
  const std::string refusal = CreateCustomMapUnions(
      Required(args, "min-x"), Required(args, "min-y"), Required(args, "max-x"),
      Required(args, "max-y"), startRow, startCol, Required(args, "step-x"),
      Required(args, "step-y"), format, byRowCol, sheets);
  if (!refusal.empty()) throw Error(refusal);
  if (WriteCustomMap(o, sheets, "图幅接合表  独立坐标系")) return 0;
  if (WriteCustomFile(o, sheets)) return 0;
  OutputStream stream(o);
  WriteCustomSheets(o.format, stream.out(), sheets, o.encoding);
  stream.Finish();
  return 0;
}

}  // namespace karvento::cli
