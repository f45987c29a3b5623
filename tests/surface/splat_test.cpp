// The wide splat against the pixel-by-pixel one, where they can differ: at
// every edge of the block and of a stripe window, at every fraction, with
// see-through colours over see-through pixels.
#include "surface/splat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace plumavo {
namespace {

struct WindowRow {
  const char* Name;
  int32_t width, height, lo, hi;
};

class SplatFixedTest : public ::testing::TestWithParam<WindowRow> {};

TEST_P(SplatFixedTest, WidePathEqualsThePixelByPixelSplat) {
  const WindowRow& row = GetParam();
  uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed;
  };
  std::vector<TColor32> wide(size_t(row.width) * size_t(row.height)), plain;
  for (TColor32& c : wide) c = next();
  plain = wide;
  SplatTarget wt(wide.data(), row.width, row.height), pt(plain.data(), row.width, row.height);
  wt.lo = pt.lo = row.lo;
  wt.hi = pt.hi = row.hi;
  const uint8_t* G = SplatGammaTable();
  // Every position from a pixel outside one corner to one outside the other,
  // in steps that visit all 256 fractions along the way.
  for (int32_t Y = -300; Y < row.height * 256 + 44; Y += 37)
    for (int32_t X = -300; X < row.width * 256 + 44; X += 41) {
      const TColor32 c = next();
      SplatFixed(wt, X, Y, c, G);
      SplatFixedScalar(pt, X, Y, c, G);
      ASSERT_EQ(wide, plain) << "at fixed point " << X << "," << Y;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, SplatFixedTest,
    ::testing::Values(WindowRow{"WholeBlock", 7, 5, 0, 5}, WindowRow{"StripeInTheMiddle", 6, 9, 3, 6},
                      WindowRow{"OneRowStripe", 5, 6, 2, 3}, WindowRow{"OnePixelWide", 1, 4, 0, 4},
                      WindowRow{"TwoByTwo", 2, 2, 0, 2}),
    [](const ::testing::TestParamInfo<WindowRow>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace plumavo
