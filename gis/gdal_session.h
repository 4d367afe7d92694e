// SPDX-License-Identifier: Apache-2.0
// GDAL's drivers, registered once for the whole program.
#pragma once

#include <string>

namespace karvento {

// Registers every GDAL/OGR driver the first time it is called; cheap after.
void EnsureGdal();

// GDAL's messages go to the caller's error, never to the terminal, while one
// of these lives; the last error is cleared when it starts.
class QuietGdal {
 public:
  QuietGdal();
  ~QuietGdal();
  QuietGdal(const QuietGdal&) = delete;
  QuietGdal& operator=(const QuietGdal&) = delete;
};

// The message of the first failure that GDAL reported since the innermost
// QuietGdal began, or "": a failure often sets off others (a full disk, then
// a rollback that finds no transaction), and the first is the reason.
const std::string& FirstGdalFailure();

}  // namespace karvento
