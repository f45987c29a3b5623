// Maps a source rectangle onto a quadrilateral (and back), all in single
// precision so that every render computes the same points.
#pragma once

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

  static bool TransformPoint(const TFloatMatrix& m, float x, float y, float& ox, float& oy);

  TFloatMatrix Matrix;
};

}  // namespace plumavo
