// SPDX-License-Identifier: Apache-2.0
// What the fuzz targets that build their input from raw bytes share: a
// reader of the bytes front to back, and the check that stops a run.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace karvento::fuzz {

inline void Check(bool ok) {
  if (!ok) std::abort();
}

// Reads the input front to back; past its end every read gives zero.
struct Bytes {
  const std::uint8_t* p;
  std::size_t n;
  std::uint8_t Byte() { return n ? (--n, *p++) : 0; }
  double Raw() {
    std::uint8_t b[8] = {};
    for (auto& x : b) x = Byte();
    double d;
    std::memcpy(&d, b, sizeof d);
    return d;
  }
  int Small() { return static_cast<std::int16_t>(Byte() | (Byte() << 8)); }
};

}  // namespace karvento::fuzz
