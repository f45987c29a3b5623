#include "render/blend/stamp.h"

#include <algorithm>

#include "render/blend/stamp_kernels.h"

namespace plumavo {

namespace {

using namespace blend;

struct OpaqueRow {
  static void Row(TColor32* d, const TColor32* s, int32_t n, uint32_t) { std::copy(s, s + n, d); }
};

// Alpha blending with the layer's integer arithmetic: at full master alpha an
// opaque pixel replaces and the weight is the pixel's alpha; below it the
// weight is ((M + 1) * alpha) div 256 with no shortcut for 255.
struct BlendRow {
  static void Row(TColor32* d, const TColor32* s, int32_t n, uint32_t master) {
    if (master == 255) {
      for (int32_t i = 0; i < n; ++i) {
        const TColor32 F = s[i];
        const uint32_t a = F >> 24;
        if (a == 0) continue;
        d[i] = a == 255 ? F : BlendPixelWeighted(F, d[i], a);
      }
      return;
    }
    const uint32_t m1 = master + 1;
    for (int32_t i = 0; i < n; ++i) {
      const TColor32 F = s[i];
      const uint32_t w = (m1 * (F >> 24)) >> 8;
      if (w == 0) continue;  // also covers alpha 0
      d[i] = BlendPixelWeighted(F, d[i], w);
    }
  }
};

// What Draw does in dmCustom without a combine function: clip, touch nothing.
struct NothingRow {
  static void Row(TColor32*, const TColor32*, int32_t, uint32_t) {}
};

}  // namespace

TStampProc StampProcFor(TDrawMode mode, int blendIndex) {
  switch (mode) {
    case dmOpaque:
      return &StampLoop<OpaqueRow>;
    case dmBlend:
      return &StampLoop<BlendRow>;
    case dmCustom:
      if (TStampProc p = CustomStampProc(blendIndex)) return p;
      return &StampLoop<NothingRow>;
  }
  return &StampLoop<NothingRow>;
}

}  // namespace plumavo
