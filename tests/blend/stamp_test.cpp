#include "render/blend/stamp.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "render/blend/blend_modes.h"
#include "tests/blend/blend_case_names.h"

namespace plumavo {
namespace {

// Random pixels leaning on the values where the formulas branch, with plenty of
// fully transparent and fully opaque source pixels.
TColor32 EdgyPixel(std::mt19937& rng) {
  static const uint32_t kEdges[] = {0, 1, 2, 126, 127, 128, 129, 253, 254, 255};
  TColor32 c = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t v = rng() % 3 == 0 ? kEdges[rng() % 10] : rng() % 256;
    c |= v << shift;
  }
  return c;
}

void Fill(TBitmap32& bmp, std::mt19937& rng) {
  for (int32_t y = 0; y < bmp.Height(); ++y)
    for (int32_t x = 0; x < bmp.Width(); ++x) bmp.Pixel(x, y) = EdgyPixel(rng);
}

// Both compiled kernel sets: the baseline ones are the reference, and on a
// processor with AVX2 "Best" runs the wide ones.
const blend::KernelSet kKernelSets[] = {blend::KernelSet::Baseline, blend::KernelSet::Best};
const char* KernelSetName(blend::KernelSet set) { return set == blend::KernelSet::Baseline ? "baseline" : "best"; }

struct Placement {
  int32_t x, y;
  TRect srcRect;
};

// Source 7 x 5 onto a 12 x 9 destination: inside, past every edge, sub-rectangles
// (one animation frame), a rectangle reaching outside the source, and misses.
const Placement kPlacements[] = {
    {2, 2, {0, 0, 7, 5}},   {-3, 1, {0, 0, 7, 5}},  {8, 6, {0, 0, 7, 5}},      {1, -4, {0, 0, 7, 5}},
    {-6, -4, {0, 0, 7, 5}}, {11, 8, {0, 0, 7, 5}},  {3, 2, {2, 1, 5, 4}},      {-1, 7, {2, 1, 5, 4}},
    {4, 3, {-2, -1, 9, 8}}, {-2, 0, {5, 0, 99, 5}}, {12, 0, {0, 0, 7, 5}},     {0, -5, {0, 0, 7, 5}},
    {0, 0, {7, 0, 9, 5}},   {0, 0, {3, 3, 3, 4}},   {-40000, 0, {0, 0, 7, 5}}, {5, 5, {6, 4, 2, 1}},
};

// Straight from the definition: every source pixel of srcRect that exists lands
// at (x, y) + (its offset in srcRect), if that lies in the destination.
void ReferenceCustom(TBitmap32& dst, const Placement& p, const TBitmap32& src, uint8_t master,
                     TPixelCombineEvent combine) {
  if (!combine) return;
  for (int32_t sy = p.srcRect.Top; sy < p.srcRect.Bottom; ++sy)
    for (int32_t sx = p.srcRect.Left; sx < p.srcRect.Right; ++sx) {
      if (sx < 0 || sy < 0 || sx >= src.Width() || sy >= src.Height()) continue;
      const int32_t dx = p.x + sx - p.srcRect.Left, dy = p.y + sy - p.srcRect.Top;
      if (dx < 0 || dy < 0 || dx >= dst.Width() || dy >= dst.Height()) continue;
      combine(src.Pixel(sx, sy), dst.Pixel(dx, dy), master);
    }
}

struct KernelCase {
  TDrawMode mode;
  int blendIndex;
};

void PrintTo(const KernelCase& k, std::ostream* os) { *os << "draw mode " << int(k.mode) << " blend " << k.blendIndex; }

std::string KernelName(const testing::TestParamInfo<KernelCase>& info) {
  const KernelCase& k = info.param;
  if (k.mode == dmOpaque) return "Opaque";
  if (k.mode == dmBlend) return "Blend";
  return k.blendIndex < 0 ? "CustomNone" : "Custom" + std::to_string(k.blendIndex);
}

std::vector<KernelCase> AllKernels() {
  std::vector<KernelCase> v{{dmOpaque, 0}, {dmBlend, 5}, {dmCustom, -1}, {dmCustom, 28}};
  for (int i = 0; i < kBlendFunctionCount; ++i) v.push_back({dmCustom, i});
  return v;
}

class StampKernel : public testing::TestWithParam<KernelCase> {};

TEST_P(StampKernel, SamePixelsAsDrawAndAsCombiningPixelByPixel) {
  const KernelCase k = GetParam();
  const TStampProc stamp = StampProcFor(k.mode, k.blendIndex);
  ASSERT_NE(stamp, nullptr);
  std::mt19937 rng(uint32_t(k.mode * 100 + k.blendIndex + 7));
  TBitmap32 src(7, 5), base(12, 9);
  src.DrawMode = k.mode;
  src.OnPixelCombine = BlendModeFunction(k.blendIndex);
  for (int round = 0; round < 12; ++round) {
    Fill(src, rng);
    Fill(base, rng);
    // A few destination pixels equal to the source one that lands there, for
    // modes that treat F == B specially.
    base.Pixel(2, 2) = src.Pixel(0, 0);
    base.Pixel(5, 4) = src.Pixel(3, 2);
    for (uint8_t master : {uint8_t(255), uint8_t(254), uint8_t(0), uint8_t(1), uint8_t(rng() % 256)}) {
      src.MasterAlpha = master;
      for (const Placement& p : kPlacements) {
        TBitmap32 viaDraw(base), viaKernel(base);
        viaDraw.Draw(p.x, p.y, p.srcRect, src);
        stamp(viaKernel, p.x, p.y, src, p.srcRect, master);
        const std::string where = "master " + std::to_string(master) + " at " + std::to_string(p.x) + "," +
                                  std::to_string(p.y) + " rect " + std::to_string(p.srcRect.Left) + "," +
                                  std::to_string(p.srcRect.Top) + "," + std::to_string(p.srcRect.Right) + "," +
                                  std::to_string(p.srcRect.Bottom);
        for (int32_t y = 0; y < base.Height(); ++y)
          for (int32_t x = 0; x < base.Width(); ++x)
            ASSERT_EQ(viaKernel.Pixel(x, y), viaDraw.Pixel(x, y)) << where << " pixel " << x << "," << y;
        if (k.mode == dmCustom) {
          TBitmap32 direct(base);
          ReferenceCustom(direct, p, src, master, src.OnPixelCombine);
          for (int32_t y = 0; y < base.Height(); ++y)
            for (int32_t x = 0; x < base.Width(); ++x)
              ASSERT_EQ(viaKernel.Pixel(x, y), direct.Pixel(x, y)) << where << " pixel " << x << "," << y;
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(AllModes, StampKernel, testing::ValuesIn(AllKernels()), KernelName);

// A prepared brush: the same pixels as Draw for every mode, master alpha,
// placement and band of rows (an animation frame), with rows whose transparent
// ends the prepared spans skip.
class PreparedBrushTest : public testing::TestWithParam<int> {};

TEST_P(PreparedBrushTest, SamePixelsAsDraw) {
  const int index = GetParam();
  std::mt19937 rng(uint32_t(index + 1000));
  TBitmap32 src(9, 10), base(12, 9);
  src.DrawMode = dmCustom;
  src.OnPixelCombine = BlendModeFunction(index);
  struct Band {
    int32_t top, rows;
  };
  const Band kBands[] = {{0, 10}, {0, 5}, {5, 5}, {-2, 6}, {8, 5}, {3, 0}};
  for (int round = 0; round < 8; ++round) {
    Fill(src, rng);
    Fill(base, rng);
    for (int32_t y = 0; y < src.Height(); ++y)
      for (int32_t x = 0; x < src.Width(); ++x)
        if (x < y % 4 || x > 8 - y % 3 || y == 6) src.Pixel(x, y) &= 0x00FFFFFFu;
    for (uint8_t master : {uint8_t(255), uint8_t(180), uint8_t(1), uint8_t(0), uint8_t(rng() % 256)})
      for (const blend::KernelSet set : kKernelSets) {
        src.MasterAlpha = master;
        TStampBrush brush;
        brush.Prepare(src, index, master, set);
        for (const Placement& p : kPlacements)
          for (const Band& band : kBands) {
            TBitmap32 viaDraw(base), viaBrush(base);
            const TRect rect{0, band.top, src.Width(), band.top + band.rows};
            viaDraw.Draw(p.x, p.y, rect, src);
            brush.Stamp(viaBrush, p.x, p.y, band.top, band.rows);
            for (int32_t y = 0; y < base.Height(); ++y)
              for (int32_t x = 0; x < base.Width(); ++x)
                ASSERT_EQ(viaBrush.Pixel(x, y), viaDraw.Pixel(x, y))
                    << KernelSetName(set) << " kernels, master " << int(master) << " at " << p.x << "," << p.y
                    << " rows " << band.top << "+" << band.rows << " pixel " << x << "," << y;
          }
      }
  }
}

TEST_P(PreparedBrushTest, SamePixelsAsDrawOverManyColours) {
  // Far more colour pairs than above, for the four-pixels-at-once forms (the
  // HSL ones above all: ties between channels, greys, hues near the wrap).
  const int index = GetParam();
  std::mt19937 rng(uint32_t(index + 2000));
  TBitmap32 src(256, 256), base(256, 256);
  Fill(src, rng);
  Fill(base, rng);
  for (int32_t y = 0; y < 256; ++y) base.Pixel(y, y) = src.Pixel(y, y);
  // Every third row grey (Hue leaves grey as it is and skips whole groups of
  // it), with a coloured pixel now and then inside a grey run.
  for (int32_t y = 0; y < 256; y += 3)
    for (int32_t x = 0; x < 256; ++x) {
      const uint32_t v = (x / 16 * 37 + y) % 256;
      base.Pixel(x, y) = (rng() & 0xFF000000u) | v * 0x010101u;
      if (x % 23 == 22) base.Pixel(x, y) ^= 0x400000u;  // red off, blue = green
    }
  // Hues on the boundaries: colours whose hue, after rounding, puts two
  // channels on a slope (Hue takes another path for those), primaries,
  // secondaries and greys, scattered through the brush.
  const TColor32 kEdges[] = {0x000101, 0x018888, 0x031010, 0x049797, 0x061F1F, 0x07A6A6, 0xFF0000,
                             0xFFFF00, 0x00FF00, 0x00FFFF, 0x0000FF, 0xFF00FF, 0x808080, 0x000000};
  for (int32_t i = 0; i < 600; ++i)
    src.Pixel(int32_t(rng() % 256), int32_t(rng() % 256)) = (rng() & 0xFF000000u) | kEdges[rng() % std::size(kEdges)];
  src.DrawMode = dmCustom;
  src.OnPixelCombine = BlendModeFunction(index);
  src.MasterAlpha = 230;
  TBitmap32 viaDraw(base);
  viaDraw.Draw(0, 0, src);
  for (const blend::KernelSet set : kKernelSets) {
    TStampBrush brush;
    brush.Prepare(src, index, src.MasterAlpha, set);
    TBitmap32 viaBrush(base);
    brush.Stamp(viaBrush, 0, 0, 0, src.Height());
    int differ = 0;
    for (int32_t y = 0; y < 256; ++y)
      for (int32_t x = 0; x < 256; ++x) differ += viaBrush.Pixel(x, y) != viaDraw.Pixel(x, y);
    EXPECT_EQ(differ, 0) << KernelSetName(set) << " kernels";
  }
}

TEST_P(PreparedBrushTest, MostlyOpaqueBrushesSamePixelsAsDraw) {
  // Brushes that are opaque but for their corners, in widths that are a
  // multiple of four: a stamp that is not clipped at the sides may then run
  // along whole rows, transparent corners included, and those must come out
  // untouched. Stamps clipped at a side, at the top or bottom, and bands of
  // rows (one animation frame) are checked beside it. The widths from 12 to
  // 32 each have a row written out of their own; 4, 8 and 36 take the
  // general loop. Brushes taller than the rows asked for ahead come in too.
  const int index = GetParam();
  std::mt19937 rng(uint32_t(index + 4000));
  struct Shape {
    int32_t w, h;
  };
  const Shape kShapes[] = {{4, 4},   {8, 8},   {12, 24}, {16, 16}, {20, 20},
                           {24, 48}, {28, 28}, {32, 32}, {36, 36}};
  for (const Shape& shape : kShapes) {
    TBitmap32 src(shape.w, shape.h), base(shape.w + 12, shape.h + 6);
    Fill(src, rng);
    Fill(base, rng);
    for (int32_t y = 0; y < shape.h; ++y)
      for (int32_t x = 0; x < shape.w; ++x) {
        const bool corner =
            std::min(x, shape.w - 1 - x) + std::min(y % shape.w, shape.w - 1 - y % shape.w) < shape.w / 4;
        src.Pixel(x, y) = corner ? src.Pixel(x, y) & 0x00FFFFFFu : src.Pixel(x, y) | 0xFF000000u;
      }
    src.DrawMode = dmCustom;
    src.OnPixelCombine = BlendModeFunction(index);
    struct Stamp {
      int32_t x, y, top, rows;
    };
    const Stamp kStamps[] = {
        {6, 3, 0, shape.h},  {6, 0, 0, shape.w},           {1, 5, shape.h - shape.w, shape.w},
        {-2, 3, 0, shape.h}, {shape.w + 9, 1, 0, shape.h}, {6, -3, 0, shape.h},
        {6, 4, 0, shape.h},  {6, 2, shape.h / 2, 3},
    };
    for (uint8_t master : {uint8_t(255), uint8_t(180), uint8_t(0)})
      for (const blend::KernelSet set : kKernelSets) {
        src.MasterAlpha = master;
        TStampBrush brush;
        brush.Prepare(src, index, master, set);
        for (const Stamp& st : kStamps) {
          TBitmap32 viaDraw(base), viaBrush(base);
          viaDraw.Draw(st.x, st.y, TRect{0, st.top, shape.w, st.top + st.rows}, src);
          brush.Stamp(viaBrush, st.x, st.y, st.top, st.rows);
          for (int32_t y = 0; y < base.Height(); ++y)
            for (int32_t x = 0; x < base.Width(); ++x)
              ASSERT_EQ(viaBrush.Pixel(x, y), viaDraw.Pixel(x, y))
                  << KernelSetName(set) << " kernels, " << shape.w << " x " << shape.h << " brush, master "
                  << int(master) << " at " << st.x << "," << st.y << " rows " << st.top << "+" << st.rows << " pixel "
                  << x << "," << y;
        }
      }
  }
}

// The wide kernels are only checked where the processor runs them; say so
// rather than pass quietly, and make sure "best" really is them there.
TEST(PreparedBrush, WideKernelsAreInUseWhereTheProcessorHasThem) {
  if (!blend::WideKernelsAvailable())
    GTEST_SKIP() << "no AVX2 kernels on this build or processor: only the baseline kernels were checked";
  for (const int index : {1, 24, 25, 26})  // Multiply, Hue, Saturation, Lightness
    EXPECT_NE(blend::PreparedModeFor(index, blend::KernelSet::Best).stamp,
              blend::PreparedModeFor(index, blend::KernelSet::Baseline).stamp)
        << BlendModeNames()[size_t(index)];
}

INSTANTIATE_TEST_SUITE_P(AllModes, PreparedBrushTest, testing::Range(-1, kBlendFunctionCount + 1), BlendIndexName);

// The block kernels of blend-mode dots: the same pixels as Draw of that block
// for every size a dot's square or its clipped part can have (rows of four
// go two at a time in the wide kernels, an odd last row alone), with source
// and destination rows of other lengths than the block.
class BlockKernelTest : public testing::TestWithParam<int> {};

TEST_P(BlockKernelTest, SamePixelsAsDraw) {
  const int index = GetParam();
  std::mt19937 rng(uint32_t(index + 3000));
  struct Size {
    int32_t w, h;
  };
  const Size kSizes[] = {{4, 4}, {4, 3}, {4, 2}, {4, 1}, {4, 5}, {3, 4}, {2, 2}, {1, 1}, {5, 2}};
  TBitmap32 src(6, 7), base(9, 8);
  src.DrawMode = dmCustom;
  src.OnPixelCombine = BlendModeFunction(index);
  for (int round = 0; round < 12; ++round) {
    Fill(src, rng);
    Fill(base, rng);
    for (uint8_t master : {uint8_t(255), uint8_t(200), uint8_t(0), uint8_t(rng() % 256)})
      for (const blend::KernelSet set : kKernelSets) {
        const TStampBlockProc block = StampBlockProcFor(index, set);
        ASSERT_NE(block, nullptr);
        src.MasterAlpha = master;
        for (const Size& size : kSizes) {
          TBitmap32 viaDraw(base), viaBlock(base);
          viaDraw.Draw(2, 1, TRect{1, 2, 1 + size.w, 2 + size.h}, src);
          block(&viaBlock.Pixel(2, 1), viaBlock.Width(), &src.Pixel(1, 2), src.Width(), size.w, size.h, master);
          for (int32_t y = 0; y < base.Height(); ++y)
            for (int32_t x = 0; x < base.Width(); ++x)
              ASSERT_EQ(viaBlock.Pixel(x, y), viaDraw.Pixel(x, y))
                  << KernelSetName(set) << " kernels, " << size.w << " x " << size.h << " block, master " << int(master)
                  << ", pixel " << x << "," << y;
        }
      }
  }
}

INSTANTIATE_TEST_SUITE_P(AllModes, BlockKernelTest, testing::Range(1, kBlendFunctionCount), BlendIndexName);

TEST(StampKernel, NotifiesOnceWhenSomethingLandsAndNeverWhenClippedAway) {
  TBitmap32 dst(4, 4), src(2, 2);
  src.Clear(0xFF112233u);
  int changes = 0;
  dst.OnChange = [&] { ++changes; };
  const TStampProc stamp = StampProcFor(dmCustom, 1);
  stamp(dst, 3, 3, src, src.BoundsRect(), 255);
  EXPECT_EQ(changes, 1);
  stamp(dst, 4, 0, src, src.BoundsRect(), 255);
  stamp(dst, 0, 0, src, TRect{2, 0, 4, 2}, 255);
  EXPECT_EQ(changes, 1);
  TBitmap32 empty;
  stamp(empty, 0, 0, src, src.BoundsRect(), 255);
}

}  // namespace
}  // namespace plumavo
