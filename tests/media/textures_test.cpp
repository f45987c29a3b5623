// The texture files delivered with the program: every canvas texture style
// must find a readable picture that tiles without a visible seam.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "media/image_file.h"

namespace plumavo {
namespace {

const char* const kTextureNames[] = {"Cement 1", "Cement 2",  "Ground 1",  "Ground 2", "Leaves 1", "Leaves 2",
                                     "Mud 1",    "Mud 2",     "Rock 1",    "Rock 2",   "Rock 3",   "Sand 1",
                                     "Sand 2",   "Seaweed 1", "Seaweed 2", "Stone 1",  "Stone 2",  "Water",
                                     "Wood 1",   "Wood 2",    "Wood 3"};

int Difference(TColor32 a, TColor32 b) {
  return std::abs(RedComponent(a) - RedComponent(b)) + std::abs(GreenComponent(a) - GreenComponent(b)) +
         std::abs(BlueComponent(a) - BlueComponent(b));
}

// Mean difference between column x and column x + 1 (wrapping).
double ColumnStep(const TBitmap32& b, int32_t x) {
  double sum = 0;
  for (int32_t y = 0; y < b.Height(); ++y) sum += Difference(b.Pixel(x, y), b.Pixel((x + 1) % b.Width(), y));
  return sum / b.Height();
}

double RowStep(const TBitmap32& b, int32_t y) {
  double sum = 0;
  for (int32_t x = 0; x < b.Width(); ++x) sum += Difference(b.Pixel(x, y), b.Pixel(x, (y + 1) % b.Height()));
  return sum / b.Width();
}

// Means of 4 x 4 blocks: removes the pixel grain, which would otherwise hide
// a seam among the many small steps inside the picture.
TBitmap32 Reduced(const TBitmap32& b) {
  TBitmap32 out(b.Width() / 4, b.Height() / 4);
  for (int32_t y = 0; y < out.Height(); ++y)
    for (int32_t x = 0; x < out.Width(); ++x) {
      int r = 0, g = 0, bl = 0;
      for (int32_t j = 0; j < 4; ++j)
        for (int32_t i = 0; i < 4; ++i) {
          const TColor32 p = b.Pixel(x * 4 + i, y * 4 + j);
          r += RedComponent(p);
          g += GreenComponent(p);
          bl += BlueComponent(p);
        }
      out.Pixel(x, y) = Color32(uint8_t(r / 16), uint8_t(g / 16), uint8_t(bl / 16));
    }
  return out;
}

class TextureFileTest : public ::testing::TestWithParam<const char*> {};

TEST_P(TextureFileTest, LoadsAndTilesWithoutSeams) {
  const std::string path = std::string(PLUMAVO_SOURCE_DIR) + "/resources/Textures/" + GetParam() + ".jpg";
  TBitmap32 file;
  ASSERT_TRUE(LoadImageFile(file, path, 0)) << path;
  EXPECT_GE(file.Width(), 256);
  EXPECT_GE(file.Height(), 256);
  const TBitmap32 tex = Reduced(file);

  // Where the tile meets its own copy, the step between neighbouring blocks
  // must be no larger than the largest step inside the picture (a picture
  // that does not wrap shows a step there well above it).
  double innerColumns = 0, innerRows = 0;
  for (int32_t x = 0; x + 1 < tex.Width(); ++x) innerColumns = std::max(innerColumns, ColumnStep(tex, x));
  for (int32_t y = 0; y + 1 < tex.Height(); ++y) innerRows = std::max(innerRows, RowStep(tex, y));
  EXPECT_LE(ColumnStep(tex, tex.Width() - 1), innerColumns * 1.05);
  EXPECT_LE(RowStep(tex, tex.Height() - 1), innerRows * 1.05);
}

INSTANTIATE_TEST_SUITE_P(Textures, TextureFileTest, ::testing::ValuesIn(kTextureNames), [](const auto& info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), ' ', '_');
  return name;
});

}  // namespace
}  // namespace plumavo
