// SPDX-License-Identifier: Apache-2.0
// The frames of the 64 sheets at 1:1万 of the 1:10万 sheet J-50-5, each with
// its 接合图表, as DXF files: the whole job (which must take under a second),
// the geometry alone and the DXF text alone, measured in one run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "export/dxf_frame.h"
#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"
#include "ratio_reporter.h"

namespace karvento {
namespace {

constexpr ScaleIndex k10000 = 6;
const FrameRequest kRequest{Datum::Cgcs2000, true, 117, "", {"1985国家高程基准", "等高距 5 米"}};

// J-50-5: 116°–116°30′ E, 39°40′–40° N.
TStandardMapUnions Sheets() {
  TStandardMapUnions sheets;
  CreateMapUnionsOfStandard({{116, 0, 0}, {39, 40, 0}, {116, 30, 0}, {40, 0, 0}}, k10000, true, true,
                            Datum::Cgcs2000, 117, sheets);
  return sheets;
}

MapFrame FrameOf(const TStandardMapUnion& sheet) {
  const auto around = SheetNeighbours(sheet, k10000, true, kRequest.zone3, kRequest.datum, kRequest.cm);
  std::array<std::string, 9> neighbours;
  for (int k = 0; k < 9; ++k) neighbours[k] = around[k].MapUnionNo;
  return BuildStandardFrame(sheet, k10000, neighbours, kRequest);
}

// The whole job: the sheets, their neighbours and frames, one DXF file each.
void FramesToDxfFiles(benchmark::State& state) {
  const std::string dir = "/tmp/bench_frame_" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  for (auto _ : state) {
    std::size_t n = 0;
    for (const auto& column : Sheets()) {
      for (const auto& sheet : column) {
        WriteDxfFrame(dir + "/" + sheet.MapUnionNo + ".dxf", FrameOf(sheet));
        ++n;
      }
    }
    if (n != 64) state.SkipWithError("not 64 sheets");
  }
  std::filesystem::remove_all(dir);
  state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(FramesToDxfFiles)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void FramesGeometry(benchmark::State& state) {
  for (auto _ : state) {
    for (const auto& column : Sheets()) {
      for (const auto& sheet : column) benchmark::DoNotOptimize(FrameOf(sheet));
    }
  }
  state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(FramesGeometry)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void FramesDxfText(benchmark::State& state) {
  std::vector<MapFrame> frames;
  for (const auto& column : Sheets()) {
    for (const auto& sheet : column) frames.push_back(FrameOf(sheet));
  }
  for (auto _ : state) {
    for (const MapFrame& f : frames) benchmark::DoNotOptimize(DxfFrameText(f));
  }
  state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(FramesDxfText)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
}  // namespace karvento

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-60s %8.1f ms (budget 1000 ms)\n", "64 frames of J-50-5 at 1:1万 as DXF files",
              reporter.Seconds("FramesToDxfFiles/min_time:1.000") * 1000);
  reporter.PrintRatio("whole job / geometry alone", "FramesToDxfFiles/min_time:1.000",
                      "FramesGeometry/min_time:1.000");
  reporter.PrintRatio("geometry / DXF text", "FramesGeometry/min_time:1.000", "FramesDxfText/min_time:1.000");
  benchmark::Shutdown();
  return 0;
}
