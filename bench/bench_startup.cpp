// SPDX-License-Identifier: Apache-2.0
// The start of karvento-cli against the start of PROJ's proj, which a user
// calling a tool once per number would otherwise compare it with: one
// `check` of one number and one `proj` of one point per iteration, each a
// fresh process; wall time per call and the largest resident set are
// printed, and their ratios at the end of the run.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ratio_reporter.h"

extern char** environ;

namespace {

// Runs argv with standard input, output and error on /dev/null; the child's
// largest resident set in KiB.
long RunOnce(const std::vector<const char*>& argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {0, 1, 2}) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  std::vector<char*> args;
  for (const char* a : argv) args.push_back(const_cast<char*>(a));
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
  return usage.ru_maxrss;
}

void Start(benchmark::State& state, std::vector<const char*> argv) {
  long rss = 0;
  for (auto _ : state) rss = std::max(rss, RunOnce(argv));
  state.counters["MiB"] = static_cast<double>(rss) / 1024;
}

void BM_KarventoCheck(benchmark::State& state) { Start(state, {KARVENTO_CLI, "check", "J50G003040"}); }
void BM_KarventoConvert(benchmark::State& state) {
  Start(state, {KARVENTO_CLI, "convert", "J-50-5", "--to-scale", "1:5万"});
}
void BM_Proj(benchmark::State& state) { Start(state, {"/usr/bin/proj", "+proj=tmerc", "+lon_0=117", "+ellps=krass"}); }

}  // namespace

BENCHMARK(BM_KarventoCheck)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_KarventoConvert)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Proj)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double proj = reporter.Seconds("BM_Proj/real_time");
  if (proj > 0) {
    std::printf("karvento-cli check / proj start-up: %.2fx; convert / proj: %.2fx\n",
                reporter.Seconds("BM_KarventoCheck/real_time") / proj,
                reporter.Seconds("BM_KarventoConvert/real_time") / proj);
  }
  benchmark::Shutdown();
}
