// karvento-cli sheets: the Generate of the two geodetic tabs.
#include <cstdio>
#include <string>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/output.h"
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
    "\n"
    "Example: the 1:1万 sheets of central Beijing, new standard, zone 39:\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 \\\n"
    "      --scale 1:1万 --cm 117\n";

}  // namespace

int RunSheets(const std::vector<std::string>& words) {
  const Args args(words, {{"from", true}, {"to", true}, {"scale", true}, {"standard", true},
                          {"datum", true}, {"zone", true}, {"cm", true}, {"help", false}});
  if (args.Has("help")) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (!args.Positional().empty()) throw UsageError("unexpected '" + args.Positional()[0] + "'");
  if (!args.Has("from") || !args.Has("to")) throw UsageError("--from and --to are required");
  const TLonLatDMS from = ParsePoint(*args.Value("from"), "--from");
  const TLonLatDMS to = ParsePoint(*args.Value("to"), "--to");
  const int scale = ParseScale(args.Value("scale").value_or("1:1万"));
  const std::string standard = args.Value("standard").value_or("new");
  if (standard != "new" && standard != "old") throw UsageError("--standard is new or old");
  const std::string datum = args.Value("datum").value_or("54");
  if (datum != "54" && datum != "80") throw UsageError("--datum is 54 or 80");
  const std::string zone = args.Value("zone").value_or("3");
  if (zone != "3" && zone != "6") throw UsageError("--zone is 3 or 6");
  const double cm = ParseNumber(args.Value("cm").value_or("0"), "--cm");

  const TMapUnionRange range{from.Lon, from.Lat, to.Lon, to.Lat};
  TStandardMapUnions sheets;
  if (standard == "new") {
    CreateNewMapUnions(range, scale, zone == "3", cm, datum == "54", sheets);
  } else {
    CreateOldMapUnions(range, scale, zone == "3", datum == "54", cm, sheets);
  }
  WriteSheetTable(stdout, sheets);
  return 0;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {{"sheets", RunSheets}};
  return commands;
}

}  // namespace karvento::cli
