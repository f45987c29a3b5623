// Stamping a brush (or one frame of an animated brush) onto a layer: the fast
// equivalent of TBitmap32::Draw(x, y, srcRect, src) for one draw mode and blend
// mode, with the kernel picked once per stamp rather than per pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "surface/bitmap32.h"

namespace plumavo {

// Draws srcRect of src with its top-left at (x, y), clipped to dst and to src
// exactly like TBitmap32::Draw, with `master` as the source's MasterAlpha. Sends
// dst's change notification when anything was drawn, as Draw does; wrap a batch
// of stamps in BeginUpdate/EndUpdate to notify once. Never allocates.
using TStampProc = void (*)(TBitmap32& dst, int32_t x, int32_t y, const TBitmap32& src, const TRect& srcRect,
                            uint8_t master);

// The kernel that gives exactly the pixels of dst.Draw with src.DrawMode = mode,
// src.MasterAlpha = master and, for dmCustom, src.OnPixelCombine =
// BlendModeFunction(blendIndex). blendIndex is ignored unless mode is dmCustom.
// A dmCustom index without a function (see BlendModeFunction) gets a kernel
// that draws nothing, just as Draw does with no OnPixelCombine; the result is
// never nullptr.
TStampProc StampProcFor(TDrawMode mode, int blendIndex);

// A dmCustom stamp with nothing to clip: the w x h pixels s (rows sStride
// apart) onto d (rows dStride apart) in blend mode `index` with master alpha
// `master`, exactly as the stamp kernel does it. For many tiny stamps (dots)
// whose clipping the caller has already settled.
using TStampBlockProc = void (*)(TColor32* d, int32_t dStride, const TColor32* s, int32_t sStride, int32_t w, int32_t h,
                                 uint32_t master);

namespace blend {
// What a prepared stamp reads of its brush.
struct TPreparedPixels {
  int32_t width = 0;
  // Per row: first and one past the last pixel to visit. Every pixel outside
  // has O = 0; inside there may be some (each kernel leaves those alone).
  const int32_t* spans = nullptr;
  const TColor32* F = nullptr;        // the brush pixels
  const uint32_t* opacity = nullptr;  // per pixel O in each colour byte, 0 in the alpha byte
  // Per pixel four 16-bit lanes (blue, green, red, alpha): the pixel's
  // channels (in the mode's brushLane form), and 2 O with 0 for alpha (see
  // MixLanes).
  const uint16_t* f16 = nullptr;
  const uint16_t* o2 = nullptr;
  // f16 and o2 again, with each row's groups of eight pixels in the order
  // 0, 1, 4, 5, 2, 3, 6, 7 (a last four in order): the order in which the
  // AVX2 kernels unpack eight destination pixels, so that they need not put
  // the result back in order. Only with wholeRows.
  const uint16_t* f16Paired = nullptr;
  const uint16_t* o2Paired = nullptr;
  // HSL modes: what each pixel lends, in planes of `ownStride` floats (one per
  // brush pixel), one plane per value.
  const float* own = nullptr;
  size_t ownStride = 0;
  // Whether a stamp that is not clipped at the sides may take whole rows,
  // transparent ends and all, instead of following the spans: the spans
  // cover at least three quarters of the brush, and its width is a multiple
  // of four.
  bool wholeRows = false;
};
// Rows sy .. sy + h - 1, columns sx .. sx + w - 1 of the brush onto d (the
// landing pixel of column sx in the first row; rows `stride` pixels apart).
using TPreparedStamp = void (*)(TColor32* d, int32_t stride, const TPreparedPixels& b, int32_t sx, int32_t sy,
                                int32_t w, int32_t h);
struct TPreparedMode {
  TPreparedStamp stamp = nullptr;  // nullptr: the mode draws nothing
  // HSL modes: writes the ownPlanes values brush pixel F lends, `stride` apart.
  void (*own)(TColor32 F, float* out, size_t stride) = nullptr;
  int ownPlanes = 0;
  // The form of each brush channel f in TPreparedPixels::f16, for a mode
  // whose kernel multiplies with another (Multiply keeps f * 256, Screen
  // (255 - f) * 256); nullptr: f itself.
  uint16_t (*brushLane)(uint32_t f) = nullptr;
};
// Which compiled kernels to use: the baseline ones (SSE2), which every
// processor runs and which are the reference, or the best this processor
// runs (AVX2 where the build has them and the processor has it).
enum class KernelSet { Baseline, Best };
bool WideKernelsAvailable();
// The prepared-brush kernel of blend mode `index`; empty for an index without a
// combine function. Defined beside the mode table.
TPreparedMode PreparedModeFor(int index, KernelSet set = KernelSet::Best);
}  // namespace blend

// The block kernel of blend mode `blendIndex`; nullptr for an index without a
// combine function.
TStampBlockProc StampBlockProcFor(int blendIndex, blend::KernelSet set = blend::KernelSet::Best);

// A brush bitmap made ready for the many stamps of one render in a blend mode
// (dmCustom): what the combine function would work out from the brush's own
// pixels is worked out once here. Each pixel's opacity O = (alpha * master)
// div 256, each row's span of pixels with O > 0 (the transparent rest is never
// visited), and for Hue, Saturation and Lightness each pixel's own HSL
// component. Stamping then gives exactly the pixels of TBitmap32::Draw with
// the mode's combine function. Preparing allocates; stamping never does.
class TStampBrush {
 public:
  // src as drawn in dmCustom with BlendModeFunction(blendIndex) and `master`.
  // An index without a function gives a brush that draws nothing.
  void Prepare(const TBitmap32& src, int blendIndex, uint8_t master, blend::KernelSet kernels = blend::KernelSet::Best);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

  // dst.Draw(x, y, TRect{0, top, Width(), top + rows}, brush): rows `top` ..
  // top + rows - 1 of the brush with their top-left at (x, y), clipped like
  // Draw. Sends dst's change notification when anything was drawn.
  void Stamp(TBitmap32& dst, int32_t x, int32_t y, int32_t top, int32_t rows) const;

  // For callers that clip their stamps themselves and stamp many: the kernel
  // (nullptr when the mode draws nothing) and what it reads of the brush.
  blend::TPreparedStamp Kernel() const { return mode_.stamp; }
  blend::TPreparedPixels Pixels() const;

 private:
  void Reset(int32_t w, int32_t h, int blendIndex, uint8_t master, blend::KernelSet kernels);
  void Refresh();

  int32_t width_ = 0, height_ = 0;
  uint32_t master_ = 255;
  blend::TPreparedMode mode_;
  std::vector<TColor32> pixels_;
  std::vector<uint32_t> opacity_;
  std::vector<uint16_t> f16_, o2_, f16Paired_, o2Paired_;
  std::vector<float> own_;
  std::vector<int32_t> spans_;
  bool wholeRows_ = false;
};

}  // namespace plumavo
