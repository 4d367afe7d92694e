// SPDX-License-Identifier: Apache-2.0
// A parameter set of any values written by FormatParameterFile (and
// WriteParameterFile) and read back.
//
// Invariants: for finite values the read-back degrees, minutes and offsets
// are the written values truncated toward zero, the seconds and the central
// meridian are within the two-decimal rounding of the written ones, and the
// zone index is 0 or 1 as written; the file reader and the line parser agree.
// A value that is not finite (which no field holds) makes the reading fail
// with the program's own error, never a wrong value.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz/fuzz_files.h"
#include "numbering/error.h"
#include "workbench/text_files.h"

using namespace karvento;
using fuzz::Check;

namespace {

// |read − written| within half a unit of the second decimal, allowing for
// the binary value of the decimal text read back.
bool WithinTwoDecimals(double written, double read) {
  const double ulp = std::abs(written) * std::numeric_limits<double>::epsilon();
  return std::abs(read - written) <= 0.005 + 4 * ulp;
}

// The seconds are written to the thousandth: within half a unit of the
// third decimal.
bool WithinThreeDecimals(double written, double read) {
  const double ulp = std::abs(written) * std::numeric_limits<double>::epsilon();
  return std::abs(read - written) <= 0.0005 + 4 * ulp;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  double v[15] = {};
  std::memcpy(v, data, size < sizeof v ? size : sizeof v);
  TParameterSet p;
  for (std::size_t k = 0; k < 4; ++k) p.Corners[k] = {v[3 * k], v[3 * k + 1], v[3 * k + 2]};
  p.ZoneIndex = size > sizeof v ? data[sizeof v] % 3 : 0;
  p.CentralMeridian = v[12];
  p.OffsetX = v[13];
  p.OffsetY = v[14];
  bool finite = true;
  for (double x : v) finite = finite && std::isfinite(x);

  const std::string text = FormatParameterFile(p);
  TParameterSet parsed;
  try {
    parsed = ParseParameterLines(SplitLines(text));
  } catch (const Error&) {
    Check(!finite);
    return 0;
  }
  Check(finite);
  WriteParameterFile(fuzz::Scratch().path(), p);
  Check(ReadParameterFile(fuzz::Scratch().path()) == parsed);

  for (std::size_t k = 0; k < 4; ++k) {
    Check(parsed.Corners[k].Degrees == std::trunc(p.Corners[k].Degrees));
    Check(parsed.Corners[k].Minutes == std::trunc(p.Corners[k].Minutes));
    Check(WithinThreeDecimals(p.Corners[k].Seconds, parsed.Corners[k].Seconds));
  }
  Check(parsed.ZoneIndex == (p.ZoneIndex == 0 ? 0 : 1));
  Check(WithinTwoDecimals(p.CentralMeridian, parsed.CentralMeridian));
  Check(parsed.OffsetX == std::trunc(p.OffsetX));
  Check(parsed.OffsetY == std::trunc(p.OffsetY));
  return 0;
}
