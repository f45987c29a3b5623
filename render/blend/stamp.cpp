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
    case dmOpaque: return &StampLoop<OpaqueRow>;
    case dmBlend: return &StampLoop<BlendRow>;
    case dmCustom:
      if (TStampProc p = CustomStampProc(blendIndex)) return p;
      return &StampLoop<NothingRow>;
  }
  return &StampLoop<NothingRow>;
}

void TStampBrush::Prepare(const TBitmap32& src, int blendIndex, uint8_t master, blend::KernelSet kernels) {
  Reset(src.Width(), src.Height(), blendIndex, master, kernels);
  std::copy_n(src.Bits(), pixels_.size(), pixels_.begin());
  Refresh();
}

void TStampBrush::Reset(int32_t w, int32_t h, int blendIndex, uint8_t master, blend::KernelSet kernels) {
  width_ = std::max(w, 0);
  height_ = std::max(h, 0);
  if (width_ == 0 || height_ == 0) width_ = height_ = 0;
  master_ = master;
  mode_ = PreparedModeFor(blendIndex, kernels);
  const size_t n = size_t(width_) * size_t(height_);
  pixels_.assign(n, 0);
  opacity_.assign(n, 0);
  f16_.assign(n * 4, 0);
  o2_.assign(n * 4, 0);
  own_.assign(mode_.own ? n * size_t(mode_.ownPlanes) : 0, 0.0f);
  spans_.assign(size_t(height_) * 2, 0);
}

void TStampBrush::Refresh() {
  int64_t spanned = 0;
  for (int32_t y = 0; y < height_; ++y) {
    const size_t row = size_t(y) * size_t(width_);
    int32_t first = width_, last = 0;
    for (int32_t x = 0; x < width_; ++x) {
      const size_t i = row + size_t(x);
      const TColor32 F = pixels_[i];
      // The opacity every combine function starts from.
      const uint32_t O = ((F >> 24) * master_) >> 8;
      opacity_[i] = O * 0x010101u;
      for (int c = 0; c < 4; ++c) {
        const uint32_t channel = (F >> (8 * c)) & 255u;
        f16_[i * 4 + size_t(c)] = mode_.brushLane ? mode_.brushLane(channel) : uint16_t(channel);
        o2_[i * 4 + size_t(c)] = uint16_t(c == 3 ? 0u : 2 * O);
      }
      if (O == 0) continue;
      first = std::min(first, x);
      last = x + 1;
      if (mode_.own) mode_.own(F, own_.data() + i, pixels_.size());
    }
    // Widened to whole groups of four where the brush allows: the vector
    // kernels work four pixels at a time, and pixels with O = 0 inside a
    // span are left as they are by every kernel.
    if (first < last) {
      first &= ~3;
      last = std::min((last + 3) & ~3, width_);
    } else {
      first = last = 0;
    }
    spans_[size_t(y) * 2] = first;
    spans_[size_t(y) * 2 + 1] = last;
    spanned += last - first;
  }
  // A row's span changes from row to row, and so does the number of steps
  // the kernel takes along it; on brushes that are mostly opaque the few
  // transparent pixels at the ends cost less than those changes.
  wholeRows_ = width_ % 4 == 0 && spanned * 4 >= int64_t(width_) * int64_t(height_) * 3;
  f16Paired_.clear();
  o2Paired_.clear();
  if (wholeRows_) {
    f16Paired_.resize(f16_.size());
    o2Paired_.resize(o2_.size());
    static constexpr int32_t kPairedOrder[8] = {0, 1, 4, 5, 2, 3, 6, 7};
    for (int32_t y = 0; y < height_; ++y)
      for (int32_t x = 0; x < width_; ++x) {
        const int32_t group = x & ~7;
        // Where pixel x's lanes go: the same place in a last group of four.
        const int32_t to = group + 8 <= width_ ? group + kPairedOrder[x - group] : x;
        const size_t from = (size_t(y) * size_t(width_) + size_t(x)) * 4;
        const size_t at = (size_t(y) * size_t(width_) + size_t(to)) * 4;
        std::copy_n(f16_.begin() + ptrdiff_t(from), 4, f16Paired_.begin() + ptrdiff_t(at));
        std::copy_n(o2_.begin() + ptrdiff_t(from), 4, o2Paired_.begin() + ptrdiff_t(at));
      }
  }
}

blend::TPreparedPixels TStampBrush::Pixels() const {
  return {width_,
          spans_.data(),
          pixels_.data(),
          opacity_.data(),
          f16_.data(),
          o2_.data(),
          f16Paired_.empty() ? nullptr : f16Paired_.data(),
          o2Paired_.empty() ? nullptr : o2Paired_.data(),
          own_.empty() ? nullptr : own_.data(),
          pixels_.size(),
          wholeRows_};
}

void TStampBrush::Stamp(TBitmap32& dst, int32_t x, int32_t y, int32_t top, int32_t rows) const {
  StampArea a{};
  if (!ClipStamp(dst, x, y, width_, height_, TRect{0, top, width_, top + rows}, a)) return;
  if (mode_.stamp) mode_.stamp(dst.ScanLine(a.dy) + a.dx, dst.Width(), Pixels(), a.sx, a.sy, a.w, a.h);
  dst.Changed();
}

}  // namespace plumavo
