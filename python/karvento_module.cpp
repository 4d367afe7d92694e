// SPDX-License-Identifier: Apache-2.0
// karvento._karvento: the command line's routines for Python. Each function
// reads its request as karvento-cli reads the same options (through the
// command line's own option readers), calls the routine the command calls,
// and hands the result back as numpy arrays or plain values. Errors are the
// command line's messages, raised as karvento.Error.
#include <dlfcn.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/common.h"
#include "cli/i18n.h"
#include "cli/modules.h"
#include "cli/transform.h"
#include "export/safe_file.h"
#include "geodesy/float_chars.h"
#include "geodesy/projection.h"
#include "numbering/area.h"
#include "numbering/area_repair.h"
#include "numbering/error.h"
#include "numbering/map_frame.h"
#include "numbering/point_numbers.h"
#include "numbering/unMapUnRgPub.h"

namespace py = pybind11;

namespace karvento::python {

namespace {

using cli::Projection;

// The error the command line prints for a request, without the
// "karvento-cli COMMAND: " in front of it.
struct PyError : std::exception {
  explicit PyError(std::string m) : text(std::move(m)) {}
  const char* what() const noexcept override { return text.c_str(); }
  std::string text;
};

// A run that its progress callback cancelled.
struct PyCancelled : PyError {
  using PyError::PyError;
};

// Runs f, turning the program's errors into karvento.Error with the text
// the command line prints for them.
template <class F>
decltype(auto) Guarded(F&& f) {
  try {
    return f();
  } catch (const cli::UsageError& e) {
    throw PyError(e.what());
  } catch (const Error& e) {
    throw PyError(cli::TranslateError(e));
  }
}

// A Python progress callback, called by a routine running without the GIL
// (from any of its threads, one call at a time): it takes the GIL while it
// runs. It cancels by returning False; an exception it raises cancels too
// and is raised again once the routine has returned.
class Progress {
 public:
  explicit Progress(py::object f) : f_(std::move(f)) {}

  template <class... A>
  bool operator()(A... values) {
    if (f_.is_none() || failure_) return !failure_;
    py::gil_scoped_acquire hold;
    try {
      const py::object r = f_(values...);
      if (r.is(py::bool_(false))) cancelled_ = true;
    } catch (...) {
      failure_ = std::current_exception();
    }
    return !cancelled_ && !failure_;
  }

  bool Cancelled() const { return cancelled_; }
  // Raises what the callback raised, if it did.
  void RaiseItsError() const {
    if (failure_) std::rethrow_exception(failure_);
  }

 private:
  py::object f_;
  bool cancelled_ = false;
  std::exception_ptr failure_;
};

// --datum, --zone and --cm as the command line reads them.
Projection ReadProjection(const std::string& datum, int zone, const py::object& cm, double maxCm) {
  std::vector<std::string> words = {"--datum", datum, "--zone", std::to_string(zone)};
  if (!cm.is_none()) {
    words.push_back("--cm");
    words.push_back(py::isinstance<py::str>(cm) ? cm.cast<std::string>() : py::str(cm).cast<std::string>());
  }
  const cli::Args args(words, cli::Options(cli::kProjectionOptionSpecs));
  return cli::ReadProjection(args, maxCm);
}

// A scale as the command line reads it: 10000, "10000", "1:10000", "1:1万".
int ReadScale(const py::object& scale) {
  return cli::ParseScale(py::str(scale).cast<std::string>());
}

bool ReadStandard(const std::string& standard) {
  if (standard != "new" && standard != "old") throw cli::UsageError(cli::Tr("--standard 只能是 new 或 old"));
  return standard == "new";
}

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

// Two arrays of the same shape (or a scalar and an array), broadcast as numpy
// broadcasts them, as contiguous doubles.
std::pair<Doubles, Doubles> Broadcast(const py::object& a, const py::object& b) {
  py::module_ np = py::module_::import("numpy");
  py::tuple both = np.attr("broadcast_arrays")(np.attr("asarray")(a, "float64"), np.attr("asarray")(b, "float64"));
  return {Doubles::ensure(both[0]), Doubles::ensure(both[1])};
}

std::vector<py::ssize_t> ShapeOf(const py::array& a) { return {a.shape(), a.shape() + a.ndim()}; }

// The longitude or latitude as karvento-cli at reads "116.5": decimal
// degrees as typed, in seconds of arc.
double Seconds(double degrees) { return DmsToSec(TAngleDMS{degrees, 0, 0}); }

// Fixed-width numpy text of sheet numbers: a standard number has at most 15
// characters, all ASCII.
constexpr py::ssize_t kNumberWidth = 15;

py::array At(const py::object& lon, const py::object& lat, const py::object& scaleArg, const std::string& standard) {
  const int scale = Guarded([&] { return ReadScale(scaleArg); });
  const bool fresh = Guarded([&] { return ReadStandard(standard); });
  if (!fresh && !HasOldStandard(scale)) Guarded([&]() -> int { throw Error(OldStandardLacksScaleMessage(scale, false)); });
  auto [x, y] = Broadcast(lon, lat);
  const py::ssize_t n = x.size();
  py::array out(py::dtype("U" + std::to_string(kNumberWidth)), ShapeOf(x));
  const double* xs = x.data();
  const double* ys = y.data();
  auto* cells = static_cast<char32_t*>(out.mutable_data());
  py::ssize_t bad = -1;
  {
    // Each number is written straight into its cell, padded with zeros
    // there: the array is touched once, and no text is allocated.
    py::gil_scoped_release free;
    // The domain is checked here, once: the numbering takes it as given.
    const PointNumbering numbering = Guarded([&] { return PointNumbering(scale, fresh); });
    char number[kSheetNumberBytes];
    for (py::ssize_t i = 0; i < n; ++i) {
      const double ls = Seconds(xs[i]), bs = Seconds(ys[i]);
      // The comparisons refuse NaN and the infinities too.
      if (!InNumberedDomain(ls, bs)) {
        bad = i;
        break;
      }
      // Zeros behind the number pad its cell; the copy is of a fixed width.
      std::memset(number, 0, kNumberWidth + 1);
      numbering.Number(number, ls, bs);
      char32_t* cell = cells + i * kNumberWidth;
      for (std::size_t k = 0; k < static_cast<std::size_t>(kNumberWidth); ++k) {
        cell[k] = static_cast<unsigned char>(number[k]);
      }
    }
  }
  if (bad >= 0) {
    throw PyError(cli::TranslateMessage(kOutsideNumberedDomain));
  }
  return out;
}

// A list of numbers: a str alone or any iterable of them.
std::vector<std::string> Numbers(const py::object& numbers) {
  if (py::isinstance<py::str>(numbers)) return {numbers.cast<std::string>()};
  std::vector<std::string> all;
  for (const py::handle n : numbers) all.push_back(py::str(n).cast<std::string>());
  return all;
}

py::dict Edges(const TMapUnionRange& r) {
  py::dict d;
  d["west"] = DmsToDeg(r.West);
  d["south"] = DmsToDeg(r.South);
  d["east"] = DmsToDeg(r.East);
  d["north"] = DmsToDeg(r.North);
  return d;
}

py::dict Record(const TStandardMapUnion& s) {
  py::dict d = Edges(s.Range);
  d["number"] = s.MapUnionNo;
  py::list corners;
  for (const TPlanePoint& c : s.PlaneCorners) corners.append(py::make_tuple(c.X, c.Y));
  d["corners"] = corners;
  return d;
}

// The sheet of a number that passed the check (kind 1 old, 2 new).
TMapUnionRange RangeOf(const std::string& n, std::uint8_t kind) {
  return kind == 1 ? ParseOldMapUnionNo(n) : ParseNewMapUnionNo(n);
}

// karvento-cli check: for each number its standard and edges, or the error
// the command prints for it.
py::list Check(const py::object& numbers) {
  py::list out;
  for (const std::string& typed : Numbers(numbers)) {
    const std::string n = SheetNumberInCapitals(typed);
    py::dict row;
    row["number"] = n;
    try {
      const std::uint8_t kind = CheckMapUnionNo(n);
      if (kind == 0) {
        row["standard"] = py::none();
        row["error"] = cli::TrFormat("%s不是标准图幅号！", {typed});
      } else {
        const TMapUnionRange r = RangeOf(n, kind);
        row["standard"] = kind == 1 ? "old" : "new";
        for (auto item : Edges(r)) row[item.first] = item.second;
        row["error"] = py::none();
      }
    } catch (const Error& e) {
      row["standard"] = py::none();
      row["error"] = cli::NumberErrorText(typed, e);
    }
    out.append(row);
  }
  return out;
}

// karvento-cli convert: the sheets of the target scale that each number
// covers, in the other standard; a number that does not convert raises.
py::list Convert(const py::object& numbers, const py::object& toScale, const std::string& direction,
                 const std::string& datum, int zone, const py::object& cm) {
  const int scale = Guarded([&] { return ReadScale(toScale); });
  if (direction != "auto" && direction != "old-to-new" && direction != "new-to-old") {
    throw PyError(cli::Tr("--direction 只能是 auto、old-to-new 或 new-to-old"));
  }
  const Projection p = Guarded([&] {
    if (direction == "new-to-old") RequireConversionTarget(false, scale);
    return ReadProjection(datum, zone, cm, cli::kMaxConversionCentralMeridian);
  });
  py::list out;
  std::int64_t total = 0;
  for (const std::string& typed : Numbers(numbers)) {
    const std::string n = SheetNumberInCapitals(typed);
    std::vector<TStandardMapUnion> found;
    try {
      const std::uint8_t kind = CheckMapUnionNo(n);
      if (kind == 0) throw PyError(cli::TrFormat("%s不是标准图幅号！", {typed}));
      const bool oldToNew = direction == "auto" ? kind == 1 : direction == "old-to-new";
      found = ConvertMapUnionNo(n, oldToNew, scale, p.zone3, p.cm, p.datum);
      AddConvertedSheets(total, found.size());
    } catch (const Error& e) {
      throw PyError(cli::NumberErrorText(typed, e));
    }
    for (const TStandardMapUnion& s : found) {
      py::dict r = Record(s);
      r["source"] = n;
      out.append(r);
    }
  }
  return out;
}

// The 接合图表 of a sheet number: its eight neighbours and itself, north-west
// to south-east row by row (None beyond the domain's edge).
py::list Neighbours(const std::string& typed, const std::string& datum, int zone, const py::object& cm) {
  const Projection p = Guarded([&] { return ReadProjection(datum, zone, cm, cli::kMaxCentralMeridian); });
  const std::string n = SheetNumberInCapitals(typed);
  std::array<TStandardMapUnion, 9> around;
  try {
    const std::uint8_t kind = CheckMapUnionNo(n);
    if (kind == 0) throw PyError(cli::TrFormat("%s不是标准图幅号！", {typed}));
    TStandardMapUnion sheet;
    sheet.MapUnionNo = n;
    sheet.Range = RangeOf(n, kind);
    if (!NeighboursOfSheet(sheet, p.zone3, p.datum, p.cm, around)) {
      throw PyError(cli::TrFormat("%s不是标准图幅号！", {typed}));
    }
  } catch (const Error& e) {
    throw PyError(cli::NumberErrorText(typed, e));
  }
  static const char* const places[9] = {"NW", "N", "NE", "W", "C", "E", "SW", "S", "SE"};
  py::list out;
  for (int k = 0; k < 9; ++k) {
    if (around[k].MapUnionNo.empty()) {
      out.append(py::none());
      continue;
    }
    py::dict r = Record(around[k]);
    r["place"] = places[k];
    out.append(r);
  }
  return out;
}

// karvento-cli project over arrays: easting X and northing Y in metres.
py::tuple Project(const py::object& lon, const py::object& lat, const std::string& datum, int zone,
                  const py::object& cm) {
  const Projection p = Guarded([&] { return ReadProjection(datum, zone, cm, cli::kMaxCentralMeridian); });
  auto [a, b] = Broadcast(lon, lat);
  const py::ssize_t n = a.size();
  Doubles x(ShapeOf(a)), y(ShapeOf(a));
  const double* as = a.data();
  const double* bs = b.data();
  double* xs = x.mutable_data();
  double* ys = y.mutable_data();
  {
    py::gil_scoped_release free;
    Guarded([&] {
      for (py::ssize_t i = 0; i < n; ++i) {
        // The fields' limits of karvento-cli project, worded by its own
        // reader from the shortest text of the value.
        if (!(as[i] >= 0 && as[i] <= 180) || !(bs[i] >= 0 && bs[i] <= 90)) {
          const double both[2] = {as[i], bs[i]};
          for (int k = 0; k < 2; ++k) {
            char buf[400];
            const std::string text(buf, FloatToChars(buf, buf + sizeof buf, both[k]).ptr);
            cli::ParseCornerAngle(text, k ? 90 : 180, cli::Tr(k ? "纬度" : "经度"), true);
          }
        }
        const TPlanePoint r = cli::ProjectGeo(p, {{as[i], 0, 0}, {bs[i], 0, 0}});
        xs[i] = r.X;
        ys[i] = r.Y;
      }
    });
  }
  return py::make_tuple(x, y);
}

// karvento-cli project --inverse over arrays: decimal degrees.
py::tuple Inverse(const py::object& east, const py::object& north, const std::string& datum, int zone,
                  const py::object& cm) {
  const Projection p = Guarded([&] { return ReadProjection(datum, zone, cm, cli::kMaxCentralMeridian); });
  auto [a, b] = Broadcast(east, north);
  const py::ssize_t n = a.size();
  Doubles lon(ShapeOf(a)), lat(ShapeOf(a));
  const double* as = a.data();
  const double* bs = b.data();
  double* ls = lon.mutable_data();
  double* bt = lat.mutable_data();
  {
    py::gil_scoped_release free;
    Guarded([&] {
      for (py::ssize_t i = 0; i < n; ++i) {
        const TLonLatDMS g = cli::ProjectPlane(p, as[i], bs[i]);
        ls[i] = DmsToDeg(g.Lon);
        bt[i] = DmsToDeg(g.Lat);
      }
    });
  }
  return py::make_tuple(lon, lat);
}

// A module of karvento-cli (libkarvento-cli-gis.so: the area reader and the
// GIS writers; libkarvento-cli-map.so: the index maps and PDF frames),
// loaded once so that the command line's loader finds it by its name:
// beside this extension in a wheel, in the build tree's cli/, else where the
// package installs it.
std::string InstalledModuleDir(const std::string& folder) {
  const std::string dir = KARVENTO_INSTALLED_MODULE_DIR;
  return dir.front() == '/' ? dir : folder + "/" + dir;
}

void LoadModule(const char* file) {
  Dl_info self{};
  std::string folder;
  if (dladdr(reinterpret_cast<void*>(&LoadModule), &self) && self.dli_fname) {
    folder = self.dli_fname;
    folder = folder.substr(0, folder.find_last_of('/'));
  }
  for (const std::string& place : {folder + "/" + file, folder + "/../../cli/" + file,
                                   InstalledModuleDir(folder) + "/" + file}) {
    if (dlopen(place.c_str(), RTLD_NOW | RTLD_GLOBAL)) return;
  }
}

void LoadGisModule() {
  static const bool loaded = (LoadModule("libkarvento-cli-gis.so"), true);
  (void)loaded;
}

void LoadMapModule() {
  static const bool loaded = (LoadModule("libkarvento-cli-map.so"), true);
  (void)loaded;
}

// The sheets of a request, as karvento-cli sheets walks them.
class Sheets {
 public:
  Sheets(const py::object& extent, const py::object& polygon, const py::object& aoi, const py::object& scaleArg,
         const std::string& standard, const std::string& datum, int zone, const py::object& cm, double minCover) {
    const int given = !extent.is_none() + !polygon.is_none() + !aoi.is_none();
    if (given != 1) throw PyError(cli::Tr("必须给出 --from 和 --to（或 --params 文件，或 --aoi 文件）"));
    const int scale = Guarded([&] { return ReadScale(scaleArg); });
    const bool fresh = Guarded([&] { return ReadStandard(standard); });
    p_ = Guarded([&] { return ReadProjection(datum, zone, cm, cli::kMaxCentralMeridian); });
    scale_ = scale;
    fresh_ = fresh;
    walk_ = Guarded([&] {
      if (!extent.is_none()) {
        const auto e = extent.cast<std::vector<py::object>>();
        if (e.size() != 4) throw PyError("extent = (west, south, east, north)");
        // The corners as --from W,S --to E,N reads them.
        const auto text = [&](std::size_t i) { return py::str(e[i]).cast<std::string>(); };
        const TLonLatDMS from = cli::ParsePoint(text(0) + "," + text(1), "--from");
        const TLonLatDMS to = cli::ParsePoint(text(2) + "," + text(3), "--to");
        const TMapUnionRange range{from.Lon, from.Lat, to.Lon, to.Lat};
        const std::string inverted = cli::InvertedCornersText(range);
        if (!inverted.empty()) throw Error(inverted);
        range_ = range;
        return std::make_unique<SheetWalk>(range, scale, fresh, p_.zone3, p_.datum, p_.cm, false);
      }
      GeoMultiPolygon area;
      if (!aoi.is_none()) {
        LoadGisModule();
        const std::string file = py::str(aoi).cast<std::string>();
        area = cli::Gis().readAreaFile(file, "", "", p_.datum).area;
        if (const std::string problem = AreaDomainProblem(area); !problem.empty()) {
          throw Error(cli::TrFormat("范围文件 “%s” %s", {file, cli::TranslateMessage(problem)}));
        }
      } else {
        // Polygons of rings of (lon, lat): one ring, a list of rings (outer
        // first) or a list of such polygons.
        const py::list polygons = PolygonsOf(polygon);
        for (const py::handle poly : polygons) {
          GeoPolygon g;
          for (const py::handle ring : poly) {
            GeoRing r;
            for (const py::handle pt : ring) {
              const auto xy = pt.cast<std::pair<double, double>>();
              r.push_back({xy.first, xy.second});
            }
            g.rings.push_back(std::move(r));
          }
          area.push_back(std::move(g));
        }
        const Message bad = AreaRingProblem(area);
        if (!bad.Empty()) throw Error(bad);
        // Repaired and merged as an area file's polygons are.
        SettledArea settled = SettleArea(area);
        if (settled.merged && settled.area.empty()) throw Error(Message(msg::kAreaNoArea));
        if (settled.merged) area = std::move(settled.area);
        if (const std::string problem = AreaDomainProblem(area); !problem.empty()) throw Error(problem);
      }
      area_ = area;
      minCover_ = minCover;
      return std::make_unique<SheetWalk>(area, minCover, scale, fresh, p_.zone3, p_.datum, p_.cm, false);
    });
  }

  std::int64_t Columns() const { return walk_->Columns(); }

  // One column of the walk, north to south.
  std::vector<TStandardMapUnion> Column(std::int64_t c) const {
    std::vector<TStandardMapUnion> out;
    Guarded([&] { walk_->Run([&](std::vector<TStandardMapUnion>& col) { out = std::move(col); }, c, c + 1); });
    return out;
  }

  // The whole walk as a structured array: the walk's columns collected,
  // then copied into the array's rows.
  py::array ToNumpy() const {
    std::vector<std::vector<TStandardMapUnion>> columns;
    std::size_t total = 0;
    {
      py::gil_scoped_release free;
      total = Collect(columns);
    }
    py::array out(RecordType(), std::vector<py::ssize_t>{static_cast<py::ssize_t>(total)});
    {
      py::gil_scoped_release free;
      CopyRows(columns, static_cast<RecordRow*>(out.mutable_data()));
    }
    return out;
  }

  // The yardstick of ToNumpy for the benchmark: the same walk and the same
  // copy into rows of plain memory, no numpy array. The count of sheets.
  std::size_t NativeCopy() const {
    py::gil_scoped_release free;
    std::vector<std::vector<TStandardMapUnion>> columns;
    const std::size_t total = Collect(columns);
    std::unique_ptr<RecordRow[]> rows(new RecordRow[total]);
    CopyRows(columns, rows.get());
    return total;
  }

  // karvento-cli sheets --output path: the workbook and the index maps made
  // from the whole table (within the sheet limit), every other format
  // streamed column by column, through the command's writers.
  // progress(done, total) after each column of a streamed format (total 0
  // for an area); False cancels, leaving no file, and raises
  // karvento.Cancelled.
  void Write(const std::string& path, const std::vector<std::string>& options, const py::object& progress) const {
    std::vector<std::string> words = {"--output", path, "--quiet"};
    words.insert(words.end(), options.begin(), options.end());
    Guarded([&] {
      const cli::OutputOptions o = cli::ReadOutputOptions(cli::Args(words, cli::Options(cli::kOutputOptionSpecs)));
      if (o.file.empty() || o.file == "/dev/stdout") throw cli::UsageError(cli::Tr("请给出 --output 目录或文件"));
      const std::string standard = fresh_ ? "new" : "old";
      if (cli::GisOptionsOf(o)) LoadGisModule();
      if (o.format == cli::Format::Xlsx || o.format == cli::Format::Svg || o.format == cli::Format::Png ||
          o.format == cli::Format::Pdf) {
        TStandardMapUnions sheets;
        if (area_) {
          CreateMapUnionsInArea(*area_, scale_, fresh_, p_.zone3, p_.datum, p_.cm, minCover_, sheets);
        } else {
          CreateMapUnionsOfStandard(range_, scale_, fresh_, p_.zone3, p_.datum, p_.cm, sheets);
        }
        if (o.format != cli::Format::Xlsx) LoadMapModule();
        if (!cli::WriteStandardMap(o, sheets, cli::MapTitle(kScaleCaptions[scale_], standard, p_.datum), -1,
                                   area_ ? &*area_ : nullptr)) {
          cli::WriteStandardFile(o, sheets, p_, 0, 0);
        }
        return 0;
      }
      Progress report(progress);
      try {
        py::gil_scoped_release free;
        cli::StreamStandardSheets(o, *walk_, cli::ColumnEdits{},
                                  {std::string(kScaleCaptions[scale_]), kScaleDenominators[scale_], standard, nullptr,
                                   cli::DatumName(p_), false},
                                  p_, cli::ProgressLine::Mode::Off,
                                  [&](std::uint64_t done, std::uint64_t total) { return report(done, total); });
      } catch (const Error&) {
        report.RaiseItsError();
        if (report.Cancelled()) throw PyCancelled(cli::TranslateMessage(kExportCancelled));
        throw;
      }
      return 0;
    });
  }

  static py::dtype RecordType() {
    py::module_ np = py::module_::import("numpy");
    py::list fields;
    fields.append(py::make_tuple("number", "U15"));
    for (const char* f : {"west", "south", "east", "north", "x_nw", "y_nw", "x_ne", "y_ne", "x_se", "y_se",
                          "x_sw", "y_sw"}) {
      fields.append(py::make_tuple(f, "f8"));
    }
    // Aligned as a C struct, so that the rows are RecordRow.
    return py::dtype(np.attr("dtype")(fields, py::arg("align") = true));
  }

 private:
  struct RecordRow {
    char32_t number[kNumberWidth];
    double edges[4];
    double corners[8];
  };
  // numpy's aligned layout of RecordType: the doubles start at 64.
  static_assert(sizeof(RecordRow) == 160 && offsetof(RecordRow, edges) == 64);

  std::size_t Collect(std::vector<std::vector<TStandardMapUnion>>& columns) const {
    std::size_t total = 0;
    Guarded([&] {
      walk_->Run([&](std::vector<TStandardMapUnion>& col) {
        total += col.size();
        columns.push_back(std::move(col));
      });
    });
    return total;
  }

  static void CopyRows(const std::vector<std::vector<TStandardMapUnion>>& columns, RecordRow* row) {
    for (const auto& col : columns) {
      for (const TStandardMapUnion& s : col) {
        std::memset(row->number, 0, sizeof row->number);
        for (std::size_t k = 0; k < s.MapUnionNo.size() && k < static_cast<std::size_t>(kNumberWidth); ++k) {
          row->number[k] = static_cast<unsigned char>(s.MapUnionNo[k]);
        }
        row->edges[0] = DmsToDeg(s.Range.West);
        row->edges[1] = DmsToDeg(s.Range.South);
        row->edges[2] = DmsToDeg(s.Range.East);
        row->edges[3] = DmsToDeg(s.Range.North);
        for (int k = 0; k < 4; ++k) {
          row->corners[2 * k] = s.PlaneCorners[k].X;
          row->corners[2 * k + 1] = s.PlaneCorners[k].Y;
        }
        ++row;
      }
    }
  }

  static py::list PolygonsOf(const py::object& polygon) {
    // Depth of nesting: a ring is a list of pairs.
    py::list p = py::list(polygon);
    if (p.empty()) return p;
    py::object first = p[0];
    py::object inner = py::list(first)[0];
    if (py::isinstance<py::float_>(inner) || py::isinstance<py::int_>(inner)) {
      py::list one, polys;
      one.append(p);
      polys.append(one);
      return polys;  // one ring
    }
    py::object deeper = py::list(inner)[0];
    if (py::isinstance<py::float_>(deeper) || py::isinstance<py::int_>(deeper)) {
      py::list polys;
      polys.append(p);
      return polys;  // one polygon of rings
    }
    return p;
  }

  Projection p_;
  int scale_ = 0;
  bool fresh_ = true;
  TMapUnionRange range_{};
  std::optional<GeoMultiPolygon> area_;
  double minCover_ = 0;
  std::unique_ptr<SheetWalk> walk_;
};

// karvento-cli frame: the map frames (图廓) of numbers or of an extent, in
// the command's formats, through its frame builder and writers.
void Frame(const py::object& numbers, const std::string& output, const py::object& format,
           const std::vector<std::string>& options) {
  std::vector<std::string> words;
  if (!numbers.is_none()) words = Numbers(numbers);
  words.insert(words.end(), {"--output", output});
  if (!format.is_none()) words.insert(words.end(), {"--format", py::str(format).cast<std::string>()});
  words.insert(words.end(), options.begin(), options.end());
  LoadGisModule();
  LoadMapModule();
  Guarded([&] { return cli::RunFrameQuietly(words, true); });
}

// ---- tag and clip: the GIS commands, with progress and cancel --------------

// karvento-cli tag WORDS: the request read by the command's reader, the
// layer tagged by its routine. A cancel raises karvento.Cancelled.
py::dict Tag(const std::vector<std::string>& words, const py::object& progress) {
  const LayerTagRequest q = Guarded([&] { return cli::ReadTagRequest(cli::TagArgs(words)); });
  LoadGisModule();
  Progress report(progress);
  LayerTagResult r;
  try {
    py::gil_scoped_release free;
    r = Guarded([&] { return cli::Gis().tagLayer(q, [&](std::uint64_t read) { return report(read); }); });
  } catch (const PyError&) {
    report.RaiseItsError();
    if (report.Cancelled()) throw PyCancelled(cli::TranslateMessage(kExportCancelled));
    throw;
  }
  py::dict d;
  d["features"] = r.features;
  d["rows"] = r.rows;
  d["outside"] = r.outside;
  d["empty"] = r.empty;
  py::list notices;
  for (const Message& m : r.notices) notices.append(cli::TranslateMessage(m));
  d["notices"] = notices;
  d["output"] = q.output;
  return d;
}

// karvento-cli clip WORDS (numbers: the sheets, in place of --sheet): the
// request read by the command's reader, the data cut by its routine. A
// cancel stops after the sheets being cut, whose files are complete, and
// returns what was written.
py::dict Clip(const std::vector<std::string>& words, const std::vector<std::string>& numbers,
              const py::object& progress) {
  const ClipRequest q = Guarded([&] { return cli::ReadClipRequest(cli::ClipArgs(words), numbers); });
  LoadGisModule();
  Progress report(progress);
  ClipResult r;
  {
    py::gil_scoped_release free;
    r = Guarded([&] {
      return cli::Gis().clip(q, [&](const ClipProgress& p) {
        return report(static_cast<std::uint64_t>(p.done), static_cast<std::uint64_t>(p.total), p.bytes);
      });
    });
  }
  report.RaiseItsError();
  py::dict d;
  d["written"] = r.written;
  d["empty"] = r.empty;
  d["resumed"] = r.resumed;
  d["bytes"] = r.bytes;
  d["summary"] = r.summary;
  d["cancelled"] = report.Cancelled();
  return d;
}

// ---- transform: karvento-cli transform's steps -----------------------------

// The words of `karvento-cli transform WHAT ...` read as the command reads
// them.
cli::Args TransformArgs(std::vector<std::string> words) {
  std::size_t count = 0;
  const cli::OptionSpec* options = cli::TransformOptionSpecs(count);
  std::vector<cli::OptionSpec> known(options, options + count);
  return cli::Args(words, known);
}

void AddOption(std::vector<std::string>& words, const char* name, const py::object& value) {
  if (value.is_none()) return;
  words.push_back(std::string("--") + name);
  words.push_back(py::str(value).cast<std::string>());
}

std::vector<std::string> MoverWords(const std::string& what, const std::string& params, bool inverse,
                                    const py::object& zone, const py::object& cm, const std::string& method,
                                    const py::object& scale) {
  std::vector<std::string> words = {what, "--params", params, "--method", method};
  if (inverse) words.push_back("--inverse");
  AddOption(words, "zone", zone);
  AddOption(words, "cm", cm);
  AddOption(words, "scale", scale);
  return words;
}

py::dict Solve(const py::object& points, const std::string& model, const std::string& source,
               const std::string& target, const py::object& zone, const py::object& cm,
               const std::string& convention, const py::object& reject, const py::object& output,
               const py::object& sourceLayer, const py::object& targetLayer, const py::object& joinField) {
  std::vector<std::string> words = {"solve"};
  if (!points.is_none()) words.push_back(py::str(points).cast<std::string>());
  words.insert(words.end(), {"--model", model, "--from", source, "--to", target, "--convention", convention});
  AddOption(words, "zone", zone);
  AddOption(words, "cm", cm);
  AddOption(words, "reject", reject);
  AddOption(words, "source", sourceLayer);
  AddOption(words, "target", targetLayer);
  AddOption(words, "join-field", joinField);
  if (!sourceLayer.is_none()) LoadGisModule();
  const cli::SolvedTransform solved = Guarded([&] { return cli::SolveCommonPoints(TransformArgs(words)); });
  if (!output.is_none()) Guarded([&] {
    cli::WriteSolvedParams(py::str(output).cast<std::string>(), solved);
    return 0;
  });
  const TransformSolution& sol = solved.solution;
  py::dict d;
  py::dict values, errors;
  const std::vector<ParameterValue> v = ParameterValues(sol.params);
  for (std::size_t i = 0; i < v.size(); ++i) {
    values[v[i].key] = v[i].value;
    if (i < sol.standardErrors.size()) errors[v[i].key] = sol.standardErrors[i];
  }
  d["description"] = DescribeTransform(sol.params);
  d["parameters"] = values;
  d["standard_errors"] = errors;
  d["sigma0"] = sol.sigma0;
  d["redundancy"] = sol.redundancy;
  py::list residuals;
  for (const PointResidual& r : sol.residuals) {
    py::dict row;
    row["name"] = r.name;
    row["east"] = r.east;
    row["north"] = r.north;
    row["up"] = r.up;
    row["rejected"] = r.rejected;
    residuals.append(row);
  }
  d["residuals"] = residuals;
  d["rejected"] = sol.rejected;
  d["notices"] = solved.notices;
  d["file"] = FormatTransformParams(sol.params);
  return d;
}

// transform apply over arrays: x, y (longitude and latitude, or easting and
// northing with cm) and the optional height z.
py::tuple Apply(const py::object& x, const py::object& y, const std::string& params, const py::object& z,
                bool inverse, const py::object& zone, const py::object& cm, const std::string& method,
                const py::object& scale) {
  const PointMover m = Guarded([&] {
    return cli::ReadTransformMover(TransformArgs(MoverWords("apply", params, inverse, zone, cm, method, scale)));
  });
  auto [a, b] = Broadcast(x, y);
  Doubles c = z.is_none() ? Doubles(ShapeOf(a)) : Broadcast(x, z).second;
  if (z.is_none()) std::fill(c.mutable_data(), c.mutable_data() + c.size(), 0.0);
  const py::ssize_t n = a.size();
  Doubles xo(ShapeOf(a)), yo(ShapeOf(a)), zo(ShapeOf(a));
  const double *as = a.data(), *bs = b.data(), *cs = c.data();
  double *xs = xo.mutable_data(), *ys = yo.mutable_data(), *zs = zo.mutable_data();
  bool beyond = false;
  {
    py::gil_scoped_release free;
    for (py::ssize_t i = 0; i < n && !beyond; ++i) {
      xs[i] = as[i];
      ys[i] = bs[i];
      zs[i] = cs[i];
      beyond = !m.Move(xs[i], ys[i], zs[i]);
    }
  }
  if (beyond) throw PyError(cli::Tr("结果超出了投影的计算范围：这些坐标无法换算。"));
  if (z.is_none()) return py::make_tuple(xo, yo);
  return py::make_tuple(xo, yo, zo);
}

// transform show: the parameters of a file and what they do.
py::dict ReadParams(const std::string& file) {
  TransformParams t;
  Guarded([&] {
    const PointMover m = cli::ReadTransformMover(TransformArgs({"show", "--params", file}));
    t = m.t;
    return 0;
  });
  py::dict d, values;
  for (const ParameterValue& v : ParameterValues(t)) values[v.key] = v.value;
  d["description"] = DescribeTransform(t);
  d["parameters"] = values;
  d["source"] = DatumInfoOf(t.source).key;
  d["target"] = DatumInfoOf(t.target).key;
  return d;
}

std::uint64_t MoveLayer(const std::string& input, const std::string& output, const std::string& params,
                        bool inverse, const py::object& zone, const py::object& cm, const std::string& method,
                        const py::object& scale) {
  LoadGisModule();
  std::vector<std::string> words = MoverWords("layer", params, inverse, zone, cm, method, scale);
  words.insert(words.begin() + 1, {input, output});
  return Guarded([&] { return cli::MoveLayerWith(TransformArgs(words)); });
}

}  // namespace

}  // namespace karvento::python

PYBIND11_MODULE(_karvento, m) {
  using namespace karvento::python;
  m.doc() = "Chinese national topographic map sheets: the routines of karvento-cli.";
  static py::exception<PyError> error(m, "Error", PyExc_ValueError);
  static py::exception<PyCancelled> cancelled(m, "Cancelled", error.ptr());
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const PyCancelled& e) {
      PyErr_SetString(cancelled.ptr(), e.what());
    } catch (const PyError& e) {
      PyErr_SetString(error.ptr(), e.what());
    } catch (const karvento::Error& e) {
      PyErr_SetString(error.ptr(), karvento::cli::TranslateError(e).c_str());
    } catch (const karvento::cli::UsageError& e) {
      PyErr_SetString(error.ptr(), e.what());
    }
  });
  m.def("at", &At, py::arg("lon"), py::arg("lat"), py::arg("scale") = 10000, py::arg("standard") = "new");
  m.def("check", &Check, py::arg("numbers"));
  m.def("convert", &Convert, py::arg("numbers"), py::arg("to_scale") = 10000, py::arg("direction") = "auto",
        py::arg("datum") = "54", py::arg("zone") = 3, py::arg("cm") = py::none());
  m.def("neighbours", &Neighbours, py::arg("number"), py::arg("datum") = "54", py::arg("zone") = 3,
        py::arg("cm") = py::none());
  m.def("project", &Project, py::arg("lon"), py::arg("lat"), py::arg("datum") = "54", py::arg("zone") = 3,
        py::arg("cm") = py::none());
  m.def("inverse", &Inverse, py::arg("x"), py::arg("y"), py::arg("datum") = "54", py::arg("zone") = 3,
        py::arg("cm") = py::none());
  m.def("_frame", &Frame, py::arg("numbers"), py::arg("output"), py::arg("format"), py::arg("options"));
  m.def("_tag", &Tag, py::arg("words"), py::arg("progress"));
  m.def("_clip", &Clip, py::arg("words"), py::arg("numbers"), py::arg("progress"));
  py::module_ t = m.def_submodule("transform", "Datum transformation: karvento-cli transform.");
  t.def("solve", &Solve, py::arg("points") = py::none(), py::arg("model") = "bursa7", py::arg("source") = "54",
        py::arg("target") = "2000", py::arg("zone") = py::none(), py::arg("cm") = py::none(),
        py::arg("convention") = "position-vector", py::arg("reject") = py::none(), py::arg("output") = py::none(),
        py::arg("source_layer") = py::none(), py::arg("target_layer") = py::none(),
        py::arg("join_field") = py::none());
  t.def("apply", &Apply, py::arg("x"), py::arg("y"), py::arg("params"), py::arg("z") = py::none(),
        py::arg("inverse") = false, py::arg("zone") = py::none(), py::arg("cm") = py::none(),
        py::arg("method") = "direct", py::arg("scale") = py::none());
  t.def("read_params", &ReadParams, py::arg("path"));
  t.def("move_layer", &MoveLayer, py::arg("input"), py::arg("output"), py::arg("params"),
        py::arg("inverse") = false, py::arg("zone") = py::none(), py::arg("cm") = py::none(),
        py::arg("method") = "direct", py::arg("scale") = py::none());
  py::class_<Sheets>(m, "_Walk")
      .def(py::init<py::object, py::object, py::object, py::object, std::string, std::string, int, py::object,
                    double>(),
           py::arg("extent"), py::arg("polygon"), py::arg("aoi"), py::arg("scale"), py::arg("standard"),
           py::arg("datum"), py::arg("zone"), py::arg("cm"), py::arg("min_cover"))
      .def("columns", &Sheets::Columns)
      .def("column",
           [](const Sheets& s, std::int64_t c) {
             py::list out;
             for (const karvento::TStandardMapUnion& u : s.Column(c)) out.append(Record(u));
             return out;
           })
      .def("to_numpy", &Sheets::ToNumpy)
      .def("write", &Sheets::Write, py::arg("path"), py::arg("options"), py::arg("progress") = py::none())
      .def("_native_copy", &Sheets::NativeCopy);
}
