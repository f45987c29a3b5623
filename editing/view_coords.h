// Conversions between view pixels (what the mouse reports, magnified by the
// zoom) and project pixels (what the vertices store). Both round to the
// nearest integer with halves going to the even neighbour, and saturate at
// the int32 range so a wild vertex read from a file cannot overflow.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace plumavo {

namespace view_detail {
inline int32_t RoundToInt32(double v) {
  if (!(v == v)) return 0;  // NaN: only reachable through a broken scale
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  if (v <= lo) return std::numeric_limits<int32_t>::min();
  if (v >= hi) return std::numeric_limits<int32_t>::max();
  return int32_t(std::nearbyint(v));  // default rounding mode: halves to even
}
}  // namespace view_detail

// The zoom levels the view offers; anything else is refused by the editor.
inline bool IsValidViewScale(double s) { return s == 0.25 || s == 0.5 || s == 1.0 || s == 2.0 || s == 4.0; }

inline int32_t ProjectToView(int64_t v, double scale) { return view_detail::RoundToInt32(double(v) * scale); }
inline int32_t ViewToProject(int64_t v, double scale) { return view_detail::RoundToInt32(double(v) / scale); }

// a + b clamped to the int32 range; vertices are moved without clamping to the
// canvas, but must never wrap around.
inline int32_t AddSaturated(int32_t a, int32_t b) {
  const int64_t s = int64_t(a) + int64_t(b);
  if (s > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (s < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(s);
}

}  // namespace plumavo
