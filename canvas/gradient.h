// The gradient painter: a 256-entry colour table built from two colours, a
// shift and a rotation, and a small pattern bitmap painted from it in one of 23
// geometric styles. It has no widget of its own; the editor's preview control
// and the canvas both take the pattern from it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "surface/bitmap32.h"

namespace plumavo {

enum TGradientStyle : uint8_t {
  gsCustom,
  gsRadialC,
  gsRadialT,
  gsRadialB,
  gsRadialL,
  gsRadialR,
  gsRadialTL,
  gsRadialTR,
  gsRadialBL,
  gsRadialBR,
  gsLinearH,
  gsLinearV,
  gsReflectedH,
  gsReflectedV,
  gsDiagonalLF,
  gsDiagonalLB,
  gsDiagonalRF,
  gsDiagonalRB,
  gsArrowL,
  gsArrowR,
  gsArrowU,
  gsArrowD,
  gsDiamond,
  gsButterfly,
};
inline constexpr int kGradientStyleOrdinals = 24;

// Signed percentages, -100..100.
using TGradientShift = int8_t;
using TGradientRotation = int8_t;

struct TGradientColor {
  uint8_t B = 0, G = 0, R = 0;
  friend bool operator==(const TGradientColor&, const TGradientColor&) = default;
};
using TGradientColors = std::array<TGradientColor, 256>;

class TGradient;
// Paints the pattern of gsCustom from the colour table.
using TCustomGradientEvent = std::function<void(TGradient& sender, const TGradientColors& colors, TBitmap32& pattern)>;

// The system colour value of the classic button face (index 15).
inline constexpr TColor kClBtnFace = TColor(0x8000000Fu);
// Active caption (2) and the end of its gradient (27).
inline constexpr int kSysColorActiveCaption = 2;
inline constexpr int kSysColorGradientActiveCaption = 27;

// Captions of the editor's style list; item i paints style i + 1.
const std::array<const char*, 23>& GradientStyleCaptions();

// MulDiv with a 64-bit intermediate, rounded to nearest with halves away from
// zero. c must not be 0.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// Builds the colour table from two resolved RGB colours (TColor32, alpha
// ignored), a shift and a rotation (both already within -100..100).
TGradientColors BuildGradientColors(TColor32 a, TColor32 b, int shift, int rotation);

// Width and height of the pattern each style paints (0 x 0 for gsCustom).
struct TPatternSize {
  int32_t Width = 0, Height = 0;
};
TPatternSize GradientPatternSize(TGradientStyle style);

class TGradient {
 public:
  TGradient();
  // A painter without a pattern yet, for a caller that sets everything at
  // once: the first pattern is painted when the first update ends (or by
  // UpdatePattern), so the defaults are never painted only to be replaced.
  struct Unpainted {};
  explicit TGradient(Unpainted) : pending_(true) {}
  TGradient(const TGradient&) = delete;
  TGradient& operator=(const TGradient&) = delete;

  TColor ColorBegin() const { return colorBegin_; }
  void SetColorBegin(TColor c);
  TColor ColorEnd() const { return colorEnd_; }
  void SetColorEnd(TColor c);
  TGradientStyle Style() const { return style_; }
  // Values outside the enumeration are ignored.
  void SetStyle(TGradientStyle s);
  int Rotation() const { return rotation_; }
  void SetRotation(int r);  // clamped to -100..100
  int Shift() const { return shift_; }
  void SetShift(int s);  // clamped to -100..100
  bool Reverse() const { return reverse_; }
  void SetReverse(bool r);
  bool UseSysColors() const { return useSysColors_; }
  void SetUseSysColors(bool u);
  TCustomGradientEvent OnCustom;
  // Called after every rebuild of the pattern: the owner repaints.
  std::function<void()> OnChange;

  int Width = 100;
  int Height = 100;

  void BeginUpdate() { ++updateCount_; }
  // Rebuilds once when the last lock goes and a rebuild was asked for meanwhile.
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }
  bool UpdatePending() const { return pending_; }
  bool Painting() const { return painting_; }

  // While loading (the owner reads several properties in a row) rebuilds are
  // deferred; Loaded ends loading and rebuilds once.
  void BeginLoading() { loading_ = true; }
  void Loaded();

  // False while a painter runs, while locked, or without a target; otherwise
  // the target becomes a copy of the pattern (size and pixels).
  bool CopyPatternTo(TBitmap32* target) const;
  void InvalidatePattern() { UpdatePattern(); }
  // The platform's settings changed: follow the system colours if asked to.
  void SettingsChanged();

  const TBitmap32& Pattern() const { return pattern_; }
  const TGradientColors& Colors() const { return colors_; }

  void UpdatePattern();
  void UpdateSysColors();

 private:
  void PaintPattern(TColor32 a, TColor32 b);

  TColor colorBegin_ = 0xFFFFFF;
  TColor colorEnd_ = kClBtnFace;
  TGradientStyle style_ = gsRadialC;
  int rotation_ = 0;
  int shift_ = 0;
  bool reverse_ = false;
  bool useSysColors_ = false;

  TBitmap32 pattern_;
  TGradientColors colors_{};
  int updateCount_ = 0;
  bool pending_ = false;
  bool painting_ = false;
  bool loading_ = false;
};

}  // namespace plumavo
