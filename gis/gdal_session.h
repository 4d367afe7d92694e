// GDAL's drivers, registered once for the whole program.
#pragma once

namespace karvento {

// Registers every GDAL/OGR driver the first time it is called; cheap after.
void EnsureGdal();

}  // namespace karvento
