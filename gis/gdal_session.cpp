#include "gis/gdal_session.h"

#include <gdal.h>

#include <mutex>

namespace karvento {

void EnsureGdal() {
  static std::once_flag once;
  std::call_once(once, [] { GDALAllRegister(); });
}

}  // namespace karvento
