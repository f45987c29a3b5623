#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "render/brushes/brush_blob.h"
#include "render/brushes/brush_library.h"

namespace plumavo {
namespace {

std::vector<uint8_t> ReadCommittedBlob() {
  std::ifstream in(std::string(PLUMAVO_SOURCE_DIR) + "/resources/brushes/brushes.bin", std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(BrushLibrary, BuiltInDataUnpacksCleanly) { EXPECT_EQ(BrushLibraryError(), ""); }

TEST(BrushLibrary, LinkedDataIsTheCommittedFile) {
  // Catches a build that kept an old copy of the brush data.
  const std::vector<uint8_t> blob = ReadCommittedBlob();
  BrushAssets assets;
  ASSERT_TRUE(DecodeBrushBlob(blob.data(), blob.size(), assets));
  for (int b : {3, 140, 229}) {
    const TBitmap32& img = BrushList()[b + 1];
    EXPECT_TRUE(std::equal(img.Bits(), img.Bits() + size_t(img.Width()) * size_t(img.Height()),
                           assets.images[size_t(b - kDotBrushCount)].pixels.begin()))
        << "brush " << b;
  }
}

TEST(BrushLibrary, ListHoldsScratchEntriesThenOneImagePerBrush) {
  const TBitmap32List& list = BrushList();
  ASSERT_EQ(list.Count(), 231);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(list[i].Width(), i + 1);
    EXPECT_EQ(list[i].Height(), i + 1);
  }
  // Brush 3 ("Green 1") is a 4 x 4 image in entry 4.
  EXPECT_EQ(list[4].Width(), 4);
  EXPECT_EQ(list[4].Height(), 4);
  for (int b = kDotBrushCount; b < kBrushCount; ++b) {
    EXPECT_EQ(list[b + 1].Width(), BrushWidth(b)) << "brush " << b;
    EXPECT_EQ(list[b + 1].Height(), BrushWidth(b) * BrushFrames(b)) << "brush " << b;
  }
}

TEST(BrushLibrary, EveryFrameHasATransparentBackgroundAndSolidInk) {
  const TBitmap32List& list = BrushList();
  for (int b = kDotBrushCount; b < kBrushCount; ++b) {
    const TBitmap32& img = list[b + 1];
    const int w = BrushWidth(b);
    bool anyFullyOpaque = false;
    for (int f = 0; f < BrushFrames(b); ++f) {
      int lo = 255, hi = 0;
      for (int y = f * w; y < (f + 1) * w; ++y)
        for (int x = 0; x < w; ++x) {
          const int a = AlphaComponent(img.Pixel(x, y));
          lo = std::min(lo, a), hi = std::max(hi, a);
        }
      EXPECT_EQ(lo, 0) << "brush " << b << " frame " << f << " has no transparent pixel";
      EXPECT_GE(hi, 200) << "brush " << b << " frame " << f << " is nearly empty";
      anyFullyOpaque = anyFullyOpaque || hi == 255;
    }
    EXPECT_TRUE(anyFullyOpaque) << "brush " << b;
  }
}

TEST(BrushLibrary, IconsAreSixteenSquareAndNotBlank) {
  for (int b = 0; b < kBrushCount; ++b) {
    const TBitmap32& icon = BrushIcon(b);
    ASSERT_EQ(icon.Width(), 16) << b;
    ASSERT_EQ(icon.Height(), 16) << b;
    int inked = 0;
    for (int i = 0; i < 256; ++i) inked += AlphaComponent(icon.Bits()[i]) > 128;
    EXPECT_GE(inked, 4) << "icon " << b;
  }
  EXPECT_TRUE(BrushIcon(-1).Empty());
  EXPECT_TRUE(BrushIcon(kBrushCount).Empty());
}

TEST(BrushBlob, EncodeRefusesImagesThatDisagreeWithTheTables) {
  BrushAssets assets;
  ASSERT_TRUE(DecodeBrushBlob(ReadCommittedBlob().data(), ReadCommittedBlob().size(), assets));
  std::vector<uint8_t> blob;
  ASSERT_TRUE(EncodeBrushBlob(assets, blob));
  BrushAssets again;
  ASSERT_TRUE(DecodeBrushBlob(blob.data(), blob.size(), again));
  EXPECT_EQ(again.images[50].pixels, assets.images[50].pixels);

  assets.images[0].width = 5;
  std::string error;
  EXPECT_FALSE(EncodeBrushBlob(assets, blob, &error));
  EXPECT_NE(error.find("brush 3"), std::string::npos) << error;
}

// Helpers that forge blobs the way a damaged or hostile file would look.
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& blob) {
  const uint32_t n = uint32_t(blob[8]) | uint32_t(blob[9]) << 8 | uint32_t(blob[10]) << 16 | uint32_t(blob[11]) << 24;
  std::vector<uint8_t> payload(n);
  uLongf size = n;
  EXPECT_EQ(uncompress(payload.data(), &size, blob.data() + 12, uLong(blob.size() - 12)), Z_OK);
  return payload;
}

std::vector<uint8_t> Repack(const std::vector<uint8_t>& original, const std::vector<uint8_t>& payload,
                            uint32_t declaredSize) {
  uLongf size = compressBound(uLong(payload.size()));
  std::vector<uint8_t> packed(size);
  EXPECT_EQ(compress(packed.data(), &size, payload.data(), uLong(payload.size())), Z_OK);
  std::vector<uint8_t> blob(12 + size);
  std::memcpy(blob.data(), original.data(), 8);
  for (int i = 0; i < 4; ++i) blob[size_t(8 + i)] = uint8_t(declaredSize >> (8 * i));
  std::memcpy(blob.data() + 12, packed.data(), size);
  return blob;
}

using Bytes = std::vector<uint8_t>;

struct Corruption {
  const char* name;
  std::function<void(Bytes&)> damage;
  // The damage lies past the icons, which come first: the icons alone still
  // unpack, the same as from the intact data.
  bool iconsIntact = false;
};

class BrushBlobCorruption : public ::testing::TestWithParam<Corruption> {};

TEST_P(BrushBlobCorruption, IsRefusedWithAReason) {
  std::vector<uint8_t> blob = ReadCommittedBlob();
  ASSERT_GT(blob.size(), 1000u);
  GetParam().damage(blob);
  BrushAssets assets;
  std::string error;
  EXPECT_FALSE(DecodeBrushBlob(blob.data(), blob.size(), assets, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(assets.images.empty() && assets.icons.empty()) << "nothing half-decoded may leak out";
}

TEST_P(BrushBlobCorruption, IconsAloneUnpackOnlyWhenTheDamageLiesPastThem) {
  const std::vector<uint8_t> intact = ReadCommittedBlob();
  BrushAssets whole;
  ASSERT_TRUE(DecodeBrushBlob(intact.data(), intact.size(), whole));
  std::vector<uint8_t> blob = intact;
  GetParam().damage(blob);
  std::vector<BrushPixels> icons;
  std::string error;
  const bool unpacked = DecodeBrushIcons(blob.data(), blob.size(), icons, &error);
  ASSERT_EQ(unpacked, GetParam().iconsIntact) << error;
  if (!unpacked) {
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(icons.empty()) << "nothing half-decoded may leak out";
    return;
  }
  ASSERT_EQ(icons.size(), whole.icons.size());
  for (size_t b = 0; b < icons.size(); ++b) EXPECT_EQ(icons[b].pixels, whole.icons[b].pixels) << "icon " << b;
}

INSTANTIATE_TEST_SUITE_P(
    Damage, BrushBlobCorruption,
    ::testing::Values(Corruption{"Empty", [](Bytes& b) { b.clear(); }},
                      Corruption{"HeaderOnly", [](Bytes& b) { b.erase(b.begin() + 12, b.end()); }},
                      Corruption{"WrongSignature", [](Bytes& b) { b[0] = 'X'; }},
                      Corruption{"UnknownVersion", [](Bytes& b) { b[4] = 9; }},
                      Corruption{"FormerLayoutWithTheIconsLast", [](Bytes& b) { b[4] = 1; }},
                      Corruption{"HugeDeclaredSize", [](Bytes& b) { b[8] = b[9] = b[10] = b[11] = 0xFF; }},
                      Corruption{"CutInHalf",
                                 [](Bytes& b) { b.erase(b.begin() + std::ptrdiff_t(b.size() / 2), b.end()); }, true},
                      Corruption{"CutInsideTheIcons", [](Bytes& b) { b.erase(b.begin() + 2000, b.end()); }},
                      Corruption{"ScrambledStream",
                                 [](Bytes& b) {
                                   for (size_t i = b.size() / 2; i < b.size() / 2 + 16; ++i) b[i] ^= 0x5A;
                                 },
                                 true},
                      Corruption{"ScrambledIcons",
                                 [](Bytes& b) {
                                   for (size_t i = 200; i < 216; ++i) b[i] ^= 0x5A;
                                 }},
                      Corruption{"StoredWidthDisagrees",
                                 [](Bytes& b) {
                                   std::vector<uint8_t> p = Inflate(b);
                                   p[0] = 5;  // icon 0 claims 5 pixels wide
                                   b = Repack(b, p, uint32_t(p.size()));
                                 }},
                      Corruption{"StoredImageWidthDisagrees",
                                 [](Bytes& b) {
                                   std::vector<uint8_t> p = Inflate(b);
                                   p[230 * (8 + 4 * 16 * 16)] = 5;  // brush 3, after the icons, claims 5 wide
                                   b = Repack(b, p, uint32_t(p.size()));
                                 },
                                 true},
                      Corruption{"StoredHeightHuge",
                                 [](Bytes& b) {
                                   std::vector<uint8_t> p = Inflate(b);
                                   p[4] = p[5] = p[6] = 0xFF, p[7] = 0x7F;
                                   b = Repack(b, p, uint32_t(p.size()));
                                 }},
                      Corruption{"PayloadLongerThanDeclared",
                                 [](Bytes& b) {
                                   std::vector<uint8_t> p = Inflate(b);
                                   const uint32_t declared = uint32_t(p.size());
                                   p.insert(p.end(), 64, uint8_t(0));
                                   b = Repack(b, p, declared);
                                 },
                                 true},
                      Corruption{"PayloadShorterThanDeclared",
                                 [](Bytes& b) {
                                   std::vector<uint8_t> p = Inflate(b);
                                   const uint32_t declared = uint32_t(p.size());
                                   p.erase(p.end() - 4, p.end());
                                   b = Repack(b, p, declared);
                                 },
                                 true}),
    [](const ::testing::TestParamInfo<Corruption>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace plumavo
