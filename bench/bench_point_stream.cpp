// SPDX-License-Identifier: Apache-2.0
// A stream of 1,000,000 points through `karvento-cli at` at one scale
// against PROJ's `proj` projecting the same file, the tool a surveyor would
// otherwise pipe the points through: each a fresh process reading the file
// and writing to /dev/null, in the same run. Printed per program: wall time,
// processor time (user and system, the figure a busy machine disturbs least)
// and the largest resident set; then the ratios.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "ratio_reporter.h"

extern char** environ;

namespace {

constexpr int kPoints = 1'000'000;

// Random points over China as "lon lat" lines in decimal degrees, written
// once for both programs.
const std::string& PointFile() {
  static const std::string file = [] {
    std::string name = "/tmp/karvento_bench_points_" + std::to_string(getpid()) + ".txt";
    std::FILE* f = std::fopen(name.c_str(), "w");
    if (!f) std::abort();
    std::mt19937_64 rng(35);
    std::uniform_real_distribution<double> lon(73, 135), lat(18, 54);
    for (int k = 0; k < kPoints; ++k) std::fprintf(f, "%.7f %.7f\n", lon(rng), lat(rng));
    if (std::fclose(f) != 0) std::abort();
    return name;
  }();
  return file;
}

struct Usage {
  double cpuSeconds = 0;
  long maxRssKiB = 0;
};

// Runs argv with standard input from input, standard output to /dev/null.
Usage RunOnce(const std::vector<std::string>& argv, const std::string& input) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) std::abort();
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", args[0]);
    std::abort();
  }
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
  return {seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss};
}

void Stream(benchmark::State& state, const std::vector<std::string>& argv) {
  const std::string& input = PointFile();
  Usage most;
  double cpu = 0;
  for (auto _ : state) {
    const Usage u = RunOnce(argv, input);
    most.maxRssKiB = std::max(most.maxRssKiB, u.maxRssKiB);
    cpu += u.cpuSeconds;
  }
  state.counters["points/s"] =
      benchmark::Counter(static_cast<double>(kPoints), benchmark::Counter::kIsIterationInvariantRate);
  state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
  state.counters["MiB"] = static_cast<double>(most.maxRssKiB) / 1024;
}

void BM_KarventoAtStream(benchmark::State& state) {
  Stream(state, {KARVENTO_CLI, "at", "--scale", "1:1万", "--standard", "new"});
}
void BM_ProjStream(benchmark::State& state) {
  Stream(state, {"/usr/bin/proj", "+proj=tmerc", "+lon_0=117", "+ellps=krass"});
}

}  // namespace

BENCHMARK(BM_KarventoAtStream)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ProjStream)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

namespace {

// The console reporter, keeping each run's processor time counter too.
class StreamReporter : public karvento::RatioReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    RatioReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      const auto cpu = r.counters.find("cpu_s");
      if (cpu != r.counters.end()) cpu_[r.benchmark_name()] = cpu->second.value;
      const auto mib = r.counters.find("MiB");
      if (mib != r.counters.end()) mib_[r.benchmark_name()] = mib->second.value;
    }
  }
  double Cpu(const std::string& name) const { return cpu_.count(name) ? cpu_.at(name) : 0; }
  double MiB(const std::string& name) const { return mib_.count(name) ? mib_.at(name) : 0; }

 private:
  std::map<std::string, double> cpu_, mib_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  StreamReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const std::string at = "BM_KarventoAtStream/iterations:3/real_time";
  const std::string proj = "BM_ProjStream/iterations:3/real_time";
  reporter.PrintRatio("at stream / proj, 1,000,000 points, wall time", at, proj);
  if (reporter.Cpu(proj) > 0) {
    std::printf("%-60s %8.2f×\n", "at stream / proj, 1,000,000 points, processor time",
                reporter.Cpu(at) / reporter.Cpu(proj));
  }
  std::printf("largest resident set: at %.1f MiB, proj %.1f MiB\n", reporter.MiB(at), reporter.MiB(proj));
  std::remove(PointFile().c_str());
  benchmark::Shutdown();
}
