// The generic stamp loop shared by all kernels: clipping identical to
// TBitmap32::Draw, then a per-row loop around a pixel operation that the
// compiler inlines. Internal to plumavo_blend.
#pragma once

#include <algorithm>
#include <cstdint>

#include "render/blend/stamp.h"
#include "render/surface/bitmap32.h"

namespace plumavo::blend {

struct StampArea {
  int32_t dx, dy, sx, sy, w, h;
};

// Clips srcRect to src (a negative left or top moves the landing point with it),
// then the landing rectangle to dst. 64-bit throughout so extreme coordinates
// from a renderer cannot overflow. False when nothing overlaps.
inline bool ClipStamp(const TBitmap32& dst, int32_t x, int32_t y, const TBitmap32& src, const TRect& srcRect,
                      StampArea& out) {
  if (dst.Empty() || src.Empty()) return false;
  int64_t px = x, py = y;
  int64_t left = srcRect.Left, top = srcRect.Top;
  if (left < 0) { px -= left; left = 0; }
  if (top < 0) { py -= top; top = 0; }
  const int64_t right = std::min<int64_t>(srcRect.Right, src.Width());
  const int64_t bottom = std::min<int64_t>(srcRect.Bottom, src.Height());
  int64_t w = right - left, h = bottom - top;
  if (px < 0) { w += px; left -= px; px = 0; }
  if (py < 0) { h += py; top -= py; py = 0; }
  w = std::min<int64_t>(w, dst.Width() - px);
  h = std::min<int64_t>(h, dst.Height() - py);
  if (w <= 0 || h <= 0) return false;
  out = {int32_t(px), int32_t(py), int32_t(left), int32_t(top), int32_t(w), int32_t(h)};
  return true;
}

// Op is a type with static void Row(TColor32* d, const TColor32* s, int32_t n, uint32_t master).
template <class Op>
void StampLoop(TBitmap32& dst, int32_t x, int32_t y, const TBitmap32& src, const TRect& srcRect, uint8_t master) {
  StampArea a{};
  if (!ClipStamp(dst, x, y, src, srcRect, a)) return;
  for (int32_t row = 0; row < a.h; ++row)
    Op::Row(dst.ScanLine(a.dy + row) + a.dx, src.ScanLine(a.sy + row) + a.sx, a.w, master);
  dst.Changed();
}

// The dmCustom kernel of blend mode `index`; nullptr for an index without a
// combine function. Defined beside the mode table.
TStampProc CustomStampProc(int index);

}  // namespace plumavo::blend
