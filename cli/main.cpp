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
    "  project  Gauss-Krüger forward (LON LAT) and inverse (X Y), Beijing 54 or Xi'an 80\n"
    "  dms      decimal degrees to degrees, minutes and seconds\n"
    "  at       the sheet of a point at every scale, or its 3 x 3 neighbours\n"
    "  frame    the map frames (图廓) of sheets as DXF, PDF or SVG\n"
    "\n"
    "'karvento-cli COMMAND --help' describes a command. Example:\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 --scale 1:1万\n";

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
