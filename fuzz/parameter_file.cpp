// SPDX-License-Identifier: Apache-2.0
// The parameter file of a geodetic tab as read by Open: SplitLines and
// ParseParameterLines on the bytes, and ReadParameterFile on the same bytes
// as a file.
//
// Invariants: only the program's own error escapes; SplitLines yields no line
// holding CR, LF or NUL and loses nothing but the breaks and what follows a
// NUL; reading the file gives exactly what parsing its lines gives (the same
// values or the same message), except that a file whose first eight lines
// include one longer than kMaxParameterLine is refused by the file reader;
// every message is valid UTF-8.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_files.h"
#include "numbering/error.h"
#include "workbench/text_files.h"

using namespace karvento;
using fuzz::Check;

namespace {

struct Outcome {
  std::optional<TParameterSet> values;
  std::string message;
};

template <typename F>
Outcome Run(F f) {
  try {
    return {f(), {}};
  } catch (const Error& e) {
    return {std::nullopt, e.what()};
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> lines = SplitLines(text);
  fuzz::CheckLines(text, lines);

  const Outcome parsed = Run([&] { return ParseParameterLines(lines); });
  fuzz::Scratch().Write(text);
  const Outcome read = Run([&] { return ReadParameterFile(fuzz::Scratch().path()); });

  // Messages are shown as they stand: they must be text.
  Check(fuzz::IsUtf8(parsed.message));
  Check(fuzz::IsUtf8(read.message));

  bool overlong = false;
  for (std::size_t k = 0; k < lines.size() && k < 8; ++k) {
    overlong = overlong || lines[k].size() > kMaxParameterLine;
  }
  if (overlong) {
    Check(!read.values.has_value());
  } else {
    Check(parsed.values == read.values);
    Check(parsed.message == read.message);
  }
  return 0;
}
