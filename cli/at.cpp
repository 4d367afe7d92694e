// karvento-cli at: the sheet of a point at every scale, or its 接合图表.
#include <array>
#include <cmath>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "geodesy/gauss_kruger.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento::cli {

namespace {

const char* kHelp =
    "usage: karvento-cli at LON,LAT [options]\n"
    "       karvento-cli at --plane X,Y --cm DEG [options]\n"
    "\n"
    "The sheet that holds a point at every scale from 1:100万 down, with its new\n"
    "and its old number and its edges; with --scale S --neighbours the 3 x 3\n"
    "sheets around the point's sheet at that scale (接合图表), north-west to\n"
    "south-east row by row (the point's sheet is C), across 1:100万 sheet edges and zone edges.\n"
    "A point on a sheet edge belongs to the sheet east and north of it (the\n"
    "column is the longitude divided by the sheet width, rounded down; the row\n"
    "likewise). Exit status 1 for a point outside longitude 0 to 180 and\n"
    "latitude 0 to 90.\n"
    "\n"
    "  LON,LAT            decimal degrees or D:M:S (116:28:00,39:54:00)\n"
    "  --plane X,Y        a Gauss-Krüger point instead: easting X (with or\n"
    "                     without its zone number) and northing Y in metres,\n"
    "                     taken back with --datum, --zone and --cm (cm > 0)\n"
    "  --scale S          the scale of --neighbours (default 1:1万)\n"
    "  --neighbours       the 3 x 3 sheets around the point's sheet\n"
    "  --standard new|old the numbers of the formats that carry one standard\n"
    "                     (geojson, mif, xlsx, svg, png, pdf; default new)\n"
    "  --datum 54|80|2000, --zone 3|6, --cm DEGREES\n"
    "                     plane corners of the sheets (cm 0: each corner's own zone)\n"
    "  --format F         table (default), csv, json: both numbers; geojson, mif,\n"
    "                     xlsx, shp, gpkg, dxf, kml: the sheets of --standard;\n"
    "                     with --neighbours also svg, png, pdf: the 接合图表 as an\n"
    "                     index map, the point's sheet outlined in red\n"
    "  --output FILE, --encoding E, --coords plane|geo, --spreadsheet, --quiet\n"
    "                     as for sheets\n"
    "%s"
    "\n"
    "Examples:\n"
    "  karvento-cli at 116:28:00,39:54:00\n"
    "  karvento-cli at 120,40 --scale 1:1万 --neighbours --format csv\n"
    "  karvento-cli at 120,40 --scale 1:1万 --neighbours --format svg --output 120_40.svg\n"
    "  karvento-cli at --plane 39500000,4429607.368 --cm 117 --datum 54\n";

const OptionSpec kOwn[] = {
    {"plane", true}, {"scale", true}, {"neighbours", false}, {"standard", true}};

// The point's own sheet is C, in the middle of its 接合图表.
const char* kPlaces[9] = {"NW", "N", "NE", "W", "C", "E", "SW", "S", "SE"};

}  // namespace

int RunAt(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kProjectionOptionSpecs, kOutputOptionSpecs));
  if (HelpRequested(args, WithMapHelp(kHelp).c_str())) return 0;
  const Projection p = ReadProjection(args);
  const OutputOptions o = ReadOutputOptions(args);
  WarnOfGeographicDatum("at", o, p);
  const std::string standard = args.Value("standard").value_or("new");
  if (standard != "new" && standard != "old") throw UsageError("--standard is new or old");
  const bool neighbours = args.Has("neighbours");
  if (args.Has("scale") && !neighbours) throw UsageError("--scale goes with --neighbours");
  const int scale = ParseScale(args.Value("scale").value_or("1:1万"));
  if (!neighbours && (o.format == Format::Svg || o.format == Format::Png || o.format == Format::Pdf)) {
    throw UsageError("the index maps (svg, png, pdf) draw the 接合图表: give --scale S --neighbours");
  }

  // The point in seconds of arc, where every sheet edge is exact.
  double lon = 0, lat = 0;
  if (auto plane = args.Value("plane")) {
    if (!args.Positional().empty()) throw UsageError("give LON,LAT or --plane X,Y, not both");
    const std::size_t comma = plane->find(',');
    if (comma == std::string::npos) throw UsageError("--plane: '" + *plane + "' is not X,Y");
    if (!(p.cm > 0)) throw Error("中央经度必须是大于0的值！");
    const double x = EastingWithZonePrefix(ParseNumber(plane->substr(0, comma), "--plane"), p.zone3, p.cm);
    const double y = ParseNumber(plane->substr(comma + 1), "--plane");
    const TLonLatDMS g = PlaneToGeo(p.datum, y, x, p.zone3, p.cm);
    if (std::isnan(g.Lon.Degrees)) throw Error("该平面坐标超出投影的适用范围，无法换算。");
    lon = DmsToSec(g.Lon);
    lat = DmsToSec(g.Lat);
  } else {
    if (args.Positional().size() != 1) throw UsageError("give one point LON,LAT (see --help)");
    const std::string& text = args.Positional()[0];
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) throw UsageError("'" + text + "' is not LON,LAT");
    // Decimal degrees as typed, not carried at 60: the column is the typed
    // longitude over the sheet width, rounded down.
    lon = DmsToSec(
        ParseAngle(std::string_view(text).substr(0, comma), "LON", true, AngleAxis::Longitude));
    lat = DmsToSec(
        ParseAngle(std::string_view(text).substr(comma + 1), "LAT", true, AngleAxis::Latitude));
  }
  if (!std::isfinite(lon) || !std::isfinite(lat) || !InNumberedDomain(lon, lat)) {
    throw Error(kOutsideNumberedDomain);
  }

  // Both standards for the formats that show both numbers, the chosen one for
  // the others.
  std::vector<PointSheet> rows;
  TStandardMapUnions chosen;
  std::ptrdiff_t pointSheet = -1;  // the point's own sheet in chosen, outlined on a map
  const auto add = [&](std::string label, const TStandardMapUnion& fresh, const TStandardMapUnion& old) {
    const TStandardMapUnion& pick = standard == "new" ? fresh : old;
    if (label == kPlaces[4]) pointSheet = static_cast<std::ptrdiff_t>(chosen.size());
    if (!pick.MapUnionNo.empty()) chosen.push_back({pick});
    rows.push_back({std::move(label), fresh.MapUnionNo, old.MapUnionNo, fresh});
  };
  // The old standard stops at 1:5000: its number is empty below.
  if (neighbours) {
    if (standard == "old" && !HasOldStandard(scale)) throw Error(OldStandardLacksScaleMessage(scale, false));
    const auto fresh = SheetNeighbours(lon, lat, scale, true, p.zone3, p.datum, p.cm);
    const auto old = HasOldStandard(scale)
                         ? SheetNeighbours(lon, lat, scale, false, p.zone3, p.datum, p.cm)
                         : std::array<TStandardMapUnion, 9>{};
    for (int k = 0; k < 9; ++k) {
      if (fresh[k].MapUnionNo.empty()) continue;  // beyond the domain's edge
      add(kPlaces[k], fresh[k], old[k]);
    }
  } else {
    for (ScaleIndex s = 0; s < kScaleCount; ++s) {
      add(std::string(kScaleCaptions[s]), SheetAtPoint(lon, lat, s, true, p.zone3, p.datum, p.cm),
          HasOldStandard(s) ? SheetAtPoint(lon, lat, s, false, p.zone3, p.datum, p.cm)
                            : TStandardMapUnion{});
    }
  }

  const std::string title = MapTitle(neighbours ? kScaleCaptions[scale] : "", standard, p.datum);
  if (WriteStandardMap(o, chosen, title, neighbours ? pointSheet : -1)) return 0;
  if (WriteStandardFile(o, chosen, p, 0, 0)) return 0;
  OutputStream stream(o);
  if (!WritePointSheets(o.format, stream.out(), rows, o.encoding, !neighbours)) {
    WriteStandardSheets(o.format, stream.out(), chosen,
                        {neighbours ? std::string(kScaleCaptions[scale]) : std::string(),
                         neighbours ? kScaleDenominators[scale] : 0, standard},
                        o.encoding);
  }
  stream.Finish();
  return 0;
}

}  // namespace karvento::cli
