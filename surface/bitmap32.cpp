#include "surface/bitmap32.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <mutex>

#include "surface/splat.h"

namespace plumavo {

namespace {

// The classic light desktop scheme, indexed like the platform's system colours.
std::array<TColor32, 31> g_systemColors = {
    0xFFC8C8C8, 0xFF000000, 0xFF000080, 0xFF808080, 0xFFF0F0F0, 0xFFFFFFFF, 0xFF646464, 0xFF000000,
    0xFF000000, 0xFFFFFFFF, 0xFFB4B4B4, 0xFFF4F7FC, 0xFFABABAB, 0xFF0078D7, 0xFFFFFFFF, 0xFFF0F0F0,
    0xFFA0A0A0, 0xFF6D6D6D, 0xFF000000, 0xFF000000, 0xFFFFFFFF, 0xFF696969, 0xFFE3E3E3, 0xFF000000,
    0xFFFFFFE1, 0xFF000000, 0xFF0066CC, 0xFFB9D1EA, 0xFFD7E4F2, 0xFF3399FF, 0xFFF0F0F0};

struct ClippedCopy {
  int32_t dx, dy, sx, sy, w, h;
};

// Clips the source rectangle to the source, then the placement to the destination.
bool ClipDraw(int32_t dstW, int32_t dstH, int32_t x, int32_t y, TRect src, int32_t srcW, int32_t srcH,
              ClippedCopy& out) {
  // Moving the source's top-left also moves where it lands.
  if (src.Left < 0) {
    x -= src.Left;
    src.Left = 0;
  }
  if (src.Top < 0) {
    y -= src.Top;
    src.Top = 0;
  }
  src.Right = std::min(src.Right, srcW);
  src.Bottom = std::min(src.Bottom, srcH);
  int64_t w = int64_t(src.Right) - src.Left;
  int64_t h = int64_t(src.Bottom) - src.Top;
  int64_t dx = x, dy = y, sx = src.Left, sy = src.Top;
  if (dx < 0) {
    w += dx;
    sx -= dx;
    dx = 0;
  }
  if (dy < 0) {
    h += dy;
    sy -= dy;
    dy = 0;
  }
  w = std::min<int64_t>(w, dstW - dx);
  h = std::min<int64_t>(h, dstH - dy);
  if (w <= 0 || h <= 0) return false;
  out = {int32_t(dx), int32_t(dy), int32_t(sx), int32_t(sy), int32_t(w), int32_t(h)};
  return true;
}

inline void BlendRow(TColor32* d, const TColor32* s, int32_t n, uint32_t master) {
  if (master == 255) {
    for (int32_t i = 0; i < n; ++i) {
      const uint32_t a = s[i] >> 24;
      if (a == 0) continue;
      d[i] = a == 255 ? s[i] : BlendPixelWeighted(s[i], d[i], a);
    }
  } else {
    for (int32_t i = 0; i < n; ++i) {
      const uint32_t a = s[i] >> 24;
      const uint32_t w = ((master + 1) * a) >> 8;
      if (a == 0 || w == 0) continue;
      d[i] = BlendPixelWeighted(s[i], d[i], w);
    }
  }
}

std::array<uint8_t, 256> MakeGammaTable() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) t[size_t(i)] = uint8_t(std::lrint(255.0 * std::pow(i / 255.0, 0.7)));
  return t;
}

}  // namespace

TColor32 SystemColorTable::Get(int index) {
  return index >= 0 && index < int(g_systemColors.size()) ? g_systemColors[size_t(index)] : 0xFF000000u;
}

void SystemColorTable::Set(int index, TColor32 c) {
  if (index >= 0 && index < int(g_systemColors.size())) g_systemColors[size_t(index)] = c | 0xFF000000u;
}

TColor32 Color32(TColor c) {
  if (c < 0) return SystemColorTable::Get(c & 0xFF) | 0xFF000000u;
  const uint32_t u = uint32_t(c);
  return 0xFF000000u | ((u & 0xFFu) << 16) | (u & 0xFF00u) | ((u >> 16) & 0xFFu);
}

const uint8_t* SplatGammaTable() {
  static const std::array<uint8_t, 256> table = MakeGammaTable();
  return table.data();
}

TBitmap32::TBitmap32(const TBitmap32& other)
    : DrawMode(other.DrawMode),
      CombineMode(other.CombineMode),
      MasterAlpha(other.MasterAlpha),
      OuterColor(other.OuterColor),
      StretchFilter(other.StretchFilter),
      OnPixelCombine(other.OnPixelCombine),
      width_(other.width_),
      height_(other.height_),
      pixels_(other.pixels_) {}

TBitmap32& TBitmap32::operator=(const TBitmap32& other) {
  if (this != &other) {
    Assign(other);
    CombineMode = other.CombineMode;
    OnPixelCombine = other.OnPixelCombine;
  }
  return *this;
}

void TBitmap32::SetSize(int32_t w, int32_t h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == 0 || h == 0) w = h = 0;
  if (w == width_ && h == height_) return;
  std::vector<TColor32> fresh(size_t(w) * size_t(h), 0u);
  pixels_.swap(fresh);
  width_ = w;
  height_ = h;
  if (OnResize) OnResize();
  Changed();
}

TColor32 TBitmap32::PixelS(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return OuterColor;
  return Pixel(x, y);
}

void TBitmap32::Clear(TColor32 c) {
  if (Empty()) return;
  std::fill(pixels_.begin(), pixels_.end(), c);
  Changed();
}

void TBitmap32::Assign(const TBitmap32& source) {
  if (this == &source) return;
  if (source.width_ != width_ || source.height_ != height_) {
    width_ = source.width_;
    height_ = source.height_;
    if (OnResize) OnResize();
  }
  pixels_ = source.pixels_;
  DrawMode = source.DrawMode;
  MasterAlpha = source.MasterAlpha;
  OuterColor = source.OuterColor;
  StretchFilter = source.StretchFilter;
  Changed();
}

void TBitmap32::Draw(int32_t x, int32_t y, const TBitmap32& source) { Draw(x, y, source.BoundsRect(), source); }

void TBitmap32::Draw(int32_t x, int32_t y, const TRect& srcRect, const TBitmap32& source) {
  if (Empty() || source.Empty()) return;
  ClippedCopy c{};
  if (!ClipDraw(width_, height_, x, y, srcRect, source.width_, source.height_, c)) return;
  DrawRows(c.dx, c.dy, source, c.sx, c.sy, c.w, c.h);
  Changed();
}

void TBitmap32::DrawRows(int32_t dx, int32_t dy, const TBitmap32& source, int32_t sx, int32_t sy, int32_t w,
                         int32_t h) {
  for (int32_t row = 0; row < h; ++row) {
    TColor32* d = ScanLine(dy + row) + dx;
    const TColor32* s = source.ScanLine(sy + row) + sx;
    switch (source.DrawMode) {
      case dmOpaque: std::copy(s, s + w, d); break;
      case dmBlend: BlendRow(d, s, w, source.MasterAlpha); break;
      case dmCustom:
        if (source.OnPixelCombine) {
          for (int32_t i = 0; i < w; ++i) source.OnPixelCombine(s[i], d[i], source.MasterAlpha);
        }
        break;
    }
  }
}

void TBitmap32::Draw(const TRect& dstRect, const TRect& srcRect, const TBitmap32& source) {
  if (Empty() || source.Empty() || dstRect.IsEmpty()) return;
  // Source rectangle limited to the source; an empty one draws nothing.
  TRect sr{std::max(srcRect.Left, 0), std::max(srcRect.Top, 0), std::min(srcRect.Right, source.width_),
           std::min(srcRect.Bottom, source.height_)};
  if (sr.IsEmpty()) return;
  if (dstRect.Width() == sr.Width() && dstRect.Height() == sr.Height()) {
    Draw(dstRect.Left, dstRect.Top, sr, source);
    return;
  }
  // The visible part of the destination rectangle.
  const int32_t x1 = std::max(dstRect.Left, 0), y1 = std::max(dstRect.Top, 0);
  const int32_t x2 = std::min(dstRect.Right, width_), y2 = std::min(dstRect.Bottom, height_);
  if (x1 >= x2 || y1 >= y2) return;

  TBitmap32 scaled(x2 - x1, y2 - y1);
  scaled.DrawMode = source.DrawMode;
  scaled.MasterAlpha = source.MasterAlpha;
  scaled.OnPixelCombine = source.OnPixelCombine;
  const double kx = double(sr.Width()) / dstRect.Width();
  const double ky = double(sr.Height()) / dstRect.Height();
  const bool nearest = source.StretchFilter == sfNearest || source.StretchFilter == sfDraft;
  for (int32_t y = y1; y < y2; ++y) {
    TColor32* out = scaled.ScanLine(y - y1);
    const double fy = (y - dstRect.Top + 0.5) * ky - 0.5 + sr.Top;
    for (int32_t x = x1; x < x2; ++x) {
      const double fx = (x - dstRect.Left + 0.5) * kx - 0.5 + sr.Left;
      if (nearest) {
        const int32_t ix = std::clamp(int32_t(std::floor(fx + 0.5)), sr.Left, sr.Right - 1);
        const int32_t iy = std::clamp(int32_t(std::floor(fy + 0.5)), sr.Top, sr.Bottom - 1);
        out[x - x1] = source.Pixel(ix, iy);
        continue;
      }
      // Bilinear over the four neighbours, edges clamped to the source rectangle.
      const double cx = std::clamp(fx, double(sr.Left), double(sr.Right - 1));
      const double cy = std::clamp(fy, double(sr.Top), double(sr.Bottom - 1));
      const int32_t ix = int32_t(cx), iy = int32_t(cy);
      const int32_t ix2 = std::min(ix + 1, sr.Right - 1), iy2 = std::min(iy + 1, sr.Bottom - 1);
      // The fractions are never negative, so adding a half and truncating
      // rounds them half up, as the stretched pictures always have.
      const uint32_t wx = uint32_t((cx - ix) * 256.0 + 0.5);  // NOLINT(bugprone-incorrect-roundings)
      const uint32_t wy = uint32_t((cy - iy) * 256.0 + 0.5);  // NOLINT(bugprone-incorrect-roundings)
      const TColor32 top = BlendPixelWeighted(source.Pixel(ix2, iy), source.Pixel(ix, iy), std::min(wx, 256u));
      const TColor32 bottom = BlendPixelWeighted(source.Pixel(ix2, iy2), source.Pixel(ix, iy2), std::min(wx, 256u));
      out[x - x1] = BlendPixelWeighted(bottom, top, std::min(wy, 256u));
    }
  }
  DrawRows(x1, y1, scaled, 0, 0, scaled.width_, scaled.height_);
  Changed();
}

void TBitmap32::PutPixel(int32_t x, int32_t y, TColor32 c) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_) Pixel(x, y) = c;
}

void TBitmap32::SplatPixel(float x, float y, TColor32 c) {
  const float fx256 = x * 256.0f;
  const float fy256 = y * 256.0f;
  // Far outside (or not a number): nothing to draw, and lrintf must not overflow.
  constexpr float kLimit = 1.0e9f;
  if (!(fx256 > -kLimit && fx256 < kLimit && fy256 > -kLimit && fy256 < kLimit)) return;
  const int32_t X = int32_t(std::lrintf(fx256));
  const int32_t Y = int32_t(std::lrintf(fy256));
  SplatFixed(SplatTarget(*this), X, Y, c, SplatGammaTable());
}

void TBitmap32::ResetAlpha() {
  for (TColor32& p : pixels_) p |= 0xFF000000u;
  Changed();
}

bool TBitmap32::IsOpaque() const {
  if (Empty()) return false;
  // AND of whole blocks, so the loop vectorises; a stop at the first block
  // with a lower alpha keeps a transparent layer's test short.
  constexpr size_t kBlock = 256;
  const TColor32* p = pixels_.data();
  const size_t n = pixels_.size();
  size_t i = 0;
  for (; i + kBlock <= n; i += kBlock) {
    TColor32 all = 0xFFFFFFFFu;
    for (size_t k = 0; k < kBlock; ++k) all &= p[i + k];
    if ((all >> 24) != 255) return false;
  }
  TColor32 all = 0xFFFFFFFFu;
  for (; i < n; ++i) all &= p[i];
  return (all >> 24) == 255;
}

void TBitmap32::FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 c) {
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, width_);
  y2 = std::min(y2, height_);
  for (int32_t y = y1; y < y2; ++y) std::fill(ScanLine(y) + x1, ScanLine(y) + x2, c);
  if (x1 < x2 && y1 < y2) Changed();
}

void TBitmap32::FrameRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 c) {
  if (x2 <= x1 || y2 <= y1) return;
  BeginUpdate();
  FillRect(x1, y1, x2, y1 + 1, c);
  FillRect(x1, y2 - 1, x2, y2, c);
  FillRect(x1, y1, x1 + 1, y2, c);
  FillRect(x2 - 1, y1, x2, y2, c);
  EndUpdate();
  Changed();
}

void TBitmap32::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange();
}

void TBitmap32List::Resize(int32_t n) {
  n = std::max(n, 0);
  while (Count() > n) items_.pop_back();
  while (Count() < n) Add();
}

}  // namespace plumavo
