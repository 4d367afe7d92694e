// SPDX-License-Identifier: Apache-2.0
// An independent transverse Mercator for the projection tests: PROJ's tmerc
// on a named ellipsoid, central meridian and false easting.
#pragma once

#include <proj.h>

#include <cstdio>

namespace karvento {

class ProjTmerc {
 public:
  ProjTmerc(const char* ellps, double cm, double falseEasting) {
    char def[256];
    std::snprintf(def, sizeof def,
                  "+proj=tmerc +lat_0=0 +lon_0=%.17g +k=1 +x_0=%.17g +y_0=0 +ellps=%s +units=m",
                  cm, falseEasting, ellps);
    pj_ = proj_create(PJ_DEFAULT_CTX, def);
  }
  ~ProjTmerc() { proj_destroy(pj_); }
  ProjTmerc(const ProjTmerc&) = delete;
  ProjTmerc& operator=(const ProjTmerc&) = delete;
  bool ok() const { return pj_ != nullptr; }
  PJ_COORD Forward(double lon, double lat) const {
    return proj_trans(pj_, PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat), 0, 0));
  }
  PJ_COORD Inverse(double x, double y) const {
    PJ_COORD r = proj_trans(pj_, PJ_INV, proj_coord(x, y, 0, 0));
    r.lp.lam = proj_todeg(r.lp.lam);
    r.lp.phi = proj_todeg(r.lp.phi);
    return r;
  }
 private:
  PJ* pj_;
};

}  // namespace karvento
