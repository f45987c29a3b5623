// Maps a source rectangle onto a quadrilateral (and back), all in single
// precision so that every render computes the same points.
#pragma once

#include <cmath>
#include <cstdint>

#include "surface/bitmap32.h"

namespace plumavo {

// 3 x 3 matrix stored as three column vectors: m[c][r]. A point (x, y) maps to
// (m[0][0] x + m[1][0] y + m[2][0], m[0][1] x + m[1][1] y + m[2][1]) divided by
// w = m[0][2] x + m[1][2] y + m[2][2].
struct TFloatMatrix {
  float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

TFloatMatrix MultMatrix(const TFloatMatrix& a, const TFloatMatrix& b);  // a * b
float Determinant(const TFloatMatrix& m);
// Adjugate divided by the determinant; a determinant whose magnitude is below
// 0.00001 gives the identity.
TFloatMatrix InvertMatrix(const TFloatMatrix& m);

// How a point went through a matrix: Ok; NoDivisor when w = 0 (outputs left
// unwritten); Invalid when w or a numerator is not finite, an overflow or
// invalid operation that a later division could hide (outputs written).
enum class MappedPoint : uint8_t { Ok, NoDivisor, Invalid };

// The forward transform; the one implementation behind Transform and the
// renderer's projective maps.
inline MappedPoint MapPoint(const TFloatMatrix& t, float x, float y, float& ox, float& oy) {
  const auto& m = t.m;
  const float w = m[0][2] * x + m[1][2] * y + m[2][2];
  if (w == 0) return MappedPoint::NoDivisor;
  const float px = m[0][0] * x + m[1][0] * y + m[2][0];
  const float py = m[0][1] * x + m[1][1] * y + m[2][1];
  if (w != 1) {
    ox = px / w;
    oy = py / w;
  } else {
    ox = px;
    oy = py;
  }
  return std::isfinite(w) && std::isfinite(px) && std::isfinite(py) ? MappedPoint::Ok : MappedPoint::Invalid;
}

class TProjectiveTransformation {
 public:
  TRect SrcRect{0, 0, 1, 1};
  // Destination corners: 0 top-left, 1 top-right, 2 bottom-right, 3 bottom-left
  // of the source rectangle.
  float X0 = 0, Y0 = 0, X1 = 0, Y1 = 0, X2 = 0, Y2 = 0, X3 = 0, Y3 = 0;

  void SetCorners(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
    X0 = x0;
    Y0 = y0;
    X1 = x1;
    Y1 = y1;
    X2 = x2;
    Y2 = y2;
    X3 = x3;
    Y3 = y3;
  }
  // Builds the matrix from SrcRect and the corners.
  void PrepareTransform();
  // Replaces the matrix by its inverse (identity when nearly singular).
  void Invert() { Matrix = InvertMatrix(Matrix); }
  // Forward transform. Returns false, leaving the outputs unwritten, when the
  // homogeneous divisor is 0.
  bool Transform(float x, float y, float& ox, float& oy) const { return TransformPoint(Matrix, x, y, ox, oy); }

  static bool TransformPoint(const TFloatMatrix& m, float x, float y, float& ox, float& oy) {
    return MapPoint(m, x, y, ox, oy) != MappedPoint::NoDivisor;
  }

  TFloatMatrix Matrix;
};

}  // namespace plumavo
