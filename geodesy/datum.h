// The geodetic systems whose sheets Karvento lists: the two legacy datums of
// Chinese mapping and the national system in force since 2008.
#pragma once

#include <cstdint>

namespace karvento {

enum class Datum : std::uint8_t {
  Beijing54,  // Beijing 1954, Krasovsky ellipsoid
  Xian80,     // Xi'an 1980, IAG-75 ellipsoid
  Cgcs2000,   // China Geodetic Coordinate System 2000, GRS 80 shape
};

}  // namespace karvento
