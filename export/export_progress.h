// SPDX-License-Identifier: Apache-2.0
// Counting the records an export writes and passing the count on to the
// caller's progress function now and then, so that a writer can tick once
// per record at the cost of an increment and a compare.
#pragma once

#include <cstdint>
#include <limits>

#include "numbering/error.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {

class ExportTicker {
 public:
  // Records between two reports: a few milliseconds of the slowest writer,
  // well under a millisecond of the fastest.
  static constexpr std::uint64_t kStride = 1024;

  ExportTicker(const ExportProgress& progress, std::uint64_t total)
      : progress_(progress), total_(total), next_(progress ? 0 : kNever) {}

  // Reports the start (nothing written yet); throws Error(kExportCancelled)
  // when the caller cancels.
  void Start() { Report(); }
  // One more record written.
  void Tick() {
    if (++done_ >= next_) Report();
  }
  // Every record written: the last report, done == total.
  void Finish() {
    if (progress_ && reported_ != done_) Report();
  }

 private:
  static constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();

  void Report() {
    if (!progress_) return;
    reported_ = done_;
    if (!progress_(done_, total_)) throw Error(kExportCancelled);
    next_ = done_ + kStride;
  }

  const ExportProgress& progress_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  std::uint64_t reported_ = kNever;
  std::uint64_t next_;
};

template <class Table>
std::uint64_t RecordsOf(const Table& table) {
  std::uint64_t n = 0;
  for (const auto& inner : table) n += inner.size();
  return n;
}

}  // namespace karvento
