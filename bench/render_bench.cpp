// Whole renders as an edit triggers them: canvas copy, maps, the loop with its
// stamps and the final alpha reset, with the layer reused between renders.
#include <benchmark/benchmark.h>

#include "bench/render_scenes.h"
#include "render/ifs/renderer.h"

namespace {

using namespace plumavo;

void Run(benchmark::State& state, scenes::Scene scene) {
  Project& p = scene.project;
  TRenderer r;
  r.Preferences.RenderingLoops = scene.loops;
  TBitmap32 canvas(p.Width, p.Height);
  canvas.Clear(Color32(200, 190, 170));
  TBitmap32 layer(p.Width, p.Height);
  layer.DrawMode = dmBlend;
  r.RenderImage(p, canvas, layer);  // brushes prepared once, as after an edit
  for (auto _ : state) {
    r.RenderImage(p, canvas, layer);
    benchmark::DoNotOptimize(layer.Bits());
  }
  state.counters["stamped"] = r.LastStats().Stamped;
}

void RenderImage_a(benchmark::State& state) { Run(state, scenes::SceneA()); }
void RenderImage_b(benchmark::State& state) { Run(state, scenes::SceneB()); }
void RenderImage_c(benchmark::State& state) { Run(state, scenes::SceneC()); }
void RenderImage_d(benchmark::State& state) { Run(state, scenes::SceneD()); }

BENCHMARK(RenderImage_a)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderImage_b)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderImage_c)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderImage_d)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
