// SPDX-License-Identifier: Apache-2.0
// Points streamed through a routine, as PROJ's proj, cs2cs and cct take
// them: one point a line, one result line per input line in the same order,
// the rest of each line passed through, a line that cannot be read marked in
// the output (and reported to the caller) without ending the run. The
// command line streams files and pipes through it (cli/point_stream), the
// page a pasted or dropped text (web/core): the same records from the same
// lines.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "export/text_output.h"
#include "numbering/scales.h"

namespace karvento {

// text: fields separated by tabs, as proj writes them; csv: a head line and
// comma-separated records (UTF-8 with a byte-order mark, CR LF, as every CSV
// of the tool); json: one array of objects; jsonl: one object a line.
enum class StreamFormat { Text, Csv, Json, Jsonl };

// One result column: its name in the head line and the JSON objects, and
// whether JSON writes it as a number.
struct ResultColumn {
  std::string name;
  bool numeric = false;
};

// What a routine makes of one point.
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
  // results. Throws for a point it cannot take: the stream marks the line
  // with the reason its reporter gives.
  virtual void Compute(std::string_view x, std::string_view y, std::vector<std::string>& results) = 0;
};

// The lines of a stream, without their ends (LF or CR LF).
class LineSource {
 public:
  virtual ~LineSource() = default;
  // The next line; false after the last.
  virtual bool Next(std::string_view& line) = 0;
};

// How a front end words and reports what goes wrong in a stream.
class StreamReporter {
 public:
  virtual ~StreamReporter() = default;
  // The reason of a CSV record with fewer columns than the point needs.
  virtual std::string FewColumns(std::size_t count) = 0;
  // The head line has no column of that name: the run cannot go on (throws).
  [[noreturn]] virtual void NoColumn(std::string_view name) = 0;
  // The reason of a point that Compute refused, called inside the handler of
  // its exception (rethrow what is not the user's).
  virtual std::string Reason(const std::exception& e) = 0;
  // A marked line, numbered from 1.
  virtual void BadLine(std::uint64_t line, const std::string& reason) = 0;
  // After each line written (a stream read interactively sends it).
  virtual void LineDone() {}
};

// The point's columns: a CSV input with a head line naming them (yColumn
// empty for a routine of one value a line), or none for plain lines.
struct StreamColumns {
  std::string x, y;
};

// Reads every line of the source and writes its record to out in format. A
// plain line holds the point as "x y" or "x,y" (either angle form; a degree,
// minute and second written with colons or marks), then the rest of the
// line, passed through; with columns.x the input is a CSV whose head line
// names the columns, each record on one line, and every column is passed
// through. A byte-order mark before the first line is dropped. Blank lines
// and lines that begin with # are copied in the text format and skipped in
// the others. A line that cannot be read is written with * for each result
// (JSON: its "error") and reported. Memory stays bounded by the longest
// line. Returns the number of marked lines.
std::uint64_t StreamPoints(LineSource& lines, Output& out, StreamFormat format, const StreamColumns& columns,
                           PointCommand& command, StreamReporter& reporter);

// The sheet numbers of a point at each scale asked, in the new standard
// (fresh), the old (old) or both, in columns named 图幅号_1万 and 旧图幅号_1万
// (ascii: sheet_10000 and old_10000), the edge rule of SheetNumberAtPoint
// (a point on a sheet line belongs to the sheets east and north of it).
class SheetNumberColumns {
 public:
  SheetNumberColumns(const std::vector<ScaleIndex>& scales, bool fresh, bool old, bool ascii);
  const std::vector<ResultColumn>& Results() const { return results_; }
  // The numbers of the point (seconds of arc); throws Error
  // (kOutsideNumberedDomain) outside the numbered domain, NaN included.
  void Compute(double lonSec, double latSec, std::vector<std::string>& out) const;

 private:
  struct Column {
    ScaleIndex scale;
    bool fresh;
  };
  std::vector<Column> columns_;
  std::vector<ResultColumn> results_;
};

}  // namespace karvento
