// SPDX-License-Identifier: Apache-2.0
#include "gis/gdal_session.h"

#include <cpl_error.h>
#include <gdal.h>

#include <mutex>
#include <string>

namespace karvento {

void EnsureGdal() {
  static std::once_flag once;
  std::call_once(once, [] { GDALAllRegister(); });
}

namespace {

thread_local std::string firstFailure;

void KeepFirstFailure(CPLErr type, CPLErrorNum, const char* message) {
  if ((type == CE_Failure || type == CE_Fatal) && firstFailure.empty() && message != nullptr) {
    firstFailure = message;
  }
}

}  // namespace

QuietGdal::QuietGdal() {
  firstFailure.clear();
  CPLPushErrorHandler(KeepFirstFailure);
  CPLErrorReset();
}

QuietGdal::~QuietGdal() { CPLPopErrorHandler(); }

const std::string& FirstGdalFailure() { return firstFailure; }

}  // namespace karvento
