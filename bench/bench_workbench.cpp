// SPDX-License-Identifier: Apache-2.0
// Generate through the main window model: the sheet routine alone, the fill of
// the list and the table alone, and the whole command, over China at 1:1万
// (73°–135° E, 18°–54° N, about 857,000 sheets) on "北京54坐标系". And the
// two commands of "图幅号转换" that walk a long number list: Open of a list of
// 1,000,000 numbers and Convert of 1,000,000 source numbers, each with a
// progress that never cancels and one that reads the clock on every update
// as the desktop's progress dialog does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "numbering/unMapUnRgPub.h"
#include "ratio_reporter.h"
#include "workbench/create_map_un_rg.h"
#include "workbench/input_dialogs.h"
#include "workbench/tf_information.h"

namespace karvento {
namespace {

// A user who never answers: the benchmark shows nothing.
class SilentUi : public UserInterface {
 public:
  MessageResult MessageBox(std::string_view, std::string_view text, MessageButtons,
                           MessageIcon) override {
    std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
    return MessageResult::No;
  }
  bool RunFileDialog(const TFileDialog&, std::string&) override { return false; }
  bool ShowInputPoint(TfrmInputPoint&) override { return false; }
  bool ShowInputString(TfrmInputString&) override { return false; }
  void ShowInformation(TfrmTFInformation&) override {}
  std::string FocusedControl() const override { return {}; }
  void SetFocus(std::string_view) override {}
  void CloseMainWindow() override {}
};

// A user who picks one file in every file dialog and watches the progress:
// each update that reaches the user interface reads the clock, as the
// desktop's dialog does to decide whether to repaint.
class WatchingUi : public SilentUi {
 public:
  std::string fileName;
  std::uint64_t updates = 0;

  bool RunFileDialog(const TFileDialog&, std::string& chosen) override {
    chosen = fileName;
    return true;
  }
  std::unique_ptr<ProgressReporter> BeginProgress(std::string_view, std::string_view,
                                                  std::uint64_t total) override {
    return std::make_unique<Watch>(*this, total);
  }

 private:
  class Watch : public ProgressReporter {
   public:
    Watch(WatchingUi& ui, std::uint64_t total) : ProgressReporter(total), ui_(ui) {}

   protected:
    bool Update(std::uint64_t) override {
      ++ui_.updates;
      benchmark::DoNotOptimize(std::chrono::steady_clock::now());
      return true;
    }

   private:
    WatchingUi& ui_;
  };
};

// A number list of 1,000,000 new-standard 1:1万 numbers (J50G001001 …), one
// per line with CR LF, in a folder of its own; removed at exit.
constexpr std::size_t kListLines = 1'000'000;

const std::string& NumberListFile() {
  static const struct ListFile {
    std::filesystem::path dir;
    std::string file;
    ListFile() {
      dir = std::filesystem::temp_directory_path() /
            ("karvento-bench-list-" + std::to_string(::getpid()));
      std::filesystem::create_directories(dir);
      file = (dir / "numbers.txt").string();
      std::ofstream out(file, std::ios::binary);
      std::size_t n = 0;
      // 1:100万 rows A..N, columns 43..53, 96 × 96 sheets of 1:1万 in each.
      for (char row = 'A'; row <= 'N' && n < kListLines; ++row) {
        for (int col = 43; col <= 53 && n < kListLines; ++col) {
          for (int r = 1; r <= 96 && n < kListLines; ++r) {
            for (int c = 1; c <= 96 && n < kListLines; ++c, ++n) {
              out << row << col << 'G' << FormatSerial3(r) << FormatSerial3(c) << "\r\n";
            }
          }
        }
      }
    }
    ~ListFile() { std::filesystem::remove_all(dir); }
  } list;
  return list.file;
}

void LinesCounter(benchmark::State& state, std::size_t n) {
  state.counters["lines"] = static_cast<double>(n);
  state.counters["lines/s"] =
      benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

// "打开" on "图幅号转换": read, check, parse and append 1,000,000 numbers.
// With a central meridian above 0 each source record gets its four corners
// projected.
template <class Ui>
void OpenList(benchmark::State& state, double centralMeridian) {
  Ui ui;
  ui.fileName = NumberListFile();
  TfrmCreateMapUnRg frm(ui);
  frm.SetActiveTab(kTabConvert);
  frm.RzSpinEdit34.SetValue(centralMeridian);
  for (auto _ : state) {
    state.PauseTiming();
    frm.RzCheckList4.Clear();
    state.ResumeTiming();
    frm.RzToolbarButton14Click();
    benchmark::DoNotOptimize(frm.RzCheckList4.Count());
  }
  if (frm.RzCheckList4.Count() != kListLines) state.SkipWithError("not every line was listed");
  LinesCounter(state, frm.RzCheckList4.Count());
}

// "转换图幅号" of 1,000,000 source numbers, "新-->旧" at 1:1万: one target
// sheet per source.
template <class Ui>
void ConvertList(benchmark::State& state) {
  Ui ui;
  ui.fileName = NumberListFile();
  TfrmCreateMapUnRg frm(ui);
  frm.SetActiveTab(kTabConvert);
  frm.RzToolbarButton14Click();
  frm.RzRadioButton6.Choose();
  frm.RzComboBox5.SetItemIndex(6);
  for (auto _ : state) {
    frm.RzBitBtn1Click();
    benchmark::DoNotOptimize(frm.RzCheckList5.Count());
  }
  if (frm.RzCheckList5.Count() != kListLines) state.SkipWithError("not one sheet per source");
  LinesCounter(state, frm.RzCheckList4.Count());
}

// The quiet default progress of the interface (never shown, never cancels).
struct QuietUi : SilentUi {
  std::string fileName;
  bool RunFileDialog(const TFileDialog&, std::string& chosen) override {
    chosen = fileName;
    return true;
  }
};

void OpenListQuiet(benchmark::State& state) { OpenList<QuietUi>(state, 0); }
void OpenListWatched(benchmark::State& state) { OpenList<WatchingUi>(state, 0); }
void OpenListProjected(benchmark::State& state) { OpenList<WatchingUi>(state, 117); }
void ConvertListQuiet(benchmark::State& state) { ConvertList<QuietUi>(state); }
void ConvertListWatched(benchmark::State& state) { ConvertList<WatchingUi>(state); }

constexpr TMapUnionRange kChina{{73, 0, 0}, {18, 0, 0}, {135, 0, 0}, {54, 0, 0}};
constexpr ScaleIndex k10000 = 6;

void SetChina(TfrmCreateMapUnRg& frm) {
  frm.RzSpinEdit1.SetValue(73);
  frm.RzSpinEdit4.SetValue(18);
  frm.RzSpinEdit7.SetValue(135);
  frm.RzSpinEdit10.SetValue(54);
  frm.RzComboBox2.SetItemIndex(k10000);
}

std::size_t Count(const TStandardMapUnions& t) {
  std::size_t n = 0;
  for (const auto& c : t) n += c.size();
  return n;
}

void SheetsCounter(benchmark::State& state, std::size_t n) {
  state.counters["sheets"] = static_cast<double>(n);
  state.counters["sheets/s"] =
      benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

// The sheet routine that Generate calls, alone.
void Generation(benchmark::State& state) {
  std::size_t n = 0;
  for (auto _ : state) {
    TStandardMapUnions result;
    CreateNewMapUnions(kChina, k10000, true, 0, Datum::Beijing54, result);
    n = Count(result);
    benchmark::DoNotOptimize(result.data());
  }
  SheetsCounter(state, n);
}

// The fill of RzCheckList1 and FMapUnions54 from a generated result, as
// Generate hands it on (moved).
void Fill(benchmark::State& state) {
  SilentUi ui;
  TfrmCreateMapUnRg frm(ui);
  TStandardMapUnions generated;
  CreateNewMapUnions(kChina, k10000, true, 0, Datum::Beijing54, generated);
  for (auto _ : state) {
    state.PauseTiming();
    TStandardMapUnions result = generated;
    state.ResumeTiming();
    frm.ShowStandardMapUnions(std::move(result), frm.RzCheckList1, true, 39000000, 0);
    benchmark::DoNotOptimize(frm.RzCheckList1.Count());
  }
  SheetsCounter(state, frm.RzCheckList1.Count());
  state.counters["bytes/row"] = static_cast<double>(sizeof(SheetList::Row));
  state.counters["bytes/record"] = static_cast<double>(sizeof(TStandardMapUnion));
}

// The same fill from a result that the caller keeps (copied).
void FillFromCopy(benchmark::State& state) {
  SilentUi ui;
  TfrmCreateMapUnRg frm(ui);
  TStandardMapUnions generated;
  CreateNewMapUnions(kChina, k10000, true, 0, Datum::Beijing54, generated);
  for (auto _ : state) {
    frm.ShowStandardMapUnions(generated, frm.RzCheckList1, true, 39000000, 0);
    benchmark::DoNotOptimize(frm.RzCheckList1.Count());
  }
  SheetsCounter(state, frm.RzCheckList1.Count());
}

// "生成图幅号" on "北京54坐标系": fields to list, the whole command.
void GenerateCommand(benchmark::State& state) {
  SilentUi ui;
  TfrmCreateMapUnRg frm(ui);
  SetChina(frm);
  for (auto _ : state) {
    frm.RzBitBtn1Click();
    benchmark::DoNotOptimize(frm.RzCheckList1.Count());
  }
  SheetsCounter(state, frm.RzCheckList1.Count());
}

BENCHMARK(Generation)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Fill)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(FillFromCopy)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(GenerateCommand)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(OpenListQuiet)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(OpenListWatched)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(OpenListProjected)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ConvertListQuiet)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ConvertListWatched)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace karvento

int main(int argc, char** argv) {
  karvento::KeepFreedHeap();
  benchmark::Initialize(&argc, argv);
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n");
  reporter.PrintRatio("1:1万 over China: generation / fill", "Generation/min_time:2.000",
                      "Fill/min_time:2.000");
  reporter.PrintRatio("1:1万 over China: generation / fill from a kept result",
                      "Generation/min_time:2.000", "FillFromCopy/min_time:2.000");
  reporter.PrintRatio("1:1万 over China: whole command / generation",
                      "GenerateCommand/min_time:2.000", "Generation/min_time:2.000");
  reporter.PrintRatio("Open of 1,000,000 numbers: watched / quiet progress",
                      "OpenListWatched/iterations:3", "OpenListQuiet/iterations:3");
  reporter.PrintRatio("Convert of 1,000,000 numbers: watched / quiet progress",
                      "ConvertListWatched/iterations:3", "ConvertListQuiet/iterations:3");
  std::printf("bytes per list row %zu beside the record it shares with the table (%zu)\n",
              sizeof(karvento::SheetList::Row), sizeof(karvento::TStandardMapUnion));
  benchmark::Shutdown();
  return 0;
}
