// Whole renders as an edit triggers them: canvas copy, maps, the loop with its
// stamps and the final alpha reset, with the layer reused between renders.
#include <benchmark/benchmark.h>

#include <functional>
#include <utility>

#if defined(PLUMAVO_BENCH_PAINT)
#include <QImage>
#include <QPainter>
#endif

#include "bench/render_scenes.h"
#include "bench/step_times.h"
#include "render/ifs/renderer.h"

namespace {

using namespace plumavo;

// The renders of one scene; untimedBefore, when given, runs before each one
// with the clock stopped.
void Run(benchmark::State& state, scenes::Scene scene, const std::function<void()>& untimedBefore = {}) {
  Project& p = scene.project;
  TRenderer r;
  r.Preferences.RenderingLoops = scene.loops;
  TBitmap32 canvas(p.Width, p.Height);
  canvas.Clear(Color32(200, 190, 170));
  TBitmap32 layer(p.Width, p.Height);
  layer.DrawMode = dmBlend;
  r.RenderImage(p, canvas, layer);  // brushes prepared once, as after an edit
  bench::StepTimes times;
  for (auto _ : state) {
    if (untimedBefore) {
      state.PauseTiming();
      untimedBefore();
      state.ResumeTiming();
    }
    const auto start = bench::StepTimes::Clock::now();
    r.RenderImage(p, canvas, layer);
    benchmark::DoNotOptimize(layer.Bits());
    times.Add(start, bench::StepTimes::Clock::now());
  }
  state.counters["stamped"] = r.LastStats().Stamped;
  times.Report(state);
}

void RenderImage_a(benchmark::State& state) { Run(state, scenes::SceneA()); }
void RenderImage_b(benchmark::State& state) { Run(state, scenes::SceneB()); }
void RenderImage_c(benchmark::State& state) { Run(state, scenes::SceneC()); }
void RenderImage_d(benchmark::State& state) { Run(state, scenes::SceneD()); }

BENCHMARK(RenderImage_a)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderImage_b)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderImage_c)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderImage_d)->Unit(benchmark::kMillisecond);

#if defined(PLUMAVO_BENCH_PAINT)
// The same renders as the window makes them: Qt has just painted on this
// thread (with its wide vector code where the processor has it), untimed.
// A render that does not leave that state first runs much slower here than
// above.
void RunAfterPaint(benchmark::State& state, scenes::Scene scene) {
  // As the view draws its layer: a straight-alpha picture, converted on the
  // way, onto an opaque surface.
  QImage target(640, 640, QImage::Format_RGB32);
  target.fill(Qt::white);
  QImage picture(640, 640, QImage::Format_ARGB32);
  picture.fill(QColor(20, 40, 200, 200));
  Run(state, std::move(scene), [&] {
    QPainter painter(&target);
    painter.drawImage(0, 0, picture);
  });
}

void RenderImageAfterPaint_a(benchmark::State& state) { RunAfterPaint(state, scenes::SceneA()); }
void RenderImageAfterPaint_b(benchmark::State& state) { RunAfterPaint(state, scenes::SceneB()); }
void RenderImageAfterPaint_c(benchmark::State& state) { RunAfterPaint(state, scenes::SceneC()); }
void RenderImageAfterPaint_d(benchmark::State& state) { RunAfterPaint(state, scenes::SceneD()); }

BENCHMARK(RenderImageAfterPaint_a)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderImageAfterPaint_b)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderImageAfterPaint_c)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderImageAfterPaint_d)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
