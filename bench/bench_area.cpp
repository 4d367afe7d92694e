// SPDX-License-Identifier: Apache-2.0
// The sheets of an area against the unfiltered request over the area's
// bounding rectangle, measured in the same run: the filter must not dominate.
#include <benchmark/benchmark.h>
#include <ogr_geometry.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "bench/ratio_reporter.h"
#include "numbering/area_repair.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

// A national outline of a few thousand vertices: a wobbly star spanning
// 73°–135° E, 18°–54° N, its radius varying on several wavelengths.
GeoRing Outline(int vertices, double cx, double cy, double rx, double ry) {
  GeoRing r;
  for (int i = 0; i < vertices; ++i) {
    const double a = 2 * kPi * i / vertices;
    const double k = 0.75 + 0.12 * std::sin(7 * a) + 0.08 * std::sin(53 * a) +
                     0.05 * std::sin(331 * a) * (i % 2 ? 1 : -1);
    r.push_back({cx + rx * k * std::cos(a), cy + ry * k * std::sin(a)});
  }
  return r;
}

// A spiral band of n vertices winding out from the centre: long, narrow
// and with many edges in every sheet row.
GeoRing Spiral(int n, double cx, double cy, double radius) {
  GeoRing out, back;
  const double turns = 6;
  for (int i = 0; i < n / 2; ++i) {
    const double t = static_cast<double>(i) / (n / 2);
    const double a = 2 * kPi * turns * t;
    const double r0 = radius * (0.05 + 0.9 * t), r1 = r0 + radius * 0.06;
    out.push_back({cx + r0 * std::cos(a), cy + r0 * std::sin(a) * 0.8});
    back.push_back({cx + r1 * std::cos(a), cy + r1 * std::sin(a) * 0.8});
  }
  out.insert(out.end(), back.rbegin(), back.rend());
  return out;
}

struct Job {
  const char* name;
  GeoMultiPolygon area;
  ScaleIndex scale;
};

const Job& JobAt(int i) {
  static const Job jobs[] = {
      {"China-like outline, 4000 vertices, 1:1万", {{{Outline(4000, 104, 36, 31, 18)}}}, 6},
      {"multipolygon with holes, 6000 vertices, 1:1万",
       {{{Outline(3000, 96, 36, 23, 18), Outline(600, 92, 36, 4, 3), Outline(400, 102, 30, 3, 2)}},
        {{Outline(2000, 124, 36, 11, 18), Outline(500, 124, 40, 3, 4)}}},
       6},
      {"spiral of 100,000 vertices, 1:5000", {{{Spiral(100000, 113, 30, 5)}}}, 7},
  };
  return jobs[i];
}

std::size_t Count(const TStandardMapUnions& r) {
  std::size_t n = 0;
  for (const auto& c : r) n += c.size();
  return n;
}

void Unfiltered(benchmark::State& state) {
  const Job& job = JobAt(static_cast<int>(state.range(0)));
  const TMapUnionRange range = AreaSheetRange(job.area, job.scale);
  std::size_t n = 0;
  for (auto _ : state) {
    TStandardMapUnions r;
    CreateNewMapUnions(range, job.scale, true, 0, Datum::Beijing54, r);
    n = Count(r);
    benchmark::DoNotOptimize(r);
  }
  state.counters["sheets"] = static_cast<double>(n);
}

void InArea(benchmark::State& state) {
  const Job& job = JobAt(static_cast<int>(state.range(0)));
  std::size_t n = 0;
  for (auto _ : state) {
    TStandardMapUnions r;
    CreateMapUnionsInArea(job.area, job.scale, true, true, Datum::Beijing54, 0, 0, r);
    n = Count(r);
    benchmark::DoNotOptimize(r);
  }
  state.counters["sheets"] = static_cast<double>(n);
}

// The same two as the command line streams them: a walk handing on one
// column at a time, nothing kept.
void StreamUnfiltered(benchmark::State& state) {
  const Job& job = JobAt(static_cast<int>(state.range(0)));
  const SheetWalk walk(AreaSheetRange(job.area, job.scale), job.scale, true, true, Datum::Beijing54, 0, false);
  std::size_t n = 0;
  for (auto _ : state) {
    n = 0;
    walk.Run([&](std::vector<TStandardMapUnion>& column) { n += column.size(); });
  }
  state.counters["sheets"] = static_cast<double>(n);
}

void StreamInArea(benchmark::State& state) {
  const Job& job = JobAt(static_cast<int>(state.range(0)));
  std::size_t n = 0;
  for (auto _ : state) {
    // The selection is made anew each time: it is part of the cost.
    const SheetWalk walk(job.area, 0, job.scale, true, true, Datum::Beijing54, 0, false);
    n = 0;
    walk.Run([&](std::vector<TStandardMapUnion>& column) { n += column.size(); });
  }
  state.counters["sheets"] = static_cast<double>(n);
}

// The check and repair that every reader makes of an area, on these valid
// areas: the program's own (which finds them valid and keeps them), against
// GEOS's validity test through OGR (what the command line ran before, and
// what GIS programs run), the OGR geometry built inside the timing as the
// reader built it.
void Settle(benchmark::State& state) {
  const Job& job = JobAt(static_cast<int>(state.range(0)));
  bool changed = false;
  for (auto _ : state) {
    const SettledArea s = SettleArea(job.area);
    changed = s.merged;
    benchmark::DoNotOptimize(s);
  }
  if (changed) state.SkipWithError("a valid area was changed");
}

void GeosIsValid(benchmark::State& state) {
  const Job& job = JobAt(static_cast<int>(state.range(0)));
  bool valid = false;
  for (auto _ : state) {
    OGRMultiPolygon whole;
    for (const GeoPolygon& p : job.area) {
      OGRPolygon poly;
      for (const GeoRing& ring : p.rings) {
        OGRLinearRing r;
        for (const GeoPoint& v : ring) r.addPoint(v.lon, v.lat);
        r.closeRings();
        poly.addRing(&r);
      }
      whole.addGeometry(&poly);
    }
    valid = whole.IsValid();
    benchmark::DoNotOptimize(valid);
  }
  if (!valid) state.SkipWithError("GEOS finds the area invalid");
}

BENCHMARK(Settle)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(GeosIsValid)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(Unfiltered)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(InArea)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(StreamUnfiltered)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(StreamInArea)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(0.5);

}  // namespace
}  // namespace karvento

int main(int argc, char** argv) {
  karvento::KeepFreedHeap();
  {
    // The first request faults the heap in; no benchmark should pay for it.
    karvento::TStandardMapUnions warm;
    const auto& job = karvento::JobAt(0);
    karvento::CreateNewMapUnions(karvento::AreaSheetRange(job.area, job.scale), job.scale, true, 0,
                                 karvento::Datum::Beijing54, warm);
  }
  benchmark::Initialize(&argc, argv);
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  for (int i = 0; i < 3; ++i) {
    const std::string arg = "/" + std::to_string(i) + "/min_time:0.500";
    reporter.PrintRatio((std::string(karvento::JobAt(i).name) + ": area / bounding rectangle").c_str(),
                        "InArea" + arg, "Unfiltered" + arg);
    reporter.PrintCpuRatio((std::string(karvento::JobAt(i).name) + ": area / bounding rectangle").c_str(),
                           "InArea" + arg, "Unfiltered" + arg);
    reporter.PrintRatio((std::string(karvento::JobAt(i).name) + ", streamed: area / bounding rectangle").c_str(),
                        "StreamInArea" + arg, "StreamUnfiltered" + arg);
    reporter.PrintRatio((std::string(karvento::JobAt(i).name) + ": valid-area check, GEOS IsValid / SettleArea").c_str(),
                        "GeosIsValid" + arg, "Settle" + arg);
  }
  benchmark::Shutdown();
  return 0;
}
