// SPDX-License-Identifier: Apache-2.0
#include "workbench/tf_information.h"

#include "geodesy/angles.h"
#include "geodesy/transverse_mercator.h"

namespace karvento {
namespace {

// RzNumericEdit1 .. 12 show degrees and minutes whole, seconds with three
// decimals; 13 .. 20 the plane values.
NumberField MakeField(int n) {
  const char* format = n > 12 ? kPlaneFormat : (n % 3 == 0 ? kSecondsFormat : kWholeFormat);
  return NumberField("RzNumericEdit" + std::to_string(n), false, format);
}

template <std::size_t... I>
std::array<NumberField, 20> MakeFields(std::index_sequence<I...>) {
  return {MakeField(static_cast<int>(I) + 1)...};
}

}  // namespace

TfrmTFInformation::TfrmTFInformation() : Fields(MakeFields(std::make_index_sequence<20>())) {}

void TfrmTFInformation::Fill(const TStandardMapUnion& r) {
  RzEdit1.SetText(r.MapUnionNo);
  const TAngleDMS* angles[4] = {&r.Range.West, &r.Range.South, &r.Range.East, &r.Range.North};
  for (int k = 0; k < 4; ++k) {
    RzNumericEdit(3 * k + 1).SetValue(angles[k]->Degrees);
    RzNumericEdit(3 * k + 2).SetValue(angles[k]->Minutes);
    RzNumericEdit(3 * k + 3).SetValue(angles[k]->Seconds);
  }
  const auto set = [this](int xField, const TPlanePoint& p) {
    RzNumericEdit(xField).SetValue(p.X);
    RzNumericEdit(xField + 1).SetValue(p.Y);
  };
  set(15, r.PlaneCorners[kNW]);
  set(13, r.PlaneCorners[kSW]);
  set(17, r.PlaneCorners[kNE]);
  set(19, r.PlaneCorners[kSE]);
}

void TfrmTFInformation::FillScaleConvergence2000(const TStandardMapUnion& r, bool zone3,
                                                 double cm) {
  const double lon = (DmsToDeg(r.Range.West) + DmsToDeg(r.Range.East)) / 2;
  const double lat = (DmsToDeg(r.Range.South) + DmsToDeg(r.Range.North)) / 2;
  const ScaleConvergence sc = ScaleConvergence2000({DegToDms(lon), DegToDms(lat)}, zone3, cm);
  ScaleFactorEdit.SetValue(sc.k);
  ConvergenceEdit.SetValue(sc.gamma);
  ShowsScaleConvergence = true;
}

void TfrmTFInformation::Fill(const TCustomMapUnion& r) {
  RzEdit1.SetText(r.MapUnionNo);
  for (int n = 1; n <= 12; ++n) RzNumericEdit(n).SetValue(0);
  const auto set = [this](int xField, double x, double y) {
    RzNumericEdit(xField).SetValue(x);
    RzNumericEdit(xField + 1).SetValue(y);
  };
  set(15, r.MinX, r.MaxY);
  set(13, r.MinX, r.MinY);
  set(17, r.MaxX, r.MaxY);
  set(19, r.MaxX, r.MinY);
}

void TfrmTFInformation::AddNeighbour(std::size_t k) {
  if (k >= Neighbours.size() || k == 4 || Neighbours[k].MapUnionNo.empty() || !OnAddNeighbour) {
    return;
  }
  AddNeighbourResult = OnAddNeighbour(Neighbours[k]);
}

}  // namespace karvento
