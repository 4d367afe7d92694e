// SPDX-License-Identifier: Apache-2.0
#include "cli/progress.h"
#include "cli/i18n.h"

#include <unistd.h>

#include <cmath>

namespace karvento::cli {

namespace {

// 857088 as 857,088.
std::string Grouped(std::uint64_t n) {
  std::string digits = std::to_string(n), text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

}  // namespace

ProgressLine::Mode ProgressLine::ModeOf(const Args& args) {
  if (args.Has("progress") && args.Has("quiet")) throw UsageError(Tr("--progress 和 --quiet 不能同时给出"));
  if (args.Has("progress")) return Mode::Forced;
  if (args.Has("quiet")) return Mode::Off;
  return isatty(STDERR_FILENO) ? Mode::Terminal : Mode::Off;
}

ProgressLine::ProgressLine(Mode mode, std::uint64_t total, std::FILE* to)
    : mode_(mode), total_(total), to_(to), start_(std::chrono::steady_clock::now()), shown_(start_) {}

std::string ProgressLine::Text(std::uint64_t done, std::uint64_t total, double seconds) {
  std::string text = Grouped(done);
  if (total > 0) text += " / " + Grouped(total);
  text += Tr(" 幅");
  if (seconds > 0 && done > 0) {
    const double rate = static_cast<double>(done) / seconds;
    text += "  " + Grouped(static_cast<std::uint64_t>(std::llround(rate))) + Tr(" 幅/秒");
    if (total > done) {
      const auto left = static_cast<std::uint64_t>(std::ceil(static_cast<double>(total - done) / rate));
      char buf[48];
      std::snprintf(buf, sizeof buf, "%llu:%02llu", static_cast<unsigned long long>(left / 60),
                    static_cast<unsigned long long>(left % 60));
      text += TrFormat("  剩余 %s", {buf});
    }
  }
  return text;
}

void ProgressLine::Add(std::uint64_t sheets) {
  done_ += sheets;
  if (mode_ == Mode::Off) return;
  const auto now = std::chrono::steady_clock::now();
  // A terminal sees the line once the run has lasted a second; nothing
  // flickers past for a short run.
  if (mode_ == Mode::Terminal && now - start_ < std::chrono::seconds(1)) return;
  if (anyShown_ && now - shown_ < std::chrono::milliseconds(200)) return;
  shown_ = now;
  Show(false);
}

void ProgressLine::Finish() {
  if (mode_ == Mode::Forced || (mode_ == Mode::Terminal && anyShown_)) Show(true);
}

void ProgressLine::Show(bool last) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const std::string text = Text(done_, total_, seconds);
  // A terminal rewrites one line; a file or a pipe gets one line each time.
  if (mode_ == Mode::Terminal) {
    std::fprintf(to_, "\r%s\033[K%s", text.c_str(), last ? "\n" : "");
  } else {
    std::fprintf(to_, "%s\n", text.c_str());
  }
  std::fflush(to_);
  anyShown_ = true;
}

}  // namespace karvento::cli
