// SPDX-License-Identifier: Apache-2.0
// Points streamed through a command, as PROJ's proj, cs2cs and cct take
// them: one point a line from standard input or a file, one result line per
// input line in the same order, the rest of each line passed through, a line
// that cannot be read marked in the output (and named on standard error)
// without ending the run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/args.h"
#include "export/point_stream.h"

namespace karvento::cli {

// --input FILE|-, --x NAME, --y NAME. A command that streams also takes
// --format, --output and --quiet.
inline const OptionSpec kStreamOptionSpecs[] = {{"input", true}, {"x", true}, {"y", true}};

struct StreamOptions {
  std::string input = "-";  // "-": standard input
  // A CSV with a head line when x is set: the point's columns by name.
  std::string xColumn, yColumn;
  StreamFormat format = StreamFormat::Text;
  std::string output;  // empty: standard output
  bool quiet = false;
};

// Whether a command reads a stream: --input is given, or no point stands on
// the command line.
bool IsStream(const Args& args, bool pointOnCommandLine);
// The stream's options. --format text|csv|json|jsonl (csv by default for a
// CSV input named by --x, or for an --output named .csv; json and jsonl for
// .json and .jsonl); yOptional: a command that takes a single value a line.
// UsageError for any other format (also an --output named for one, x.gpkg), for --y without --x, or for an x column
// without its y where the command needs both.
StreamOptions ReadStreamOptions(const Args& args, bool yOptional = false);

// Reads every line of the input and writes its result by StreamPoints
// (export/point_stream.h). A line that cannot be read is written with * for
// each result (JSON: its "error"), and its number and the reason go to
// standard error as
// "karvento-cli COMMAND: 第 N 行：…". Output goes out per line when
// standard output is a terminal, and whenever the input has nothing more
// to read at once (a program that writes a point and waits for its answer
// gets it), otherwise in large blocks; an --output file replaces its target
// only when complete. Memory stays bounded by the longest line.
// Returns the exit status: 0 when every line was read, 1 when any was marked.
int RunPointStream(std::string_view command, const StreamOptions& o, PointCommand& c);

}  // namespace karvento::cli
