// SPDX-License-Identifier: Apache-2.0
// The map window's redraw of 857,088 sheets (the 1:1万 sheets of 73°–135° E,
// 18°–54° N, every 101st checked) at every zoom, from all of China down to a
// few sheets around Beijing: what one repaint of the window costs, drawn by
// the window's own painter into an image of the window's canvas size. The
// goal is 100 ms per repaint; each figure is also printed as a share of it.
#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "map/index_map.h"
#include "numbering/unMapUnRgPub.h"
#include "ratio_reporter.h"

namespace {

using namespace karvento;

constexpr double kGoalMs = 100;

struct Scene {
  TStandardMapUnions table;
  std::unique_ptr<map::IndexMapModel> model;
  std::vector<bool> checked;
};

Scene& TheScene() {
  static Scene scene = [] {
    Scene s;
    CreateMapUnionsOfStandard({{73, 0, 0}, {18, 0, 0}, {135, 0, 0}, {54, 0, 0}}, 6, true, true,
                              Datum::Beijing54, 0, s.table);
    map::MapSheets sheets = map::SheetsOf(s.table);
    s.checked.resize(sheets.frames.size());
    for (std::size_t i = 0; i < s.checked.size(); i += 101) s.checked[i] = true;
    sheets.checked = [&c = s.checked](std::size_t i) { return static_cast<bool>(c[i]); };
    s.model = std::make_unique<map::IndexMapModel>(std::move(sheets));
    return s;
  }();
  return scene;
}

// The zooms of the runs: all of China, then ever closer around Beijing.
constexpr double kZooms[] = {1, 5, 12, 40, 300, 1500};

void Redraw(benchmark::State& state) {
  Scene& s = TheScene();
  const double zoom = kZooms[state.range(0)];
  // The canvas of a map window of 1000 × 740 less its bar and label bands.
  QImage image(920, 690, QImage::Format_ARGB32_Premultiplied);
  map::MapView view;
  view.SetAspect(s.model->Aspect());
  const QMarginsF bands = map::GridLabelMargins();
  view.SetViewport(QRectF(image.rect()) - bands);
  view.Fit(s.model->Bounds());
  view.ZoomAt(view.ToDevice(QPointF(116.4, 39.9)), zoom);
  map::MapDecor decor;
  decor.gridLabelsOutside = true;
  map::PaintStats stats;
  for (auto _ : state) {
    QPainter p(&image);
    p.fillRect(image.rect(), Qt::white);
    stats = map::PaintIndexMap(p, view, *s.model, decor);
    benchmark::DoNotOptimize(stats.visited);
  }
  state.counters["visited"] = static_cast<double>(stats.visited);
  state.counters["frames"] = static_cast<double>(stats.frames);
  state.counters["labels"] = static_cast<double>(stats.labels);
}
BENCHMARK(Redraw)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->MinTime(0.5);

}  // namespace

int main(int argc, char** argv) {
  map::EnsureGuiApplication();
  TheScene();  // the sheets are made before the clock runs
  benchmark::Initialize(&argc, argv);
  karvento::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // Elapsed time counts what else the machine runs; CPU time is what a
  // quiet machine would take.
  std::printf("\nredraw of %zu sheets against the %.0f ms goal (elapsed, CPU):\n",
              TheScene().model->Count(), kGoalMs);
  for (int k = 0; k < 6; ++k) {
    const std::string name = "Redraw/" + std::to_string(k) + "/min_time:0.500";
    const double ms = reporter.Seconds(name) * 1000, cpu = reporter.CpuSeconds(name) * 1000;
    if (ms > 0) {
      std::printf("  zoom ×%-6g %7.1f ms %5.2f of the goal   %7.1f ms %5.2f of the goal\n", kZooms[k], ms,
                  ms / kGoalMs, cpu, cpu / kGoalMs);
    }
  }
  benchmark::Shutdown();
  return 0;
}
