#include "surface/projective.h"

#include <cmath>

namespace plumavo {

TFloatMatrix MultMatrix(const TFloatMatrix& a, const TFloatMatrix& b) {
  TFloatMatrix r;
  for (int c = 0; c < 3; ++c) {
    for (int row = 0; row < 3; ++row) {
      r.m[c][row] = a.m[0][row] * b.m[c][0] + a.m[1][row] * b.m[c][1] + a.m[2][row] * b.m[c][2];
    }
  }
  return r;
}

float Determinant(const TFloatMatrix& t) {
  const auto& m = t.m;
  return m[0][0] * (m[1][1] * m[2][2] - m[2][1] * m[1][2]) - m[1][0] * (m[0][1] * m[2][2] - m[2][1] * m[0][2]) +
         m[2][0] * (m[0][1] * m[1][2] - m[1][1] * m[0][2]);
}

TFloatMatrix InvertMatrix(const TFloatMatrix& t) {
  const float det = Determinant(t);
  TFloatMatrix r;  // identity
  if (!(std::fabs(det) >= 0.00001f)) return r;
  const auto& m = t.m;
  // Adjugate: the transposed cofactors.
  const float adj[3][3] = {
      {m[1][1] * m[2][2] - m[1][2] * m[2][1], -(m[0][1] * m[2][2] - m[0][2] * m[2][1]),
       m[0][1] * m[1][2] - m[0][2] * m[1][1]},
      {-(m[1][0] * m[2][2] - m[1][2] * m[2][0]), m[0][0] * m[2][2] - m[0][2] * m[2][0],
       -(m[0][0] * m[1][2] - m[0][2] * m[1][0])},
      {m[1][0] * m[2][1] - m[1][1] * m[2][0], -(m[0][0] * m[2][1] - m[0][1] * m[2][0]),
       m[0][0] * m[1][1] - m[0][1] * m[1][0]},
  };
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = adj[i][j] / det;
  return r;
}

void TProjectiveTransformation::PrepareTransform() {
  const float dx1 = X1 - X2, dx2 = X3 - X2, dy1 = Y1 - Y2, dy2 = Y3 - Y2;
  const float sx = X0 - X1 + X2 - X3, sy = Y0 - Y1 + Y2 - Y3;
  TFloatMatrix q;
  auto& m = q.m;
  if (sx == 0 && sy == 0) {
    m[0][0] = X1 - X0;
    m[0][1] = Y1 - Y0;
    m[0][2] = 0;
    m[1][0] = X2 - X1;
    m[1][1] = Y2 - Y1;
    m[1][2] = 0;
    m[2][0] = X0;
    m[2][1] = Y0;
    m[2][2] = 1;
  } else {
    const float z = dx1 * dy2 - dx2 * dy1;
    if (z == 0) {
      for (auto& col : m)
        for (float& v : col) v = 0;
    } else {
      const float g = (sx * dy2 - sy * dx2) / z;
      const float h = (dx1 * sy - dy1 * sx) / z;
      m[0][0] = X1 - X0 + g * X1;
      m[0][1] = Y1 - Y0 + g * Y1;
      m[0][2] = g;
      m[1][0] = X3 - X0 + h * X3;
      m[1][1] = Y3 - Y0 + h * Y3;
      m[1][2] = h;
      m[2][0] = X0;
      m[2][1] = Y0;
      m[2][2] = 1;
    }
  }
  // Source rectangle onto the unit square: scale after translating.
  TFloatMatrix scale, translate;
  // An empty source rectangle would divide by zero; it maps like a unit one.
  const int32_t sw = SrcRect.Right - SrcRect.Left, sh = SrcRect.Bottom - SrcRect.Top;
  scale.m[0][0] = 1.0f / float(sw != 0 ? sw : 1);
  scale.m[1][1] = 1.0f / float(sh != 0 ? sh : 1);
  translate.m[2][0] = -float(SrcRect.Left);
  translate.m[2][1] = -float(SrcRect.Top);
  Matrix = MultMatrix(MultMatrix(q, scale), translate);
}

}  // namespace plumavo
