// The maps of the iterated function system: one per Sub-Shape, carrying the
// Main-Shape onto it, with a selection weight that grows with the square root
// of the Sub-Shape's area. Also the small integer-geometry helpers the shape
// editor shares. All map arithmetic is single precision.
#pragma once

#include <cstdint>
#include <vector>

#include "model/project.h"
#include "render/ifs/random.h"

namespace plumavo {

// Six coefficients of x' = A x + B y + C, y' = D x + E y + F.
struct AffineMap {
  float A = 0, B = 0, C = 0, D = 0, E = 0, F = 0;
};

// Shapes of the current mode that both the count and the stored records
// cover, so that a count out of step with its array never reads past it.
int32_t UsableShapeCount(const Project& p);

// n plus a random amount in 0.000001 .. 0.001 (one draw).
float Jitter(TRandomGenerator& rng, float n);

// Area of a triangle with integer corners (shoelace form, each edge term halved
// and summed in single precision). 1.0 if the arithmetic goes out of range.
float TriangleArea(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Triangles (0, 1, 2) and (0, 2, 3).
float QuadArea(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);

// Distance from P to the edge AB for the editor's hit test; -1 when P lies
// outside the edge's bounding box widened by 3 pixels.
float EdgeDistance(int32_t px, int32_t py, int32_t ax, int32_t ay, int32_t bx, int32_t by);

// Fills maps (resized to p's Sub-Shape count) from the Affine shapes,
// jittering every coordinate with one draw each: the Main-Shape's six first,
// then each Sub-Shape's six, plus replacement draws for tiny determinants.
// Returns false when a record came out non-finite; that record and the ones
// after it keep their previous values and take no further draws.
[[nodiscard]] bool ComputeAffineMaps(const Project& p, TRandomGenerator& rng, std::vector<AffineMap>& maps);

// Fills weights (resized to the Sub-Shape count) for the current mode:
// sqrt(area) over the total, the total taken as at least 1.
void ComputeMapWeights(const Project& p, std::vector<float>& weights);

}  // namespace plumavo
