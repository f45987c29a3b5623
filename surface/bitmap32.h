// The one raster class of the program: 32-bit ARGB pixels in one contiguous
// array, row by row from the top, with the program's exact blending arithmetic.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace plumavo {

// 0x00BBGGRR, red in the low byte. A negative value names a system colour.
using TColor = int32_t;
// 0xAARRGGBB, alpha in the top byte.
using TColor32 = uint32_t;

enum TDrawMode : uint8_t { dmOpaque = 0, dmBlend = 1, dmCustom = 2 };
enum TCombineMode : uint8_t { cmBlend = 0, cmMerge = 1 };
enum TStretchFilter : uint8_t { sfNearest, sfDraft, sfLinear, sfCosine, sfSpline, sfLanczos, sfMitchell };

// Combines source pixel F into destination pixel B; only the low byte of M
// (the master alpha) is significant.
using TPixelCombineEvent = void (*)(TColor32 F, TColor32& B, TColor32 M);

struct TRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  int32_t Width() const { return Right - Left; }
  int32_t Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline constexpr TColor32 Color32(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return (TColor32(a) << 24) | (TColor32(r) << 16) | (TColor32(g) << 8) | TColor32(b);
}

// Resolves system colours (negative values) through SystemColorTable, then swaps
// red and blue and sets alpha 255.
TColor32 Color32(TColor c);

// The inverse for plain colours: drops alpha, swaps red and blue back.
inline constexpr TColor WinColor(TColor32 c) {
  return TColor(((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu));
}

inline constexpr TColor32 SetAlpha(TColor32 c, int a) {
  const TColor32 clamped = a < 0 ? 0u : (a > 255 ? 255u : TColor32(a));
  return (c & 0x00FFFFFFu) | (clamped << 24);
}

inline constexpr uint8_t AlphaComponent(TColor32 c) { return uint8_t(c >> 24); }
inline constexpr uint8_t RedComponent(TColor32 c) { return uint8_t(c >> 16); }
inline constexpr uint8_t GreenComponent(TColor32 c) { return uint8_t(c >> 8); }
inline constexpr uint8_t BlueComponent(TColor32 c) { return uint8_t(c); }

// Platform colours for negative TColor values, indexed by the low byte. The
// widget layer fills it from the palette at start-up; the defaults are the
// classic light desktop colours so the core works without a window system.
struct SystemColorTable {
  static TColor32 Get(int index);
  static void Set(int index, TColor32 c);
};

// One channel-wise weighted mix used by dmBlend and SplatPixel, all four
// channels alpha included: b + W*(f-b)/256, rounded. W in 0..255.
inline TColor32 BlendPixelWeighted(TColor32 f, TColor32 b, uint32_t w) {
  // Two channels per 32-bit lane: (256*b + w*(f-b) + 128) >> 8 done as
  // ((256-w)*b + w*f + 128) >> 8, which is the same integer for 0 <= w <= 256.
  const uint32_t iw = 256 - w;
  const uint32_t rb = ((((f & 0x00FF00FFu) * w) + ((b & 0x00FF00FFu) * iw) + 0x00800080u) >> 8) & 0x00FF00FFu;
  const uint32_t ag = ((((f >> 8) & 0x00FF00FFu) * w) + (((b >> 8) & 0x00FF00FFu) * iw) + 0x00800080u) & 0xFF00FF00u;
  return rb | ag;
}

class TBitmap32 {
 public:
  TBitmap32() = default;
  TBitmap32(int32_t w, int32_t h) { SetSize(w, h); }
  // Copies size, pixels and the drawing properties (not OnChange).
  TBitmap32(const TBitmap32& other);
  TBitmap32& operator=(const TBitmap32& other);
  TBitmap32(TBitmap32&&) noexcept = default;
  TBitmap32& operator=(TBitmap32&&) noexcept = default;

  // Drawing properties of this bitmap when it is the source of Draw.
  TDrawMode DrawMode = dmOpaque;
  TCombineMode CombineMode = cmBlend;
  uint8_t MasterAlpha = 255;
  TColor32 OuterColor = 0;
  TStretchFilter StretchFilter = sfNearest;
  TPixelCombineEvent OnPixelCombine = nullptr;
  std::function<void()> OnChange;
  std::function<void()> OnResize;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  TRect BoundsRect() const { return {0, 0, width_, height_}; }
  // Negative sizes count as 0. Pixel contents are undefined after a resize
  // that changes the size; the same size keeps them.
  void SetSize(int32_t w, int32_t h);

  TColor32* Bits() { return pixels_.data(); }
  const TColor32* Bits() const { return pixels_.data(); }
  TColor32* ScanLine(int32_t y) { return pixels_.data() + size_t(y) * size_t(width_); }
  const TColor32* ScanLine(int32_t y) const { return pixels_.data() + size_t(y) * size_t(width_); }
  TColor32 Pixel(int32_t x, int32_t y) const { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
  TColor32& Pixel(int32_t x, int32_t y) { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
  // Out-of-range reads give OuterColor.
  TColor32 PixelS(int32_t x, int32_t y) const;

  void Clear(TColor32 c);
  // Size, all four channels of every pixel, DrawMode, MasterAlpha, OuterColor
  // and StretchFilter; not CombineMode nor OnPixelCombine.
  void Assign(const TBitmap32& source);

  // Draws source (or its srcRect) with the source's DrawMode, MasterAlpha and
  // OnPixelCombine, top-left at (x, y), clipped to this bitmap.
  void Draw(int32_t x, int32_t y, const TBitmap32& source);
  void Draw(int32_t x, int32_t y, const TRect& srcRect, const TBitmap32& source);
  // Stretches srcRect of source onto dstRect with the source's StretchFilter
  // (nearest for sfNearest/sfDraft, bilinear for the others), then combines
  // with the source's draw mode.
  void Draw(const TRect& dstRect, const TRect& srcRect, const TBitmap32& source);

  void PutPixel(int32_t x, int32_t y, TColor32 c);
  // Antialiased plot over up to four pixels with gamma-shaped weights.
  void SplatPixel(float x, float y, TColor32 c);
  void ResetAlpha();
  // True when every pixel has alpha 255 (an empty bitmap is not opaque).
  bool IsOpaque() const;
  // Inclusive-exclusive rectangles, clipped.
  void FillRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 c);
  void FrameRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 c);

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
  }
  int UpdateCount() const { return updateCount_; }
  // Sends OnChange unless an update is in progress.
  void Changed();

 private:
  void DrawRows(int32_t dx, int32_t dy, const TBitmap32& source, int32_t sx, int32_t sy, int32_t w, int32_t h);

  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<TColor32> pixels_;
  int updateCount_ = 0;
};

// The gamma curve used by SplatPixel: G[i] = Round(255 * (i/255)^0.7).
const uint8_t* SplatGammaTable();

class TBitmap32List {
 public:
  int32_t Count() const { return int32_t(items_.size()); }
  TBitmap32& Add() { return *items_.emplace_back(std::make_unique<TBitmap32>()); }
  void Clear() { items_.clear(); }
  void Resize(int32_t n);
  TBitmap32& operator[](int32_t i) { return *items_[size_t(i)]; }
  const TBitmap32& operator[](int32_t i) const { return *items_[size_t(i)]; }
  TBitmap32& Bitmaps(int32_t i) { return *items_[size_t(i)]; }

 private:
  // Bitmaps keep their address when the list grows.
  std::vector<std::unique_ptr<TBitmap32>> items_;
};

}  // namespace plumavo
