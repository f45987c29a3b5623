#include "render/ifs/shape_maps.h"

#include <algorithm>
#include <cmath>

namespace plumavo {

int32_t UsableShapeCount(const Project& p) {
  const size_t stored = p.Mode == ShapeMode::Affine ? p.AffineShapes.size() : p.ProjectiveShapes.size();
  const int32_t count = p.ShapeCount();
  if (count <= 0) return 0;
  return int32_t(std::min<size_t>(size_t(count), stored));
}

float Jitter(TRandomGenerator& rng, float n) {
  const float amount = float(rng.Random(1000) + 1) / 1000000.0f;
  return n + amount;
}

namespace {

// One shoelace term (ya + yb) * (xb - xa) / 2. Integer part in 64 bits so that
// far-away corners do not overflow where 32 bits would; for every realistic
// coordinate this is the same value as the 32-bit product. Corners near the
// int32 limits (a project file may hold them) can still overflow 64 bits:
// that is reported, like an arithmetic exception, instead of being undefined.
bool EdgeTerm(int32_t xa, int32_t ya, int32_t xb, int32_t yb, float& term) {
  int64_t t = 0;
  if (__builtin_mul_overflow(int64_t(ya) + yb, int64_t(xb) - xa, &t)) return false;
  term = float(t) / 2.0f;
  return true;
}

// Squared length of (dx, dy) as a single; false when the integers overflow.
bool SquaredLength(int64_t dx, int64_t dy, float& out) {
  int64_t xx = 0, yy = 0, sum = 0;
  if (__builtin_mul_overflow(dx, dx, &xx) || __builtin_mul_overflow(dy, dy, &yy) ||
      __builtin_add_overflow(xx, yy, &sum))
    return false;
  out = float(sum);
  return true;
}

}  // namespace

float TriangleArea(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  float t0 = 0, t1 = 0, t2 = 0;
  if (!EdgeTerm(x0, y0, x1, y1, t0) || !EdgeTerm(x1, y1, x2, y2, t1) || !EdgeTerm(x2, y2, x0, y0, t2)) return 1.0f;
  float sum = t0;
  sum = sum + t1;
  sum = sum + t2;
  const float area = std::fabs(sum);
  return std::isfinite(area) ? area : 1.0f;
}

float QuadArea(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
  return TriangleArea(x0, y0, x1, y1, x2, y2) + TriangleArea(x0, y0, x2, y2, x3, y3);
}

float EdgeDistance(int32_t px, int32_t py, int32_t ax, int32_t ay, int32_t bx, int32_t by) {
  const int64_t X = px, Y = py;
  if (X < int64_t(std::min(ax, bx)) - 3 || X > int64_t(std::max(ax, bx)) + 3 || Y < int64_t(std::min(ay, by)) - 3 ||
      Y > int64_t(std::max(ay, by)) + 3)
    return -1.0f;
  // An overflow counts as an arithmetic exception: the distance is then 0.
  float gg = 0;
  if (!SquaredLength(int64_t(ax) - bx, int64_t(ay) - by, gg)) return 0.0f;
  const float g = std::sqrt(gg);
  float d;
  if (g >= 1.0f) {
    d = TriangleArea(px, py, ax, ay, bx, by) * 2.0f / g;
  } else {
    float pp = 0;
    if (!SquaredLength(X - ax, Y - ay, pp)) return 0.0f;
    d = std::sqrt(pp);
  }
  return std::isfinite(d) ? d : 0.0f;
}

bool ComputeAffineMaps(const Project& p, TRandomGenerator& rng, std::vector<AffineMap>& maps) {
  const int32_t shapes = p.Mode == ShapeMode::Affine ? UsableShapeCount(p) : 0;
  const int32_t subCount = std::max(shapes - 1, 0);
  maps.resize(size_t(subCount));
  if (subCount == 0) return true;

  const Vertex* mc = p.AffineShapes[0].Corners;
  // A Main-Shape starting on the y axis would leave only the jitter (1e-6 ..
  // 1e-3) as the divisor of A and D, which turns float rounding noise into
  // coefficients far off the mark and makes every orbit escape. In that case
  // (and only then) A and D are solved from the corner farthest from the axis.
  const bool x0OnAxis = mc[0].X == 0;
  const float x0 = Jitter(rng, float(mc[0].X)), y0 = Jitter(rng, float(mc[0].Y));
  const float x1 = Jitter(rng, float(mc[1].X)), y1 = Jitter(rng, float(mc[1].Y));
  const float x2 = Jitter(rng, float(mc[2].X)), y2 = Jitter(rng, float(mc[2].Y));
  const float mx[3] = {x0, x1, x2}, my[3] = {y0, y1, y2};
  int pivot = 0;
  if (x0OnAxis) {
    for (int c = 1; c < 3; ++c)
      if (std::fabs(mx[c]) > std::fabs(mx[pivot])) pivot = c;
  }

  for (int32_t k = 0; k < subCount; ++k) {
    const Vertex* sc = p.AffineShapes[size_t(k) + 1].Corners;
    const float X0 = Jitter(rng, float(sc[0].X)), Y0 = Jitter(rng, float(sc[0].Y));
    const float X1 = Jitter(rng, float(sc[1].X)), Y1 = Jitter(rng, float(sc[1].Y));
    const float X2 = Jitter(rng, float(sc[2].X)), Y2 = Jitter(rng, float(sc[2].Y));

    const float d1 = x1 - x0;
    const float d2 = x2 - x1;
    const float H = y1 * x2 - x1 * y2;
    const float K = x1 * y0 - x0 * y1;
    float L = d1 * H - d2 * K;
    float O = d2 * K - d1 * H;
    if (std::fabs(L) < 0.000001f) L = Jitter(rng, 0.0f);
    if (std::fabs(O) < 0.000001f) O = Jitter(rng, 0.0f);

    const float M = x2 * X1 - x1 * X2;
    const float N = x1 * X0 - x0 * X1;
    const float B = (d2 * N - d1 * M) / O;
    const float C = (H * N - K * M) / L;
    const float SX[3] = {X0, X1, X2};
    const float A = (SX[pivot] - my[pivot] * B - C) / mx[pivot];

    const float Q = x1 * Y0 - x0 * Y1;
    const float R = x2 * Y1 - x1 * Y2;
    const float E = (d2 * Q - d1 * R) / O;
    const float F = (H * Q - K * R) / L;
    const float SY[3] = {Y0, Y1, Y2};
    const float D = (SY[pivot] - my[pivot] * E - F) / mx[pivot];

    // Every intermediate that could overflow or turn invalid, so that an
    // infinity hidden by a later division is noticed too.
    const float checks[] = {H, K, L, O, M, N, Q, R, A, B, C, D, E, F};
    for (float v : checks)
      if (!std::isfinite(v)) return false;
    maps[size_t(k)] = AffineMap{A, B, C, D, E, F};
  }
  return true;
}

void ComputeMapWeights(const Project& p, std::vector<float>& weights) {
  const int32_t shapes = UsableShapeCount(p);
  const int32_t subCount = std::max(shapes - 1, 0);
  weights.resize(size_t(subCount));
  float total = 0.0f;
  for (int32_t k = 0; k < subCount; ++k) {
    float area;
    if (p.Mode == ShapeMode::Affine) {
      const Vertex* c = p.AffineShapes[size_t(k) + 1].Corners;
      area = TriangleArea(c[0].X, c[0].Y, c[1].X, c[1].Y, c[2].X, c[2].Y);
    } else {
      const Vertex* c = p.ProjectiveShapes[size_t(k) + 1].Corners;
      area = QuadArea(c[0].X, c[0].Y, c[1].X, c[1].Y, c[2].X, c[2].Y, c[3].X, c[3].Y);
    }
    weights[size_t(k)] = std::sqrt(area);
    total = total + weights[size_t(k)];
  }
  if (total < 1.0f) total = 1.0f;
  for (float& w : weights) w = w / total;
}

}  // namespace plumavo
