// SPDX-License-Identifier: Apache-2.0
#include "gis/gis_export.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <ogr_api.h>
#include <ogr_srs_api.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "export/dxf_text.h"
#include "export/export_progress.h"
#include "export/gbk.h"
#include "export/safe_file.h"
#include "export/shapefile.h"
#include "export/sheet_frame.h"
#include "geodesy/angles.h"
#include "gis/gdal_session.h"
#include "gis/gpkg_index.h"
#include "numbering/error.h"
#include "numbering/sheet_outline.h"

namespace karvento {
namespace {

namespace fs = std::filesystem;


// The companions of a Shapefile: the ones GDAL writes, and the spatial
// indexes of other programs, which an old set may have and which must not
// survive beside a new set that has none of them.
const std::vector<std::string> kShapefileCompanions = {".shx", ".dbf", ".prj", ".cpg",
                                                       ".qix", ".sbn", ".sbx"};

bool EndsWithNoCase(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                    [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

constexpr const char* kNoReason = N_("GDAL 未说明原因");

// GDAL's reason for the first failure, or a general one when it gave none.
// A failed SQL statement is quoted whole by the GeoPackage driver (kilobytes
// of table definitions); only SQLite's reason is kept of it.
std::string GdalReason() {
  const char* last = CPLGetLastErrorMsg();
  std::string msg = !FirstGdalFailure().empty() ? FirstGdalFailure() : last != nullptr ? last : "";
  if (msg.empty()) return kNoReason;
  const std::size_t failed = msg.rfind(") failed: ");
  if (msg.rfind("sqlite3_", 0) == 0 && failed != std::string::npos) {
    msg = msg.substr(0, msg.find('(')) + " failed: " + msg.substr(failed + 10);
  }
  return msg;
}

// GDAL set up for one export: its messages go to the caller's error, never
// to the terminal, and a DXF frame is a closed polyline, not a filled hatch.
class GdalScope {
 public:
  GdalScope() { CPLSetThreadLocalConfigOption("DXF_WRITE_HATCH", "FALSE"); }
  ~GdalScope() { CPLSetThreadLocalConfigOption("DXF_WRITE_HATCH", nullptr); }
  GdalScope(const GdalScope&) = delete;
  GdalScope& operator=(const GdalScope&) = delete;

 private:
  struct Registered {
    Registered() { EnsureGdal(); }
  } registered_;
  QuietGdal quiet_;
};

// The bytes that GDAL writes to /vsistdout/, into a file of ours: GDAL's
// KML driver ignores the result of its writes and of its final close, so a
// full disk or a file-size limit would leave a cut file behind a success.
// Every write goes through SafeFile here and its first failure is kept.
class StdoutSink {
 public:
  explicit StdoutSink(SafeFile& file) : file_(file) {
    VSIStdoutSetRedirection(&StdoutSink::Put, reinterpret_cast<FILE*>(this));
  }
  ~StdoutSink() { VSIStdoutSetRedirection(&std::fwrite, stdout); }
  StdoutSink(const StdoutSink&) = delete;
  StdoutSink& operator=(const StdoutSink&) = delete;

  bool failed() const { return !error_.Empty(); }
  // Writes what is buffered; throws the first failure of any write.
  void Finish() {
    Flush();
    if (failed()) throw Error(error_);
  }

 private:
  static std::size_t Put(const void* data, std::size_t size, std::size_t count, FILE* stream) {
    auto* self = reinterpret_cast<StdoutSink*>(stream);
    if (self->failed()) return 0;
    self->buffer_.append(static_cast<const char*>(data), size * count);
    if (self->buffer_.size() >= kBlock) self->Flush();
    return self->failed() ? 0 : count;
  }
  void Flush() {
    if (failed() || buffer_.empty()) return;
    try {
      file_.Write(buffer_);
    } catch (const Error& e) {
      error_ = e.GetMessage();
    }
    buffer_.clear();
  }

  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  SafeFile& file_;
  std::string buffer_;
  Message error_;
};

// The name of the main file: a Shapefile's ends in ".shp", added when the
// name has none; a name that leads to a device or a pipe is refused as it is,
// never turned into a new file beside it (/dev/null.shp).
std::string ShapefileName(const std::string& fileName, GisFormat format) {
  if (format != GisFormat::Shapefile || EndsWithNoCase(fileName, ".shp")) return fileName;
  if (!LeadsToRegularFile(fileName)) {
    throw Error(FileWriteError(fileName, Message(msg::kShapefileNotRegular)));
  }
  return fileName + ".shp";
}

// The files of one export, written through SafeFileSet: GDAL writes them
// into its hidden folder (KML: through /vsistdout/ into the main file
// itself), and Commit puts them in place.
class FileSet {
 public:
  FileSet(const std::string& fileName, GisFormat format)
      : format_(format),
        set_(ShapefileName(fileName, format),
             format == GisFormat::Shapefile ? kShapefileCompanions
             : format == GisFormat::Dxf     ? std::vector<std::string>{".prj"}
                                            : std::vector<std::string>{},
             format == GisFormat::Kml || format == GisFormat::Dxf,
             format == GisFormat::Shapefile ? "Shapefile" : "GeoPackage") {
    if (format == GisFormat::Kml) sink_.emplace(set_.main());
  }
  FileSet(const FileSet&) = delete;
  FileSet& operator=(const FileSet&) = delete;

  const std::string& target() const { return set_.target(); }
  // The name under which GDAL writes the main file. A Shapefile keeps the
  // name of its file: it names the .dbf, .shx and the layer.
  std::string WorkingName() const { return format_ == GisFormat::Kml ? "/vsistdout/" : set_.staged(); }
  // A companion of the main file as GDAL wrote it.
  std::string Staged(const char* extension) const {
    const std::string& main = set_.staged();
    return main.substr(0, main.size() - 4) + extension;
  }
  // Where GDAL may be given files of its own (the DXF header).
  const std::string& Folder() const { return set_.folder(); }
  // The main file, for a drawing written by our own writer.
  SafeFile& Main() { return set_.main(); }

  [[noreturn]] void Fail(const std::string& reason) const {
    const std::string system = SystemReason();
    throw Error(FileWriteError(target(), system.empty() ? reason : system));
  }
  // A write of the main file failed: the failure, once known, ends the export.
  void CheckStream() {
    if (sink_ && sink_->failed()) sink_->Finish();
  }

  void Commit() {
    if (sink_) sink_->Finish();
    set_.Commit();
  }

 private:
  // Why writing the set failed, when the system's reason is plain: a full
  // file system, or a file grown to the file-size limit. GDAL's own words
  // then are none (its DXF driver's), or a consequence ("disk I/O error",
  // ".shp file is unreadable, or corrupt"). "" otherwise.
  std::string SystemReason() const {
    struct statvfs fs {};
    if (::statvfs(set_.folder().c_str(), &fs) == 0 && fs.f_bavail == 0) return strerror(ENOSPC);
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
      std::error_code ec;
      for (const auto& e : std::filesystem::directory_iterator(set_.folder(), ec)) {
        if (e.is_regular_file(ec) && e.file_size(ec) >= limit.rlim_cur) return strerror(EFBIG);
      }
    }
    return {};
  }

  GisFormat format_;
  SafeFileSet set_;
  std::optional<StdoutSink> sink_;
};

void MarkDbfCodePage(const std::string& dbf, unsigned char driver) {
  std::FILE* f = std::fopen(dbf.c_str(), "r+b");
  if (f == nullptr) throw Error(FileWriteError(dbf, errno));
  const bool ok = std::fseek(f, 29, SEEK_SET) == 0 && std::fputc(driver, f) != EOF;
  const int err = errno;
  if (std::fclose(f) != 0 || !ok) throw Error(FileWriteError(dbf, ok ? errno : err));
}

struct SrsDeleter {
  void operator()(void* h) const { OSRDestroySpatialReference(static_cast<OGRSpatialReferenceH>(h)); }
};
using Srs = std::unique_ptr<void, SrsDeleter>;

struct FeatureDeleter {
  void operator()(void* h) const { OGR_F_Destroy(static_cast<OGRFeatureH>(h)); }
};
using Feature = std::unique_ptr<void, FeatureDeleter>;

// The spatial reference of a file, longitude or easting first.
Srs MakeSrs(const GisCrs& crs, const FileSet& files) {
  if (crs.wkt.empty()) return nullptr;
  Srs srs(OSRNewSpatialReference(nullptr));
  const OGRErr err = crs.epsg != 0 ? OSRImportFromEPSG(srs.get(), crs.epsg)
                                   : OSRImportFromWkt(srs.get(), std::vector<char*>{
                                                                     const_cast<char*>(crs.wkt.c_str())}
                                                                     .data());
  if (err != OGRERR_NONE) files.Fail(crs.name + ": " + GdalReason());
  OSRSetAxisMappingStrategy(srs.get(), OAMS_TRADITIONAL_GIS_ORDER);
  return srs;
}

struct FieldSpec {
  const char* name;
  OGRFieldType type;
  int width;
};

std::string SqlQuoted(std::string_view text) {
  std::string q = "'";
  for (char c : text) {
    if (c == '\'') q.push_back('\'');
    q.push_back(c);
  }
  q.push_back('\'');
  return q;
}

// GDAL's DXF header with the Chinese code page (ANSI_936): the layer names
// are written in GBK, which AutoCAD and GDAL then read as Chinese. The texts
// themselves are written as \U+ escapes and need no code page.
// Sets the value of a header variable of the template ("$INSUNITS", group
// 70 on the next line, the value on the one after), keeping its width.
bool SetDxfHeaderValue(std::string& header, std::string_view variable, std::string_view value) {
  std::size_t at = header.find(std::string(variable) + "\n");
  if (at == std::string::npos) at = header.find(std::string(variable) + "\r\n");
  if (at == std::string::npos) return false;
  for (int line = 0; line < 2; ++line) {
    at = header.find('\n', at);
    if (at == std::string::npos) return false;
    ++at;
  }
  std::size_t end = header.find_first_of("\r\n", at);
  if (end == std::string::npos) return false;
  const std::size_t width = end - at;
  std::string text(width > value.size() ? width - value.size() : 0, ' ');
  text += value;
  header.replace(at, width, text);
  return true;
}

// A drawing of plane coordinates is in metres ($INSUNITS 6, metric
// $MEASUREMENT 1), so that CAD programs insert it at its true size; one of
// longitudes and latitudes has no unit of length ($INSUNITS 0).
std::string ChineseDxfHeader(const FileSet& files, bool metres) {
  const char* found = CPLFindFile("GDAL", "header.dxf");
  if (found == nullptr) files.Fail("GDAL 的 DXF 文件头模板 header.dxf 不存在");
  std::string header;
  {
    std::ifstream in(found, std::ios::binary);
    header.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) files.Fail(std::string(found) + ": " + strerror(errno));
  }
  const std::size_t at = header.find("ANSI_1252");
  if (at == std::string::npos) files.Fail(std::string(found) + ": $DWGCODEPAGE ANSI_1252 not found");
  header.replace(at, 9, "ANSI_936");
  if (!SetDxfHeaderValue(header, "$INSUNITS", metres ? "6" : "0") ||
      !SetDxfHeaderValue(header, "$MEASUREMENT", "1")) {
    files.Fail(std::string(found) + ": $INSUNITS or $MEASUREMENT not found");
  }
  const std::string path = files.Folder() + "/header.dxf";
  std::ofstream out(path, std::ios::binary);
  out << header;
  out.close();
  if (!out) files.Fail(path + ": " + strerror(errno));
  return path;
}

// One dataset with one layer being written.
class LayerWriter {
 public:
  LayerWriter(FileSet& files, const GisOptions& options, OGRSpatialReferenceH srs,
              OGRwkbGeometryType geometry)
      : files_(files), format_(options.format) {
    const char* driverName = "ESRI Shapefile";
    CPLStringList dsOptions;
    CPLStringList layerOptions;
    switch (options.format) {
      case GisFormat::Shapefile:
        layerOptions.SetNameValue("ENCODING",
                                  options.encoding == GisEncoding::Gbk ? "GBK" : "UTF-8");
        break;
      case GisFormat::GeoPackage:
        driverName = "GPKG";
        // Its R-tree is written packed once the sheets are in.
        layerOptions.SetNameValue("SPATIAL_INDEX", "NO");
        break;
      case GisFormat::Dxf:
        driverName = "DXF";
        dsOptions.SetNameValue("HEADER", ChineseDxfHeader(files, !options.geographic).c_str());
        break;
      case GisFormat::Kml:
        driverName = "KML";
        dsOptions.SetNameValue("NameField", "图幅号");
        break;
    }
    GDALDriverH driver = GDALGetDriverByName(driverName);
    if (driver == nullptr) files.Fail(std::string("GDAL 没有 ") + driverName + " 驱动");
    ds_ = GDALCreate(driver, files.WorkingName().c_str(), 0, 0, 0, GDT_Unknown, dsOptions.List());
    if (ds_ == nullptr) files.Fail(GdalReason());
    // A layer is named after its file; standard output or a descriptor of
    // the process has no name of its own ("-", "stdout", "1") and is "图幅".
    const std::string& target = files.target();
    const bool unnamed = target == "-" || target.rfind("/dev/", 0) == 0 || target.rfind("/proc/", 0) == 0;
    const std::string layerName = format_ == GisFormat::Shapefile ? fs::path(files.WorkingName()).stem().string()
                                  : unnamed                       ? std::string("图幅")
                                                                  : fs::path(target).stem().string();
    layer_ = GDALDatasetCreateLayer(ds_, layerName.c_str(), srs, geometry, layerOptions.List());
    if (layer_ == nullptr) files.Fail(GdalReason());
    if (format_ == GisFormat::GeoPackage) {
      if (const std::string why = rtree_.Begin(ds_, layer_); !why.empty()) files.Fail(why);
    }
    if (format_ == GisFormat::GeoPackage && GDALDatasetStartTransaction(ds_, FALSE) != OGRERR_NONE) {
      files.Fail(GdalReason());
    }
    // A GeoPackage table without a system points at the "undefined
    // Cartesian" entry (-1) rather than GDAL's default, the undefined
    // geographic one: an independent grid is a plane.
    // The layer is opened again after the change: GDAL gives each geometry
    // the system its layer was opened with, and the geometries must say -1
    // as their table does.
    if (format_ == GisFormat::GeoPackage && srs == nullptr) {
      const std::string table = SqlQuoted(layerName);
      for (const char* t : {"gpkg_geometry_columns", "gpkg_contents"}) {
        Sql(std::string("UPDATE ") + t + " SET srs_id = -1 WHERE table_name = " + table);
      }
      if (GDALDatasetCommitTransaction(ds_) != OGRERR_NONE) files.Fail(GdalReason());
      CPLErrorReset();
      GDALClose(ds_);
      ds_ = nullptr;
      if (CPLGetLastErrorType() == CE_Failure) files.Fail(GdalReason());
      const char* const drivers[] = {"GPKG", nullptr};
      ds_ = GDALOpenEx(files.WorkingName().c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers, nullptr,
                       nullptr);
      if (ds_ == nullptr) files.Fail(GdalReason());
      layer_ = GDALDatasetGetLayerByName(ds_, layerName.c_str());
      if (layer_ == nullptr || GDALDatasetStartTransaction(ds_, FALSE) != OGRERR_NONE) {
        files.Fail(GdalReason());
      }
    }
  }
  ~LayerWriter() {
    if (ds_ != nullptr) GDALClose(ds_);
  }
  LayerWriter(const LayerWriter&) = delete;
  LayerWriter& operator=(const LayerWriter&) = delete;

  void AddFields(const std::vector<FieldSpec>& fields) {
    for (const FieldSpec& f : fields) {
      OGRFieldDefnH defn = OGR_Fld_Create(f.name, f.type);
      if (f.width > 0) OGR_Fld_SetWidth(defn, f.width);
      const OGRErr err = OGR_L_CreateField(layer_, defn, TRUE);
      OGR_Fld_Destroy(defn);
      if (err != OGRERR_NONE) files_.Fail(GdalReason());
    }
  }

  // A feature of the layer's schema with a geometry of its own, to be filled
  // and written again and again.
  Feature NewFeature(OGRwkbGeometryType type) {
    Feature f(OGR_F_Create(OGR_L_GetLayerDefn(layer_)));
    OGRGeometryH g = OGR_G_CreateGeometry(type);
    if (type == wkbPolygon) {
      OGRGeometryH ring = OGR_G_CreateGeometry(wkbLinearRing);
      OGR_G_SetPointCount(ring, 5);
      OGR_G_AddGeometryDirectly(g, ring);
    }
    OGR_F_SetGeometryDirectly(static_cast<OGRFeatureH>(f.get()), g);
    return f;
  }

  void Write(const Feature& feature) {
    auto* f = static_cast<OGRFeatureH>(feature.get());
    OGR_F_SetFID(f, OGRNullFID);
    if (OGR_L_CreateFeature(layer_, f) != OGRERR_NONE) files_.Fail(GdalReason());
    if (rtree_.Active()) {
      OGREnvelope e;
      OGR_G_GetEnvelope(OGR_F_GetGeometryRef(f), &e);
      rtree_.Add(OGR_F_GetFID(f), e.MinX, e.MaxX, e.MinY, e.MaxY);
    }
    // A GeoPackage commits every so many features: one transaction per
    // feature would cost a journal write each, one for millions would hold
    // them all in the journal.
    if (format_ == GisFormat::GeoPackage && ++uncommitted_ == kFeaturesPerTransaction) {
      if (GDALDatasetCommitTransaction(ds_) != OGRERR_NONE ||
          GDALDatasetStartTransaction(ds_, FALSE) != OGRERR_NONE) {
        files_.Fail(GdalReason());
      }
      uncommitted_ = 0;
    }
  }

  // Commits, closes and checks that the driver reported no failure on the
  // way (a close writes the rest of a file).
  void Finish() {
    if (format_ == GisFormat::GeoPackage && GDALDatasetCommitTransaction(ds_) != OGRERR_NONE) {
      files_.Fail(GdalReason());
    }
    CPLErrorReset();
    GDALClose(ds_);
    ds_ = nullptr;
    if (CPLGetLastErrorType() == CE_Failure || CPLGetLastErrorType() == CE_Fatal) {
      files_.Fail(GdalReason());
    }
    if (const std::string why = rtree_.Finish(files_.WorkingName()); !why.empty()) files_.Fail(why);
  }

  void Sql(const std::string& statement) {
    CPLErrorReset();
    OGRLayerH result = GDALDatasetExecuteSQL(ds_, statement.c_str(), nullptr, nullptr);
    if (result != nullptr) GDALDatasetReleaseResultSet(ds_, result);
    if (CPLGetLastErrorType() == CE_Failure) files_.Fail(GdalReason());
  }

  int FieldIndex(const char* name) const {
    return OGR_FD_GetFieldIndex(OGR_L_GetLayerDefn(layer_), name);
  }

 private:
  static constexpr std::uint64_t kFeaturesPerTransaction = 1 << 16;

  FileSet& files_;
  GisFormat format_;
  GDALDatasetH ds_ = nullptr;
  OGRLayerH layer_ = nullptr;
  std::uint64_t uncommitted_ = 0;
  GpkgBulkIndex rtree_;
};

// Sets the polygon of a frame; counterClockwise reverses the ring, which
// otherwise runs clockwise (north up), as a Shapefile's outer ring must.
void SetFrame(const Feature& feature, GisFrame& frame, bool counterClockwise) {
  OGRGeometryH polygon = OGR_F_GetGeometryRef(static_cast<OGRFeatureH>(feature.get()));
  OGRGeometryH ring = OGR_G_GetGeometryRef(polygon, 0);
  if (counterClockwise) {
    std::reverse(frame.ringX.begin(), frame.ringX.end());
    std::reverse(frame.ringY.begin(), frame.ringY.end());
  }
  OGR_G_SetPoints(ring, static_cast<int>(frame.ringX.size()), frame.ringX.data(), sizeof(double),
                  frame.ringY.data(), sizeof(double), nullptr, 0);
}

// A text as an OGR style string quotes it.
std::string StyleQuoted(std::string_view text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') q.push_back('\\');
    q.push_back(c);
  }
  q.push_back('"');
  return q;
}

std::string NumberText(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// The entities of a DXF drawing on their way: a file beside the staged
// drawing in the set's hidden folder (removed with it; its name extends the
// staged one, so no target's name can be the same), put after the header
// once the extent of the entities is known, so that a drawing of millions of
// sheets is never held in memory.
class EntityFile : public Sink {
 public:
  explicit EntityFile(const FileSet& files) : files_(files), path_(files.WorkingName() + ".entities") {
    file_ = std::fopen(path_.c_str(), "w+b");
    if (file_ == nullptr) files_.Fail(path_ + ": " + strerror(errno));
  }
  ~EntityFile() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  EntityFile(const EntityFile&) = delete;
  EntityFile& operator=(const EntityFile&) = delete;

  void Write(std::string_view data) override {
    if (std::fwrite(data.data(), 1, data.size(), file_) != data.size()) files_.Fail(strerror(errno));
  }
  // Writes every byte written so far into out.
  void CopyTo(SafeFile& out) {
    if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) files_.Fail(strerror(errno));
    std::string block(std::size_t{1} << 20, '\0');
    std::size_t n = 0;
    while ((n = std::fread(block.data(), 1, block.size(), file_)) > 0) out.Write({block.data(), n});
    if (std::ferror(file_) != 0) files_.Fail(path_ + ": " + strerror(errno));
  }

 private:
  const FileSet& files_;
  std::string path_;
  std::FILE* file_ = nullptr;
};

// The drawing written by our own writer rather than GDAL's driver.
struct OwnDxf {
  OwnDxf(const FileSet& files, const GisOptions& options, const GisCrs& crs)
      : entities(files),
        writer({{}, options.geographic, options.cornersOnly,
                crs.name + (crs.epsg != 0 ? " (EPSG:" + std::to_string(crs.epsg) + ")" : "")},
               entities) {}
  EntityFile entities;
  DxfSheetWriter writer;
};

// One file of frames being written, sheet by sheet, each through a callback
// that fills the frame and the attributes. The DXF drawing has no
// attributes: it gets a polyline and a text per sheet instead.
class FrameFile {
 public:
  FrameFile(const std::string& fileName, const GisOptions& options, const GisCrs& crs,
            const std::vector<FieldSpec>& fields, std::uint64_t total, ExportProgress progress)
      : progress_(std::move(progress)),
        total_(total),
        dxf_(options.format == GisFormat::Dxf),
        counterClockwise_(options.format == GisFormat::Kml),
        gbkDbf_(options.format == GisFormat::Shapefile && options.encoding == GisEncoding::Gbk),
        files_(fileName, options.format),
        srs_(MakeSrs(crs, files_)),
        ticker_(progress_, total) {
    ticker_.Start();
    index_.assign(fields.size(), -1);
    if (dxf_ && !options.gdalDxf) {
      own_.emplace(files_, options, crs);
      return;
    }
    writer_.emplace(files_, options, static_cast<OGRSpatialReferenceH>(srs_.get()),
                    dxf_ ? wkbUnknown : wkbPolygon);
    if (!dxf_) {
      writer_->AddFields(fields);
      for (std::size_t i = 0; i < fields.size(); ++i) index_[i] = writer_->FieldIndex(fields[i].name);
    }
    frameFeature_ = writer_->NewFeature(wkbPolygon);
    if (dxf_) {
      textFeature_ = writer_->NewFeature(wkbPoint);
      const int layerField = writer_->FieldIndex("Layer");
      textField_ = writer_->FieldIndex("Text");
      OGR_F_SetFieldString(static_cast<OGRFeatureH>(frameFeature_.get()), layerField,
                           Utf8ToGbk(kDxfFrameLayer).c_str());
      OGR_F_SetFieldString(static_cast<OGRFeatureH>(textFeature_.get()), layerField,
                           Utf8ToGbk(kDxfNumberLayer).c_str());
    }
  }

  // fill(feature, field indices, frame) sets the frame and the attributes
  // (none where the index is negative) and returns the sheet's number.
  template <class Fill>
  void Add(Fill fill) {
    const std::string* number = fill(static_cast<OGRFeatureH>(frameFeature_.get()), index_, frame_);
    if (own_) {
      // A number that the drawing cannot hold fails naming the file (a
      // failed write names it already).
      std::string escaped;
      try {
        escaped = DxfEscapedText(*number);
      } catch (const Error& e) {
        throw Error(FileWriteError(files_.target(), e.GetMessage()));
      }
      own_->writer.AddEscaped(escaped, frame_);
      ticker_.Tick();
      return;
    }
    SetFrame(frameFeature_, frame_, counterClockwise_);
    writer_->Write(frameFeature_);
    files_.CheckStream();
    if (dxf_) {
      auto* text = static_cast<OGRFeatureH>(textFeature_.get());
      const double height = (frame_.MaxY() - frame_.MinY()) * kDxfTextHeightRatio;
      const std::string style =
          "LABEL(t:" + StyleQuoted(*number) + ",s:" + NumberText(height) + "g,p:5)";
      OGR_F_SetStyleString(text, style.c_str());
      OGR_F_SetFieldString(text, textField_, number->c_str());
      OGR_G_SetPoint_2D(OGR_F_GetGeometryRef(text), 0, (frame_.MinX() + frame_.MaxX()) / 2,
                        (frame_.MinY() + frame_.MaxY()) / 2);
      writer_->Write(textFeature_);
    }
    ticker_.Tick();
  }

  // Closing completes the files (a GeoPackage builds its spatial index
  // then): the user may still cancel before it starts, as every record has
  // been reported.
  void Commit() {
    ticker_.Finish();
    if (progress_ && !progress_(total_, total_)) throw Error(kExportCancelled);
    if (own_) {
      own_->writer.FinishEntities();
      own_->writer.WriteHead(files_.Main());
      own_->entities.CopyTo(files_.Main());
      DxfSheetWriter::WriteTail(files_.Main());
    } else {
      writer_->Finish();
    }
    if (gbkDbf_) MarkDbfCodePage(files_.Staged(".dbf"), kGbkLanguageDriver);
    if (dxf_) WriteDxfPrj();
    files_.Commit();
  }

 private:
  // A drawing has no coordinate system of its own: the .prj beside it
  // names it in ESRI's form, which ArcGIS and QGIS read beside a CAD file
  // (none beside a drawing written to a pipe, which has no folder).
  void WriteDxfPrj() {
    if (srs_ == nullptr) return;
    char* text = nullptr;
    const char* const options[] = {"FORMAT=WKT1_ESRI", nullptr};
    if (OSRExportToWktEx(static_cast<OGRSpatialReferenceH>(srs_.get()), &text, options) != OGRERR_NONE ||
        text == nullptr) {
      CPLFree(text);
      files_.Fail("WKT: " + GdalReason());
    }
    const std::string wkt(text);
    CPLFree(text);
    const std::string path = files_.Staged(".prj");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool written = f != nullptr && std::fwrite(wkt.data(), 1, wkt.size(), f) == wkt.size();
    const int saved = errno;
    if (f != nullptr && std::fclose(f) != 0 && written) files_.Fail(strerror(errno));
    if (!written) files_.Fail(strerror(saved));
  }

  ExportProgress progress_;
  std::uint64_t total_;
  bool dxf_;
  bool counterClockwise_;  // KML's outer rings run counter-clockwise
  bool gbkDbf_;
  FileSet files_;
  Srs srs_;
  ExportTicker ticker_;  // reports through progress_
  std::optional<OwnDxf> own_;
  std::optional<LayerWriter> writer_;
  std::vector<int> index_;
  Feature frameFeature_, textFeature_;
  int textField_ = -1;
  GisFrame frame_{};
};

template <class Table>
bool HasSheets(const Table& table) {
  for (const auto& inner : table) {
    if (!inner.empty()) return true;
  }
  return false;
}

// The frames that a .shp of at most 2^32 − 1 bytes holds: after its
// 100-byte header, each a record of 136 bytes (an 8-byte record header, the
// shape type, bounding box, part and point counts in 44, one part index in 4
// and five points in 80).
constexpr std::uint64_t kMaxShapefileFrames = (0xFFFFFFFFull - 100) / 136;

int NumberWidth(std::size_t longest) {
  return static_cast<int>(std::clamp<std::size_t>(longest, 1, 254));
}

// A Shapefile's text field holds at most 254 bytes, in the .dbf's encoding:
// a longer number would be cut (two sheets could get the same number), and
// one that GBK cannot encode would lose characters. Both are refused.
void CheckShapefileText(const std::string& fileName, const std::string& number,
                        const GisOptions& options) {
  std::size_t bytes = number.size();
  if (options.encoding == GisEncoding::Gbk && !IsAscii(number)) {
    try {
      bytes = Utf8ToGbk(number).size();
    } catch (const Error&) {
      throw Error(FileWriteError(fileName, "图幅号 “" + number +
                                               "” 含有 GBK 编码无法表示的字符，请改用 UTF-8 编码的 Shapefile"));
    }
  }
  if (bytes > 254) {
    std::size_t cut = 64;
    while (cut > 0 && (static_cast<unsigned char>(number[cut]) & 0xC0) == 0x80) --cut;  // whole characters
    throw Error(FileWriteError(fileName, "图幅号 “" + number.substr(0, cut) + "…” 长 " + std::to_string(bytes) +
                                             " 字节，超出 Shapefile 文本字段的 254 字节"));
  }
}

template <class Body>
bool Guarded(Message* reason, Body body) {
  try {
    body();
    return true;
  } catch (const Error& e) {
    if (reason != nullptr) *reason = e.GetMessage();
    return false;
  }
}

}  // namespace

const char* GisExtension(GisFormat format) {
  switch (format) {
    case GisFormat::Shapefile:
      return "shp";
    case GisFormat::GeoPackage:
      return "gpkg";
    case GisFormat::Dxf:
      return "dxf";
    case GisFormat::Kml:
      return "kml";
  }
  return "";
}

const char* GisFilter(GisFormat format) {
  switch (format) {
    case GisFormat::Shapefile:
      return "ESRI Shapefile（*.shp）|*.shp";
    case GisFormat::GeoPackage:
      return "GeoPackage（*.gpkg）|*.gpkg";
    case GisFormat::Dxf:
      return "AutoCAD DXF（*.dxf）|*.dxf";
    case GisFormat::Kml:
      return "Google Earth KML（*.kml）|*.kml";
  }
  return "";
}

void GisTableOutline::Add(const std::vector<TStandardMapUnion>& column) {
  for (const TStandardMapUnion& s : column) {
    ++sheets;
    longestNumber = std::max(longestNumber, s.MapUnionNo.size());
    for (const TAngleDMS* lon : {&s.Range.West, &s.Range.East}) {
      const double d = DmsToDeg(*lon);
      if (!(d >= westmost)) westmost = d;
      if (!(d <= eastmost)) eastmost = d;
    }
  }
}

GisTableOutline OutlineOf(const TStandardMapUnions& table) {
  GisTableOutline o;
  for (const auto& column : table) o.Add(column);
  return o;
}

std::string GisRefusal(const GisTableOutline& outline, const TPlaneSystem& system,
                       const GisOptions& options) {
  if (options.format == GisFormat::Kml && !DatumInfoOf(system.datum).nearWgs84) {
    return kKmlNeedsCgcs2000Message;
  }
  if (outline.sheets == 0) return kNoSheetsMessage;
  if (options.format == GisFormat::Shapefile && outline.sheets > kMaxShapefileFrames) {
    char text[512];
    std::snprintf(text, sizeof text, kShapefileTooLargeMessage,
                  FormatCount(static_cast<double>(outline.sheets)).c_str());
    return text;
  }
  if (!options.geographic && options.format != GisFormat::Kml) {
    try {
      PlaneCrs(outline.westmost, outline.eastmost, system);
    } catch (const Error& e) {
      return e.what();
    }
  }
  return {};
}

std::string GisRefusal(const TStandardMapUnions& table, const TPlaneSystem& system,
                       const GisOptions& options) {
  return GisRefusal(OutlineOf(table), system, options);
}

std::string GisRefusal(const TCustomMapUnions& table, const GisOptions& options) {
  if (options.format == GisFormat::Kml) return kKmlNeedsGeodeticMessage;
  if (options.geographic) return kNoGeographicMessage;
  if (!HasSheets(table)) return kNoSheetsMessage;
  return {};
}

class GisSheetStream::Impl {
 public:
  Impl(const std::string& fileName, const GisTableOutline& outline, const TPlaneSystem& system,
       const GisOptions& options, ExportProgress progress)
      : geographic_(options.geographic || options.format == GisFormat::Kml),
        cornersOnly_(options.cornersOnly),
        plane_(system),
        file_(fileName, options, CrsOf(outline, system, options), Fields(outline),
              outline.sheets, std::move(progress)) {}

  void Column(const std::vector<TStandardMapUnion>& column) {
    for (const TStandardMapUnion& s : column) {
      file_.Add([&](OGRFeatureH f, const std::vector<int>& at, GisFrame& frame) {
        FrameOfSheet(s, plane_, geographic_, cornersOnly_, frame);
        const double w = DmsToDeg(s.Range.West), south = DmsToDeg(s.Range.South);
        const double e = DmsToDeg(s.Range.East), n = DmsToDeg(s.Range.North);
        if (at[0] < 0) return &s.MapUnionNo;
        OGR_F_SetFieldString(f, at[0], s.MapUnionNo.c_str());
        OGR_F_SetFieldInteger(f, at[1], ScaleDenominatorOf(s, plane_));
        OGR_F_SetFieldString(f, at[2], std::string(StandardOf(s, plane_)).c_str());
        OGR_F_SetFieldDouble(f, at[3], w);
        OGR_F_SetFieldDouble(f, at[4], south);
        OGR_F_SetFieldDouble(f, at[5], e);
        OGR_F_SetFieldDouble(f, at[6], n);
        if (!geographic_) {
          for (int k = 0; k < 4; ++k) {
            OGR_F_SetFieldDouble(f, at[7 + 2 * static_cast<std::size_t>(k)], frame.x[k]);
            OGR_F_SetFieldDouble(f, at[8 + 2 * static_cast<std::size_t>(k)], frame.y[k]);
          }
        }
        return &s.MapUnionNo;
      });
    }
  }

  void Commit() { file_.Commit(); }

 private:
  // The file's coordinate system, once the outline is known to be writable.
  // KML is WGS 84 by definition; the CGCS2000 longitudes and latitudes are
  // written as they are.
  static GisCrs CrsOf(const GisTableOutline& outline, const TPlaneSystem& system,
                      const GisOptions& options) {
    if (const std::string refusal = GisRefusal(outline, system, options); !refusal.empty()) {
      throw Error(refusal);
    }
    if (options.format == GisFormat::Kml) return {4326, "EPSG:4326", "WGS 84"};
    if (options.geographic) return GeographicCrs(system.datum);
    return PlaneCrs(outline.westmost, outline.eastmost, system);
  }

  std::vector<FieldSpec> Fields(const GisTableOutline& outline) const {
    std::vector<FieldSpec> fields = {{"图幅号", OFTString, NumberWidth(outline.longestNumber)},
                                     {"比例尺", OFTInteger, 7},
                                     {"标准", OFTString, 3},
                                     {"WEST", OFTReal, 0},
                                     {"SOUTH", OFTReal, 0},
                                     {"EAST", OFTReal, 0},
                                     {"NORTH", OFTReal, 0}};
    if (!geographic_) {
      for (const char* c : {"X1", "Y1", "X2", "Y2", "X3", "Y3", "X4", "Y4"}) {
        fields.push_back({c, OFTReal, 0});
      }
    }
    return fields;
  }

  GdalScope gdal_;  // first made, last gone: the file closes inside it
  bool geographic_;
  bool cornersOnly_;
  FramePlane plane_;
  FrameFile file_;
};

GisSheetStream::GisSheetStream(const std::string& fileName, const GisTableOutline& outline,
                               const TPlaneSystem& system, const GisOptions& options,
                               ExportProgress progress)
    : impl_(std::make_unique<Impl>(fileName, outline, system, options, std::move(progress))) {}

GisSheetStream::~GisSheetStream() = default;

void GisSheetStream::Column(const std::vector<TStandardMapUnion>& column) { impl_->Column(column); }

void GisSheetStream::Commit() { impl_->Commit(); }

bool WriteGisSheets(const std::string& fileName, const TStandardMapUnions& table,
                    const TPlaneSystem& system, const GisOptions& options, Message* reason,
                    const ExportProgress& progress) {
  return Guarded(reason, [&] {
    GisSheetStream stream(fileName, OutlineOf(table), system, options, progress);
    for (const auto& column : table) stream.Column(column);
    stream.Commit();
  });
}

bool WriteGisCustomSheets(const std::string& fileName, const TCustomMapUnions& table,
                          const GisOptions& options, Message* reason,
                          const ExportProgress& progress, const GisCrs& crs) {
  return Guarded(reason, [&] {
    const GdalScope gdal;
    if (const std::string refusal = GisRefusal(table, options); !refusal.empty()) {
      throw Error(refusal);
    }
    std::size_t longest = 0;
    for (const auto& row : table) {
      for (const TCustomMapUnion& s : row) {
        longest = std::max(longest, s.MapUnionNo.size());
        if (options.format == GisFormat::Shapefile) CheckShapefileText(fileName, s.MapUnionNo, options);
      }
    }
    const std::vector<FieldSpec> fields = {{"图幅号", OFTString, NumberWidth(longest)},
                                           {"MINX", OFTReal, 0},
                                           {"MINY", OFTReal, 0},
                                           {"MAXX", OFTReal, 0},
                                           {"MAXY", OFTReal, 0}};
    FrameFile file(fileName, options, crs, fields, RecordsOf(table), progress);
    for (const auto& row : table) {
      for (const TCustomMapUnion& s : row) {
        file.Add([&](OGRFeatureH f, const std::vector<int>& at, GisFrame& frame) {
          FrameOfRectangle(s.MinX, s.MinY, s.MaxX, s.MaxY, frame);
          if (at[0] < 0) return &s.MapUnionNo;
          OGR_F_SetFieldString(f, at[0], s.MapUnionNo.c_str());
          OGR_F_SetFieldDouble(f, at[1], s.MinX);
          OGR_F_SetFieldDouble(f, at[2], s.MinY);
          OGR_F_SetFieldDouble(f, at[3], s.MaxX);
          OGR_F_SetFieldDouble(f, at[4], s.MaxY);
          return &s.MapUnionNo;
        });
      }
    }
    file.Commit();
  });
}

}  // namespace karvento
