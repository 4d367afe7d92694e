// SPDX-License-Identifier: Apache-2.0
// A console reporter that also remembers each benchmark's time per iteration,
// so that a benchmark program can print ratios measured in the same run.
#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <map>
#include <string>

namespace karvento {

// Keeps freed heap memory in the process, so that repeated iterations measure
// the work of a walk rather than the kernel's page faults.
inline void KeepFreedHeap() {
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
}

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      seconds_[r.benchmark_name()] =
          r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
      cpuSeconds_[r.benchmark_name()] =
          r.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
    }
  }
  // Seconds per iteration of the named benchmark, or 0 when it did not run.
  double Seconds(const std::string& name) const {
    const auto it = seconds_.find(name);
    return it == seconds_.end() ? 0 : it->second;
  }
  // The same in CPU seconds.
  double CpuSeconds(const std::string& name) const {
    const auto it = cpuSeconds_.find(name);
    return it == cpuSeconds_.end() ? 0 : it->second;
  }
  void PrintRatio(const char* what, const std::string& slow, const std::string& fast) const {
    const double a = Seconds(slow), b = Seconds(fast);
    if (a > 0 && b > 0) std::printf("%-60s %8.2f×\n", what, a / b);
  }
  // The same for CPU time: for a benchmark that measures the whole process's
  // CPU time, the work done on every thread, whatever else the machine runs.
  void PrintCpuRatio(const char* what, const std::string& slow, const std::string& fast) const {
    const auto a = cpuSeconds_.find(slow), b = cpuSeconds_.find(fast);
    if (a == cpuSeconds_.end() || b == cpuSeconds_.end() || !(b->second > 0)) return;
    std::printf("%-60s %8.2f× (CPU)\n", what, a->second / b->second);
  }

 private:
  std::map<std::string, double> seconds_;
  std::map<std::string, double> cpuSeconds_;
};

}  // namespace karvento
