#include "render/ifs/renderer.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>

#if defined(__SSE__)
#include <immintrin.h>
#endif

#include "render/blend/blend_modes.h"
#include "render/brushes/brush_library.h"
#include "render/ifs/shape_maps.h"
#include "surface/splat.h"

namespace plumavo {

using ifs_detail::FrameRule;
using ifs_detail::StampKind;
using ifs_detail::StampPlan;

namespace {

constexpr int32_t kHistory = kMapHistoryLength;
constexpr int32_t kHistoryBuffer = 2048;
constexpr int32_t kWarmUp = 10;
constexpr float kWindowLow = -32.0f;
constexpr float kWindowMargin = 16.0f;
constexpr float kEscapeFactor = 100.0f;
constexpr int32_t kDotBrushes = 3;  // brushes 0..2 are square dots
constexpr int64_t kHelperPixels = int64_t{1} << 19;

// Brush settings of shape s (1-based) of the project's mode.
struct BrushFields {
  uint8_t Diffusing;
  int32_t DiffusingLen;
  TColor Color;
  int32_t Brush;
  int32_t BlendingMode;
  int32_t BrushOpacity;
};

BrushFields FieldsOf(const Project& p, int32_t s) {
  if (p.Mode == ShapeMode::Affine) {
    const AffineShape& r = p.AffineShapes[size_t(s)];
    return {r.Diffusing, r.DiffusingLen, r.Color, r.Brush, r.BlendingMode, r.BrushOpacity};
  }
  const ProjectiveShape& r = p.ProjectiveShapes[size_t(s)];
  return {r.Diffusing, r.DiffusingLen, r.Color, r.Brush, r.BlendingMode, r.BrushOpacity};
}

uint8_t ClampByte(int32_t v) { return uint8_t(std::clamp(v, 0, 255)); }

// The oldest history entry (from `first` on, older ones cannot qualify) whose
// Sub-Shape diffuses at least as many steps as the entry is old; else the newest.
inline int32_t PickDiffusion(const int32_t* hist, const int32_t* depth, int32_t subCount, int32_t first) {
  for (int32_t i = first; i < kHistory - 1; ++i) {
    const int32_t a = hist[i];
    if (a >= 0 && a < subCount && depth[a] >= kHistory - 1 - i) return a + 1;
  }
  return hist[kHistory - 1] + 1;
}

// Diffusion depth per Sub-Shape (0 when off) and the first history entry that
// any of them can reach.
int32_t DiffusionDepths(const Project& p, int32_t subCount, std::vector<int32_t>& depth) {
  depth.assign(size_t(subCount), 0);
  int32_t deepest = 0;
  for (int32_t k = 0; k < subCount; ++k) {
    const BrushFields f = FieldsOf(p, k + 1);
    if (f.Diffusing != 0) depth[size_t(k)] = f.DiffusingLen;
    deepest = std::max(deepest, depth[size_t(k)]);
  }
  return std::max(0, kHistory - 1 - deepest);
}

// The K x K splats of an antialiased dot into a cleared (K + 1) x (K + 1)
// square, built pixel by pixel instead of splat by splat. When the K splat
// positions of each axis sit exactly 256 apart from a first one in 0..255,
// every splat has the same four weights, and square pixel (i, j) receives, in
// splat order, w11 from splat (i-1, j-1), w10 from (i-1, j), w01 from (i, j-1)
// and w00 from (i, j), where those splats exist. So the nine kinds of pixel
// (first, inner or last column, times the same for rows) each get one chain
// of blends onto 0, and the result equals splatting one by one. False, with
// nothing written, when a position breaks the pattern (a negative fraction,
// one rounding to 256, or float rounding of fraction + d nudging one splat by
// a 256th); the caller then splats one by one.
bool BuildDotSquare(const int32_t* X, const int32_t* Y, int32_t K, TColor32 c, const uint8_t* G, TColor32* out) {
  if (X[0] < 0 || X[0] > 255 || Y[0] < 0 || Y[0] > 255) return false;
  for (int32_t d = 1; d < K; ++d)
    if (X[d] != X[0] + 256 * d || Y[d] != Y[0] + 256 * d) return false;
  const uint32_t fx = uint32_t(X[0]), fy = uint32_t(Y[0]), A = c >> 24;
#if defined(__SSE2__)
  // The chains two pixels at a time in eight 16-bit lanes.
  const __m128i z = _mm_setzero_si128();
  const __m128i C = _mm_unpacklo_epi8(_mm_set1_epi32(int32_t(c)), z);
  // The four weights (A gx gy) div 65536 in lanes w00, w10, w11, w01: A gx
  // fits 16 bits, and the high half of its product with gy is the quotient.
  const __m128i gx =
      _mm_setr_epi16(int16_t(G[255 - fx]), int16_t(G[fx]), int16_t(G[fx]), int16_t(G[255 - fx]), 0, 0, 0, 0);
  const __m128i gy =
      _mm_setr_epi16(int16_t(G[255 - fy]), int16_t(G[255 - fy]), int16_t(G[fy]), int16_t(G[fy]), 0, 0, 0, 0);
  const __m128i W = _mm_mulhi_epu16(_mm_mullo_epi16(gx, _mm_set1_epi16(int16_t(A))), gy);
  // One weight in each half: lanes 0-3 weight a, lanes 4-7 weight b.
  const __m128i w00 = _mm_shufflelo_epi16(W, 0x00), w10 = _mm_shufflelo_epi16(W, 0x55);
  const __m128i w11 = _mm_shufflelo_epi16(W, 0xAA), w01 = _mm_shufflelo_epi16(W, 0xFF);
  const auto pair = [](__m128i a, __m128i b) { return _mm_unpacklo_epi64(a, b); };
  const auto splat = [&](__m128i b, __m128i w) { return SplatLanes(b, w, C); };
  // kinds[cx][cy], per axis 0: first (only the splat starting there),
  // 1: inner (both), 2: last (only the splat before).
  const __m128i p1 = splat(z, pair(w11, w10));                   // v11, v10: kinds 22, 20
  const __m128i p2 = splat(z, pair(w01, w00));                   // v01, v00: kinds 02, 00
  const __m128 a4 = _mm_castsi128_ps(_mm_packus_epi16(p1, p2));  // k22 k20 k02 k00
  TColor32* row = out;
  const int32_t side = K + 1;
  if (K == 1) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row), _mm_shuffle_epi32(_mm_castps_si128(a4), _MM_SHUFFLE(0, 2, 1, 3)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row + side),
                     _mm_shuffle_epi32(_mm_castps_si128(a4), _MM_SHUFFLE(1, 3, 0, 2)));
    return true;
  }
  const __m128i q = _mm_castpd_si128(_mm_shuffle_pd(_mm_castsi128_pd(p1), _mm_castsi128_pd(p2), 1));  // v10, v01
  const __m128i s2a = splat(q, pair(w00, w00));                                                       // k10, k01
  const __m128i s2b = splat(_mm_unpacklo_epi64(p1, p1), pair(w10, w01));                              // k21, k12
  const __m128i k11 = splat(splat(s2b, pair(w01, w01)), pair(w00, w00));
  const __m128 b4 = _mm_castsi128_ps(_mm_packus_epi16(s2a, s2b));  // k10 k01 k21 k12
  const __m128 c4 = _mm_castsi128_ps(_mm_packus_epi16(k11, z));    // k11
  // Each row as (first, inner, inner, last).
  const __m128i rows[3] = {
      _mm_shuffle_epi32(_mm_castps_si128(_mm_shuffle_ps(a4, b4, _MM_SHUFFLE(0, 0, 1, 3))), _MM_SHUFFLE(1, 3, 2, 0)),
      _mm_shuffle_epi32(_mm_castps_si128(_mm_shuffle_ps(b4, c4, _MM_SHUFFLE(0, 0, 2, 1))), _MM_SHUFFLE(1, 3, 2, 0)),
      _mm_shuffle_epi32(_mm_castps_si128(_mm_shuffle_ps(a4, b4, _MM_SHUFFLE(3, 3, 0, 2))), _MM_SHUFFLE(1, 3, 2, 0))};
  // Each row goes out in the widths the row kernels read it back in (four,
  // two, one pixels), so that the reads are served from the stores.
  for (int32_t j = 0; j <= K; ++j, row += side) {
    const __m128i r = rows[j == 0 ? 0 : (j == K ? 2 : 1)];
    if (K == 3) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row), r);
    } else if (K == 2) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(row), r);
      row[2] = TColor32(_mm_cvtsi128_si32(_mm_shuffle_epi32(r, _MM_SHUFFLE(3, 3, 3, 3))));
    } else {
      alignas(16) TColor32 v[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(v), r);
      row[0] = v[0];
      for (int32_t i = 1; i < K; ++i) row[i] = v[1];
      row[K] = v[3];
    }
  }
  return true;
#else
  const SplatWeights sw = SplatWeightsAt(fx, fy, A, G);
  const uint32_t w00 = sw.w00, w10 = sw.w10, w11 = sw.w11, w01 = sw.w01;
  TColor32 kinds[3][3];
  TColor32 v11 = 0, v10 = 0, v01 = 0, v00 = 0;
  SplatOne(v11, c, w11);
  SplatOne(v10, c, w10);
  SplatOne(v01, c, w01);
  SplatOne(v00, c, w00);
  kinds[0][0] = v00;
  kinds[2][0] = v10;
  kinds[0][2] = v01;
  kinds[2][2] = v11;
  TColor32 e = v10;  // first column of x, first row of y: w10 then w00
  SplatOne(e, c, w00);
  kinds[1][0] = e;
  e = v01;  // w01 then w00
  SplatOne(e, c, w00);
  kinds[0][1] = e;
  e = v11;  // w11 then w10
  SplatOne(e, c, w10);
  kinds[2][1] = e;
  e = v11;  // w11 then w01
  SplatOne(e, c, w01);
  kinds[1][2] = e;
  e = v11;  // all four
  SplatOne(e, c, w10);
  SplatOne(e, c, w01);
  SplatOne(e, c, w00);
  kinds[1][1] = e;
  for (int32_t j = 0; j <= K; ++j) {
    const int cy = j == 0 ? 0 : (j == K ? 2 : 1);
    TColor32* row = out + j * (K + 1);
    row[0] = kinds[0][cy];
    for (int32_t i = 1; i < K; ++i) row[i] = kinds[1][cy];
    row[K] = kinds[2][cy];
  }
  return true;
#endif
}

#if defined(__x86_64__) || defined(__i386__)
// The engine is built for SSE2 in its legacy encoding. Once code with
// 256-bit AVX instructions has run on this thread (Qt's own drawing does) and
// left the upper halves of the registers dirty, some processors pay a state
// transition on every legacy SSE instruction until a vzeroupper, so a render
// on the interface thread could run far slower after a paint. Clearing the
// upper state at the start of a render costs one instruction.
// RenderImageAfterPaint_* in bench/ watches for it.
[[gnu::target("avx")]] void ClearUpperVectorState() { _mm256_zeroupper(); }

void LeaveWideVectorState() {
  static const bool hasAvx = __builtin_cpu_supports("avx");
  if (hasAvx) ClearUpperVectorState();
}
#else
void LeaveWideVectorState() {}
#endif

// Round half to even through the current rounding mode (nearest by default),
// as lrintf does, without a library call. Callers keep v well inside int32.
inline int32_t RoundInt(float v) {
#if defined(__SSE__)
  return _mm_cvtss_si32(_mm_set_ss(v));
#else
  return int32_t(std::lrintf(v));
#endif
}

// Fixed-point position of SplatPixel(base + d) for d = 0 .. K-1.
// Points reach here only from inside the plot window, so every value is far
// from the range of int32. K is 1, 2 or 3.
inline void FixedRow(float base, int32_t K, int32_t* out) {
  out[0] = RoundInt(base * 256.0f);  // base + 0 is base
  if (K > 1) out[1] = RoundInt((base + 1.0f) * 256.0f);
  if (K > 2) out[2] = RoundInt((base + 2.0f) * 256.0f);
}

// Truncation toward zero of a value well inside the range of int32, without a
// library call (a minus sign of a zero result is of no account here).
inline float Trunc(float v) { return float(int32_t(v)); }

// The canvas picture is copied, not blended, whatever its draw mode.
void CopyOpaque(TBitmap32& layer, const TBitmap32& canvas) {
  const int32_t w = std::min(layer.Width(), canvas.Width());
  const int32_t h = std::min(layer.Height(), canvas.Height());
  for (int32_t y = 0; y < h; ++y) std::copy_n(canvas.ScanLine(y), w, layer.ScanLine(y));
}

// The same with every alpha byte set to 255 on the way. No stamp reads the
// layer's alpha (the blend modes weigh by the brush's alpha only, and dmBlend
// and splats mix each channel on its own), so this changes no colour; it
// stands in for the final alpha reset when every stamp keeps the layer's
// alpha as it is. Only for a canvas that covers the whole layer.
void CopyOpaqueSolid(TBitmap32& layer, const TBitmap32& canvas) {
  const size_t n = size_t(layer.Width()) * size_t(layer.Height());
  const TColor32* src = canvas.Bits();
  TColor32* dst = layer.Bits();
  for (size_t i = 0; i < n; ++i) dst[i] = src[i] | 0xFF000000u;
}

// Holds the layer in update mode for the length of a render.
class UpdateScope {
 public:
  explicit UpdateScope(TBitmap32& b) : b_(b) { b_.BeginUpdate(); }
  ~UpdateScope() { b_.EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TBitmap32& b_;
};

inline bool AllFinite(const TFloatMatrix& m) {
  for (const auto& col : m.m)
    for (float v : col)
      if (!std::isfinite(v)) return false;
  return true;
}

struct AffineMapFn {
  const AffineMap* maps;
  // False for a point the loop must restart from; the escape test that follows
  // also catches infinities and NaNs, so affine points need no check here.
  bool operator()(int32_t k, float x, float y, float& nx, float& ny) const {
    const AffineMap& m = maps[k];
    nx = m.A * x + m.B * y + m.C;
    ny = m.D * x + m.E * y + m.F;
    return true;
  }
};

struct ProjectiveMapFn {
  TFloatMatrix inverse;  // of the Main-Shape's matrix
  const TFloatMatrix* sub;
  const uint8_t* subValid;
  bool mainValid;
  bool operator()(int32_t k, float x, float y, float& nx, float& ny) const {
    if (!mainValid || !subValid[k]) return false;
    float u = 0, v = 0;
    MappedPoint r = MapPoint(inverse, x, y, u, v);
    if (r == MappedPoint::Invalid) return false;
    if (r == MappedPoint::Ok) r = MapPoint(sub[k], u, v, nx, ny);
    if (r == MappedPoint::Invalid) return false;
    if (r == MappedPoint::NoDivisor) {
      // Outputs unwritten: the orbit stays where it was.
      nx = x;
      ny = y;
    }
    return true;
  }
};

using Point = ifs_detail::StampPoint;

// Choose map: the first map whose running sum of weights exceeds r, else the
// last one. Up to eight maps are chosen without branches (the choice is
// random, so a loop that stops at the chosen map mispredicts most of the
// time): the running sums with every entry from the last map on made
// +infinity, so the first entry above r is the map. A NaN sum is never above
// r, as in the loop.
class MapChooser {
 public:
  MapChooser(const float* cumulative, int32_t subCount)
      : cum_(cumulative), subCount_(subCount), branchless_(subCount <= kBranchlessMaps) {
    for (int32_t i = 0; i < kBranchlessMaps; ++i)
      padded_[i] = i < subCount - 1 ? cumulative[i] : std::numeric_limits<float>::infinity();
#if defined(__SSE2__)
    low_ = _mm_load_ps(padded_);
    high_ = _mm_load_ps(padded_ + 4);
#endif
  }

  [[gnu::always_inline]] int32_t Choose(float r) const {
    if (branchless_) {
#if defined(__SSE2__)
      const __m128 rr = _mm_set1_ps(r);
      const int above = _mm_movemask_ps(_mm_cmpgt_ps(low_, rr)) | (_mm_movemask_ps(_mm_cmpgt_ps(high_, rr)) << 4);
      return __builtin_ctz(unsigned(above));  // the last map's entry is always above
#else
      int32_t k = subCount_ - 1;
      for (int32_t i = kBranchlessMaps - 1; i >= 0; --i)
        if (i < subCount_ - 1) k = cum_[i] > r ? i : k;
      return k;
#endif
    }
    int32_t k = 0;
    while (k < subCount_ && !(cum_[k] > r)) ++k;
    return std::min(k, subCount_ - 1);
  }

 private:
  static constexpr int32_t kBranchlessMaps = 8;
  const float* cum_;
  int32_t subCount_;
  bool branchless_;
  alignas(16) float padded_[kBranchlessMaps];
#if defined(__SSE2__)
  __m128 low_, high_;
#endif
};

// The last kHistory chosen maps as a window sliding along a longer buffer:
// entry i of the history is Window()[i]; the buffer is compacted once every
// few thousand steps instead of shifting twenty entries per iteration. Map
// numbers are kept whole: a project may have more Sub-Shapes than 16 bits
// count, and a wrapped number would pick a shape that is not there.
class HistoryWindow {
 public:
  HistoryWindow() { std::fill_n(buffer_, kHistory, -1); }
  [[gnu::always_inline]] void Push(int32_t k) {
    if (newest_ == kHistoryBuffer - 1) {
      std::copy(buffer_ + newest_ - (kHistory - 2), buffer_ + newest_ + 1, buffer_);
      newest_ = kHistory - 2;
    }
    buffer_[++newest_] = k;
  }
  const int32_t* Window() const { return buffer_ + newest_ - (kHistory - 1); }

 private:
  int32_t buffer_[kHistoryBuffer];
  int32_t newest_ = kHistory - 1;
};

// The orbit: draw, choose map, transform point, escape test, warm-up, plot
// window, and the shape whose brush draws there. Stamping never feeds back
// into the orbit, so its points can be stamped as they come or afterwards.
template <class MapFn>
class Orbit {
 public:
  struct Setup {
    const MapFn& map;
    const float* cumulative;
    const int32_t* depth;
    const ifs_detail::StampPlan* plans;
    int32_t subCount, firstDiffusionEntry;
    float startX, startY, width, height;
  };

  explicit Orbit(const Setup& s)
      : map_(s.map),
        chooser_(s.cumulative, s.subCount),
        depth_(s.depth),
        plans_(s.plans),
        subCount_(s.subCount),
        firstEntry_(s.firstDiffusionEntry),
        sx_(s.startX),
        sy_(s.startY),
        escLowX_(-kEscapeFactor * s.width),
        escHighX_(kEscapeFactor * s.width),
        escLowY_(-kEscapeFactor * s.height),
        escHighY_(kEscapeFactor * s.height),
        winHighX_(s.width + kWindowMargin),
        winHighY_(s.height + kWindowMargin),
        x_(s.startX),
        y_(s.startY) {
    gen_.Seed = 0;
  }

  // Iteration j. out.shape is the 1-based shape to stamp with, 0 for none.
  [[gnu::always_inline]] void Step(int32_t j, Point& out) {
    out.shape = 0;
    const int32_t k = chooser_.Choose(gen_.RandomFloat());
    history_.Push(k);
    float nx, ny;
    // Written as a negated range test so that a NaN coordinate also restarts
    // the orbit instead of wandering on as an invalid number.
    if (!map_(k, x_, y_, nx, ny) || !(nx >= escLowX_ && nx <= escHighX_ && ny >= escLowY_ && ny <= escHighY_)) {
      x_ = sx_;
      y_ = sy_;
      warm_ = 0;
      ++stats_.Restarts;
      return;
    }
    x_ = nx;
    y_ = ny;
    if (warm_ < kWarmUp) {
      ++warm_;
      return;
    }
    ++stats_.Candidates;
    if (!(x_ >= kWindowLow && x_ <= winHighX_ && y_ >= kWindowLow && y_ <= winHighY_)) return;
    ++stats_.Plotted;
    const int32_t s =
        firstEntry_ < kHistory - 1 ? PickDiffusion(history_.Window(), depth_, subCount_, firstEntry_) : k + 1;
    const ifs_detail::StampPlan& plan = plans_[s - 1];
    if (plan.Kind == StampKind::None) return;
    if (plan.Kind == StampKind::Image && !plan.EveryIteration && j % plan.Width != 0) return;
    out = Point{x_, y_, j, s, 0, 0, 0};
  }

  // What the renderer keeps of the orbit once it is done.
  struct Result {
    uint32_t Seed;
    MapHistory History;
    TRenderStats Stats;
  };
  Result Finish(int32_t iterations, int32_t stamped) const {
    Result r{gen_.Seed, {}, stats_};
    std::copy_n(history_.Window(), kHistory, r.History.begin());
    r.Stats.Iterations = iterations;
    r.Stats.Stamped = stamped;
    return r;
  }

 private:
  const MapFn& map_;
  MapChooser chooser_;
  const int32_t* depth_;
  const ifs_detail::StampPlan* plans_;
  int32_t subCount_, firstEntry_;
  float sx_, sy_;
  float escLowX_, escHighX_, escLowY_, escHighY_;
  float winHighX_, winHighY_;
  float x_, y_;
  int32_t warm_ = 0;
  // The generator's state lives here, in a local object of the loop: as a
  // member of the renderer it would have to go back to memory around every
  // pixel store, which might alias it.
  TRandomGenerator gen_;
  HistoryWindow history_;
  TRenderStats stats_;
};

// Stamp: one point's brush onto the layer, restricted to layer rows lo .. hi
// - 1. Reads the plans and brushes and writes only those rows, so two threads
// may stamp the same point into different rows.
class Stamper {
 public:
  Stamper(const ifs_detail::StampPlan* plans, TBitmap32& layer, uint32_t counter)
      : plans_(plans),
        layer_(layer),
        target_(layer),
        bits_(layer.Bits()),
        width_(layer.Width()),
        height_(layer.Height()),
        counter_(counter),
        gamma_(SplatGammaTable()) {}

  int32_t Height() const { return height_; }

  void Stamp(const Point& pt, int32_t lo, int32_t hi) const {
    const ifs_detail::StampPlan& plan = plans_[pt.shape - 1];
    switch (plan.Kind) {
      case StampKind::None: return;
      case StampKind::Image: StampImage(plan, pt, lo, hi); return;
      case StampKind::DotSplat: StampDotSplat(plan, pt, lo, hi); return;
      case StampKind::DotPut: StampDotPut(plan, pt, lo, hi); return;
      case StampKind::DotSplatMix: StampDotSplatMix(plan, pt, lo, hi); return;
      case StampKind::DotFillMix: StampDotFillMix(plan, pt, lo, hi); return;
    }
  }

  // The rows a stamp may touch, from `top` on, generously: the stamp itself
  // clips exactly.
  void Extent(const Point& pt, int32_t& top, int32_t& rows) const {
    const ifs_detail::StampPlan& plan = plans_[pt.shape - 1];
    if (plan.Kind == StampKind::Image) {
      top = RoundInt(pt.y) - plan.Half;
      rows = plan.Width;
    } else {
      top = int32_t(pt.y - plan.L) - 2;
      rows = plan.K + 4;
    }
  }

 private:
  // The brush frame of iteration j.
  int32_t Frame(const ifs_detail::StampPlan& plan, int32_t j) const {
    if (plan.Frames <= 1) return 0;
    const uint32_t uj = uint32_t(j);
    switch (plan.Rule) {
      case FrameRule::PerIteration: return int32_t((counter_ + uj) % uint32_t(plan.Frames));
      case FrameRule::Per192: return int32_t((uj / 192u + counter_) % uint32_t(plan.Frames));
      case FrameRule::PerWidth: return int32_t((uj / uint32_t(plan.Width) + counter_) % uint32_t(plan.Frames));
    }
    return 0;
  }

  void StampImage(const ifs_detail::StampPlan& plan, const Point& pt, int32_t lo, int32_t hi) const {
    const int32_t px = RoundInt(pt.x) - plan.Half, py = RoundInt(pt.y) - plan.Half;
    const int32_t w = plan.Width;
    const int32_t r0 = std::max(py, lo), r1 = std::min(py + w, hi);
    if (r0 >= r1) return;
    // Brush rows from r0 - py on, landing at row r0.
    const int32_t top = Frame(plan, pt.j) * w + (r0 - py);
    if (plan.Prepared) {
      // The rows are clipped already; the columns here, as the brush's own
      // Stamp would.
      const int32_t x0 = std::max(px, 0), x1 = std::min(px + w, width_);
      if (x0 < x1 && plan.PreparedKernel)
        plan.PreparedKernel(bits_ + size_t(r0) * size_t(width_) + size_t(x0), width_, plan.PreparedPixels, x0 - px, top,
                            x1 - x0, r1 - r0);
    } else
      plan.Proc(layer_, px, r0, *plan.Brush, TRect{0, top, w, top + (r1 - r0)}, plan.Master);
  }

  void StampDotSplat(const ifs_detail::StampPlan& plan, const Point& pt, int32_t lo, int32_t hi) const {
    switch (plan.K) {
      case 1: StampDotSplatOf<1>(plan, pt, lo, hi); return;
      case 2: StampDotSplatOf<2>(plan, pt, lo, hi); return;
      default: StampDotSplatOf<3>(plan, pt, lo, hi); return;
    }
  }

  // The dot's side is known to the compiler, which then unrolls the splats.
  template <int32_t K>
  [[gnu::always_inline]] void StampDotSplatOf(const ifs_detail::StampPlan& plan, const Point& pt, int32_t lo,
                                              int32_t hi) const {
    int32_t X[3], Y[3];
    FixedRow(pt.x - plan.L, K, X);
    FixedRow(pt.y - plan.L, K, Y);
    SplatTarget t = target_;
    t.lo = lo;
    t.hi = hi;
    for (int32_t dx = 0; dx < K; ++dx)
      for (int32_t dy = 0; dy < K; ++dy) SplatFixed(t, X[dx], Y[dy], plan.Color, gamma_);
  }

  void StampDotPut(const ifs_detail::StampPlan& plan, const Point& pt, int32_t lo, int32_t hi) const {
    const int32_t bx = RoundInt(pt.x - plan.L), by = RoundInt(pt.y - plan.L);
    for (int32_t dx = 0; dx < plan.K; ++dx)
      for (int32_t dy = 0; dy < plan.K; ++dy) {
        const int32_t qx = bx + dx, qy = by + dy;
        if (qx >= 0 && qy >= lo && qx < width_ && qy < hi) bits_[size_t(qy) * size_t(width_) + size_t(qx)] = plan.Color;
      }
  }

  // The splats of the dot into a cleared square of side K + 1 (room for the
  // splat's spill), then the square through the blend mode. Each call has its
  // own square, so threads never share one.
  void StampDotSplatMix(const ifs_detail::StampPlan& plan, const Point& pt, int32_t lo, int32_t hi) const {
    const int32_t K = plan.K, side = K + 1;
    const float vx = pt.x - plan.L, vy = pt.y - plan.L;
    const float tx = Trunc(vx), ty = Trunc(vy);
    int32_t X[3], Y[3];
    FixedRow(vx - tx, K, X);
    FixedRow(vy - ty, K, Y);
    alignas(16) TColor32 square[16];
    if (!BuildDotSquare(X, Y, K, plan.Color, gamma_, square)) {
      std::fill_n(square, size_t(side) * size_t(side), TColor32(0));
      const SplatTarget st(square, side, side);
      for (int32_t dx = 0; dx < K; ++dx)
        for (int32_t dy = 0; dy < K; ++dy) SplatFixed(st, X[dx], Y[dy], plan.Color, gamma_);
    }
    BlockInto(plan, int32_t(tx), int32_t(ty), square, side, lo, hi);
  }

  void StampDotFillMix(const ifs_detail::StampPlan& plan, const Point& pt, int32_t lo, int32_t hi) const {
    const TBitmap32& b = *plan.Brush;
    BlockInto(plan, RoundInt(pt.x - plan.L), RoundInt(pt.y - plan.L), b.Bits(), b.Width(), lo, hi);
  }

  // Blend-mode dots: the square onto the layer, clipped to its columns and to
  // rows lo .. hi - 1.
  void BlockInto(const ifs_detail::StampPlan& plan, int32_t qx, int32_t qy, const TColor32* square, int32_t side,
                 int32_t lo, int32_t hi) const {
    if (!plan.Block) return;  // a mode without a combine function draws nothing
    const int32_t x0 = std::max(qx, 0), x1 = std::min(qx + side, width_);
    const int32_t y0 = std::max(qy, lo), y1 = std::min(qy + side, hi);
    if (x0 >= x1 || y0 >= y1) return;
    plan.Block(bits_ + size_t(y0) * size_t(width_) + size_t(x0), width_,
               square + size_t(y0 - qy) * size_t(side) + size_t(x0 - qx), side, x1 - x0, y1 - y0, plan.Master);
  }

  const ifs_detail::StampPlan* plans_;
  TBitmap32& layer_;
  SplatTarget target_;
  TColor32* bits_;
  int32_t width_, height_;
  uint32_t counter_;
  const uint8_t* gamma_;
};

// Stripes of rows, in groups taken in turn (stripe k is in group k mod the
// number of groups). Threads share the stamping by groups, so a row is only
// ever stamped by one thread at a time.
struct StripeLayout {
  int32_t shift;   // a stripe has 1 << shift rows
  int32_t groups;  // a power of two
  // Whether each group's points are picked out of a batch before they are
  // stamped (see SharedStamping::Stripes).
  bool pickFirst;
};

// Image brushes bring many lines of the layer in at every stamp, so for them
// the groups are small enough (a sixteenth of the layer, about 80 rows of a
// 1280-row one) to stay in the core's cache while it works through one; a
// group costs one pass over the points. A group's share of the layer does not
// depend on the stripes' height. A stamp that reaches from one stripe into
// the next is stamped twice, a part each time, so the stripes are tall while
// the layer keeps at least eight of them to share out: up to 128 rows for
// image brushes and 64 for dots, whose four groups then still get equal
// shares of a 1280-row layer (the fastest of 32, 64 and 128 rows on one).
StripeLayout LayOutStripes(const std::vector<ifs_detail::StampPlan>& plans, int32_t height) {
  bool images = false;
  for (const ifs_detail::StampPlan& plan : plans) images = images || (plan.Kind == StampKind::Image && plan.Width >= 8);
  int32_t shift = images ? 7 : 6;
  while (shift > 5 && (height >> shift) < 8) --shift;
  // A point keeps its stripes' numbers in a byte each.
  while ((height - 1) >> shift > 255) ++shift;
  return {shift, images ? 16 : 4, !images};
}

// Marks the stripes a point may touch, for the two threads that share them.
[[gnu::always_inline]] inline void MarkStripes(Point& pt, const Stamper& stamper, StripeLayout stripes) {
  int32_t top, rows;
  stamper.Extent(pt, top, rows);
  const int32_t end = std::min(top + rows, stamper.Height());
  top = std::max(top, 0);
  if (top >= end) return;
  const int32_t first = top >> stripes.shift, last = (end - 1) >> stripes.shift;
  pt.firstStripe = uint8_t(first);
  pt.lastStripe = uint8_t(last);
  // The groups of stripes first .. last: a run of that many bits from the
  // first one's group on, wrapping around the groups, all of them when the
  // run is as long. Worked out without a loop, whose count the processor
  // would guess wrong for every stamp that crosses into a further stripe.
  const uint32_t all = (1u << stripes.groups) - 1u;
  const uint32_t count = uint32_t(last - first + 1);
  const uint32_t run = count >= uint32_t(stripes.groups) ? all : (1u << count) - 1u;
  const uint32_t at = uint32_t(first) & uint32_t(stripes.groups - 1);
  const uint64_t twice = uint64_t(run) << at;
  pt.groupBits = uint16_t(pt.groupBits | ((twice | twice >> stripes.groups) & all));
}

// Returns once `value` no longer holds `old`. The waits here are mostly a
// few microseconds (the other thread finishing a batch of points), shorter
// than it takes to put a thread to sleep and wake it again, so it first
// watches for a moment and only then sleeps in the kernel.
void WaitWhile(const std::atomic<int32_t>& value, int32_t old) {
  constexpr auto kWatch = std::chrono::microseconds(50);
  const auto until = std::chrono::steady_clock::now() + kWatch;
  for (;;) {
    for (int32_t i = 0; i < 64; ++i) {
      if (value.load(std::memory_order_acquire) != old) return;
#if defined(__SSE2__)
      _mm_pause();
#endif
    }
    if (std::chrono::steady_clock::now() >= until) break;
  }
  value.wait(old, std::memory_order_acquire);
}

// The stamping of a whole orbit's points by two threads. The second thread
// copies the canvas and stamps the points as the first publishes them,
// everywhere. When the orbit is done, the second thread says how far it got,
// and both share the rest by groups of stripes, each taking the next group
// left. Each row thus gets its stamps in the orbit's order. A thread that
// waits for the other longer than a moment sleeps in the kernel, so it never
// keeps a core from anything else.
template <class CopyCanvas>
class SharedStamping {
 public:
  SharedStamping(const Point* points, const Stamper& stamper, StripeLayout stripes, const CopyCanvas& copyCanvas)
      : points_(points), stamper_(stamper), stripes_(stripes), copyCanvas_(copyCanvas) {}

  // The first thread, after each batch of points.
  void Publish(int32_t count) {
    published_.store(count, std::memory_order_release);
    published_.notify_one();
  }
  // The first thread, once the orbit is done: the rest by groups.
  void FinishFirst(int32_t count) {
    published_.store(count | kFinished, std::memory_order_release);
    published_.notify_one();
    WaitWhile(handover_, -1);
    Share(handover_.load(std::memory_order_acquire), count);
  }
  // Without a second thread: the canvas, then every group on this one.
  void AllOnThisThread(int32_t count) {
    copyCanvas_();
    Share(0, count);
  }

  // The second thread.
  void RunSecond() {
    copyCanvas_();
    int32_t i = 0;
    for (;;) {
      const int32_t state = published_.load(std::memory_order_acquire);
      const int32_t n = state & ~kFinished;
      if ((state & kFinished) != 0) {
        handover_.store(i, std::memory_order_release);
        handover_.notify_one();
        Share(i, n);
        return;
      }
      if (i < n)
        i = StampEverywhere(i, n);
      else
        WaitWhile(published_, state);
    }
  }
  static void RunSecondOf(void* self) { static_cast<SharedStamping*>(self)->RunSecond(); }

 private:
  // A few published points at a time, so that the hand-over is never far
  // off. Returns the next point to stamp.
  int32_t StampEverywhere(int32_t i, int32_t n) {
    const int32_t height = stamper_.Height();
    for (const int32_t stop = std::min(n, i + 64); i < stop; ++i) stamper_.Stamp(points_[i], 0, height);
    return i;
  }

  // Calls fn(lo, hi) for each stripe of group g that point i may touch, with
  // the rows lo .. hi - 1 of that stripe.
  template <class Fn>
  void InGroup(int32_t i, int32_t g, const Fn& fn) const {
    if ((points_[i].groupBits >> g & 1u) != 0) ForStripesOf(i, g, fn);
  }
  // The same for a point known to be in group g.
  template <class Fn>
  void ForStripesOf(int32_t i, int32_t g, const Fn& fn) const {
    const Point& pt = points_[i];
    for (int32_t k = pt.firstStripe; k <= pt.lastStripe; ++k)
      if ((k & (stripes_.groups - 1)) == g)
        fn(k << stripes_.shift, std::min((k + 1) << stripes_.shift, stamper_.Height()));
  }

  // Points from .. to - 1 into the stripes of group g. (Fetching the rows of
  // the stamps a few points ahead made the image brushes slower: 20 against
  // 16.6 ms for the 24-pixel brush on the large layer.)
  void Stripes(int32_t g, int32_t from, int32_t to) const {
    if (stripes_.pickFirst) return PickedStripes(g, from, to);
    for (int32_t i = from; i < to; ++i)
      InGroup(i, g, [&](int32_t lo, int32_t hi) { stamper_.Stamp(points_[i], lo, hi); });
  }

  // The same for dots. Whether a point belongs to the group is as good as
  // random, so a branch on it is mispredicted for most of the group's
  // points. A dot is short work, which the processor overlaps with the dots
  // after it, and each misprediction throws that away; so the group's points
  // are picked out of a batch first, without a branch, and then stamped one
  // after another. (An image brush's stamp is long next to a misprediction,
  // and picking first did not make scenes c and d faster; this stays out of
  // line so that their loop above is compiled as it was.)
  [[gnu::noinline]] void PickedStripes(int32_t g, int32_t from, int32_t to) const {
    constexpr int32_t kBatch = 256;
    int32_t picked[kBatch];
    for (int32_t i = from; i < to; i += kBatch) {
      const int32_t end = std::min(to, i + kBatch);
      int32_t n = 0;
      for (int32_t k = i; k < end; ++k) {
        picked[n] = k;
        n += int32_t(points_[k].groupBits >> g & 1u);
      }
      for (int32_t m = 0; m < n; ++m) {
        const int32_t k = picked[m];
        ForStripesOf(k, g, [&](int32_t lo, int32_t hi) { stamper_.Stamp(points_[k], lo, hi); });
      }
    }
  }

  // A group without a stripe (a layer of fewer stripes than groups, such as
  // ten of 128 rows against sixteen groups) has no points, so its pass over
  // them is skipped.
  void Share(int32_t from, int32_t to) {
    const int32_t stripes = (stamper_.Height() + (1 << stripes_.shift) - 1) >> stripes_.shift;
    for (int32_t g; (g = nextGroup_.fetch_add(1, std::memory_order_relaxed)) < stripes_.groups;)
      if (g < stripes) Stripes(g, from, to);
  }

  const Point* points_;
  const Stamper& stamper_;
  StripeLayout stripes_;
  const CopyCanvas& copyCanvas_;
  // The points published so far, with kFinished once the orbit is done.
  static constexpr int32_t kFinished = int32_t{1} << 30;
  static_assert(kMaxRenderingLoops < kFinished);
  std::atomic<int32_t> published_{0}, handover_{-1}, nextGroup_{0};
};

// Whether every stamp keeps the layer's alpha, so that the canvas copy can
// make it opaque and no alpha reset is needed afterwards. Blend-mode stamps
// keep the layer's alpha. Normal-mode dots of an opaque colour keep an alpha
// of 255 too: a pixel put is the colour itself, and a splat mixes alpha 255
// with alpha 255. Image brushes in dmBlend do not.
bool StampsKeepAlpha(const std::vector<ifs_detail::StampPlan>& plans, const TBitmap32& layer,
                     const TBitmap32& canvasPicture) {
  if (layer.Width() != canvasPicture.Width() || layer.Height() != canvasPicture.Height()) return false;
  for (const ifs_detail::StampPlan& plan : plans) {
    const bool dot = plan.Kind == StampKind::DotSplat || plan.Kind == StampKind::DotPut;
    if ((dot && (plan.Color >> 24) != 255) || (plan.Kind == StampKind::Image && plan.Brush->DrawMode != dmCustom))
      return false;
  }
  return true;
}

// Whether a second thread is worth waking for a render of a large layer:
// only when this process may run on more than one core, and when the stamps
// may cover enough pixels (all loops with the largest brush) to outweigh
// handing work over.
bool HelperPays(const std::vector<ifs_detail::StampPlan>& plans, int32_t loops) {
  static const bool twoCores = [] {
    cpu_set_t set;
    CPU_ZERO(&set);
    return ::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 1;
  }();
  if (!twoCores) return false;
  int64_t largest = 0;
  for (const ifs_detail::StampPlan& plan : plans) {
    const int64_t side = plan.Kind == StampKind::Image ? plan.Width : plan.K + 1;
    largest = std::max(largest, side * side);
  }
  return int64_t(loops) * largest >= kHelperPixels;
}

// A layer that fits the second-level cache: each point is stamped soon after
// the orbit reaches it.
template <class MapFn, class CopyCanvas>
typename Orbit<MapFn>::Result StampAsTheOrbitGoes(const typename Orbit<MapFn>::Setup& setup, const Stamper& stamper,
                                                  int32_t loops, const CopyCanvas& copyCanvas) {
  Orbit<MapFn> orbit(setup);
  copyCanvas();
  const int32_t height = stamper.Height();
  // The orbit and the stamps in turns of a batch each: two short loops keep
  // their own state in registers, where one loop doing both spills it.
  constexpr int32_t kBatch = 128;
  Point batch[kBatch];
  int32_t stamped = 0;
  for (int32_t j = 0; j < loops;) {
    int32_t n = 0;
    for (const int32_t stop = std::min(loops, j + kBatch); j < stop; ++j) {
      orbit.Step(j, batch[n]);
      n += batch[n].shape != 0 ? 1 : 0;
    }
    for (int32_t i = 0; i < n; ++i) stamper.Stamp(batch[i], 0, height);
    stamped += n;
  }
  return orbit.Finish(loops, stamped);
}

// A larger layer: the whole orbit first, its points stamped meanwhile and
// afterwards by two threads (all on this one when no second thread can be
// had). points and worker are the renderer's, kept between renders.
template <class MapFn, class CopyCanvas>
typename Orbit<MapFn>::Result StampAfterTheOrbit(const typename Orbit<MapFn>::Setup& setup, const Stamper& stamper,
                                                 int32_t loops, const CopyCanvas& copyCanvas, StripeLayout stripes,
                                                 std::vector<Point>& pointStore, std::unique_ptr<TStampWorker>& worker,
                                                 bool withHelper) {
  Orbit<MapFn> orbit(setup);
  if (pointStore.size() < size_t(loops)) pointStore.resize(size_t(loops));
  Point* const points = pointStore.data();
  SharedStamping sharing(points, stamper, stripes, copyCanvas);
  if (withHelper && !worker) worker = std::make_unique<TStampWorker>();
  const bool helped = withHelper && worker->Start(&decltype(sharing)::RunSecondOf, &sharing);
  // The orbit and the marking in turns of a batch each, as in
  // StampAsTheOrbitGoes: the marking of a batch's points does not wait for
  // the orbit's next step, nor the orbit for the marking.
  constexpr int32_t kBatch = 64;
  int32_t count = 0;
  for (int32_t j = 0; j < loops;) {
    const int32_t first = count;
    for (const int32_t stop = std::min(loops, j + kBatch); j < stop; ++j) {
      orbit.Step(j, points[count]);
      count += points[count].shape != 0 ? 1 : 0;
    }
    for (int32_t i = first; i < count; ++i) MarkStripes(points[i], stamper, stripes);
    if (helped) sharing.Publish(count);
  }
  if (helped) {
    sharing.FinishFirst(count);
    worker->Wait();
  } else {
    sharing.AllOnThisThread(count);
  }
  return orbit.Finish(loops, count);
}

}  // namespace

int32_t DiffusionShape(const Project& p, const MapHistory& history) {
  const int32_t subCount = std::max(UsableShapeCount(p) - 1, 0);
  std::vector<int32_t> depth;
  const int32_t first = DiffusionDepths(p, subCount, depth);
  return PickDiffusion(history.data(), depth.data(), subCount, first);
}

void TRenderer::StartDocument() {
  counter_ = 0;
  brushes_.Clear();
  brushKeys_.clear();
  affineMaps_.clear();
  mapWeights_.clear();
  history_.fill(-1);
}

bool TRenderer::BrushesMatch(const Project& p, int32_t subCount) const {
  if (int32_t(brushKeys_.size()) != subCount || brushes_.Count() != subCount ||
      brushesAntialiased_ != Preferences.Antialiased)
    return false;
  for (int32_t k = 0; k < subCount; ++k) {
    const BrushFields f = FieldsOf(p, k + 1);
    if (!(brushKeys_[size_t(k)] == BrushKey{f.Brush, f.BlendingMode, f.BrushOpacity})) return false;
  }
  return true;
}

// Prepare brushes: a copy of each image brush with its draw mode, combine
// function and opacity, and the scratch squares of blend-mode dots.
void TRenderer::PrepareBrushes(const Project& p, int32_t subCount) {
  // The brush library is unpacked on its first use; a project of dots never
  // needs it (a command-line render then saves the unpacking).
  brushes_.Clear();
  brushKeys_.clear();
  for (int32_t k = 0; k < subCount; ++k) {
    const BrushFields f = FieldsOf(p, k + 1);
    brushKeys_.push_back(BrushKey{f.Brush, f.BlendingMode, f.BrushOpacity});
    TBitmap32& entry = brushes_.Add();
    if (f.Brush >= kDotBrushes && f.Brush < kBrushCount) {
      entry.Assign(BrushList()[f.Brush + 1]);
      if (f.BlendingMode != 0) {
        entry.DrawMode = dmCustom;
        entry.OnPixelCombine = BlendModeFunction(f.BlendingMode);
      } else {
        entry.DrawMode = dmBlend;
        entry.OnPixelCombine = nullptr;
      }
      entry.MasterAlpha = ClampByte(f.BrushOpacity);
    } else if (f.Brush >= 0 && f.Brush < kDotBrushes && f.BlendingMode != 0) {
      // The scratch squares, cleared: side Brush + 2 for antialiased dots
      // (room for the splat's spill), Brush + 1 otherwise.
      const int32_t side = Preferences.Antialiased ? f.Brush + 2 : f.Brush + 1;
      entry.SetSize(side, side);
      entry.Clear(0);
      entry.DrawMode = dmCustom;
      entry.OnPixelCombine = BlendModeFunction(f.BlendingMode);
      entry.MasterAlpha = 255;
    }
    // Normal-mode dots draw straight into the layer and keep an empty entry;
    // so does a brush number out of range, which then draws nothing.
  }
  brushesAntialiased_ = Preferences.Antialiased;
  stampBrushesReady_ = false;
}

// How each Sub-Shape's point is stamped: the kernel, chosen once per render.
void TRenderer::PlanStamps(const Project& p, int32_t subCount) {
  const bool aa = Preferences.Antialiased;
  plans_.assign(size_t(subCount), StampPlan{});
  if (stampBrushes_.size() < size_t(subCount)) stampBrushes_.resize(size_t(subCount));
  for (int32_t k = 0; k < subCount; ++k) {
    const BrushFields f = FieldsOf(p, k + 1);
    StampPlan& plan = plans_[size_t(k)];
    TBitmap32& b = brushes_[k];
    if (f.Brush >= kDotBrushes && f.Brush < kBrushCount) {
      const int32_t w = b.Width();
      if (w <= 0 || b.Height() < w) continue;
      plan.Kind = StampKind::Image;
      plan.Brush = &b;
      plan.Proc = StampProcFor(b.DrawMode, f.BlendingMode);
      if (b.DrawMode == dmCustom) {
        plan.Prepared = &stampBrushes_[size_t(k)];
        // Prepared from the brushes above, which change only with their
        // settings; until then the prepared copies stay as they are.
        if (!stampBrushesReady_) plan.Prepared->Prepare(b, f.BlendingMode, b.MasterAlpha);
        plan.PreparedKernel = plan.Prepared->Kernel();
        plan.PreparedPixels = plan.Prepared->Pixels();
      }
      plan.Master = b.MasterAlpha;
      plan.Width = w;
      plan.Half = w / 2;
      plan.Frames = b.Height() / w;
      plan.EveryIteration = w <= 12 || w == 24;
      plan.Rule = w <= 12 ? FrameRule::PerIteration : (w == 24 ? FrameRule::Per192 : FrameRule::PerWidth);
    } else if (f.Brush >= 0 && f.Brush < kDotBrushes) {
      plan.K = f.Brush + 1;
      plan.L = float(plan.K) / 2.0f;
      plan.Color = Color32(f.Color);
      if (f.BrushOpacity < 255) plan.Color = SetAlpha(plan.Color, f.BrushOpacity);
      if (f.BlendingMode == 0) {
        plan.Kind = aa ? StampKind::DotSplat : StampKind::DotPut;
      } else {
        plan.Kind = aa ? StampKind::DotSplatMix : StampKind::DotFillMix;
        plan.Brush = &b;
        plan.Block = StampBlockProcFor(f.BlendingMode);
        plan.Master = b.MasterAlpha;
        // The scratch square of an aliased dot is the plain colour at every
        // stamp, so it is filled once here.
        if (!aa) std::fill_n(b.Bits(), size_t(b.Width()) * size_t(b.Height()), plan.Color);
      }
    }
  }
  stampBrushesReady_ = true;
}

bool TRenderer::PrepareLoop(const Project& p, const std::vector<float>& weights) {
  const int32_t subCount = std::max(UsableShapeCount(p) - 1, 0);
  if (subCount < 1) return false;
  // The scratch dot squares are sized for one antialiasing setting; a change
  // of the preference alone must not leave dots drawn at the wrong size.
  if (!BrushesMatch(p, subCount)) PrepareBrushes(p, subCount);

  // Running sums of the weights, rounded after every addition exactly as the
  // map choice adds them. A missing weight counts as 0.
  cumulative_.resize(size_t(subCount));
  float sum = 0.0f;
  for (int32_t k = 0; k < subCount; ++k) {
    sum = sum + (size_t(k) < weights.size() ? weights[size_t(k)] : 0.0f);
    cumulative_[size_t(k)] = sum;
  }
  firstDiffusionEntry_ = DiffusionDepths(p, subCount, depth_);
  PlanStamps(p, subCount);

  if (p.Mode == ShapeMode::Projective) {
    transformation_.SrcRect = TRect{0, 0, p.Width, p.Height};
    subMatrices_.resize(size_t(subCount));
    subValid_.resize(size_t(subCount));
  }
  return true;
}

// The chaos game on the prepared plans, from (sx, sy).
template <class MapFn>
void TRenderer::RunLoop(const Project& p, const TBitmap32& canvasPicture, TBitmap32& layer, float sx, float sy,
                        MapFn& map) {
  const int32_t loops = std::clamp(Preferences.RenderingLoops, 0, kMaxRenderingLoops);
  const typename Orbit<MapFn>::Setup setup{
      map, cumulative_.data(), depth_.data(),  plans_.data(), int32_t(plans_.size()), firstDiffusionEntry_, sx,
      sy,  float(p.Width),     float(p.Height)};
  const bool keepsAlpha = StampsKeepAlpha(plans_, layer, canvasPicture);
  const auto copyCanvas = [&] {
    if (keepsAlpha)
      CopyOpaqueSolid(layer, canvasPicture);
    else
      CopyOpaque(layer, canvasPicture);
  };

  UpdateScope update(layer);
  const Stamper stamper(plans_.data(), layer, counter_);
  constexpr size_t kCachedLayerBytes = size_t{1024} * 1024;
  const typename Orbit<MapFn>::Result result =
      size_t(layer.Width()) * size_t(layer.Height()) * sizeof(TColor32) <= kCachedLayerBytes
          ? StampAsTheOrbitGoes<MapFn>(setup, stamper, loops, copyCanvas)
          : StampAfterTheOrbit<MapFn>(setup, stamper, loops, copyCanvas, LayOutStripes(plans_, layer.Height()), points_,
                                      worker_, HelperPays(plans_, loops));
  Generator.Seed = result.Seed;
  history_ = result.History;
  if (!keepsAlpha) layer.ResetAlpha();
  stats_ = result.Stats;
  // The canvas copy made every pixel opaque and the stamps kept it so, or
  // the reset just now did.
  layerOpaque_ = !layer.Empty();
}

void TRenderer::RenderAffine(const Project& p, const std::vector<AffineMap>& maps, const std::vector<float>& weights,
                             const TBitmap32& canvasPicture, TBitmap32& layer) {
  if (p.Mode != ShapeMode::Affine || !PrepareLoop(p, weights)) return;
  if (maps.size() < plans_.size()) return;  // every Sub-Shape needs its map
  AffineMapFn map{maps.data()};
  const Vertex s = p.AffineShapes[1].Corners[0];
  RunLoop(p, canvasPicture, layer, float(s.X), float(s.Y), map);
  layer.Changed();
}

// Compute maps (projective): preparing a transformation is deterministic, so
// the Main-Shape's inverse and every Sub-Shape's matrix are made once here
// instead of twice per point.
void TRenderer::RenderProjective(const Project& p, const std::vector<float>& weights, const TBitmap32& canvasPicture,
                                 TBitmap32& layer) {
  if (p.Mode != ShapeMode::Projective || !PrepareLoop(p, weights)) return;
  auto prepare = [this](const Vertex* c) {
    transformation_.SetCorners(float(c[0].X), float(c[0].Y), float(c[1].X), float(c[1].Y), float(c[2].X), float(c[2].Y),
                               float(c[3].X), float(c[3].Y));
    transformation_.PrepareTransform();
  };
  ProjectiveMapFn map{};
  prepare(p.ProjectiveShapes[0].Corners);
  // An overflow while preparing or inverting would have faulted on every
  // point; the identity fallback of the inversion must not hide it.
  map.mainValid = AllFinite(transformation_.Matrix) && std::isfinite(Determinant(transformation_.Matrix));
  transformation_.Invert();
  map.mainValid = map.mainValid && AllFinite(transformation_.Matrix);
  map.inverse = transformation_.Matrix;
  for (size_t k = 0; k < subMatrices_.size(); ++k) {
    prepare(p.ProjectiveShapes[k + 1].Corners);
    subMatrices_[k] = transformation_.Matrix;
    subValid_[k] = AllFinite(transformation_.Matrix) ? 1 : 0;
  }
  map.sub = subMatrices_.data();
  map.subValid = subValid_.data();
  const Vertex s = p.ProjectiveShapes[1].Corners[0];
  RunLoop(p, canvasPicture, layer, float(s.X), float(s.Y), map);
  layer.Changed();
}

void TRenderer::RenderImage(const Project& p, const TBitmap32& canvasPicture, TBitmap32& layer) {
  LeaveWideVectorState();
  layerOpaque_ = false;
  const int32_t minVertices = p.Mode == ShapeMode::Affine ? 3 : 4;
  if (p.VertexCount <= minVertices) {
    {
      UpdateScope update(layer);
      layer.Clear(0x00000000u);
      CopyOpaque(layer, canvasPicture);
    }
    layer.Changed();
    return;
  }
  if (p.VertexCount % p.N() != 0) return;  // an unfinished shape keeps the previous picture
  if (p.Mode == ShapeMode::Affine && !ComputeAffineMaps(p, Generator, affineMaps_)) {
    // The maps that came out non-finite keep their last values; the orbit
    // escapes through them like through any other bad map.
  }
  ComputeMapWeights(p, mapWeights_);
  counter_ = uint16_t(counter_ + 1);
  if (counter_ > 60000) counter_ = 0;
  if (p.Mode == ShapeMode::Affine)
    RenderAffine(p, affineMaps_, mapWeights_, canvasPicture, layer);
  else
    RenderProjective(p, mapWeights_, canvasPicture, layer);
}

}  // namespace plumavo
