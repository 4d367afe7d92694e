// SPDX-License-Identifier: Apache-2.0
// SplitString, IsFloatText, StrToInt and StrToFloat on any text.
//
// Invariants: the pieces joined with the delimiter give the text up to a rest
// of blanks and control characters; StrToFloat accepts exactly what
// IsFloatText calls a number, unless it is too large for a double; only the
// program's own error escapes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "numbering/unMapUnRgPub.h"

using namespace karvento;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char delimiter = static_cast<char>(data[0]);
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  const std::vector<std::string> pieces = SplitString(text, delimiter);
  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i) joined += delimiter;
    joined += pieces[i];
  }
  // What the pieces leave out is one delimiter and a blank rest.
  if (joined.size() > text.size() || text.substr(0, joined.size()) != joined) std::abort();
  std::string_view rest = text.substr(joined.size());
  if (!pieces.empty() && !rest.empty()) {
    if (rest[0] != delimiter) std::abort();
    rest.remove_prefix(1);
  }
  for (char c : rest) {
    if (c == delimiter) continue;
    if (static_cast<unsigned char>(c) > ' ') std::abort();
  }

  const bool isFloat = IsFloatText(text);
  try {
    StrToFloat(text);
    if (!isFloat) std::abort();
  } catch (const Error&) {
    // Refused: either no number, or one beyond the range of a double.
    if (isFloat && text.find_first_of("eE") == std::string_view::npos && text.size() < 300) {
      std::abort();
    }
  }
  try {
    StrToInt(text);
  } catch (const Error&) {
  }
  return 0;
}
