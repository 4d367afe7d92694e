// karvento-cli sheets: the Generate of the two geodetic tabs.
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento::cli {

namespace {

const char* kHelp =
    "usage: karvento-cli sheets --from LON,LAT --to LON,LAT [options]\n"
    "\n"
    "Lists every sheet that covers the extent from the lower-left corner --from\n"
    "to the upper-right corner --to, column by column from west to east and each\n"
    "column from north to south, with its number, its four edges and the plane\n"
    "corners NW, NE, SE, SW.\n"
    "\n"
    "  --from LON,LAT     lower-left corner: decimal degrees or D:M:S (116:28:00)\n"
    "  --to LON,LAT       upper-right corner\n"
    "  --scale S          1:100万 1:50万 1:25万 1:10万 1:5万 1:2.5万 1:1万 1:5000,\n"
    "                     or 1:10000, or 10000 (default 1:1万)\n"
    "  --standard new|old numbering standard (default new)\n"
    "  --datum 54|80      Beijing 1954 or Xi'an 1980 plane corners (default 54)\n"
    "  --zone 3|6         3-degree or 6-degree zones (default 3)\n"
    "  --cm DEGREES       central meridian; 0 takes each corner's own zone and\n"
    "                     writes no zone number (default 0)\n"
    "  --format F         table (default), csv, json, geojson\n"
    "  --output FILE      write to FILE instead of standard output\n"
    "  --encoding E       csv text: utf-8 (with byte-order mark, default) or gbk\n"
    "\n"
    "Example: the 1:1万 sheets of central Beijing, new standard, zone 39:\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 \\\n"
    "      --scale 1:1万 --cm 117\n";

const OptionSpec kOwn[] = {{"from", true}, {"to", true}, {"scale", true}, {"standard", true}};

}  // namespace

int RunSheets(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kProjectionOptionSpecs, kOutputOptionSpecs));
  if (HelpRequested(args, kHelp)) return 0;
  if (!args.Positional().empty()) throw UsageError("unexpected '" + args.Positional()[0] + "'");
  if (!args.Has("from") || !args.Has("to")) throw UsageError("--from and --to are required");
  const TLonLatDMS from = ParsePoint(*args.Value("from"), "--from");
  const TLonLatDMS to = ParsePoint(*args.Value("to"), "--to");
  const int scale = ParseScale(args.Value("scale").value_or("1:1万"));
  const std::string standard = args.Value("standard").value_or("new");
  if (standard != "new" && standard != "old") throw UsageError("--standard is new or old");
  const Projection p = ReadProjection(args);
  const OutputOptions o = ReadOutputOptions(args);

  const TMapUnionRange range{from.Lon, from.Lat, to.Lon, to.Lat};
  TStandardMapUnions sheets;
  if (standard == "new") {
    CreateNewMapUnions(range, scale, p.zone3, p.cm, p.is54, sheets);
  } else {
    CreateOldMapUnions(range, scale, p.zone3, p.is54, p.cm, sheets);
  }
  OutputStream stream(o);
  WriteStandardSheets(o.format, stream.out(), sheets, {std::string(kScaleCaptions[scale]), standard},
                      o.encoding);
  stream.Finish();
  return 0;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"sheets", RunSheets}, {"grid", RunGrid}, {"check", RunCheck},
      {"project", RunProject}, {"dms", RunDms}};
  return commands;
}

}  // namespace karvento::cli
