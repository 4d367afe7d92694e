// SPDX-License-Identifier: Apache-2.0
// A number list as Open number list reads it: the file's lines (SplitLines),
// each decoded from GBK with replacement, each classified with
// CheckMapUnionNo, and every standard one made into a source record.
//
// Invariants: only the program's own error escapes; no line holds CR, LF or
// NUL; ReadNumberList of the bytes as a file gives the decoded lines; every
// decoded line is valid UTF-8 holding no CR, LF or NUL, and an ASCII line is
// decoded unchanged; a line that the check accepts parses to a sheet of
// positive size, and its source record keeps the line as its number; the
// text of an error is valid UTF-8, since it is shown as it stands.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/gbk.h"
#include "fuzz/fuzz_files.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"
#include "workbench/text_files.h"

using namespace karvento;
using fuzz::Check;

namespace {

bool PositiveSize(const TMapUnionRange& r) {
  return DmsToDeg(r.East) - DmsToDeg(r.West) > 0 || DmsToDeg(r.North) - DmsToDeg(r.South) > 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = SplitLines(text);
  fuzz::CheckLines(text, lines);

  std::vector<std::string> decoded;
  for (const std::string& line : lines) {
    decoded.push_back(GbkToUtf8(line, true));
    const std::string& d = decoded.back();
    Check(fuzz::IsUtf8(d));
    Check(d.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    if (IsAscii(line)) Check(d == line);
  }
  fuzz::Scratch().Write(text);
  // A list that begins with the UTF-8 byte-order mark is read as UTF-8.
  if (!text.starts_with("\xEF\xBB\xBF")) Check(ReadNumberList(fuzz::Scratch().path()) == decoded);

  // The central meridian and the datum as the tab might hold them.
  const double cm = size > 0 && data[0] % 2 ? 117 : 0;
  const bool is54 = size > 1 && data[1] % 2;
  for (const std::string& line : decoded) {
    int kind = 0;
    try {
      kind = CheckMapUnionNo(line);
    } catch (const Error& e) {
      Check(fuzz::IsUtf8(e.what()));  // shown to the user as it stands
      break;                          // the command ends here, keeping the lines before
    }
    Check(kind >= 0 && kind <= 2);
    if (kind == 0) continue;
    const TStandardMapUnion r = TfrmCreateMapUnRg::MakeSourceMapUnion(line, kind, cm, true, is54);
    Check(r.MapUnionNo == line);
    Check(PositiveSize(r.Range));
  }
  return 0;
}
