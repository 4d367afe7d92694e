// SPDX-License-Identifier: Apache-2.0
#include "gis/layer_move.h"

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <memory>
#include <string_view>
#include <vector>

#include "export/safe_file.h"
#include "export/text_output.h"
#include "geodesy/gauss_kruger.h"
#include "gis/coordinate_system.h"
#include "gis/gdal_session.h"
#include "numbering/error.h"

namespace karvento {

namespace {

std::string Extension(const std::string& name) {
  const std::size_t dot = name.find_last_of('.');
  std::string e = dot == std::string::npos ? "" : name.substr(dot + 1);
  for (char& c : e) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return e;
}

// Every vertex through the pipeline or the caller's routine, counted; the
// first vertex that cannot be moved fails the geometry (and the layer).
class Moving final : public OGRCoordinateTransformation {
 public:
  Moving(OGRCoordinateTransformation* proj, const std::function<bool(double&, double&)>* move,
         OGRSpatialReference* target)
      : proj_(proj), move_(move), target_(target) {}
  OGRSpatialReference* GetSourceCS() override { return nullptr; }
  OGRSpatialReference* GetTargetCS() override { return target_; }
  int Transform(int count, double* x, double* y, double* z, double* t, int* success) override {
    vertices += static_cast<std::uint64_t>(count);
    if (proj_ != nullptr) return proj_->Transform(count, x, y, z, t, success);
    bool all = true;
    for (int i = 0; i < count; ++i) {
      const bool ok = (*move_)(x[i], y[i]);
      if (success != nullptr) success[i] = ok;
      all = all && ok;
    }
    return all;
  }
  OGRCoordinateTransformation* Clone() const override { return new Moving(*this); }
  OGRCoordinateTransformation* GetInverse() const override { return nullptr; }

  std::uint64_t vertices = 0;

 private:
  OGRCoordinateTransformation* proj_;
  const std::function<bool(double&, double&)>* move_;
  OGRSpatialReference* target_;
};

struct CtDeleter {
  void operator()(OGRCoordinateTransformation* ct) const { OGRCoordinateTransformation::DestroyCT(ct); }
};

}  // namespace

std::uint64_t MoveLayer(const LayerMove& r) {
  EnsureGdal();
  QuietGdal quiet;
  const std::unique_ptr<GDALDataset> in(
      GDALDataset::Open(r.input.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr));
  if (!in || in->GetLayerCount() == 0) {
    throw Error(Message(N_("无法读取图层 “%s”：%s"),
                        {r.input, TextArg(FirstGdalFailure().empty() ? N_("不是 GDAL 能读的矢量文件") : FirstGdalFailure())}));
  }
  OGRLayer* layer = in->GetLayer(0);
  const bool plane = r.cm > 0;
  const DatumInfo& from = DatumInfoOf(r.sourceDatum);
  if (const OGRSpatialReference* srs = layer->GetSpatialRef()) {
    OGRErr err = OGRERR_NONE;
    const double a = srs->GetSemiMajor(&err);
    const double rf = srs->GetInvFlattening(&err);
    // A layer on another ellipsoid is on another datum: moving it with these
    // parameters would relabel it, not transform it.
    if (std::abs(a - from.a) > 0.5 || std::abs(rf - from.inverseFlattening) > 1e-3) {
      throw Error(Message(N_("图层 “%s” 的坐标系（%s）不在%s上：这组参数不能转换它"),
                          {r.input, srs->GetName() ? srs->GetName() : "?", TextArg(from.chineseName)}));
    }
    if (plane != static_cast<bool>(srs->IsProjected())) {
      throw Error(Message(N_("图层 “%s” 是%s，而请求的是%s"),
                          {r.input, TextArg(srs->IsProjected() ? N_("平面坐标") : N_("经纬度")),
                           TextArg(plane ? N_("平面坐标（--cm）") : N_("经纬度（没有 --cm）"))}));
    }
  }
  OGREnvelope extent;
  const bool prefixed = plane && layer->GetExtent(&extent, TRUE) == OGRERR_NONE && extent.MinX >= 1000000;
  const GisCrs crs =
      plane ? PlaneCrs(r.cm, r.cm,
                       TPlaneSystem{r.targetDatum, r.zone3, r.cm,
                                    prefixed ? 0 : FalseEasting(r.zone3, r.cm) - 500000, 0})
            : GeographicCrs(r.targetDatum);
  OGRSpatialReference target;
  target.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  if (target.importFromWkt(crs.wkt.c_str()) != OGRERR_NONE) throw Error(Message(N_("无法建立坐标系：%s"), {crs.wkt}));

  std::unique_ptr<OGRCoordinateTransformation, CtDeleter> proj;
  if (!r.move) {
    OGRCoordinateTransformationOptions options;
    options.SetCoordinateOperation((prefixed ? r.pipelinePrefixed : r.pipeline).c_str(), false);
    proj.reset(OGRCreateCoordinateTransformation(nullptr, nullptr, options));
    if (!proj) {
      throw Error(Message(N_("PROJ 不接受管道：%s（%s）"),
                          {prefixed ? r.pipelinePrefixed : r.pipeline, TextArg(FirstGdalFailure())}));
    }
  }
  Moving moving(proj.get(), &r.move, &target);

  const std::string ext = Extension(r.output);
  const char* driverName = ext == "shp" ? "ESRI Shapefile" : ext == "gpkg" ? "GPKG"
                           : ext == "geojson" || ext == "json" ? "GeoJSON" : nullptr;
  if (driverName == nullptr) throw Error(Message(N_("输出图层 “%s” 须是 .shp、.gpkg 或 .geojson"), {r.output}));
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driverName);
  SafeFileSet files(r.output,
                    ext == "shp" ? std::vector<std::string>{".shx", ".dbf", ".prj", ".cpg", ".qix", ".sbn", ".sbx"}
                                 : std::vector<std::string>{},
                    false, ext == "shp" ? "Shapefile" : ext == "gpkg" ? "GeoPackage" : "GeoJSON");
  std::uint64_t vertices = 0;
  {
    std::unique_ptr<GDALDataset> out(driver->Create(files.staged().c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!out) throw Error(FileWriteError(r.output, FirstGdalFailure()));
    const char* layerOptions[] = {ext == "shp" ? "ENCODING=UTF-8" : nullptr, nullptr};
    const std::string name = layer->GetName();
    OGRLayer* dst = out->CreateLayer(name.c_str(), &target, layer->GetGeomType(),
                                     const_cast<char**>(layerOptions));
    if (dst == nullptr) throw Error(FileWriteError(r.output, FirstGdalFailure()));
    dst->SetMetadataItem("KARVENTO_TRANSFORM", r.description.c_str());
    OGRFeatureDefn* defn = layer->GetLayerDefn();
    for (int i = 0; i < defn->GetFieldCount(); ++i) {
      if (dst->CreateField(defn->GetFieldDefn(i)) != OGRERR_NONE) throw Error(FileWriteError(r.output, FirstGdalFailure()));
    }
    const bool transaction = out->TestCapability(ODsCTransactions) && out->StartTransaction() == OGRERR_NONE;
    layer->ResetReading();
    for (std::unique_ptr<OGRFeature> f(layer->GetNextFeature()); f; f.reset(layer->GetNextFeature())) {
      if (OGRGeometry* g = f->GetGeometryRef()) {
        if (g->transform(&moving) != OGRERR_NONE) {
          throw Error(Message(N_("图层 “%s” 的要素 %s 超出了转换的计算范围"), {r.input, std::to_string(f->GetFID())}));
        }
      }
      std::unique_ptr<OGRFeature> copy(OGRFeature::CreateFeature(dst->GetLayerDefn()));
      copy->SetFrom(f.get(), TRUE);
      if (dst->CreateFeature(copy.get()) != OGRERR_NONE) throw Error(FileWriteError(r.output, FirstGdalFailure()));
    }
    if (transaction && out->CommitTransaction() != OGRERR_NONE) throw Error(FileWriteError(r.output, FirstGdalFailure()));
    vertices = moving.vertices;
    out->FlushCache();
    out.reset();
    if (!FirstGdalFailure().empty()) throw Error(FileWriteError(r.output, FirstGdalFailure()));
  }
  files.Commit();
  return vertices;
}

}  // namespace karvento
