// Sanity of the counts the editor indexes by. Every path that builds a project
// keeps them in step; a project that breaks them is left alone rather than
// read out of bounds.
#pragma once

#include "model/project.h"

namespace plumavo {

// VertexCount within the vertex array, the shape count of the mode equal to
// the number of (possibly unfinished) shapes those vertices make, and the
// shape array holding that many records.
inline bool ShapesConsistent(const Project& p) {
  const int32_t n = p.N();
  if (p.VertexCount < 0 || size_t(p.VertexCount) > p.Vertices.size()) return false;
  const int32_t count = p.ShapeCount();
  if (count != p.VertexCount / n + (p.VertexCount % n != 0 ? 1 : 0)) return false;
  const size_t records = p.Mode == ShapeMode::Affine ? p.AffineShapes.size() : p.ProjectiveShapes.size();
  return size_t(count) <= records;
}

}  // namespace plumavo
