#include "render/ifs/renderer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <thread>

#if defined(__SSE__)
#include <immintrin.h>
#endif

#include "render/blend/blend_modes.h"
#include "render/brushes/brush_library.h"
#include "render/ifs/shape_maps.h"

namespace plumavo {

using ifs_detail::FrameRule;
using ifs_detail::StampKind;
using ifs_detail::StampPlan;

namespace {

constexpr int32_t kHistory = 20;
constexpr int32_t kHistoryBuffer = 2048;
constexpr int32_t kWarmUp = 10;
constexpr float kWindowLow = -32.0f;
constexpr float kWindowMargin = 16.0f;
constexpr float kEscapeFactor = 100.0f;
constexpr int32_t kDotBrushes = 3;  // brushes 0..2 are square dots

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
inline int32_t PickDiffusion(const int16_t* hist, const int32_t* depth, int32_t subCount, int32_t first) {
  for (int32_t i = first; i < kHistory - 1; ++i) {
    const int32_t a = hist[i];
    if (a >= 0 && a < subCount && depth[a] >= kHistory - 1 - i) return a + 1;
  }
  return int32_t(hist[kHistory - 1]) + 1;
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

// The sub-pixel plot of TBitmap32::SplatPixel from an already rounded fixed
// point position (8 fraction bits), so that a dot's K x K splats round each
// coordinate once instead of K x K times. Same weights, same order of pixels.
struct SplatTarget {
  TColor32* bits;
  int32_t width, height;
  int64_t limitX, limitY;  // width * 256, height * 256
  // Rows lo .. hi - 1 only (a stripe of a layer shared by two threads).
  int32_t lo, hi;
  SplatTarget(TColor32* b, int32_t w, int32_t h)
      : bits(b), width(w), height(h), limitX(int64_t(w) * 256), limitY(int64_t(h) * 256), lo(0), hi(h) {}
  explicit SplatTarget(TBitmap32& b) : SplatTarget(b.Bits(), b.Width(), b.Height()) {}
};

inline void SplatOne(TColor32& b, TColor32 c, uint32_t w) {
  if (w == 0) return;
  b = w == 255 ? c : BlendPixelWeighted(c, b, w);
}

#if defined(__SSE2__)
// SplatOne on two pixels in eight 16-bit lanes, weight w per lane and colour
// C widened: the mix ((256 - w) b + w c + 128) div 256 (at most
// 256 * 255 + 128, so it fits), which leaves b as it is for w = 0, or c
// itself where w = 255.
inline __m128i SplatLanes(__m128i b, __m128i w, __m128i C) {
  const __m128i mixed = _mm_srli_epi16(
      _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_set1_epi16(256), w), b), _mm_mullo_epi16(w, C)),
                    _mm_set1_epi16(128)),
      8);
  const __m128i full = _mm_cmpeq_epi16(w, _mm_set1_epi16(255));
  return _mm_or_si128(_mm_and_si128(full, C), _mm_andnot_si128(full, mixed));
}
#endif

inline void SplatFixed(const SplatTarget& t, int32_t X, int32_t Y, TColor32 c, const uint8_t* G) {
  if (X < -256 || X >= t.limitX || Y < -256 || Y >= t.limitY) return;
  const int32_t px = X >> 8, py = Y >> 8;
  const uint32_t fx = uint32_t(X & 255), fy = uint32_t(Y & 255);
  const uint32_t A = c >> 24;
  const uint32_t w00 = (A * G[255 - fx] * G[255 - fy]) >> 16;
  const uint32_t w10 = (A * G[fx] * G[255 - fy]) >> 16;
  const uint32_t w11 = (A * G[fx] * G[fy]) >> 16;
  const uint32_t w01 = (A * G[255 - fx] * G[fy]) >> 16;
  const bool x0In = px >= 0, x1In = px + 1 < t.width;
  const bool y0In = py >= t.lo && py < t.hi, y1In = py + 1 >= t.lo && py + 1 < t.hi;
#if defined(__SSE2__)
  if (x0In && x1In && y0In && y1In) {
    // All four pixels at once in 16-bit lanes: the two of the first row, then
    // the two of the second. They are distinct pixels, so their order does
    // not matter.
    TColor32* row0 = t.bits + size_t(py) * size_t(t.width) + size_t(px);
    TColor32* row1 = row0 + t.width;
    const __m128i z = _mm_setzero_si128();
    const __m128i C = _mm_unpacklo_epi8(_mm_set1_epi32(int32_t(c)), z);
    const __m128i top = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row0)), z);
    const __m128i bottom = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row1)), z);
    const auto pair = [](uint32_t a, uint32_t b) {
      return _mm_set_epi16(int16_t(b), int16_t(b), int16_t(b), int16_t(b), int16_t(a), int16_t(a), int16_t(a),
                           int16_t(a));
    };
    const __m128i r = _mm_packus_epi16(SplatLanes(top, pair(w00, w10), C), SplatLanes(bottom, pair(w01, w11), C));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row0), r);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row1), _mm_unpackhi_epi64(r, r));
    return;
  }
#endif
  if (y0In) {
    TColor32* row = t.bits + size_t(py) * size_t(t.width);
    if (x0In) SplatOne(row[px], c, w00);
    if (x1In) SplatOne(row[px + 1], c, w10);
  }
  if (y1In) {
    TColor32* row = t.bits + size_t(py + 1) * size_t(t.width);
    if (x1In) SplatOne(row[px + 1], c, w11);
    if (x0In) SplatOne(row[px], c, w01);
  }
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
  const uint32_t w00 = (A * G[255 - fx] * G[255 - fy]) >> 16;
  const uint32_t w10 = (A * G[fx] * G[255 - fy]) >> 16;
  const uint32_t w11 = (A * G[fx] * G[fy]) >> 16;
  const uint32_t w01 = (A * G[255 - fx] * G[fy]) >> 16;
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

// A hint to the processor while waiting for the other thread.
inline void Pause() {
#if defined(__SSE2__)
  _mm_pause();
#endif
}

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

// Forward transform of TProjectiveTransformation::TransformPoint with the
// floating-point faults made visible: Ok, NoDivisor (w = 0, outputs
// unwritten) or Invalid (an overflow or invalid operation somewhere, including
// an infinity that a later division would have hidden).
enum class Mapped : uint8_t { Ok, NoDivisor, Invalid };

inline Mapped TransformChecked(const TFloatMatrix& t, float x, float y, float& ox, float& oy) {
  const auto& m = t.m;
  const float w = m[0][2] * x + m[1][2] * y + m[2][2];
  if (w == 0) return Mapped::NoDivisor;
  const float px = m[0][0] * x + m[1][0] * y + m[2][0];
  const float py = m[0][1] * x + m[1][1] * y + m[2][1];
  if (!(std::isfinite(w) && std::isfinite(px) && std::isfinite(py))) return Mapped::Invalid;
  if (w != 1) {
    ox = px / w;
    oy = py / w;
  } else {
    ox = px;
    oy = py;
  }
  return Mapped::Ok;
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
    Mapped r = TransformChecked(inverse, x, y, u, v);
    if (r == Mapped::Invalid) return false;
    if (r == Mapped::Ok) r = TransformChecked(sub[k], u, v, nx, ny);
    if (r == Mapped::Invalid) return false;
    if (r == Mapped::NoDivisor) {
      // Outputs unwritten: the orbit stays where it was.
      nx = x;
      ny = y;
    }
    return true;
  }
};

}  // namespace

int32_t DiffusionShape(const Project& p) {
  const int32_t subCount = std::max(UsableShapeCount(p) - 1, 0);
  std::vector<int32_t> depth;
  const int32_t first = DiffusionDepths(p, subCount, depth);
  return PickDiffusion(p.MapHistory.data(), depth.data(), subCount, first);
}

void TRenderer::PrepareRenderBrushes(const Project& p) {
  const int32_t subCount = std::max(UsableShapeCount(p) - 1, 0);
  const TBitmap32List& library = BrushList();
  RenderBrushes.Clear();
  for (int32_t k = 0; k < subCount; ++k) {
    const BrushFields f = FieldsOf(p, k + 1);
    TBitmap32& entry = RenderBrushes.Add();
    if (f.Brush >= kDotBrushes && f.Brush < kBrushCount && f.Brush + 1 < library.Count()) {
      entry.Assign(library[f.Brush + 1]);
      if (f.BlendingMode != 0) {
        entry.DrawMode = dmCustom;
        entry.OnPixelCombine = BlendModeFunction(f.BlendingMode);
      } else {
        entry.DrawMode = dmBlend;
        entry.OnPixelCombine = nullptr;
      }
      entry.MasterAlpha = ClampByte(f.BrushOpacity);
    } else if (f.Brush >= 0 && f.Brush < kDotBrushes && f.BlendingMode != 0 && f.Brush + 1 < library.Count()) {
      // The scratch squares: side Brush + 2 for antialiased dots (room for the
      // splat's spill), Brush + 1 otherwise.
      entry.Assign(library[Preferences.Antialiased ? f.Brush + 1 : f.Brush]);
      entry.DrawMode = dmCustom;
      entry.OnPixelCombine = BlendModeFunction(f.BlendingMode);
      entry.MasterAlpha = 255;
    }
    // Normal-mode dots draw straight into the layer and keep an empty entry;
    // so does a brush number out of range, which then draws nothing.
  }
  preparedAntialiased_ = Preferences.Antialiased;
}

bool TRenderer::PrepareLoop(Project& p) {
  const int32_t subCount = std::max(UsableShapeCount(p) - 1, 0);
  if (subCount < 1) return false;
  // The scratch dot squares are sized for one antialiasing setting; a change
  // of the preference alone must not leave dots drawn at the wrong size.
  if (RenderBrushes.Count() != subCount || preparedAntialiased_ != Preferences.Antialiased) PrepareRenderBrushes(p);

  p.MapWeights.resize(size_t(subCount), 0.0f);
  if (p.Mode == ShapeMode::Affine && p.AffineMaps.size() < size_t(subCount)) p.AffineMaps.resize(size_t(subCount));

  // Running sums of the weights, rounded after every addition exactly as the
  // map choice adds them.
  cumulative_.resize(size_t(subCount));
  float sum = 0.0f;
  for (int32_t k = 0; k < subCount; ++k) {
    sum = sum + p.MapWeights[size_t(k)];
    cumulative_[size_t(k)] = sum;
  }
  firstDiffusionEntry_ = DiffusionDepths(p, subCount, depth_);

  const bool aa = Preferences.Antialiased;
  plans_.assign(size_t(subCount), StampPlan{});
  if (stampBrushes_.size() < size_t(subCount)) stampBrushes_.resize(size_t(subCount));
  for (int32_t k = 0; k < subCount; ++k) {
    const BrushFields f = FieldsOf(p, k + 1);
    StampPlan& plan = plans_[size_t(k)];
    TBitmap32& b = RenderBrushes[k];
    if (f.Brush >= kDotBrushes && f.Brush < kBrushCount) {
      const int32_t w = b.Width();
      if (w <= 0 || b.Height() < w) continue;
      plan.Kind = StampKind::Image;
      plan.Brush = &b;
      plan.Proc = StampProcFor(b.DrawMode, f.BlendingMode);
      if (b.DrawMode == dmCustom) {
        plan.Prepared = &stampBrushes_[size_t(k)];
        plan.Prepared->Prepare(b, f.BlendingMode, b.MasterAlpha);
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

  if (p.Mode == ShapeMode::Projective) {
    Transformation.SrcRect = TRect{0, 0, p.Width, p.Height};
    subMatrices_.resize(size_t(subCount));
    subValid_.resize(size_t(subCount));
  }
  return true;
}

template <class MapFn>
void TRenderer::RunLoop(Project& p, const TBitmap32& canvasPicture, TBitmap32& layer, float sx, float sy, MapFn& map) {
  const int32_t subCount = int32_t(plans_.size());
  const int32_t loops = std::clamp(Preferences.RenderingLoops, 0, kMaxRenderingLoops);
  const float* cum = cumulative_.data();
  const int32_t* depth = depth_.data();
  const StampPlan* plans = plans_.data();
  const int32_t firstEntry = firstDiffusionEntry_;
  const uint32_t counter = p.RenderCounter;
  const uint8_t* G = SplatGammaTable();

  const float W = float(p.Width), H = float(p.Height);
  const float escLowX = -kEscapeFactor * W, escHighX = kEscapeFactor * W;
  const float escLowY = -kEscapeFactor * H, escHighY = kEscapeFactor * H;
  const float winHighX = W + kWindowMargin, winHighY = H + kWindowMargin;

  // MapHistory as a window sliding along a longer buffer: entry i of the
  // history is window[i]; the buffer is compacted once every few thousand
  // steps instead of shifting twenty entries per iteration.
  int16_t histBuf[kHistoryBuffer];
  std::fill_n(histBuf, kHistory, int16_t(-1));
  int32_t newest = kHistory - 1;

  TRenderStats stats;
  stats.Iterations = loops;

  // Blend-mode stamps keep the layer's alpha. Normal-mode dots of an opaque
  // colour keep an alpha of 255 too: a pixel put is the colour itself, and a
  // splat mixes alpha 255 with alpha 255. Image brushes in dmBlend do not.
  bool keepsAlpha = layer.Width() == canvasPicture.Width() && layer.Height() == canvasPicture.Height();
  for (const StampPlan& plan : plans_) {
    const bool dot = plan.Kind == StampKind::DotSplat || plan.Kind == StampKind::DotPut;
    if ((dot && (plan.Color >> 24) != 255) || (plan.Kind == StampKind::Image && plan.Brush->DrawMode != dmCustom))
      keepsAlpha = false;
  }

  UpdateScope update(layer);
  const auto copyCanvas = [&] {
    if (keepsAlpha)
      CopyOpaqueSolid(layer, canvasPicture);
    else
      CopyOpaque(layer, canvasPicture);
  };
  const SplatTarget layerTarget(layer);
  TColor32* const layerBits = layer.Bits();
  const int32_t layerW = layer.Width(), layerH = layer.Height();

  float x = sx, y = sy;
  int32_t warm = 0;
  // The generator's state lives in a local for the loop: as a member it would
  // have to go back to memory around every pixel store, which might alias it.
  TRandomGenerator gen;
  gen.Seed = 0;
  // Up to eight maps are chosen without branches (the choice is random, so a
  // loop that stops at the chosen map mispredicts most of the time): the
  // running sums with every entry from the last map on made +infinity, so
  // the first entry above r is the map. A NaN sum is never above r, as in
  // the loop.
  constexpr int32_t kBranchlessMaps = 8;
  const bool branchless = subCount <= kBranchlessMaps;
  alignas(16) float padded[kBranchlessMaps];
  for (int32_t i = 0; i < kBranchlessMaps; ++i)
    padded[i] = i < subCount - 1 ? cum[i] : std::numeric_limits<float>::infinity();
#if defined(__SSE2__)
  const __m128 cumLow = _mm_load_ps(padded), cumHigh = _mm_load_ps(padded + 4);
#endif

  // One iteration of the orbit: the draw, the map choice, the history, the
  // map, the escape test, warm-up and the plot window. Stamping never feeds
  // back into the orbit, so on a large layer the stamps are made after the
  // whole orbit, by two threads.
  using Point = ifs_detail::StampPoint;
  auto advance = [&](int32_t j, Point& out) {
    out.shape = 0;
    const float r = gen.RandomFloat();
    // The first map whose running sum exceeds r, else the last one.
    int32_t k = subCount - 1;
    if (branchless) {
#if defined(__SSE2__)
      const __m128 rr = _mm_set1_ps(r);
      const int above = _mm_movemask_ps(_mm_cmpgt_ps(cumLow, rr)) | (_mm_movemask_ps(_mm_cmpgt_ps(cumHigh, rr)) << 4);
      k = __builtin_ctz(unsigned(above));  // the last map's entry is always above
#else
      for (int32_t i = kBranchlessMaps - 1; i >= 0; --i)
        if (i < subCount - 1) k = cum[i] > r ? i : k;
#endif
    } else {
      k = 0;
      while (k < subCount && !(cum[k] > r)) ++k;
      if (k > subCount - 1) k = subCount - 1;
    }

    if (newest == kHistoryBuffer - 1) {
      std::copy(histBuf + newest - (kHistory - 2), histBuf + newest + 1, histBuf);
      newest = kHistory - 2;
    }
    histBuf[++newest] = int16_t(k);

    float nx, ny;
    // Written as a negated range test so that a NaN coordinate also restarts
    // the orbit instead of wandering on as an invalid number.
    if (!map(k, x, y, nx, ny) || !(nx >= escLowX && nx <= escHighX && ny >= escLowY && ny <= escHighY)) {
      x = sx;
      y = sy;
      warm = 0;
      ++stats.Restarts;
      return;
    }
    x = nx;
    y = ny;
    if (warm < kWarmUp) {
      ++warm;
      return;
    }
    ++stats.Candidates;
    if (!(x >= kWindowLow && x <= winHighX && y >= kWindowLow && y <= winHighY)) return;
    ++stats.Plotted;
    const int16_t* hist = histBuf + newest - (kHistory - 1);
    const int32_t s = firstEntry < kHistory - 1 ? PickDiffusion(hist, depth, subCount, firstEntry) : k + 1;
    const StampPlan& plan = plans[s - 1];
    if (plan.Kind == StampKind::None) return;
    if (plan.Kind == StampKind::Image && !plan.EveryIteration && j % plan.Width != 0) return;
    out = Point{x, y, j, s, 0, -1, 0};
  };

  // Stripes of 32 rows, in groups taken in turn (stripe k is in group k mod
  // the number of groups). Threads share the stamping by groups, so a row is
  // only ever stamped by one thread at a time. Image brushes bring many
  // lines of the layer in at every stamp, so for them the groups are small
  // enough (about 80 rows of a large layer) to stay in the core's cache while
  // it works through one; a group costs one pass over the points.
  constexpr int32_t kStripeShift = 5;
  bool largeStamps = false;
  for (const StampPlan& plan : plans_) largeStamps = largeStamps || (plan.Kind == StampKind::Image && plan.Width >= 8);
  const int32_t groups = largeStamps ? 16 : 4;

  // Touches the layer rows lo .. hi - 1 of a coming image stamp (dots touch
  // too few lines for this to pay).
  auto prefetch = [&](const Point& pt, int32_t lo, int32_t hi) {
    if (pt.shape == 0) return;
    const StampPlan& plan = plans[pt.shape - 1];
    if (plan.Kind != StampKind::Image) return;
    const int32_t left = RoundInt(pt.x) - plan.Half, top = RoundInt(pt.y) - plan.Half, side = plan.Width;
    const int32_t l = std::clamp(left, 0, layerW - 1), r = std::clamp(left + side - 1, 0, layerW - 1);
    const int32_t y0 = std::max(top, lo), y1 = std::min(top + side, hi);
    for (int32_t row = y0; row < y1; ++row) {
      const TColor32* line = layerBits + size_t(row) * size_t(layerW);
      // Every cache line of the row's part: 16 pixels per 64 bytes.
      for (int32_t c = l; c < r; c += 16) __builtin_prefetch(line + c, 1, 1);
      __builtin_prefetch(line + r, 1, 1);
    }
  };

  // The rows a stamp may touch, from `top` on, generously: the stamp itself
  // clips exactly.
  auto extent = [&](const Point& pt, int32_t& top, int32_t& rows) {
    const StampPlan& plan = plans[pt.shape - 1];
    if (plan.Kind == StampKind::Image) {
      top = RoundInt(pt.y) - plan.Half;
      rows = plan.Width;
    } else {
      top = int32_t(pt.y - plan.L) - 2;
      rows = plan.K + 4;
    }
  };

  // Blend-mode dots: the square onto the layer, clipped to its columns and to
  // rows lo .. hi - 1.
  auto blockInto = [&](const StampPlan& plan, int32_t qx, int32_t qy, const TColor32* square, int32_t side, int32_t lo,
                       int32_t hi) {
    if (!plan.Block) return;  // a mode without a combine function draws nothing
    const int32_t x0 = std::max(qx, 0), x1 = std::min(qx + side, layerW);
    const int32_t y0 = std::max(qy, lo), y1 = std::min(qy + side, hi);
    if (x0 >= x1 || y0 >= y1) return;
    plan.Block(layerBits + size_t(y0) * size_t(layerW) + size_t(x0), layerW,
               square + size_t(y0 - qy) * size_t(side) + size_t(x0 - qx), side, x1 - x0, y1 - y0, plan.Master);
  };

  // One stamp, restricted to layer rows lo .. hi - 1. Reads the plans and
  // brushes and writes only those rows, so two threads may stamp the same
  // point into different rows.
  auto stampRows = [&](const Point& pt, int32_t lo, int32_t hi) {
    const StampPlan& plan = plans[pt.shape - 1];
    const float px_ = pt.x, py_ = pt.y;
    switch (plan.Kind) {
      case StampKind::None: return;
      case StampKind::Image: {
        const int32_t px = RoundInt(px_) - plan.Half, py = RoundInt(py_) - plan.Half;
        const int32_t w = plan.Width;
        const int32_t r0 = std::max(py, lo), r1 = std::min(py + w, hi);
        if (r0 >= r1) return;
        int32_t f = 0;
        if (plan.Frames > 1) {
          const uint32_t uj = uint32_t(pt.j);
          switch (plan.Rule) {
            case FrameRule::PerIteration: f = int32_t((counter + uj) % uint32_t(plan.Frames)); break;
            case FrameRule::Per192: f = int32_t((uj / 192u + counter) % uint32_t(plan.Frames)); break;
            case FrameRule::PerWidth: f = int32_t((uj / uint32_t(w) + counter) % uint32_t(plan.Frames)); break;
          }
        }
        // Brush rows from r0 - py on, landing at row r0.
        const int32_t top = f * w + (r0 - py);
        if (plan.Prepared)
          plan.Prepared->Stamp(layer, px, r0, top, r1 - r0);
        else
          plan.Proc(layer, px, r0, *plan.Brush, TRect{0, top, w, top + (r1 - r0)}, plan.Master);
        return;
      }
      case StampKind::DotSplat: {
        int32_t X[3], Y[3];
        FixedRow(px_ - plan.L, plan.K, X);
        FixedRow(py_ - plan.L, plan.K, Y);
        SplatTarget t = layerTarget;
        t.lo = lo;
        t.hi = hi;
        for (int32_t dx = 0; dx < plan.K; ++dx)
          for (int32_t dy = 0; dy < plan.K; ++dy) SplatFixed(t, X[dx], Y[dy], plan.Color, G);
        return;
      }
      case StampKind::DotPut: {
        const int32_t bx = RoundInt(px_ - plan.L), by = RoundInt(py_ - plan.L);
        for (int32_t dx = 0; dx < plan.K; ++dx)
          for (int32_t dy = 0; dy < plan.K; ++dy) {
            const int32_t qx = bx + dx, qy = by + dy;
            if (qx >= 0 && qy >= lo && qx < layerW && qy < hi)
              layerBits[size_t(qy) * size_t(layerW) + size_t(qx)] = plan.Color;
          }
        return;
      }
      case StampKind::DotSplatMix: {
        // The splats of the dot into a cleared square of side K + 1 (room for
        // the splat's spill), then the square through the blend mode. Each
        // call has its own square, so threads never share one.
        const int32_t K = plan.K, side = K + 1;
        const float vx = px_ - plan.L, vy = py_ - plan.L;
        const float tx = Trunc(vx), ty = Trunc(vy);
        int32_t X[3], Y[3];
        FixedRow(vx - tx, K, X);
        FixedRow(vy - ty, K, Y);
        alignas(16) TColor32 square[16];
        if (!BuildDotSquare(X, Y, K, plan.Color, G, square)) {
          std::fill_n(square, size_t(side) * size_t(side), TColor32(0));
          const SplatTarget st(square, side, side);
          for (int32_t dx = 0; dx < K; ++dx)
            for (int32_t dy = 0; dy < K; ++dy) SplatFixed(st, X[dx], Y[dy], plan.Color, G);
        }
        blockInto(plan, int32_t(tx), int32_t(ty), square, side, lo, hi);
        return;
      }
      case StampKind::DotFillMix: {
        const TBitmap32& b = *plan.Brush;
        blockInto(plan, RoundInt(px_ - plan.L), RoundInt(py_ - plan.L), b.Bits(), b.Width(), lo, hi);
        return;
      }
    }
  };

  // A layer that fits the second-level cache is stamped as the orbit goes.
  // A larger one gets the whole orbit first; then two threads stamp it, each
  // into its own stripes of rows, fetching the rows of the stamps a few
  // points ahead.
  constexpr size_t kCachedLayerBytes = 1024 * 1024;
  if (size_t(layerW) * size_t(layerH) * sizeof(TColor32) <= kCachedLayerBytes) {
    copyCanvas();
    Point pt{};
    for (int32_t j = 0; j < loops; ++j) {
      advance(j, pt);
      if (pt.shape != 0) {
        stampRows(pt, 0, layerH);
        ++stats.Stamped;
      }
    }
  } else {
    // A larger layer: the orbit on this thread; meanwhile the second thread
    // copies the canvas and stamps the points as they come, everywhere. When
    // the orbit is done, the second thread says how far it got, and both
    // share the rest by groups of stripes, each taking the next group left.
    // Each row thus gets its stamps in the orbit's order.
    if (points_.size() < size_t(loops)) points_.resize(size_t(loops));
    Point* const points = points_.data();
    std::atomic<int32_t> published{0}, handover{-1}, nextGroup{0};
    std::atomic<bool> finished{false};
    int32_t count = 0;

    // Calls fn(lo, hi) for each stripe of group g that point i may touch,
    // with the rows lo .. hi - 1 of that stripe.
    const auto inGroup = [&](int32_t i, int32_t g, auto&& fn) {
      const Point& pt = points[i];
      if ((pt.groupBits >> g & 1u) == 0) return;
      for (int32_t k = pt.firstStripe; k <= pt.lastStripe; ++k)
        if ((k & (groups - 1)) == g) fn(k << kStripeShift, std::min((k + 1) << kStripeShift, layerH));
    };
    // Points from..to-1 into the stripes of group g.
    auto stripes = [&](int32_t g, int32_t from, int32_t to) {
      constexpr int32_t kAhead = 8;
      for (int32_t i = from; i < to; ++i) {
        if (i + kAhead < to)
          inGroup(i + kAhead, g, [&](int32_t lo, int32_t hi) { prefetch(points[i + kAhead], lo, hi); });
        inGroup(i, g, [&](int32_t lo, int32_t hi) { stampRows(points[i], lo, hi); });
      }
    };
    auto share = [&](int32_t from, int32_t to) {
      for (int32_t g; (g = nextGroup.fetch_add(1, std::memory_order_relaxed)) < groups;) stripes(g, from, to);
    };
    auto second = [&] {
      copyCanvas();
      int32_t i = 0;
      for (int32_t idle = 0;;) {
        const bool done = finished.load(std::memory_order_acquire);
        const int32_t n = published.load(std::memory_order_acquire);
        if (done) {
          handover.store(i, std::memory_order_release);
          share(i, n);
          return;
        }
        if (i < n) {
          idle = 0;
          // A few at a time, so that the hand-over is never far off.
          for (const int32_t stop = std::min(n, i + 64); i < stop; ++i) {
            if (i + 8 < n) prefetch(points[i + 8], 0, layerH);
            stampRows(points[i], 0, layerH);
          }
        } else if (++idle < 64) {
          Pause();
        } else {
          std::this_thread::yield();
        }
      }
    };
    struct Job {
      decltype(second)* run;
      static void Second(void* self) { (*static_cast<Job*>(self)->run)(); }
    } job{&second};
    if (!worker_) worker_ = std::make_unique<TStampWorker>();
    const bool helped = worker_->Start(&Job::Second, &job);
    constexpr int32_t kBatch = 64;
    for (int32_t j = 0; j < loops; ++j) {
      Point& pt = points[count];
      advance(j, pt);
      if (pt.shape != 0) {
        int32_t top, rows;
        extent(pt, top, rows);
        const int32_t end = std::min(top + rows, layerH);
        top = std::max(top, 0);
        if (top < end) {
          pt.firstStripe = top >> kStripeShift;
          pt.lastStripe = (end - 1) >> kStripeShift;
          for (int32_t k = pt.firstStripe; k <= pt.lastStripe; ++k) pt.groupBits |= 1u << (k & (groups - 1));
        }
        ++count;
        if (helped && count % kBatch == 0) published.store(count, std::memory_order_release);
      }
    }
    stats.Stamped = count;
    if (helped) {
      published.store(count, std::memory_order_release);
      finished.store(true, std::memory_order_release);
      int32_t from;
      while ((from = handover.load(std::memory_order_acquire)) < 0) Pause();
      share(from, count);
      worker_->Wait();
    } else {
      copyCanvas();
      share(0, count);
    }
  }
  Generator.Seed = gen.Seed;

  std::copy(histBuf + newest - (kHistory - 1), histBuf + newest + 1, p.MapHistory.begin());
  if (!keepsAlpha) layer.ResetAlpha();
  stats_ = stats;
}

void TRenderer::RenderAffine(Project& p, const TBitmap32& canvasPicture, TBitmap32& layer) {
  if (p.Mode != ShapeMode::Affine || !PrepareLoop(p)) return;
  AffineMapFn map{p.AffineMaps.data()};
  const Vertex s = p.AffineShapes[1].Corners[0];
  RunLoop(p, canvasPicture, layer, float(s.X), float(s.Y), map);
  layer.Changed();
}

void TRenderer::RenderProjective(Project& p, const TBitmap32& canvasPicture, TBitmap32& layer) {
  if (p.Mode != ShapeMode::Projective || !PrepareLoop(p)) return;
  // Preparing a transformation is deterministic, so the Main-Shape's inverse
  // and every Sub-Shape's matrix are made once here instead of twice per point.
  auto prepare = [this](const Vertex* c) {
    Transformation.SetCorners(float(c[0].X), float(c[0].Y), float(c[1].X), float(c[1].Y), float(c[2].X), float(c[2].Y),
                              float(c[3].X), float(c[3].Y));
    Transformation.PrepareTransform();
  };
  ProjectiveMapFn map{};
  prepare(p.ProjectiveShapes[0].Corners);
  // An overflow while preparing or inverting would have faulted on every
  // point; the identity fallback of the inversion must not hide it.
  map.mainValid = AllFinite(Transformation.Matrix) && std::isfinite(Determinant(Transformation.Matrix));
  Transformation.Invert();
  map.mainValid = map.mainValid && AllFinite(Transformation.Matrix);
  map.inverse = Transformation.Matrix;
  for (size_t k = 0; k < subMatrices_.size(); ++k) {
    prepare(p.ProjectiveShapes[k + 1].Corners);
    subMatrices_[k] = Transformation.Matrix;
    subValid_[k] = AllFinite(Transformation.Matrix) ? 1 : 0;
  }
  map.sub = subMatrices_.data();
  map.subValid = subValid_.data();
  const Vertex s = p.ProjectiveShapes[1].Corners[0];
  RunLoop(p, canvasPicture, layer, float(s.X), float(s.Y), map);
  layer.Changed();
}

void TRenderer::RenderImage(Project& p, const TBitmap32& canvasPicture, TBitmap32& layer) {
  try {
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
    if (!p.RenderBrushesReady) {
      PrepareRenderBrushes(p);
      p.RenderBrushesReady = true;
    }
    const int32_t n = p.N();
    if (p.VertexCount % n != 0) return;  // an unfinished shape keeps the previous picture
    if (p.Mode == ShapeMode::Affine) ComputeAffineMaps(p, Generator);
    ComputeMapWeights(p);
    p.RenderCounter = uint16_t(p.RenderCounter + 1);
    if (p.RenderCounter > 60000) p.RenderCounter = 0;
    if (p.Mode == ShapeMode::Affine)
      RenderAffine(p, canvasPicture, layer);
    else
      RenderProjective(p, canvasPicture, layer);
  } catch (...) {
    // The renderer never reports errors: a failed render leaves what was there.
  }
}

}  // namespace plumavo
