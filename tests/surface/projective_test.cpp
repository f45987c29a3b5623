#include "surface/projective.h"

#include <gtest/gtest.h>

namespace plumavo {
namespace {

TEST(Projective, QuadEqualToSourceRectIsIdentity) {
  TProjectiveTransformation t;
  t.SrcRect = {0, 0, 480, 360};
  t.SetCorners(0, 0, 480, 0, 480, 360, 0, 360);
  t.PrepareTransform();
  for (float x : {0.0f, 13.5f, 240.0f, 479.0f})
    for (float y : {0.0f, 7.25f, 359.0f}) {
      float ox = -1, oy = -1;
      ASSERT_TRUE(t.Transform(x, y, ox, oy));
      EXPECT_NEAR(ox, x, 1e-3f);
      EXPECT_NEAR(oy, y, 1e-3f);
    }
}

TEST(Projective, CornersMapOntoTheQuadAndBack) {
  TProjectiveTransformation t;
  t.SrcRect = {0, 0, 100, 50};
  t.SetCorners(10, 20, 90, 5, 120, 80, 0, 60);  // not a parallelogram
  t.PrepareTransform();
  const float src[4][2] = {{0, 0}, {100, 0}, {100, 50}, {0, 50}};
  const float dst[4][2] = {{10, 20}, {90, 5}, {120, 80}, {0, 60}};
  TProjectiveTransformation inv = t;
  inv.Invert();
  for (int i = 0; i < 4; ++i) {
    float ox, oy;
    ASSERT_TRUE(t.Transform(src[i][0], src[i][1], ox, oy));
    EXPECT_NEAR(ox, dst[i][0], 1e-3f) << i;
    EXPECT_NEAR(oy, dst[i][1], 1e-3f) << i;
    ASSERT_TRUE(inv.Transform(dst[i][0], dst[i][1], ox, oy));
    EXPECT_NEAR(ox, src[i][0], 1e-2f) << i;
    EXPECT_NEAR(oy, src[i][1], 1e-2f) << i;
  }
}

TEST(Projective, ParallelogramIsAffine) {
  TProjectiveTransformation t;
  t.SrcRect = {0, 0, 10, 10};
  t.SetCorners(0, 0, 20, 0, 30, 10, 10, 10);
  t.PrepareTransform();
  EXPECT_EQ(t.Matrix.m[0][2], 0.0f);
  EXPECT_EQ(t.Matrix.m[1][2], 0.0f);
  float ox, oy;
  ASSERT_TRUE(t.Transform(5, 5, ox, oy));
  EXPECT_FLOAT_EQ(ox, 15.0f);
  EXPECT_FLOAT_EQ(oy, 5.0f);
}

TEST(Projective, NearlySingularInvertsToIdentityAndZeroDivisorLeavesOutputs) {
  TProjectiveTransformation t;
  t.SrcRect = {0, 0, 10, 10};
  t.SetCorners(0, 0, 0, 0, 0, 0, 0, 0);  // everything collapses to one point
  t.PrepareTransform();
  t.Invert();
  float ox = 3, oy = 4;
  ASSERT_TRUE(t.Transform(7, 8, ox, oy));
  EXPECT_EQ(ox, 7.0f);
  EXPECT_EQ(oy, 8.0f);

  TFloatMatrix zero;
  zero.m[2][2] = 0;
  ox = 3;
  oy = 4;
  EXPECT_FALSE(TProjectiveTransformation::TransformPoint(zero, 0, 0, ox, oy));
  EXPECT_EQ(ox, 3.0f);
  EXPECT_EQ(oy, 4.0f);
}

}  // namespace
}  // namespace plumavo
