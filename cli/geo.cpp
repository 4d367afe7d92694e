// karvento-cli project and dms: the coordinate tools.
#include <charconv>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "geodesy/projection.h"
#include "numbering/error.h"

namespace karvento::cli {

namespace {

const char* kProjectHelp =
    "usage: karvento-cli project [--inverse] [--datum 54|80|2000] [--zone 3|6] [--cm DEG] A B\n"
    "\n"
    "Forward Gauss-Krüger: A B is LON LAT (decimal degrees or D:M:S); prints the\n"
    "easting X and the northing Y in metres. --cm 0 (the default) projects on the\n"
    "point's own zone without a zone number.\n"
    "Inverse (--inverse): A B is X Y, the easting and the northing; an easting\n"
    "given without its zone number gets it first. Needs a central meridian > 0;\n"
    "prints longitude and latitude as D:M:S and as decimal degrees.\n"
    "--datum: Beijing 1954 (54, the default) and Xi'an 1980 (80) use their fixed\n"
    "series (about 1 mm); 2000, the national system CGCS2000, uses Krüger's\n"
    "series to n^6 (a few nanometres).\n"
    "\n"
    "Examples:\n"
    "  karvento-cli project --cm 117 116:30:00 39:30:00\n"
    "  karvento-cli project --inverse --cm 117 500000 4429607.368\n"
    "  karvento-cli project --datum 2000 --cm 117 116:30:00 39:30:00\n";

const char* kDmsHelp =
    "usage: karvento-cli dms DEGREES...\n"
    "\n"
    "Decimal degrees to degrees, minutes and seconds; seconds within 0.001\" of\n"
    "the next minute carry.\n"
    "\n"
    "Example:\n"
    "  karvento-cli dms 116.5 30.9999999\n";

const OptionSpec kProjectOwn[] = {{"inverse", false}};
const OptionSpec kNone[] = {{"help", false}};

void PrintNumber(double v) {
  char buf[32];
  *std::to_chars(buf, buf + sizeof buf - 1, v).ptr = '\0';
  std::fputs(buf, stdout);
}

void PrintDms(const TAngleDMS& a) {
  std::printf("%.0f:%02.0f:%06.3f", a.Degrees, a.Minutes < 0 ? -a.Minutes : a.Minutes,
              a.Seconds < 0 ? -a.Seconds : a.Seconds);
}

}  // namespace

int RunProject(const std::vector<std::string>& words) {
  const Args args(words, Options(kProjectOwn, kProjectionOptionSpecs));
  if (HelpRequested(args, kProjectHelp)) return 0;
  if (args.Positional().size() != 2) throw UsageError("give two values (see --help)");
  const Projection p = ReadProjection(args);
  const std::string& a = args.Positional()[0];
  const std::string& b = args.Positional()[1];
  if (args.Has("inverse")) {
    if (!(p.cm > 0)) throw Error("中央经度必须是大于0的值！");
    const double x = EastingWithZonePrefix(ParseNumber(a, "X"), p.zone3, p.cm);
    const double y = ParseNumber(b, "Y");
    const TLonLatDMS g = PlaneToGeo(p.datum, y, x, p.zone3, p.cm);
    PrintDms(g.Lon);
    std::fputc(' ', stdout);
    PrintDms(g.Lat);
    std::fputc(' ', stdout);
    PrintNumber(DmsToDeg(g.Lon));
    std::fputc(' ', stdout);
    PrintNumber(DmsToDeg(g.Lat));
  } else {
    const TLonLatDMS g{ParseAngle(a, "LON"), ParseAngle(b, "LAT")};
    const TPlanePoint x = GeoToPlane(p.datum, g, p.zone3, p.cm);
    PrintNumber(x.X);
    std::fputc(' ', stdout);
    PrintNumber(x.Y);
  }
  std::fputc('\n', stdout);
  return 0;
}

int RunDms(const std::vector<std::string>& words) {
  const Args args(words, std::vector<OptionSpec>(std::begin(kNone), std::end(kNone)));
  if (HelpRequested(args, kDmsHelp)) return 0;
  if (args.Positional().empty()) throw UsageError("give one or more decimal degrees");
  for (const std::string& w : args.Positional()) {
    PrintDms(DegToDms(ParseNumber(w, "DEGREES")));
    std::fputc('\n', stdout);
  }
  return 0;
}

}  // namespace karvento::cli
