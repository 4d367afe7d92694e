// SPDX-License-Identifier: Apache-2.0
// Export throughput: the MIF/MID writers on the 1:1万 table of all China
// (992 columns × 864 rows of sheets over 73°–135° E, 18°–54° N, 857,088
// sheets), against writing the same bytes from one prepared buffer through
// the same safe file writer in the same run; and the workbook export of
// 100,000 records. Each export also runs with a progress function that reads
// the clock on every report, as the desktop's dialog does, and the ratio to
// the run without one is printed at the end.
//
// Files go to the system's temporary folder (or $KARVENTO_BENCH_DIR) and are
// removed after each benchmark.

#include <benchmark/benchmark.h>

#include <chrono>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

#include "export/number_format.h"
#include "export/safe_file.h"
#include "numbering/unMapUnRgPub.h"
#include "ratio_reporter.h"

namespace karvento {
namespace {

std::string BenchDir() {
  const char* d = std::getenv("KARVENTO_BENCH_DIR");
  return d != nullptr ? d : std::filesystem::temp_directory_path().string();
}

std::string FileIn(const std::string& name) { return BenchDir() + "/karvento-bench-" + name; }

// Sheet sizes of 1:1万 in seconds of arc.
constexpr double kLonStep = 225;  // 3′45″
constexpr double kLatStep = 150;  // 2′30″

std::string Serial3(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%03d", n);
  return buf;
}

// The new-standard number of the 1:1万 sheet whose south-west corner is at
// (west, south) seconds: 1:100万 row letter and column, scale code G, row and
// column inside the 1:100万 sheet from its north-west corner.
std::string SheetNumber(double west, double south) {
  const int row1m = static_cast<int>(south / (4 * 3600));
  const int col1m = static_cast<int>(west / (6 * 3600));
  const double north1m = (row1m + 1) * 4 * 3600.0;
  const int r = static_cast<int>((north1m - (south + kLatStep)) / kLatStep) + 1;
  const int c = static_cast<int>((west - col1m * 6 * 3600.0) / kLonStep) + 1;
  return std::string(1, static_cast<char>('A' + row1m)) + std::to_string(col1m + 31) + "G" + Serial3(r) +
         Serial3(c);
}

const TStandardMapUnions& ChinaTable() {
  static const TStandardMapUnions table = [] {
    TStandardMapUnions t(992);
    for (int i = 0; i < 992; ++i) {
      t[i].reserve(864);
      const double west = 73 * 3600.0 + i * kLonStep;
      for (int j = 0; j < 864; ++j) {
        const double north = 54 * 3600.0 - j * kLatStep;
        TStandardMapUnion u;
        u.Range = {SecToDms(west), SecToDms(north - kLatStep), SecToDms(west + kLonStep), SecToDms(north)};
        u.MapUnionNo = SheetNumber(west, north - kLatStep);
        const TLonLatDMS nw{u.Range.West, u.Range.North}, ne{u.Range.East, u.Range.North},
            se{u.Range.East, u.Range.South}, sw{u.Range.West, u.Range.South};
        u.PlaneCorners = {GeoToPlane54(nw, true, 0), GeoToPlane54(ne, true, 0), GeoToPlane54(se, true, 0),
                          GeoToPlane54(sw, true, 0)};
        t[i].push_back(std::move(u));
      }
    }
    return t;
  }();
  return table;
}

// Bytes per second of wall-clock time of the prepared-buffer run, for the
// ratio that the MIF runs report ("of_prepared").
double gPreparedRate = 0;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void Remove(std::initializer_list<std::string> names) {
  for (const auto& n : names) std::filesystem::remove(n);
}

std::int64_t FileSize(const std::string& name) {
  return static_cast<std::int64_t>(std::filesystem::file_size(name));
}

std::string Slurp(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

template <class Write>
void RunMif(benchmark::State& state, const std::string& name, Write write) {
  const TStandardMapUnions& table = ChinaTable();
  const std::string mif = FileIn(name + ".mif");
  const std::string mid = FileIn(name + ".mid");
  std::int64_t bytes = 0;
  Clock::duration spent{};
  for (auto _ : state) {
    Message reason;
    const auto start = Clock::now();
    if (!write(mif, table, &reason)) state.SkipWithError(reason.Text().c_str());
    spent += Clock::now() - start;
    bytes += FileSize(mif) + FileSize(mid);
  }
  Remove({mif, mid});
  state.SetBytesProcessed(bytes);
  if (gPreparedRate > 0) {
    state.counters["of_prepared"] = static_cast<double>(bytes) / Seconds(spent) / gPreparedRate;
  }
  state.counters["sheets/s"] = benchmark::Counter(857088.0 * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

// A progress as the desktop shows it: every report reads the clock to decide
// whether to repaint.
bool WatchProgress(std::uint64_t, std::uint64_t) {
  benchmark::DoNotOptimize(Clock::now());
  return true;
}

void BM_WritePlaneMif(benchmark::State& state) {
  RunMif(state, "plane", [](const std::string& f, const TStandardMapUnions& t, Message* r) {
    return WritePlaneMif(f, t, true, 117, r);
  });
}
void BM_WriteGeoMif(benchmark::State& state) {
  RunMif(state, "geo", [](const std::string& f, const TStandardMapUnions& t, Message* r) {
    return WriteGeoMif(f, t, r);
  });
}
void BM_WritePlaneMifWithProgress(benchmark::State& state) {
  RunMif(state, "plane", [](const std::string& f, const TStandardMapUnions& t, Message* r) {
    return WritePlaneMif(f, t, true, 117, r, WatchProgress);
  });
}
void BM_WriteGeoMifWithProgress(benchmark::State& state) {
  RunMif(state, "geo", [](const std::string& f, const TStandardMapUnions& t, Message* r) {
    return WriteGeoMif(f, t, r, WatchProgress);
  });
}

// The same bytes as the plane export, from memory, through the same safe
// writer in blocks of the writers' buffer size: what the disk and the system
// allow, the ceiling of the MIF writer.
void BM_WritePreparedBuffer(benchmark::State& state) {
  const std::string mifName = FileIn("prepared-src.mif");
  Message reason;
  if (!WritePlaneMif(mifName, ChinaTable(), true, 117, &reason)) {
    state.SkipWithError(reason.Text().c_str());
    return;
  }
  const std::string mifBytes = Slurp(mifName);
  const std::string midBytes = Slurp(FileIn("prepared-src.mid"));
  constexpr std::size_t kBlock = std::size_t{1} << 22;
  std::int64_t bytes = 0;
  const auto start = Clock::now();
  for (auto _ : state) {
    SafeFile mif(FileIn("prepared.mif"));
    SafeFile mid(FileIn("prepared.mid"));
    for (std::size_t p = 0; p < mifBytes.size(); p += kBlock) {
      mif.Write(std::string_view(mifBytes).substr(p, kBlock));
    }
    for (std::size_t p = 0; p < midBytes.size(); p += kBlock) {
      mid.Write(std::string_view(midBytes).substr(p, kBlock));
    }
    CommitPair(mif, mid);
    bytes += static_cast<std::int64_t>(mifBytes.size() + midBytes.size());
  }
  gPreparedRate = static_cast<double>(bytes) / Seconds(Clock::now() - start);
  Remove({mifName, FileIn("prepared-src.mid"), FileIn("prepared.mif"), FileIn("prepared.mid")});
  state.SetBytesProcessed(bytes);
}

// Formatting alone: the numbers of the plane export into memory.
void BM_FormatGeneral(benchmark::State& state) {
  const TStandardMapUnions& table = ChinaTable();
  char buf[kGeneralNumberMaxLength];
  std::int64_t bytes = 0, numbers = 0;
  for (auto _ : state) {
    for (const auto& column : table) {
      for (const auto& s : column) {
        for (const auto& p : s.PlaneCorners) {
          bytes += FormatGeneral(p.X, buf) - buf;
          bytes += FormatGeneral(p.Y, buf) - buf;
          benchmark::DoNotOptimize(buf);
        }
      }
    }
    numbers += 8 * 857088;
  }
  state.SetBytesProcessed(bytes);
  state.counters["numbers/s"] = benchmark::Counter(static_cast<double>(numbers), benchmark::Counter::kIsRate);
}

void ExportXlsx100k(benchmark::State& state, const ExportProgress& progress) {
  const TStandardMapUnions& china = ChinaTable();
  TStandardMapUnions table;
  std::size_t n = 0;
  for (const auto& column : china) {
    if (n >= 100000) break;
    const std::size_t take = std::min(column.size(), 100000 - n);
    table.emplace_back(column.begin(), column.begin() + static_cast<std::ptrdiff_t>(take));
    n += take;
  }
  const std::string file = FileIn("table.xlsx");
  std::int64_t bytes = 0;
  for (auto _ : state) {
    Message reason;
    if (!ExportStandardMapUnionsToXls(file, "图幅表（北京54坐标系）", kStandardXlsHeader, table, &reason,
                                      progress)) {
      state.SkipWithError(reason.Text().c_str());
    }
    bytes += FileSize(file);
  }
  Remove({file});
  state.SetBytesProcessed(bytes);
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}

void BM_ExportXlsx100k(benchmark::State& state) { ExportXlsx100k(state, {}); }
void BM_ExportXlsx100kWithProgress(benchmark::State& state) { ExportXlsx100k(state, WatchProgress); }

BENCHMARK(BM_WritePreparedBuffer)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_WritePlaneMif)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_WriteGeoMif)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_FormatGeneral)->Unit(benchmark::kMillisecond);
// The workbook is compressed on a thread of its own when there is a
// progress: the process's CPU time counts the work of both threads.
BENCHMARK(BM_ExportXlsx100k)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_WritePlaneMifWithProgress)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_WriteGeoMifWithProgress)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_ExportXlsx100kWithProgress)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
}  // namespace karvento

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  reporter.PrintRatio("plane MIF of 857,088 sheets: with progress / without",
                      "BM_WritePlaneMifWithProgress/min_time:2.000/real_time",
                      "BM_WritePlaneMif/min_time:2.000/real_time");
  reporter.PrintRatio("geographic MIF of 857,088 sheets: with progress / without",
                      "BM_WriteGeoMifWithProgress/min_time:2.000/real_time",
                      "BM_WriteGeoMif/min_time:2.000/real_time");
  reporter.PrintRatio("workbook of 100,000 records: with progress / without",
                      "BM_ExportXlsx100kWithProgress/iterations:3/process_time/real_time",
                      "BM_ExportXlsx100k/iterations:3/process_time/real_time");
  reporter.PrintCpuRatio("plane MIF of 857,088 sheets: with progress / without",
                         "BM_WritePlaneMifWithProgress/min_time:2.000/real_time",
                         "BM_WritePlaneMif/min_time:2.000/real_time");
  reporter.PrintCpuRatio("workbook of 100,000 records: with progress / without",
                         "BM_ExportXlsx100kWithProgress/iterations:3/process_time/real_time",
                         "BM_ExportXlsx100k/iterations:3/process_time/real_time");
  benchmark::Shutdown();
  return 0;
}
