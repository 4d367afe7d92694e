// karvento-cli: the batch front end. Data on stdout, messages on stderr;
// exit status 0 on success, 1 for data errors, 2 for usage errors.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/common.h"
#include "cli/output.h"
#include "export/safe_file.h"
#include "numbering/error.h"

namespace {

const char* kToolHelp =
    "karvento-cli: Chinese national topographic map sheets from the command line.\n"
    "\n"
    "usage: karvento-cli COMMAND [OPTIONS]\n"
    "\n"
    "commands:\n"
    "  sheets   list the sheets of an extent at a scale, old or new standard\n"
    "  grid     divide an extent of an independent plane grid into numbered sheets\n"
    "  convert  convert sheet numbers to the other standard at a scale\n"
    "  check    classify sheet numbers: old standard, new standard or not standard\n"
    "  project  Gauss-Krüger forward (LON LAT) and inverse (X Y) on Beijing 1954,\n"
    "           Xi'an 1980 or CGCS2000\n"
    "  dms      decimal degrees to degrees, minutes and seconds\n"
    "  at       the sheet of a point at every scale, or its 3 x 3 neighbours\n"
    "  frame    the map frames (图廓) of sheets as DXF, PDF or SVG\n"
    "  version  the version of karvento-cli (also --version)\n"
    "\n"
    "'karvento-cli COMMAND --help' (or -h) describes a command.\n"
    "\n"
    "Example:\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 --scale 1:1万\n"
    "\n"
    "Plane coordinates: X is the easting and Y the northing, in metres (Chinese\n"
    "surveying often writes X for the northing; this tool does not).\n"
    "\n"
    "Exit status:\n"
    "  0  done\n"
    "  1  refused or failed: a number that is not standard, a result out of range,\n"
    "     a file that cannot be read or written (the reason on standard error)\n"
    "  2  usage: an unknown command or option, a value outside its limits\n";

const char* kVersion = "karvento-cli " KARVENTO_VERSION "\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace karvento;
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    std::fputs(kToolHelp, stderr);
    return 2;
  }
  // A reader that stops early (sheets ... | head) ends the output quietly.
  std::signal(SIGPIPE, SIG_IGN);
  // A file-size limit fails a write with "File too large", reported like any
  // other failure; SIGINT, SIGTERM and SIGHUP remove unfinished files.
  PrepareFileSignals();
  if (words[0] == "--version" || words[0] == "version") {
    if (words.size() > 1 && words[1] != "--help" && words[1] != "-h") {
      std::fprintf(stderr, "karvento-cli version: unexpected '%s'\n", words[1].c_str());
      return 2;
    }
    try {
      cli::WriteStdout(words.size() > 1 ? "usage: karvento-cli version\n\nPrints the version.\n" : kVersion);
    } catch (const cli::BrokenPipe&) {
    } catch (const Error& e) {
      std::fprintf(stderr, "karvento-cli version: %s\n", e.what());
      return 1;
    }
    return 0;
  }
  const bool help = words[0] == "--help" || words[0] == "-h" || words[0] == "help";
  const std::string command = help ? "--help" : words[0];
  words.erase(words.begin());
  try {
    if (help) {
      cli::WriteStdout(kToolHelp);
      return 0;
    }
    for (const cli::Command& c : cli::Commands()) {
      if (command == c.name) {
        const int status = c.run(words);
        // Whatever a command left in the stream's buffer must arrive too.
        cli::WriteStdout({});
        return status;
      }
    }
    throw cli::UsageError("unknown command '" + command + "' (see karvento-cli --help)");
  } catch (const cli::BrokenPipe&) {
    return 0;
  } catch (const cli::UsageError& e) {
    std::fprintf(stderr, "karvento-cli %s: %s\n", command.c_str(), e.what());
    return 2;
  } catch (const Error& e) {
    std::fprintf(stderr, "karvento-cli %s: %s\n", command.c_str(), e.what());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "karvento-cli %s: Out of memory\n", command.c_str());
    return 1;
  }
}
