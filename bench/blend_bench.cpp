// Stamping a 32 x 32 brush onto a layer: the per-mode kernels against the
// generic Draw path that calls the combine function through a pointer.
#include <benchmark/benchmark.h>

#include <random>

#include "render/blend/blend_modes.h"
#include "render/blend/stamp.h"

namespace {

using namespace plumavo;

struct Scene {
  TBitmap32 layer{480, 360};
  TBitmap32 brush{32, 32};
  Scene() {
    std::mt19937 rng(1);
    for (int32_t y = 0; y < layer.Height(); ++y)
      for (int32_t x = 0; x < layer.Width(); ++x) layer.Pixel(x, y) = rng() | 0xFF000000u;
    // A soft round dot: transparent corners, opaque middle.
    for (int32_t y = 0; y < 32; ++y)
      for (int32_t x = 0; x < 32; ++x) {
        const int d2 = (x - 16) * (x - 16) + (y - 16) * (y - 16);
        const uint32_t a = d2 >= 256 ? 0u : uint32_t(255 - d2);
        brush.Pixel(x, y) = (a << 24) | (rng() & 0x00FFFFFFu);
      }
  }
};

void BM_StampKernel(benchmark::State& state) {
  Scene s;
  const TStampProc stamp = StampProcFor(dmCustom, int(state.range(0)));
  int32_t i = 0;
  for (auto _ : state) {
    stamp(s.layer, (i * 37) % 460 - 10, (i * 53) % 340 - 10, s.brush, s.brush.BoundsRect(), 200);
    ++i;
  }
  benchmark::DoNotOptimize(s.layer.Bits());
  state.SetItemsProcessed(state.iterations() * 32 * 32);
}

void BM_DrawGeneric(benchmark::State& state) {
  Scene s;
  s.brush.DrawMode = dmCustom;
  s.brush.MasterAlpha = 200;
  s.brush.OnPixelCombine = BlendModeFunction(int(state.range(0)));
  int32_t i = 0;
  for (auto _ : state) {
    s.layer.Draw((i * 37) % 460 - 10, (i * 53) % 340 - 10, s.brush);
    ++i;
  }
  benchmark::DoNotOptimize(s.layer.Bits());
  state.SetItemsProcessed(state.iterations() * 32 * 32);
}

void BM_StampBlend(benchmark::State& state) {
  Scene s;
  const TStampProc stamp = StampProcFor(dmBlend, 0);
  int32_t i = 0;
  for (auto _ : state) {
    stamp(s.layer, (i * 37) % 460 - 10, (i * 53) % 340 - 10, s.brush, s.brush.BoundsRect(), uint8_t(state.range(0)));
    ++i;
  }
  benchmark::DoNotOptimize(s.layer.Bits());
  state.SetItemsProcessed(state.iterations() * 32 * 32);
}

// A 24 x 24 brush prepared once, stamped at scattered places of a layer of the
// given side: small enough to stay in cache, or the largest project size.
void BM_PreparedStamp(benchmark::State& state) {
  Scene s;
  const int32_t side = int32_t(state.range(1));
  TBitmap32 layer(side, side);
  layer.Clear(0xFF808080u);
  TBitmap32 brush(24, 24);
  brush.Draw(0, 0, TRect{4, 4, 28, 28}, s.brush);
  TStampBrush prepared;
  prepared.Prepare(brush, int(state.range(0)), 180);
  uint32_t seed = 1;
  for (auto _ : state) {
    seed = seed * 134775813u + 1u;
    const int32_t x = int32_t((seed >> 8) % uint32_t(side - 24)), y = int32_t((seed >> 20) % uint32_t(side - 24));
    prepared.Stamp(layer, x, y, 0, 24);
  }
  benchmark::DoNotOptimize(layer.Bits());
  state.SetItemsProcessed(state.iterations() * 24 * 24);
}

// The same brush on a 256 x 256 layer of random colours, put back every 256
// stamps with the clock stopped. Stamp after stamp, the mixing (which rounds
// toward minus infinity) darkens a layer to black, and Hue leaves grey pixels
// alone, so on the layer above it would time almost nothing.
void BM_PreparedStampOnColours(benchmark::State& state) {
  Scene s;
  TBitmap32 colours(256, 256);
  std::mt19937 rng(7);
  for (int32_t y = 0; y < 256; ++y)
    for (int32_t x = 0; x < 256; ++x) colours.Pixel(x, y) = rng() | 0xFF000000u;
  TBitmap32 layer(colours);
  TBitmap32 brush(24, 24);
  brush.Draw(0, 0, TRect{4, 4, 28, 28}, s.brush);
  TStampBrush prepared;
  prepared.Prepare(brush, int(state.range(0)), 180);
  uint32_t seed = 1;
  int32_t stamps = 0;
  for (auto _ : state) {
    if (++stamps % 256 == 0) {
      state.PauseTiming();
      layer.Assign(colours);
      state.ResumeTiming();
    }
    seed = seed * 134775813u + 1u;
    const int32_t x = int32_t((seed >> 8) % 232u), y = int32_t((seed >> 20) % 232u);
    prepared.Stamp(layer, x, y, 0, 24);
  }
  benchmark::DoNotOptimize(layer.Bits());
  state.SetItemsProcessed(state.iterations() * 24 * 24);
}

BENCHMARK(BM_PreparedStamp)
    ->Args({1, 256})
    ->Args({1, 1280})
    ->Args({2, 1280})
    ->Args({24, 256})
    ->Args({24, 1280})
    ->Args({25, 256})
    ->Args({26, 256});

// Multiply, Hue, Saturation, Lightness.
BENCHMARK(BM_PreparedStampOnColours)->Arg(1)->Arg(24)->Arg(25)->Arg(26);

// Normal, Multiply, Color Burn, Glow, Red, Hue.
BENCHMARK(BM_StampKernel)->Arg(0)->Arg(1)->Arg(9)->Arg(18)->Arg(21)->Arg(24);
BENCHMARK(BM_DrawGeneric)->Arg(0)->Arg(1)->Arg(9)->Arg(18)->Arg(21)->Arg(24);
BENCHMARK(BM_StampBlend)->Arg(255)->Arg(128);

}  // namespace

BENCHMARK_MAIN();
