// karvento-cli project and dms: the coordinate tools.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
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
    "Forward Gauss-Krüger: A B is LON LAT (decimal degrees or D:M:S; longitude\n"
    "0 to 180, latitude 0 to 90); prints the easting X and the northing Y in\n"
    "metres. --cm (0 to 180) 0, the default, projects on the point's own zone\n"
    "without a zone number.\n"
    "Inverse (--inverse): A B is X Y, the easting and the northing; an easting\n"
    "given without its zone number gets it first. Needs a central meridian > 0;\n"
    "prints longitude and latitude as D:M:S and as decimal degrees.\n"
    "--datum: Beijing 1954 (54, the default) and Xi'an 1980 (80) use their fixed\n"
    "series (within 1.2 mm of an exact transverse Mercator up to 4 degrees from\n"
    "the central meridian; the inverse solves the series to 1 micrometre, up to\n"
    "30 degrees out); 2000, the national system CGCS2000, uses Krüger's series\n"
    "to n^6 (a few nanometres in a zone, under 1 mm up to 67 degrees out).\n"
    "Points beyond those limits are refused. Decimal degrees are taken as typed\n"
    "(no carry at 60 seconds).\n"
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
const char* kOutOfRange = "结果超出了投影的计算范围：这些坐标无法换算。";
// The message of a point beyond the domain of the datum's projection.
std::string BeyondDomain(double limit, bool inverse) {
  char degrees[32];
  std::snprintf(degrees, sizeof degrees, "%g", limit);
  return std::string("结果超出了投影的计算范围：") +
         (inverse ? std::string("该平面坐标不是距中央经线 ") + degrees + "° 以内任何一点的投影。"
                  : std::string("该点距中央经线超过 ") + degrees + "°，超出投影的适用范围。");
}
const OptionSpec kNone[] = {{"help", false}};

// D:MM:SS.sss. The sign stands before the degrees whenever the angle is
// negative, also when its degrees are 0 (-0.5 is -0:30:00.000): a negative
// angle may carry its sign in the minutes or the seconds alone.
void WriteDms(Output& out, const TAngleDMS& a) {
  if (a.Degrees < 0 || a.Minutes < 0 || a.Seconds < 0) out.Put('-');
  char buf[400];
  out.Write(std::string_view(
      buf, std::to_chars(buf, buf + sizeof buf, std::abs(a.Degrees), std::chars_format::fixed, 0)
                   .ptr - buf));
  std::snprintf(buf, sizeof buf, ":%02.0f:%06.3f", std::abs(a.Minutes), std::abs(a.Seconds));
  out.Write(buf);
}

// A result that overflowed the series is no coordinate; nor is an inverse
// beyond the poles or more than a turn from the zero meridian, which only a
// point far outside any zone gives.
void RequireFinite(std::initializer_list<double> values) {
  for (const double v : values) {
    if (!std::isfinite(v)) throw Error(kOutOfRange);
  }
}

void RequireOnEarth(const TLonLatDMS& g) {
  RequireFinite({g.Lon.Degrees, g.Lon.Minutes, g.Lon.Seconds, g.Lat.Degrees, g.Lat.Minutes,
                 g.Lat.Seconds});
  if (!(std::abs(DmsToDeg(g.Lon)) <= 360 && std::abs(DmsToDeg(g.Lat)) <= 90)) {
    throw Error(kOutOfRange);
  }
}

}  // namespace

int RunProject(const std::vector<std::string>& words) {
  const Args args(words, Options(kProjectOwn, kProjectionOptionSpecs));
  if (HelpRequested(args, kProjectHelp)) return 0;
  if (args.Positional().size() != 2) throw UsageError("give two values (see --help)");
  const Projection p = ReadProjection(args);
  const std::string& a = args.Positional()[0];
  const std::string& b = args.Positional()[1];
  StdoutSink sink;
  Output out(sink);
  if (args.Has("inverse")) {
    if (!(p.cm > 0)) throw Error("中央经度必须是大于0的值！");
    const double x = EastingWithZonePrefix(ParseNumber(a, "X"), p.zone3, p.cm);
    const double y = ParseNumber(b, "Y");
    const TLonLatDMS g = PlaneToGeo(p.datum, y, x, p.zone3, p.cm);
    if (std::isnan(g.Lon.Degrees)) throw Error(BeyondDomain(ProjectionLongitudeLimit(p.datum), true));
    RequireOnEarth(g);
    WriteDms(out, g.Lon);
    out.Put(' ');
    WriteDms(out, g.Lat);
    out.Put(' ');
    out.Number(DmsToDeg(g.Lon));
    out.Put(' ');
    out.Number(DmsToDeg(g.Lat));
  } else {
    // The point as typed: decimal degrees are not carried at 60.
    const TLonLatDMS g{ParseCornerAngle(a, 180, "LON", true), ParseCornerAngle(b, 90, "LAT", true)};
    const double L = DmsToDeg(g.Lon);
    const double L0 = p.cm == 0 ? CentralMeridian(p.zone3, L) : p.cm;
    const double limit = ProjectionLongitudeLimit(p.datum);
    // A pole lies on every meridian, the central one too.
    if (!(std::abs(L - L0) <= limit) && std::abs(DmsToDeg(g.Lat)) != 90) {
      throw Error(BeyondDomain(limit, false));
    }
    const TPlanePoint x = GeoToPlane(p.datum, g, p.zone3, p.cm);
    RequireFinite({x.X, x.Y});
    out.Number(x.X);
    out.Put(' ');
    out.Number(x.Y);
  }
  out.Put('\n');
  out.Flush();
  return 0;
}

int RunDms(const std::vector<std::string>& words) {
  const Args args(words, std::vector<OptionSpec>(std::begin(kNone), std::end(kNone)));
  if (HelpRequested(args, kDmsHelp)) return 0;
  if (args.Positional().empty()) throw UsageError("give one or more decimal degrees");
  StdoutSink sink;
  Output out(sink);
  for (const std::string& w : args.Positional()) {
    WriteDms(out, DegToDms(ParseNumber(w, "DEGREES")));
    out.Put('\n');
  }
  out.Flush();
  return 0;
}

}  // namespace karvento::cli
