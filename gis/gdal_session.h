// GDAL's drivers, registered once for the whole program.
#pragma once

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

}  // namespace karvento
