// SPDX-License-Identifier: Apache-2.0
// The frames along the true edges: PlaneOutline and GeographicOutline at
// 1 cm over the 857,088 sheets of China at 1:1万 (73°–135° E, 18°–54° N,
// CGCS2000, 6-degree zone of 105° E), against generating the same sheets in
// the same run: what densifying adds to a GIS export of them.

#include <benchmark/benchmark.h>

#include <cstdio>

#include "numbering/sheet_outline.h"
#include "numbering/unMapUnRgPub.h"
#include "ratio_reporter.h"

namespace karvento {
namespace {

const TMapUnionRange kChina{{73, 0, 0}, {18, 0, 0}, {135, 0, 0}, {54, 0, 0}};

const TStandardMapUnions& China() {
  static const TStandardMapUnions table = [] {
    TStandardMapUnions t;
    CreateMapUnionsOfStandard(kChina, 6, true, false, Datum::Cgcs2000, 105, t);
    return t;
  }();
  return table;
}

void Generate(benchmark::State& state) {
  for (auto _ : state) {
    TStandardMapUnions t;
    CreateMapUnionsOfStandard(kChina, 6, true, false, Datum::Cgcs2000, 105, t);
    benchmark::DoNotOptimize(t.data());
  }
}

void Plane(benchmark::State& state) {
  std::size_t vertices = 0;
  for (auto _ : state) {
    vertices = 0;
    for (const auto& column : China())
      for (const TStandardMapUnion& s : column) vertices += PlaneOutline(Datum::Cgcs2000, s.Range, false, 105, 0.01).size();
  }
  state.counters["vertices/sheet"] = static_cast<double>(vertices) / 857088;
}

void Geographic(benchmark::State& state) {
  std::size_t vertices = 0;
  for (auto _ : state) {
    vertices = 0;
    for (const auto& column : China())
      for (const TStandardMapUnion& s : column) vertices += GeographicOutline(s.Range, 0.01).size();
  }
  state.counters["vertices/sheet"] = static_cast<double>(vertices) / 857088;
}

BENCHMARK(Generate)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(Plane)->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(Geographic)->Unit(benchmark::kMillisecond)->MinTime(1);

}  // namespace
}  // namespace karvento

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  karvento::China();
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintCpuRatio("plane outlines / generating the sheets", "Plane/min_time:1.000",
                         "Generate/min_time:1.000");
  reporter.PrintCpuRatio("geographic outlines / generating the sheets", "Geographic/min_time:1.000",
                         "Generate/min_time:1.000");
  benchmark::Shutdown();
  return 0;
}
