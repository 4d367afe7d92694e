// SPDX-License-Identifier: Apache-2.0
// The GIS formats against what a user would do otherwise: convert the tool's
// own GeoJSON of the same sheets with ogr2ogr. The 857,088 sheets of 1:1万
// over 73°–135° E, 18°–54° N, in longitude and latitude, to GeoPackage and to
// Shapefile; each writer runs once per iteration, and the ratios are printed
// at the end of the run.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "export/export_progress.h"
#include "gis/gis_export.h"
#include "numbering/unMapUnRgPub.h"
#include "ratio_reporter.h"

namespace {

using namespace karvento;

struct Scratch {
  std::string dir;
  Scratch() {
    std::string pattern = (std::filesystem::temp_directory_path() / "karvento-bench-gis-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    dir = pattern;
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

Scratch& Folder() {
  static Scratch s;
  return s;
}

const TStandardMapUnions& China10000() {
  static const TStandardMapUnions table = [] {
    TStandardMapUnions t;
    CreateMapUnionsOfStandard({{73, 0, 0}, {18, 0, 0}, {135, 0, 0}, {54, 0, 0}}, 6, true, true, Datum::Beijing54,
                              0, t);
    return t;
  }();
  return table;
}

// The tool's own GeoJSON of the same request, written once.
const std::string& GeoJson() {
  static const std::string file = [] {
    const std::string f = Folder().dir + "/sheets.geojson";
    const std::string command = std::string(KARVENTO_CLI) +
                                " sheets --from 73,18 --to 135,54 --scale 1:1万 --format geojson"
                                " --output " + f;
    if (std::system(command.c_str()) != 0) std::abort();
    return f;
  }();
  return file;
}

void Clean(const std::string& stem) {
  for (const char* ext : {".gpkg", ".shp", ".shx", ".dbf", ".prj", ".cpg"}) {
    std::filesystem::remove(Folder().dir + "/" + stem + ext);
  }
}

void Ours(benchmark::State& state, GisFormat format) {
  const TStandardMapUnions& table = China10000();
  const std::string file = Folder().dir + "/ours." + GisExtension(format);
  // The frames of four corners, as the GeoJSON that ogr2ogr converts has them.
  GisOptions options{format, true, GisEncoding::Utf8};
  options.cornersOnly = true;
  for (auto _ : state) {
    Message reason;
    if (!WriteGisSheets(file, table, {Datum::Beijing54, true, 0, 0, 0}, options, &reason)) {
      state.SkipWithError(reason.Text().c_str());
      break;
    }
    state.PauseTiming();
    Clean("ours");
    state.ResumeTiming();
  }
  state.counters["sheets/s"] =
      benchmark::Counter(static_cast<double>(RecordsOf(table)) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void Ogr2ogr(benchmark::State& state, const char* driver, const char* ext) {
  const std::string& source = GeoJson();
  const std::string target = Folder().dir + "/theirs." + ext;
  const std::string command = std::string("ogr2ogr -f '") + driver + "' " + target + " " + source;
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("ogr2ogr failed");
      break;
    }
    state.PauseTiming();
    Clean("theirs");
    state.ResumeTiming();
  }
}

void BM_OursGeoPackage(benchmark::State& s) { Ours(s, GisFormat::GeoPackage); }
void BM_Ogr2ogrGeoPackage(benchmark::State& s) { Ogr2ogr(s, "GPKG", "gpkg"); }
void BM_OursShapefile(benchmark::State& s) { Ours(s, GisFormat::Shapefile); }
void BM_Ogr2ogrShapefile(benchmark::State& s) { Ogr2ogr(s, "ESRI Shapefile", "shp"); }

BENCHMARK(BM_OursGeoPackage)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_Ogr2ogrGeoPackage)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_OursShapefile)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_Ogr2ogrShapefile)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // Both sides start from what they need: our table, their GeoJSON.
  China10000();
  GeoJson();
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  reporter.PrintRatio("857,088 sheets to GeoPackage: ogr2ogr from our GeoJSON / ours",
                      "BM_Ogr2ogrGeoPackage/iterations:1/real_time",
                      "BM_OursGeoPackage/iterations:1/real_time");
  reporter.PrintRatio("857,088 sheets to Shapefile: ogr2ogr from our GeoJSON / ours",
                      "BM_Ogr2ogrShapefile/iterations:1/real_time",
                      "BM_OursShapefile/iterations:1/real_time");
  benchmark::Shutdown();
  return 0;
}
