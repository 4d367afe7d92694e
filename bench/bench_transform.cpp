// SPDX-License-Identifier: Apache-2.0
// karvento-cli transform against the tools a user would otherwise run with
// the same helmert pipeline, in the same run, each a fresh process per
// iteration: 1,000,000 points through `transform apply` and through PROJ's
// `cct`, and a 1,000,000-vertex GeoPackage layer through `transform layer`
// and through `ogr2ogr -ct`. The ratios are printed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "geodesy/transform.h"
#include "ratio_reporter.h"

extern char** environ;

namespace {

using karvento::TransformParams;

// Runs argv with standard output on /dev/null; aborts unless it succeeds.
void Run(const std::vector<std::string>& argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) std::abort();
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", args[0]);
    std::abort();
  }
}

std::vector<std::string> Words(const std::string& s) {
  std::vector<std::string> w;
  std::istringstream in(s);
  for (std::string x; in >> x;) w.push_back(x);
  return w;
}

TransformParams Params() {
  TransformParams t;
  t.bursa = {-15.415, 150.296, 72.452, 1.218, -0.804, 2.537, -3.113,
             karvento::RotationConvention::PositionVector};
  return t;
}

struct Files {
  std::string dir, params, points, layer;
  Files() {
    char tmpl[] = "/tmp/karvento_bench_transform_XXXXXX";
    dir = mkdtemp(tmpl);
    params = dir + "/bj.k7p";
    points = dir + "/points.txt";
    layer = dir + "/roads54.gpkg";
    std::FILE* f = std::fopen(params.c_str(), "w");
    std::fputs(karvento::FormatTransformParams(Params()).c_str(), f);
    std::fclose(f);
    // A million points over north China, as cct reads them (x y z t).
    f = std::fopen(points.c_str(), "w");
    unsigned seed = 1;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) / 4294967296.0; };
    for (int i = 0; i < 1000000; ++i) std::fprintf(f, "%.9f %.9f 0 0\n", 110 + 10 * next(), 30 + 10 * next());
    std::fclose(f);
    // A thousand lines of a thousand vertices on Beijing 1954 zone 39.
    const std::string json = dir + "/roads54.geojson";
    f = std::fopen(json.c_str(), "w");
    std::fputs("{\"type\":\"FeatureCollection\",\"crs\":{\"type\":\"name\",\"properties\":{\"name\":"
               "\"urn:ogc:def:crs:EPSG::2415\"}},\"features\":[\n", f);
    for (int k = 0; k < 1000; ++k) {
      std::fprintf(f, "%s{\"type\":\"Feature\",\"properties\":{\"id\":%d},\"geometry\":{\"type\":\"LineString\",\"coordinates\":[",
                   k ? "," : "", k);
      for (int i = 0; i < 1000; ++i) {
        std::fprintf(f, "%s[%.3f,%.3f]", i ? "," : "", 39400000 + 200.0 * (k % 40) * 10 + 7.0 * i,
                     4300000 + 8000.0 * (k / 40) + 5.0 * i);
      }
      std::fputs("]}}\n", f);
    }
    std::fputs("]}\n", f);
    std::fclose(f);
    Run({"ogr2ogr", "-f", "GPKG", layer, json});
  }
  ~Files() { Run({"rm", "-rf", dir}); }
};

const Files& Data() {
  static const Files files;
  return files;
}

void BM_KarventoApply(benchmark::State& state) {
  const Files& d = Data();
  for (auto _ : state) Run({KARVENTO_CLI, "transform", "apply", "--quiet", "--params", d.params, d.points});
  state.counters["points/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Cct(benchmark::State& state) {
  const Files& d = Data();
  std::vector<std::string> argv = {"cct", "-d", "9"};
  for (const std::string& w : Words(karvento::TransformPipeline(Params(), false, false, true, 0, false))) argv.push_back(w);
  argv.push_back(d.points);
  for (auto _ : state) Run(argv);
  state.counters["points/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_KarventoLayer(benchmark::State& state) {
  const Files& d = Data();
  const std::string out = d.dir + "/k2000.gpkg";
  for (auto _ : state) Run({KARVENTO_CLI, "transform", "layer", "--quiet", "--params", d.params, "--cm", "117", d.layer, out});
  state.counters["vertices/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Ogr2ogrCt(benchmark::State& state) {
  const Files& d = Data();
  const std::string out = d.dir + "/o2000.gpkg";
  // ogr2ogr hands the pipeline coordinates in the systems' axis order,
  // northing first for EPSG's Gauss-Krüger systems: the same pipeline
  // between two axis swaps.
  const std::string pipeline =
      "+proj=pipeline +step +proj=axisswap +order=2,1 " +
      karvento::TransformPipeline(Params(), false, true, true, 117, true).substr(15) +
      " +step +proj=axisswap +order=2,1";
  for (auto _ : state) {
    Run({"ogr2ogr", "-overwrite", "-f", "GPKG", out, d.layer, "-ct", pipeline, "-t_srs", "EPSG:4527"});
  }
  state.counters["vertices/s"] = benchmark::Counter(1e6, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_KarventoApply)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Cct)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_KarventoLayer)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Ogr2ogrCt)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double cct = reporter.Seconds("BM_Cct/iterations:3/real_time");
  const double ogr = reporter.Seconds("BM_Ogr2ogrCt/iterations:3/real_time");
  if (cct > 0) {
    std::printf("transform apply / cct, 1,000,000 points: %.2fx\n",
                reporter.Seconds("BM_KarventoApply/iterations:3/real_time") / cct);
  }
  if (ogr > 0) {
    std::printf("transform layer / ogr2ogr -ct, 1,000,000 vertices: %.2fx\n",
                reporter.Seconds("BM_KarventoLayer/iterations:3/real_time") / ogr);
  }
  benchmark::Shutdown();
}
