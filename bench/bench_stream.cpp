// SPDX-License-Identifier: Apache-2.0
// The command line's CSV of a sheet index: today's in-memory way (the whole
// table built, then written) against the stream (each column written as the
// walk makes it), per sheet, in one run. Both write to /dev/null, so that the
// figures are the program's own work and not the disk's.
//
//   in memory: 73°–135° E, 18°–54° N at 1:1万, 857,088 sheets (under the limit)
//   streamed:  the same extent at 1:2000, 30,855,168 sheets (past it)
#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench/ratio_reporter.h"
#include "cli/common.h"
#include "cli/output.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

const TMapUnionRange kChina{{73, 0, 0}, {18, 0, 0}, {135, 0, 0}, {54, 0, 0}};
constexpr double kCm = 0;  // each corner in its own zone, as the CLI's default

cli::OutputOptions CsvToNull() {
  cli::OutputOptions o;
  o.format = cli::Format::Csv;
  o.file = "/dev/null";
  return o;
}

void BM_InMemoryCsv10000(benchmark::State& state) {
  std::int64_t sheets = 0;
  for (auto _ : state) {
    TStandardMapUnions table;
    CreateMapUnionsOfStandard(kChina, 6, true, true, Datum::Beijing54, kCm, table);
    cli::OutputStream stream(CsvToNull());
    cli::WriteStandardSheets(cli::Format::Csv, stream.out(), table, {"1:1万", 10000, "new"},
                             CsvEncoding::Utf8Bom);
    stream.Finish();
    sheets = static_cast<std::int64_t>(table.size() * table[0].size());
  }
  state.counters["sheets"] = static_cast<double>(sheets);
  state.counters["sheets/s"] =
      benchmark::Counter(static_cast<double>(sheets), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_StreamedCsv2000(benchmark::State& state) {
  std::int64_t sheets = 0;
  for (auto _ : state) {
    const SheetWalk walk(kChina, 8, true, true, Datum::Beijing54, kCm, false);
    cli::StreamStandardSheets(CsvToNull(), walk, {}, {"1:2000", 2000, "new"}, {});
    sheets = walk.Columns() * walk.Rows();
  }
  state.counters["sheets"] = static_cast<double>(sheets);
  state.counters["sheets/s"] =
      benchmark::Counter(static_cast<double>(sheets), benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_InMemoryCsv10000)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_StreamedCsv2000)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace karvento

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double memory = reporter.Seconds("BM_InMemoryCsv10000/iterations:3/real_time") / 857088;
  const double stream = reporter.Seconds("BM_StreamedCsv2000/iterations:1/real_time") / 30855168;
  const double memoryCpu = reporter.CpuSeconds("BM_InMemoryCsv10000/iterations:3/real_time") / 857088;
  const double streamCpu = reporter.CpuSeconds("BM_StreamedCsv2000/iterations:1/real_time") / 30855168;
  if (memory > 0 && stream > 0 && memoryCpu > 0 && streamCpu > 0) {
    std::printf("\nper sheet, elapsed: in-memory CSV %.1f ns, streamed CSV %.1f ns; "
                "streamed sheets per second / in-memory: %.2f×\n",
                memory * 1e9, stream * 1e9, memory / stream);
    std::printf("per sheet, CPU:     in-memory CSV %.1f ns, streamed CSV %.1f ns; "
                "streamed sheets per second / in-memory: %.2f×\n",
                memoryCpu * 1e9, streamCpu * 1e9, memoryCpu / streamCpu);
  }
}
