// SPDX-License-Identifier: Apache-2.0
// Sheet numbers read by check and convert: the lines of a number list, or
// one column of a CSV file such as the tool's own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/args.h"

namespace karvento {
class NumberListReader;
}

namespace karvento::cli {

// --input FILE (- or none: standard input) and --column NAME|N.
inline const OptionSpec kNumberInputOptionSpecs[] = {{"input", true}, {"column", true}};

// The file of --input as the reader opens it: standard input for - or none.
std::string NumberListName(const Args& args);

// The numbers of --input, one at a time, in memory bounded by one line.
// Without --column each line is a number, read as a number list is (GBK, or
// UTF-8 after a byte-order mark). With --column the file is CSV whose first
// line is the header: NAME picks the column of that heading, N the N-th
// column (from 1); each later line gives that field, unquoted, and a
// spreadsheet's text cell ="J-50-5" gives J-50-5; a blank line gives an
// empty number. A heading that is not in the header, or a column past the
// width of the header or of a later line, is a UsageError naming the column.
class NumberInput {
 public:
  explicit NumberInput(const Args& args);
  ~NumberInput();
  NumberInput(const NumberInput&) = delete;
  NumberInput& operator=(const NumberInput&) = delete;
  bool Next(std::string& number);

 private:
  std::unique_ptr<NumberListReader> reader_;
  long column_ = -1;  // the field's index, or -1 for whole lines
  std::string columnName_;  // as --column gave it
  std::size_t line_ = 1;    // of the last line read; the header is line 1
};

// Every number of --input, read as NumberInput reads them; a list without
// --column keeps the number list's limits.
std::vector<std::string> ReadNumbers(const Args& args);

// The fields of one CSV line: split at commas outside quoted fields; a field
// that begins with a quote loses its quotes and has its doubled quotes made
// single; a quote inside an unquoted field is text.
std::vector<std::string> CsvFields(std::string_view line);

}  // namespace karvento::cli
