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

namespace karvento::cli {

// text: fields separated by tabs, as proj writes them; csv: a head line and
// comma-separated records (UTF-8 with a byte-order mark, CR LF, as every CSV
// of the tool); json: one array of objects; jsonl: one object a line.
enum class StreamFormat { Text, Csv, Json, Jsonl };

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

// One result column: its name in the head line and the JSON objects, and
// whether JSON writes it as a number.
struct ResultColumn {
  std::string name;
  bool numeric = false;
};

// What a command makes of one point.
class PointCommand {
 public:
  virtual ~PointCommand() = default;
  // The names of the two values of a line (lon, lat; X, Y), for the head line
  // and the JSON objects of a plain stream.
  virtual std::string_view XName() const = 0;
  virtual std::string_view YName() const = 0;
  // at keeps the point before its results; project and dms replace it.
  virtual bool EchoPoint() const = 0;
  virtual const std::vector<ResultColumn>& Results() const = 0;
  // The results of the point (x, y as they stand on the line; y empty when
  // the line has a single value), one text per result column, appended to
  // results. Throws UsageError or karvento::Error for a point the command
  // cannot take: the stream marks the line with the message.
  virtual void Compute(std::string_view x, std::string_view y, std::vector<std::string>& results) = 0;
};

// Reads every line of the input and writes its result. A plain line holds
// the point as "x y" or "x,y" (either angle form; a degree, minute and second
// written with colons or marks), then the rest of the line, passed through;
// with --x the input is a CSV whose head line names the columns, each record
// on one line, and every column is passed through. Blank lines and lines
// that begin with # are copied in the text format and skipped in the others.
// A line that cannot be read is written with * for each result (JSON: its
// "error"), and its number and the reason go to standard error as
// "karvento-cli COMMAND: 第 N 行：…". Output goes out per line when
// standard output is a terminal, and whenever the input has nothing more
// to read at once (a program that writes a point and waits for its answer
// gets it), otherwise in large blocks; an --output file replaces its target
// only when complete. Memory stays bounded by the longest line.
// Returns the exit status: 0 when every line was read, 1 when any was marked.
int RunPointStream(std::string_view command, const StreamOptions& o, PointCommand& c);

}  // namespace karvento::cli
