// SPDX-License-Identifier: Apache-2.0
#include "export/sheet_fields.h"

#include <cmath>

#include "geodesy/gauss_kruger.h"
#include "numbering/error.h"
#include "numbering/scales.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {

int ScaleDenominatorOf(const TStandardMapUnion& sheet) {
  const ScaleIndex scale = ScaleOfSheet(sheet.Range);
  return scale < 0 ? 0 : kScaleDenominators[static_cast<std::size_t>(scale)];
}

double PlaneZoneMeridian(double westmost, double eastmost, bool zone3, double cm) {
  if (cm != 0) return cm;
  const double common = CommonZoneMeridian(westmost, eastmost, zone3);
  if (std::isnan(common)) throw Error(kSpansZonesMessage);
  return common;
}

std::string_view StandardOf(const TStandardMapUnion& sheet) {
  // The 1:5000-based form of a new 1:2000 number (J50H008075-3) has a hyphen too.
  const std::string& n = sheet.MapUnionNo;
  return n.find('-') != std::string::npos && !Is5000BasedNumber(n) ? "old" : "new";
}

int ScaleDenominatorOf(const TStandardMapUnion& sheet, const FramePlane& request) {
  return request.denominator != 0 ? request.denominator : ScaleDenominatorOf(sheet);
}

ScaleIndex ScaleOf(const TStandardMapUnion& sheet, const FramePlane& request) {
  for (std::size_t s = 0; s < kScaleDenominators.size(); ++s) {
    if (request.denominator != 0 && kScaleDenominators[s] == request.denominator) return static_cast<ScaleIndex>(s);
  }
  return ScaleOfSheet(sheet.Range);
}

std::string_view StandardOf(const TStandardMapUnion& sheet, const FramePlane& request) {
  return request.standard != nullptr ? std::string_view(request.standard) : StandardOf(sheet);
}

}  // namespace karvento
