// SPDX-License-Identifier: Apache-2.0
#include "cli/number_input.h"
#include "cli/i18n.h"

#include <cerrno>
#include <cstring>

#include "geodesy/decimal_text.h"
#include "numbering/error.h"
#include "workbench/text_files.h"

namespace karvento::cli {

std::string NumberListName(const Args& args) {
  const std::string file = args.Value("input").value_or("-");
  return file.empty() || file == "-" ? "/dev/stdin" : file;
}

std::vector<std::string> CsvFields(std::string_view line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        fields.back() += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == '"' && fields.back().empty() && (i == 0 || line[i - 1] == ',')) {
      // A quote opens a quoted field only at the field's start: ="1-2" is
      // a field of its own text.
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

namespace {

// ="J-50-5", the text cell of a CSV meant for spreadsheets, is J-50-5; a
// formula's doubled quotes were made single when the field was split.
std::string CellText(std::string field) {
  if (field.size() >= 3 && field.starts_with("=\"") && field.back() == '"') {
    return field.substr(2, field.size() - 3);
  }
  return field;
}

}  // namespace

NumberInput::NumberInput(const Args& args)
    : reader_(std::make_unique<NumberListReader>(NumberListName(args))) {
  const auto column = args.Value("column");
  if (!column) return;
  std::string header;
  if (!reader_->Next(header)) throw UsageError(Tr("--column：输入没有表头行"));
  const std::vector<std::string> headings = CsvFields(header);
  // A whole number (a minus, no plus) is the column's place; any other text
  // names its heading.
  long long n = 0;
  if (ParseDecimal(*column, n, {.sign = DecimalSign::MinusOnly}) == DecimalTextError::None) {
    if (n < 1) throw UsageError(Tr("--column：列从 1 数起"));
    column_ = static_cast<long>(n - 1);
    if (static_cast<std::size_t>(column_) >= headings.size()) {
      throw UsageError(TrFormat("--column：没有第 %s 列：第 %s 行只有 %s 列",
                                {*column, "1", std::to_string(headings.size())}));
    }
    columnName_ = *column;
    return;
  }
  for (std::size_t k = 0; k < headings.size(); ++k) {
    if (headings[k] == *column) {
      column_ = static_cast<long>(k);
      columnName_ = *column;
      return;
    }
  }
  std::string all;
  for (const std::string& h : headings) (all += all.empty() ? "" : ", ") += h;
  throw UsageError(TrFormat("--column：“%s”不是输入中的列名（%s）", {*column, all}));
}

NumberInput::~NumberInput() = default;

bool NumberInput::Next(std::string& number) {
  if (!reader_->Next(number)) return false;
  if (column_ < 0) return true;
  ++line_;
  // A blank line is an empty number; a line of fields that stops short of
  // the column is no table of that column.
  if (number.empty()) return true;
  std::vector<std::string> fields = CsvFields(number);
  const auto k = static_cast<std::size_t>(column_);
  if (k >= fields.size()) {
    const std::string line = std::to_string(line_), width = std::to_string(fields.size());
    if (columnName_ == std::to_string(k + 1)) {
      throw UsageError(TrFormat("--column：没有第 %s 列：第 %s 行只有 %s 列", {columnName_, line, width}));
    }
    throw UsageError(TrFormat("--column：第 %s 行只有 %s 列，没有列“%s”（第 %s 列）",
                              {line, width, columnName_, std::to_string(k + 1)}));
  }
  number = CellText(std::move(fields[k]));
  return true;
}

std::vector<std::string> ReadNumbers(const Args& args) {
  if (!args.Has("column")) return ReadNumberList(NumberListName(args));
  NumberInput input(args);
  std::vector<std::string> numbers;
  for (std::string n; input.Next(n);) {
    if (numbers.size() == kMaxNumberListLines) {
      throw Error(TrFormat("无法读取文件 “%s”：%s（图幅号列表至多 %s 行）",
                           {NumberListName(args), SystemErrorText(EFBIG), std::to_string(kMaxNumberListLines)}));
    }
    numbers.push_back(std::move(n));
  }
  return numbers;
}

}  // namespace karvento::cli
