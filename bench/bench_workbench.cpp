// Generate through the main window model: the sheet routine alone, the fill of
// the list and the table alone, and the whole command, over China at 1:1万
// (73°–135° E, 18°–54° N, about 857,000 sheets) on "北京54坐标系".
#include <benchmark/benchmark.h>

#include <cstdio>
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
  state.counters["sheets/s"] = benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

// The sheet routine that Generate calls, alone.
void Generation(benchmark::State& state) {
  std::size_t n = 0;
  for (auto _ : state) {
    TStandardMapUnions result;
    CreateNewMapUnions(kChina, k10000, true, 0, true, result);
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
  CreateNewMapUnions(kChina, k10000, true, 0, true, generated);
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
  CreateNewMapUnions(kChina, k10000, true, 0, true, generated);
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
  std::printf("bytes per list row %zu beside the record it shares with the table (%zu)\n",
              sizeof(karvento::SheetList::Row), sizeof(karvento::TStandardMapUnion));
  benchmark::Shutdown();
  return 0;
}
