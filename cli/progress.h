// SPDX-License-Identifier: Apache-2.0
// The progress line of a long run on standard error: sheets done of the
// total, the rate and the time left.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "cli/args.h"

namespace karvento::cli {

// --progress forces the line, --quiet silences it; without either it is shown
// when standard error is a terminal and the run lasts over a second.
inline const OptionSpec kProgressOptionSpecs[] = {{"progress", false}};

class ProgressLine {
 public:
  enum class Mode { Off, Terminal, Forced };
  // The mode of the options and of standard error; UsageError for both.
  static Mode ModeOf(const Args& args);

  // total: the sheets the run will write, 0 when not known ahead.
  ProgressLine(Mode mode, std::uint64_t total, std::FILE* to = stderr);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Counts sheets written; shows the line at most five times a second.
  void Add(std::uint64_t sheets);
  // The last line, when any was shown or the line is forced; then a line end.
  void Finish();

  // "12,345 / 857,088 幅  45,678 幅/秒  剩余 0:18": the total and the time
  // left only where the total is known, the time left once a rate is.
  static std::string Text(std::uint64_t done, std::uint64_t total, double seconds);

 private:
  void Show(bool last);

  Mode mode_;
  std::uint64_t total_, done_ = 0;
  std::FILE* to_;
  std::chrono::steady_clock::time_point start_, shown_;
  bool anyShown_ = false;
};

}  // namespace karvento::cli
