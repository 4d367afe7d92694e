// SPDX-License-Identifier: Apache-2.0
#include "gis/common_points.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <map>
#include <memory>
#include <optional>

#include "gis/gdal_session.h"
#include "numbering/error.h"

namespace karvento {

namespace {

struct NamedPoints {
  std::vector<std::string> names;  // in the layer's order
  std::map<std::string, TPlanePoint> at;
  std::optional<bool> projected;  // none without a coordinate system
};

NamedPoints ReadNamedPoints(const std::string& file, const std::string& field, Datum datum) {
  const std::unique_ptr<GDALDataset> in(
      GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  if (!in || in->GetLayerCount() == 0) {
    throw Error(Message(N_("无法读取重合点图层 “%s”：%s"),
                        {file, TextArg(FirstGdalFailure().empty() ? N_("不是 GDAL 能读的矢量文件") : FirstGdalFailure())}));
  }
  OGRLayer* layer = in->GetLayer(0);
  NamedPoints out;
  if (const OGRSpatialReference* srs = layer->GetSpatialRef()) {
    const DatumInfo& d = DatumInfoOf(datum);
    OGRErr err = OGRERR_NONE;
    const double a = srs->GetSemiMajor(&err);
    const double rf = srs->GetInvFlattening(&err);
    if (std::abs(a - d.a) > 0.5 || std::abs(rf - d.inverseFlattening) > 1e-3) {
      throw Error(Message(N_("重合点图层 “%s” 的坐标系（%s）不在%s上"),
                          {file, srs->GetName() ? srs->GetName() : "?", TextArg(d.chineseName)}));
    }
    out.projected = static_cast<bool>(srs->IsProjected());
  }
  const int index = layer->FindFieldIndex(field.c_str(), TRUE);
  if (index < 0) throw Error(Message(N_("重合点图层 “%s” 没有字段“%s”"), {file, field}));
  layer->ResetReading();
  for (std::unique_ptr<OGRFeature> f(layer->GetNextFeature()); f; f.reset(layer->GetNextFeature())) {
    const std::string fid = std::to_string(f->GetFID());
    const OGRGeometry* g = f->GetGeometryRef();
    if (g == nullptr || wkbFlatten(g->getGeometryType()) != wkbPoint || g->IsEmpty()) {
      throw Error(Message(N_("重合点图层 “%s” 的要素 %s 不是一个点"), {file, fid}));
    }
    const std::string name = f->IsFieldSetAndNotNull(index) ? f->GetFieldAsString(index) : "";
    if (name.empty()) throw Error(Message(N_("重合点图层 “%s” 的要素 %s 没有“%s”"), {file, fid, field}));
    const OGRPoint* p = g->toPoint();
    if (!out.at.emplace(name, TPlanePoint{p->getX(), p->getY()}).second) {
      throw Error(Message(N_("重合点图层 “%s” 中点“%s”出现了两次"), {file, name}));
    }
    out.names.push_back(name);
  }
  return out;
}

}  // namespace

LayerCommonPoints ReadLayerCommonPoints(const std::string& sourceFile, const std::string& targetFile,
                                        const std::string& field, Datum source, Datum target) {
  EnsureGdal();
  QuietGdal quiet;
  const NamedPoints from = ReadNamedPoints(sourceFile, field, source);
  const NamedPoints to = ReadNamedPoints(targetFile, field, target);
  LayerCommonPoints out;
  if (from.projected && to.projected && *from.projected != *to.projected) {
    auto kind = [](bool projected) { return TextArg(projected ? N_("平面坐标") : N_("经纬度")); };
    throw Error(Message(N_("重合点图层 “%s” 是%s，“%s” 却是%s"),
                        {sourceFile, kind(*from.projected), targetFile, kind(*to.projected)}));
  }
  out.plane = from.projected.value_or(to.projected.value_or(false));
  for (const std::string& name : from.names) {
    const auto it = to.at.find(name);
    if (it == to.at.end()) {
      out.onlySource.push_back(name);
      continue;
    }
    const TPlanePoint& s = from.at.at(name);
    const TPlanePoint& t = it->second;
    if (out.plane) {
      out.planar.push_back({name, s, t});
    } else {
      out.geodetic.push_back({name, {s.X, s.Y, 0}, {t.X, t.Y, 0}});
    }
  }
  for (const std::string& name : to.names) {
    if (from.at.find(name) == from.at.end()) out.onlyTarget.push_back(name);
  }
  if (out.planar.empty() && out.geodetic.empty()) {
    throw Error(Message(N_("重合点图层 “%s” 和 “%s” 没有“%s”相同的点"), {sourceFile, targetFile, field}));
  }
  return out;
}

}  // namespace karvento
