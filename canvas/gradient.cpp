#include "canvas/gradient.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace plumavo {

namespace {

// Distance-like term of the radial painters along an axis of 362 pixels whose
// two middle pixels (180 and 181) both sit at distance 0.
inline int32_t C(int32_t v) { return v <= 180 ? (180 - v) * (180 - v) : (v - 181) * (v - 181); }
inline int32_t Sq(int32_t v) { return v * v; }
// Nearest integer to the root; a root of an integer never ends in exactly .5.
inline int32_t N(int32_t v) { return int32_t(std::lround(std::sqrt(double(v)))); }

inline TColor32 Entry(const TGradientColors& t, int32_t index) {
  // The formulas keep every index within the table; the clamp only guards it.
  const TGradientColor& c = t[size_t(std::clamp(index, 0, 255))];
  return Color32(c.R, c.G, c.B, 255);
}

template <typename IndexOf>
void Fill(TBitmap32& bmp, const TGradientColors& t, TPatternSize size, IndexOf indexOf) {
  bmp.SetSize(size.Width, size.Height);
  for (int32_t y = 0; y < size.Height; ++y) {
    TColor32* row = bmp.ScanLine(y);
    for (int32_t x = 0; x < size.Width; ++x) row[x] = Entry(t, indexOf(x, y));
  }
}

void PaintStyle(TGradientStyle style, TBitmap32& bmp, const TGradientColors& t) {
  const TPatternSize size = GradientPatternSize(style);
  switch (style) {
    case gsRadialC: Fill(bmp, t, size, [](int32_t x, int32_t y) { return N(Sq(180 - y) + C(x)); }); break;
    case gsRadialT: Fill(bmp, t, size, [](int32_t x, int32_t y) { return N(Sq(y) + C(x)); }); break;
    case gsRadialB: Fill(bmp, t, size, [](int32_t x, int32_t y) { return N(Sq(180 - y) + C(x)); }); break;
    case gsRadialL: Fill(bmp, t, size, [](int32_t x, int32_t y) { return N(C(y) + Sq(x)); }); break;
    case gsRadialR: Fill(bmp, t, size, [](int32_t x, int32_t y) { return N(C(y) + Sq(180 - x)); }); break;
    case gsRadialTL: Fill(bmp, t, size, [](int32_t x, int32_t y) { return N(Sq(y) + Sq(x)); }); break;
    case gsRadialTR: Fill(bmp, t, size, [](int32_t x, int32_t y) { return N(Sq(y) + Sq(180 - x)); }); break;
    case gsRadialBL: Fill(bmp, t, size, [](int32_t x, int32_t y) { return N(Sq(180 - y) + Sq(x)); }); break;
    case gsRadialBR: Fill(bmp, t, size, [](int32_t x, int32_t y) { return N(Sq(180 - y) + Sq(180 - x)); }); break;
    case gsLinearH: Fill(bmp, t, size, [](int32_t x, int32_t) { return x; }); break;
    case gsLinearV: Fill(bmp, t, size, [](int32_t, int32_t y) { return y; }); break;
    case gsReflectedH: Fill(bmp, t, size, [](int32_t, int32_t y) { return y <= 255 ? 255 - y : y - 256; }); break;
    case gsReflectedV: Fill(bmp, t, size, [](int32_t x, int32_t) { return x <= 255 ? 255 - x : x - 256; }); break;
    case gsDiagonalLF: Fill(bmp, t, size, [](int32_t x, int32_t y) { return x + y; }); break;
    case gsDiagonalLB: Fill(bmp, t, size, [](int32_t x, int32_t y) { return y - x + 127; }); break;
    case gsDiagonalRF:
      Fill(bmp, t, size, [](int32_t x, int32_t y) { return x + y <= 254 ? 255 - (x + y) : x + y - 255; });
      break;
    case gsDiagonalRB: Fill(bmp, t, size, [](int32_t x, int32_t y) { return x > y ? x - y : y - x; }); break;
    case gsArrowL: Fill(bmp, t, size, [](int32_t x, int32_t y) { return y <= 127 ? 255 - x - y : y - x; }); break;
    case gsArrowR: Fill(bmp, t, size, [](int32_t x, int32_t y) { return y <= 127 ? x - y + 127 : x + y - 128; }); break;
    case gsArrowU: Fill(bmp, t, size, [](int32_t x, int32_t y) { return x <= 127 ? 255 - x - y : x - y; }); break;
    case gsArrowD: Fill(bmp, t, size, [](int32_t x, int32_t y) { return x <= 127 ? y - x + 127 : x + y - 128; }); break;
    case gsDiamond:
      Fill(bmp, t, size, [](int32_t x, int32_t y) {
        if (y <= 127) return x <= 127 ? 255 - x - y : x - y;
        return x <= 127 ? y - x : x + y - 255;
      });
      break;
    case gsButterfly:
      Fill(bmp, t, size, [](int32_t x, int32_t y) {
        if (y <= 127) return x <= 127 ? x - y + 128 : 383 - x - y;
        return x <= 127 ? x + y - 128 : y - x + 128;
      });
      break;
    case gsCustom: break;
  }
}

}  // namespace

const std::array<const char*, 23>& GradientStyleCaptions() {
  static const std::array<const char*, 23> captions = {
      "Radial - Central",
      "Radial - Top",
      "Radial - Bottom",
      "Radial - Left",
      "Radial - Right",
      "Radial - Top Left",
      "Radial - Top Right",
      "Radial - Bottom Left",
      "Radial - Bottom Right",
      "Linear - Horizontal",
      "Linear - Vertical",
      "Reflected - Horizontal",
      "Reflected - Vertical",
      "Diagonal - Linear Forward",
      "Diagonal - Linear Backward",
      "Diagonal - Reflected Forward",
      "Diagonal - Reflected Backward",
      "Arrow - Left",
      "Arrow - Right",
      "Arrow - Up",
      "Arrow - Down",
      "Diamond",
      "Butterfy",
  };
  return captions;
}

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  const int64_t num = int64_t(a) * int64_t(b);
  int64_t q = num / c;
  const int64_t r = num % c;
  // Round half away from zero: compare twice the remainder with the divisor.
  if (2 * std::llabs(r) >= std::llabs(int64_t(c))) q += ((num < 0) != (c < 0)) ? -1 : 1;
  return int32_t(q);
}

TGradientColors BuildGradientColors(TColor32 colorA, TColor32 colorB, int shift, int rotation) {
  int a[3] = {RedComponent(colorA), GreenComponent(colorA), BlueComponent(colorA)};
  int b[3] = {RedComponent(colorB), GreenComponent(colorB), BlueComponent(colorB)};
  for (int c = 0; c < 3; ++c) {
    if (shift > 0)
      a[c] += MulDiv(b[c] - a[c], shift, 100);
    else if (shift < 0)
      b[c] += MulDiv(b[c] - a[c], shift, 100);
  }
  const int k = MulDiv(255, rotation, 100);
  TGradientColors t{};
  int v[3] = {0, 0, 0};
  for (int i = 0; i < 256; ++i) {
    for (int c = 0; c < 3; ++c) {
      const int d = b[c] - a[c];
      if (k == 0) {
        v[c] = a[c] + (i * d) / 255;
      } else if (k > 0) {
        const int m = 255 - k;
        v[c] = i < m ? a[c] + (i * d) / m : a[c] + ((255 - i) * d) / k;
      } else {
        const int n = -k;
        v[c] = i <= n ? b[c] - (i * d) / n : b[c] - ((255 - i) * d) / (255 - n);
      }
    }
    t[size_t(i)] = TGradientColor{uint8_t(v[2]), uint8_t(v[1]), uint8_t(v[0])};
  }
  return t;
}

TPatternSize GradientPatternSize(TGradientStyle style) {
  switch (style) {
    case gsRadialC: return {362, 362};
    case gsRadialT:
    case gsRadialB: return {362, 181};
    case gsRadialL:
    case gsRadialR: return {181, 362};
    case gsRadialTL:
    case gsRadialTR:
    case gsRadialBL:
    case gsRadialBR: return {181, 181};
    case gsLinearH: return {256, 1};
    case gsLinearV: return {1, 256};
    case gsReflectedH: return {1, 512};
    case gsReflectedV: return {512, 1};
    case gsDiagonalLF:
    case gsDiagonalLB: return {128, 129};
    case gsDiagonalRF:
    case gsDiagonalRB: return {256, 256};
    case gsArrowL:
    case gsArrowR: return {129, 256};
    case gsArrowU:
    case gsArrowD: return {256, 129};
    case gsDiamond:
    case gsButterfly: return {256, 256};
    case gsCustom: break;
  }
  return {0, 0};
}

TGradient::TGradient() { UpdatePattern(); }

void TGradient::SetColorBegin(TColor c) {
  if (c == colorBegin_) return;
  colorBegin_ = c;
  useSysColors_ = false;
  UpdatePattern();
}

void TGradient::SetColorEnd(TColor c) {
  if (c == colorEnd_) return;
  colorEnd_ = c;
  useSysColors_ = false;
  UpdatePattern();
}

void TGradient::SetStyle(TGradientStyle s) {
  if (int(s) >= kGradientStyleOrdinals || s == style_) return;
  style_ = s;
  UpdatePattern();
}

void TGradient::SetRotation(int r) {
  r = std::clamp(r, -100, 100);
  if (r == rotation_) return;
  rotation_ = r;
  UpdatePattern();
}

void TGradient::SetShift(int s) {
  s = std::clamp(s, -100, 100);
  if (s == shift_) return;
  shift_ = s;
  UpdatePattern();
}

void TGradient::SetReverse(bool r) {
  if (r == reverse_) return;
  reverse_ = r;
  UpdatePattern();
}

void TGradient::SetUseSysColors(bool u) {
  if (u == useSysColors_) return;
  useSysColors_ = u;
  if (u) UpdateSysColors();
}

void TGradient::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && pending_) UpdatePattern();
}

void TGradient::Loaded() {
  loading_ = false;
  UpdatePattern();
}

bool TGradient::CopyPatternTo(TBitmap32* target) const {
  if (painting_ || updateCount_ > 0 || target == nullptr) return false;
  target->Assign(pattern_);
  return true;
}

void TGradient::SettingsChanged() {
  if (useSysColors_) UpdateSysColors();
}

void TGradient::UpdatePattern() {
  pending_ = true;
  if (loading_ || updateCount_ > 0) return;
  pending_ = false;

  TColor32 a = Color32(colorBegin_);
  TColor32 b = Color32(colorEnd_);
  if (reverse_) std::swap(a, b);
  colors_ = BuildGradientColors(a, b, shift_, rotation_);
  PaintPattern(a, b);
  if (OnChange) OnChange();
}

void TGradient::PaintPattern(TColor32 a, TColor32 b) {
  struct PaintingFlag {
    bool& flag;
    explicit PaintingFlag(bool& f) : flag(f) { flag = true; }
    ~PaintingFlag() { flag = false; }
  } guard(painting_);

  if (style_ != gsCustom) {
    PaintStyle(style_, pattern_, colors_);
  } else if (OnCustom) {
    OnCustom(*this, colors_, pattern_);
  } else {
    pattern_.SetSize(2, 2);
    pattern_.Pixel(0, 0) = pattern_.Pixel(1, 1) = a | 0xFF000000u;
    pattern_.Pixel(0, 1) = pattern_.Pixel(1, 0) = b | 0xFF000000u;
  }
}

void TGradient::UpdateSysColors() {
  BeginUpdate();
  SetColorBegin(WinColor(SystemColorTable::Get(kSysColorActiveCaption)));
  SetColorEnd(WinColor(SystemColorTable::Get(kSysColorGradientActiveCaption)));
  useSysColors_ = true;
  EndUpdate();
}

}  // namespace plumavo
