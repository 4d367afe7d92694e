// SPDX-License-Identifier: Apache-2.0
#include "export/point_stream.h"

#include <cmath>
#include <cstdio>

#include "export/sheet_csv.h"
#include "export/sheet_json.h"
#include "geodesy/decimal_text.h"
#include "numbering/error.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {

namespace {


// A plain line: "x y rest" or "x,y,rest"; y empty when the line has one value.
struct PlainPoint {
  std::string_view x, y, rest;
};

PlainPoint SplitPlain(std::string_view line) {
  PlainPoint p;
  line = TrimBlanks(line);
  // "lon,lat" (blanks about the comma allowed) when a comma follows the
  // first number; otherwise "lon lat", and a comma in the rest is the rest's.
  std::size_t a = 0;
  while (a < line.size() && line[a] != ',' && !IsBlank(line[a])) ++a;
  while (a < line.size() && IsBlank(line[a])) ++a;
  if (a < line.size() && line[a] == ',') {
    p.x = TrimBlanks(line.substr(0, a));
    const std::string_view after = line.substr(a + 1);
    const std::size_t b = after.find(',');
    p.y = TrimBlanks(after.substr(0, b));
    if (b != std::string_view::npos) p.rest = after.substr(b + 1);
    return p;
  }
  // The rest begins after the blanks, or a comma, that end the latitude
  // ("116 39 K1", "116 39,K1").
  const auto token = [](std::string_view& s, bool toComma) {
    std::size_t e = 0;
    while (e < s.size() && !IsBlank(s[e]) && !(toComma && s[e] == ',')) ++e;
    const std::string_view t = s.substr(0, e);
    s.remove_prefix(e);
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    if (toComma && !s.empty() && s.front() == ',') {
      s.remove_prefix(1);
      while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    }
    return t;
  };
  p.x = token(line, false);
  p.y = token(line, true);
  p.rest = line;
  return p;
}

// The fields of one CSV record on one line: commas outside quotes separate
// them, "" inside quotes is a quote.
void SplitCsv(std::string_view line, std::vector<std::string>& fields) {
  fields.clear();
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(std::move(field));
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Writes the records in the stream's format.
class RecordWriter {
 public:
  RecordWriter(Output& out, StreamFormat format) : out_(out), format_(format) {}

  void Head(const std::vector<std::string_view>& names) {
    names_.assign(names.begin(), names.end());
    if (format_ == StreamFormat::Csv) {
      out_.Write(kBom);
      Fields(names, {});
    } else if (format_ == StreamFormat::Json) {
      out_.Write("[");
    }
  }

  // One record: its fields under the head line's names (a record may hold
  // fewer or more), the numeric ones written as JSON numbers; error: the
  // line's reason, for JSON.
  void Record(std::uint64_t line, const std::vector<std::string_view>& fields,
              const std::vector<bool>& numeric, const std::string* error) {
    switch (format_) {
      case StreamFormat::Text:
        for (std::size_t i = 0; i < fields.size(); ++i) {
          if (i) out_.Put('\t');
          out_.Write(fields[i]);
        }
        out_.Put('\n');
        return;
      case StreamFormat::Csv:
        Fields(fields, numeric);
        return;
      case StreamFormat::Json:
      case StreamFormat::Jsonl:
        break;
    }
    if (format_ == StreamFormat::Json) out_.Write(first_ ? "\n" : ",\n");
    first_ = false;
    out_.Write("{\"line\":");
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(line));
    out_.Write(buf);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      out_.Put(',');
      if (i < names_.size()) {
        JsonString(out_, names_[i]);
      } else {
        out_.Write("\"field");
        std::snprintf(buf, sizeof buf, "%zu", i + 1);
        out_.Write(buf);
        out_.Put('"');
      }
      out_.Put(':');
      if (i < numeric.size() && numeric[i] && error == nullptr) {
        out_.Write(fields[i]);
      } else {
        JsonString(out_, fields[i]);
      }
    }
    if (error) {
      out_.Write(",\"error\":");
      JsonString(out_, *error);
    }
    out_.Write(format_ == StreamFormat::Jsonl ? "}\n" : "}");
  }

  // Copies a blank or comment line of a text stream.
  void Verbatim(std::string_view line) {
    if (format_ != StreamFormat::Text) return;
    out_.Write(line);
    out_.Put('\n');
  }

  void Finish() {
    if (format_ == StreamFormat::Json) out_.Write(first_ ? "]\n" : "\n]\n");
  }

 private:
  void Fields(const std::vector<std::string_view>& fields, const std::vector<bool>&) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i) out_.Put(',');
      CsvField(out_, fields[i]);
    }
    out_.Write("\r\n");
  }

  Output& out_;
  StreamFormat format_;
  std::vector<std::string> names_;
  bool first_ = true;
};

}  // namespace

std::uint64_t StreamPoints(LineSource& lines, Output& out, StreamFormat format, const StreamColumns& columnsOf,
                           PointCommand& c, StreamReporter& reporter) {
  RecordWriter writer(out, format);
  const std::vector<ResultColumn>& results = c.Results();
  const bool csvInput = !columnsOf.x.empty();
  const bool echo = c.EchoPoint() || csvInput;
  std::vector<std::string> head;     // the input's column names (CSV)
  std::vector<std::string> columns;  // one CSV record's fields
  std::vector<std::string> computed;
  std::vector<std::string_view> fields;
  std::vector<bool> numeric;
  std::size_t xAt = 0, yAt = 0;
  bool headWritten = false, haveHead = false;
  bool withRest = false;
  std::uint64_t lineNo = 0, bad = 0;
  const std::string star = "*";

  const auto writeHead = [&] {
    std::vector<std::string_view> names;
    if (csvInput) {
      for (const std::string& h : head) names.push_back(h);
    } else if (echo) {
      names.push_back(c.XName());
      names.push_back(c.YName());
    }
    for (const ResultColumn& r : results) names.push_back(r.name);
    if (withRest) names.push_back("rest");
    writer.Head(names);
    headWritten = true;
  };

  std::string_view line;
  while (lines.Next(line)) {
    ++lineNo;
    if (lineNo == 1 && line.substr(0, kBom.size()) == kBom) line.remove_prefix(kBom.size());
    const std::string_view trimmed = TrimBlanks(line);
    // Blank lines, and in text (not CSV records, whose first field may
    // begin so) lines starting with #, pass through.
    if (trimmed.empty() || (!csvInput && trimmed.front() == '#')) {
      writer.Verbatim(line);
      reporter.LineDone();
      continue;
    }
    if (csvInput && !haveHead) {
      SplitCsv(line, head);
      haveHead = true;
      const auto find = [&](const std::string& name, std::size_t& at) {
        for (at = 0; at < head.size(); ++at) {
          if (TrimBlanks(head[at]) == name) return;
        }
        reporter.NoColumn(name);
      };
      find(columnsOf.x, xAt);
      if (!columnsOf.y.empty()) find(columnsOf.y, yAt);
      continue;
    }

    // The point and what passes through.
    std::string_view x, y;
    PlainPoint plain;
    fields.clear();
    numeric.clear();
    std::string reason;
    bool haveFields = true;
    if (csvInput) {
      SplitCsv(line, columns);
      for (const std::string& f : columns) fields.push_back(f);
      numeric.assign(fields.size(), false);
      if (xAt >= columns.size() || (!columnsOf.y.empty() && yAt >= columns.size())) {
        reason = reporter.FewColumns(columns.size());
        haveFields = false;
      } else {
        x = TrimBlanks(columns[xAt]);
        if (!columnsOf.y.empty()) y = TrimBlanks(columns[yAt]);
      }
    } else {
      plain = SplitPlain(line);
      x = plain.x;
      y = plain.y;
      if (c.EchoPoint()) {
        fields.push_back(x);
        fields.push_back(y);
        numeric.assign(2, false);
      }
    }
    if (!headWritten) {
      // The head line follows the first record: a plain stream whose first
      // line carries more than the point has a column for the rest.
      withRest = !csvInput && !plain.rest.empty();
      writeHead();
    }
    computed.clear();
    if (haveFields) {
      try {
        c.Compute(x, y, computed);
      } catch (const std::exception& e) {
        reason = reporter.Reason(e);
      }
    }
    const bool failed = !reason.empty();
    if (failed) {
      ++bad;
      computed.clear();
      reporter.BadLine(lineNo, reason);
    }
    // The results stand after the point (or the record) and before the rest.
    for (std::size_t i = 0; i < results.size(); ++i) {
      fields.push_back(failed ? std::string_view(star) : std::string_view(computed[i]));
      numeric.push_back(results[i].numeric);
    }
    // A CSV or JSON record keeps the head line's column of the rest.
    if (!csvInput && (!plain.rest.empty() || (withRest && format != StreamFormat::Text))) {
      fields.push_back(plain.rest);
      numeric.push_back(false);
    }
    writer.Record(lineNo, fields, numeric, failed ? &reason : nullptr);
    reporter.LineDone();
  }
  if (!headWritten) writeHead();
  writer.Finish();
  return bad;
}

SheetNumberColumns::SheetNumberColumns(const std::vector<ScaleIndex>& scales, bool fresh, bool old, bool ascii) {
  for (const ScaleIndex s : scales) {
    // 1:1万 → 图幅号_1万 and sheet_10000.
    const std::string caption = std::string(kScaleCaptions[s]).substr(2);
    const std::string denominator = std::to_string(kScaleDenominators[s]);
    if (fresh) {
      columns_.push_back({s, true});
      results_.push_back({ascii ? "sheet_" + denominator : "图幅号_" + caption});
    }
    if (old) {
      columns_.push_back({s, false});
      results_.push_back({ascii ? "old_" + denominator : "旧图幅号_" + caption});
    }
  }
}

void SheetNumberColumns::Compute(double lonSec, double latSec, std::vector<std::string>& out) const {
  if (!std::isfinite(lonSec) || !std::isfinite(latSec) || !InNumberedDomain(lonSec, latSec)) {
    throw Error(kOutsideNumberedDomain);
  }
  for (const Column& c : columns_) out.push_back(SheetNumberAtPoint(lonSec, latSec, c.scale, c.fresh));
}

}  // namespace karvento
