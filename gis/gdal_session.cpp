#include "gis/gdal_session.h"

#include <cpl_error.h>
#include <gdal.h>

#include <mutex>

namespace karvento {

void EnsureGdal() {
  static std::once_flag once;
  std::call_once(once, [] { GDALAllRegister(); });
}

QuietGdal::QuietGdal() {
  CPLPushErrorHandler(CPLQuietErrorHandler);
  CPLErrorReset();
}

QuietGdal::~QuietGdal() { CPLPopErrorHandler(); }

}  // namespace karvento
