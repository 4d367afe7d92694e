// SPDX-License-Identifier: Apache-2.0
#include "geodesy/common_point_table.h"

#include <cmath>
#include <initializer_list>
#include <string_view>
#include <system_error>
#include <utility>

#include "geodesy/angle_text.h"
#include "geodesy/angles.h"
#include "geodesy/float_chars.h"

namespace karvento {

namespace {

// A refusal on its way out of the reading: caught at the routine's edge.
struct Refused {
  Message message;
};

// A refusal of a row: the table's name (a file's, shown as it is, or the
// window's "重合点表", worded by each front end), the line, the column.
Message RowRefusal(const char* pattern, const std::string& source, int line, const std::string& column,
                   const std::string* value = nullptr) {
  std::vector<MessageArg> args{TextArg(source), std::to_string(line), column};
  if (value != nullptr) args.emplace_back(*value);
  return Message(pattern, std::move(args));
}

std::vector<std::string> Fields(std::string_view line, char separator) {
  std::vector<std::string> out;
  if (separator == ' ') {
    std::size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
      const std::size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
      if (i > start) out.emplace_back(line.substr(start, i - start));
    }
    return out;
  }
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = std::min(line.find(separator, start), line.size());
    std::string_view f = line.substr(start, end - start);
    while (!f.empty() && (f.front() == ' ' || f.front() == '"')) f.remove_prefix(1);
    while (!f.empty() && (f.back() == ' ' || f.back() == '"' || f.back() == '\r')) f.remove_suffix(1);
    out.emplace_back(f);
    if (end == line.size()) break;
    start = end + 1;
  }
  return out;
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool IsNumber(const std::string& s) {
  double v = 0;
  const auto r = FloatFromChars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size() && std::isfinite(v);
}

struct Table {
  std::vector<std::string> header;
  std::vector<std::vector<std::string>> rows;
  std::vector<int> lines;  // each row's line
  int Column(std::initializer_list<const char*> names) const {
    for (std::size_t i = 0; i < header.size(); ++i) {
      for (const char* n : names) {
        if (Lower(header[i]) == n) return static_cast<int>(i);
      }
    }
    return -1;
  }
};

struct Cell {
  const Table& table;
  const std::string& source;
  std::size_t row;
  const std::string& Text(int column) const {
    const std::vector<std::string>& r = table.rows[row];
    if (column >= static_cast<int>(r.size()) || r[static_cast<std::size_t>(column)].empty()) {
      throw Refused{RowRefusal(N_("%s 第 %s 行缺少“%s”列的值"), source, table.lines[row],
                               table.header[static_cast<std::size_t>(column)])};
    }
    return r[static_cast<std::size_t>(column)];
  }
  double Number(int column) const {
    const std::string& s = Text(column);
    if (!IsNumber(s)) {
      throw Refused{RowRefusal(N_("%s 第 %s 行：“%s”列的“%s”不是数值"), source, table.lines[row],
                               table.header[static_cast<std::size_t>(column)], &s)};
    }
    double v = 0;
    FloatFromChars(s.data(), s.data() + s.size(), v);
    return v;
  }
  double Angle(int column) const {
    const std::string& s = Text(column);
    TAngleDMS a;
    if (ParseAngleText(s, a) != AngleTextError::None) {
      throw Refused{RowRefusal(N_("%s 第 %s 行：“%s”列的“%s”不是角度"), source, table.lines[row],
                               table.header[static_cast<std::size_t>(column)], &s)};
    }
    return DmsToDeg(a);
  }
};

}  // namespace

Message ParseCommonPointTable(const std::vector<std::string>& lines, const std::string& source,
                              CommonPointTable& result) try {
  Table t;
  char separator = ' ';
  int number = 0;
  for (const std::string& line : lines) {
    ++number;
    const std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    if (t.header.empty()) {
      separator = line.find(',') != std::string::npos ? ',' : line.find('\t') != std::string::npos ? '\t' : ' ';
      t.header = Fields(line, separator);
      // A pasted row of points without column names: the surveyor's order.
      if (t.header.size() == 5 && IsNumber(t.header[1]) && IsNumber(t.header[2]) && IsNumber(t.header[3]) &&
          IsNumber(t.header[4])) {
        t.rows.push_back(t.header);
        t.lines.push_back(number);
        t.header = {"name", "north1", "east1", "north2", "east2"};
      }
      continue;
    }
    t.rows.push_back(Fields(line, separator));
    t.lines.push_back(number);
  }
  if (t.header.empty()) throw Refused{Message(N_("重合点文件 “%s” 是空的"), {source})};
  const int name = t.Column({"name", "点名", "点号", "id"});
  const int lon1 = t.Column({"lon1"}), lat1 = t.Column({"lat1"}), lon2 = t.Column({"lon2"}),
            lat2 = t.Column({"lat2"}), h1 = t.Column({"h1"}), h2 = t.Column({"h2"});
  const int n1 = t.Column({"north1", "n1", "y1"}), e1 = t.Column({"east1", "e1", "x1"}),
            n2 = t.Column({"north2", "n2", "y2"}), e2 = t.Column({"east2", "e2", "x2"});
  const bool geodetic = lon1 >= 0 && lat1 >= 0 && lon2 >= 0 && lat2 >= 0;
  const bool plane = n1 >= 0 && e1 >= 0 && n2 >= 0 && e2 >= 0;
  if (!geodetic && !plane) {
    throw Refused{Message(N_("重合点文件 “%s” 没有所需的列：需要 lon1 lat1 lon2 lat2，或 north1 east1 north2 east2"),
                          {source})};
  }
  auto nameOf = [&](std::size_t row) {
    const std::vector<std::string>& r = t.rows[row];
    return name >= 0 && static_cast<std::size_t>(name) < r.size() && !r[static_cast<std::size_t>(name)].empty()
               ? r[static_cast<std::size_t>(name)]
               : std::to_string(row + 1);
  };
  CommonPointTable out;
  out.plane = plane && !geodetic;
  out.heights = !out.plane && h1 >= 0 && h2 >= 0;
  for (std::size_t r = 0; r < t.rows.size(); ++r) {
    const Cell cell{t, source, r};
    if (out.plane) {
      out.planar.push_back({nameOf(r), {cell.Number(e1), cell.Number(n1)}, {cell.Number(e2), cell.Number(n2)}});
    } else {
      out.geodetic.push_back({nameOf(r),
                              {cell.Angle(lon1), cell.Angle(lat1), out.heights ? cell.Number(h1) : 0},
                              {cell.Angle(lon2), cell.Angle(lat2), out.heights ? cell.Number(h2) : 0}});
    }
  }
  result = std::move(out);
  return {};
} catch (const Refused& r) {
  return r.message;
}

}  // namespace karvento
