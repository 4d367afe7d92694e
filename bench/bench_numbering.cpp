// SPDX-License-Identifier: Apache-2.0
// Sheet generation: the production walk against the literal rules, and
// against the bare cost of projecting one corner point per sheet; the walk on
// CGCS2000 against the walk on Beijing 1954; and one CGCS2000 forward point
// against GeographicLib's transverse Mercator, the accuracy anchor.
#include <GeographicLib/TransverseMercator.hpp>
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench/ratio_reporter.h"
#include "numbering/sheet_grid.h"

namespace karvento {
namespace {

TAngleDMS A(double d) { return {d, 0, 0}; }

// The 1:100万 sheet J50, and China from 73° to 135° E, 18° to 54° N.
const TMapUnionRange kJ50{A(114), A(36), A(120), A(40)};
const TMapUnionRange kChina{A(73), A(18), A(135), A(54)};

struct Job {
  const TMapUnionRange* area;
  ScaleIndex scale;
  Standard standard;
};

const Job kJobs[] = {
    {&kJ50, 7, Standard::Old},
    {&kJ50, 7, Standard::New},
    {&kChina, 6, Standard::Old},
    {&kChina, 6, Standard::New},
};

std::size_t CountSheets(const TStandardMapUnions& r) {
  std::size_t n = 0;
  for (const auto& c : r) n += c.size();
  return n;
}

void Walk(benchmark::State& state, Datum datum) {
  const Job& job = kJobs[state.range(0)];
  std::size_t n = 0;
  for (auto _ : state) {
    TStandardMapUnions r;
    CreateSheets(*job.area, job.scale, job.standard, true, datum, 0, r);
    n = CountSheets(r);
    benchmark::DoNotOptimize(r.data());
  }
  state.counters["sheets"] = static_cast<double>(n);
  state.counters["sheets/s"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}

void Production(benchmark::State& state) { Walk(state, Datum::Beijing54); }
void Production2000(benchmark::State& state) { Walk(state, Datum::Cgcs2000); }

// Points over China as the corner fields hold them, and their zone.
struct Sample {
  std::vector<TLonLatDMS> dms;
  std::vector<double> lat, lon;
};
const Sample& Points() {
  static const Sample s = [] {
    Sample p;
    std::mt19937_64 rng(2000);
    std::uniform_real_distribution<double> dl(-1.5, 1.5), lat(18, 54);
    for (int i = 0; i < 4096; ++i) {
      const double L = 117 + dl(rng), B = lat(rng);
      p.dms.push_back({DegToDms(L), DegToDms(B)});
      p.lon.push_back(DmsToDeg(p.dms.back().Lon));
      p.lat.push_back(DmsToDeg(p.dms.back().Lat));
    }
    return p;
  }();
  return s;
}

// One forward point with nothing cached: degrees-minutes-seconds in, the
// plane point with false easting and zone prefix out.
void ForwardPoint2000(benchmark::State& state) {
  const Sample& p = Points();
  std::size_t i = 0;
  for (auto _ : state) {
    const TPlanePoint x = GeoToPlane2000(p.dms[i], true, 117);
    benchmark::DoNotOptimize(x);
    i = (i + 1) & 4095;
  }
}

// The same point through GeographicLib (decimal degrees in, no conversion).
void ForwardPointGeographicLib(benchmark::State& state) {
  static const GeographicLib::TransverseMercator tm(6378137.0, 1 / 298.257222101, 1.0);
  const Sample& p = Points();
  std::size_t i = 0;
  for (auto _ : state) {
    double x, y;
    tm.Forward(117, p.lat[i], p.lon[i], x, y);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
    i = (i + 1) & 4095;
  }
}

void Literal(benchmark::State& state) {
  const Job& job = kJobs[state.range(0)];
  std::size_t n = 0;
  for (auto _ : state) {
    TStandardMapUnions r;
    literal::CreateSheets(*job.area, job.scale, job.standard, true, Datum::Beijing54, 0, true, r);
    n = CountSheets(r);
    benchmark::DoNotOptimize(r.data());
  }
  state.counters["sheets"] = static_cast<double>(n);
  state.counters["sheets/s"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate);
}

// One forward projection per sheet of the job, on points spread like its
// sheet corners: the floor under any walk that gives every sheet its corners.
void OnePointPerSheet(benchmark::State& state) {
  const Job& job = kJobs[state.range(0)];
  const double w = LonStepTable[job.scale], h = LatStepTable[job.scale];
  const double W = DmsToSec(job.area->West), S = DmsToSec(job.area->South);
  const auto columns = static_cast<long long>((DmsToSec(job.area->East) - W) / w);
  const auto rows = static_cast<long long>((DmsToSec(job.area->North) - S) / h);
  for (auto _ : state) {
    double sum = 0;
    for (long long i = 0; i < columns; ++i) {
      const TAngleDMS lon = SecToDms(W + static_cast<double>(i) * w);
      for (long long j = 0; j < rows; ++j) {
        const TPlanePoint p = GeoToPlane54({lon, SecToDms(S + static_cast<double>(j) * h)}, true, 0);
        sum += p.X;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["points/s"] = benchmark::Counter(static_cast<double>(columns * rows),
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(Production)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(Production2000)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(ForwardPoint2000)->MinTime(1.0);
BENCHMARK(ForwardPointGeographicLib)->MinTime(1.0);
BENCHMARK(OnePointPerSheet)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(Literal)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(Literal)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace karvento

int main(int argc, char** argv) {
  // Steady state of a session that generates again and again: the heap freed
  // by one result is kept for the next instead of being handed back to the
  // system and faulted in afresh. Both walks run under the same setting.
  karvento::KeepFreedHeap();
  benchmark::Initialize(&argc, argv);
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const char* names[] = {"1:5000 over J50, old standard", "1:5000 over J50, new standard",
                         "1:1万 over China, old standard", "1:1万 over China, new standard"};
  std::printf("\n");
  for (int i = 0; i < 4; ++i) {
    const std::string arg = "/" + std::to_string(i);
    reporter.PrintRatio((std::string(names[i]) + ": literal / production").c_str(),
                        i >= 2 ? "Literal" + arg + "/iterations:1" : "Literal" + arg + "/min_time:1.000",
                        "Production" + arg + "/min_time:1.000");
    reporter.PrintRatio((std::string(names[i]) + ": production / one point per sheet").c_str(),
                        "Production" + arg + "/min_time:1.000",
                        "OnePointPerSheet" + arg + "/min_time:1.000");
    reporter.PrintRatio((std::string(names[i]) + ": CGCS2000 / Beijing 1954 per sheet").c_str(),
                        "Production2000" + arg + "/min_time:1.000",
                        "Production" + arg + "/min_time:1.000");
  }
  reporter.PrintRatio("one forward point: GeographicLib TransverseMercator / GeoToPlane2000",
                      "ForwardPointGeographicLib/min_time:1.000", "ForwardPoint2000/min_time:1.000");
  benchmark::Shutdown();
  return 0;
}
