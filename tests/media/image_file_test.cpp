#include "media/image_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

namespace plumavo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// A picture of flat 16 x 16 blocks in six colours: lossless formats must give
// it back exactly, JPEG closely (the blocks match its 4:2:0 units).
TBitmap32 BlockPicture(int32_t w, int32_t h) {
  static const TColor32 kColours[] = {Color32(200, 30, 40),   Color32(20, 160, 60), Color32(30, 60, 210),
                                      Color32(240, 230, 200), Color32(10, 10, 10),  Color32(120, 120, 120)};
  TBitmap32 b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.Pixel(x, y) = kColours[(x / 16 + 2 * (y / 16)) % 6];
  return b;
}

// Every pixel a different colour (64 x 64 = 4096 colours).
TBitmap32 ManyColours() {
  TBitmap32 b(64, 64);
  for (int32_t y = 0; y < 64; ++y)
    for (int32_t x = 0; x < 64; ++x) b.Pixel(x, y) = Color32(uint8_t(x * 4), uint8_t(y * 4), uint8_t((x ^ y) * 4));
  return b;
}

int MaxChannelDifference(const TBitmap32& a, const TBitmap32& b) {
  int worst = 0;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x) {
      const TColor32 p = a.Pixel(x, y), q = b.Pixel(x, y);
      worst =
          std::max({worst, std::abs(RedComponent(p) - RedComponent(q)), std::abs(GreenComponent(p) - GreenComponent(q)),
                    std::abs(BlueComponent(p) - BlueComponent(q)), std::abs(AlphaComponent(p) - AlphaComponent(q))});
    }
  return worst;
}

size_t DistinctColours(const TBitmap32& b) {
  return std::set<TColor32>(b.Bits(), b.Bits() + size_t(b.Width()) * size_t(b.Height())).size();
}

// A marker the loader must leave alone when it fails.
TBitmap32 Untouched() {
  TBitmap32 b(3, 2);
  b.Clear(Color32(1, 2, 3, 4));
  return b;
}

void ExpectUntouched(const TBitmap32& b) {
  ASSERT_EQ(b.Width(), 3);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(b.Pixel(2, 1), Color32(1, 2, 3, 4));
}

void Put16(Bytes& out, size_t at, uint32_t v) {
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
}
void Put32(Bytes& out, size_t at, uint32_t v) {
  Put16(out, at, v);
  Put16(out, at + 2, v >> 16);
}

// 24-bit BMP header claiming the given size, followed by a few pixel bytes.
Bytes BmpHeader(uint32_t w, uint32_t h) {
  Bytes b(54 + 64, 0x55);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, uint32_t(b.size()));
  Put32(b, 6, 0);
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, w);
  Put32(b, 22, h);
  Put16(b, 26, 1);
  Put16(b, 28, 24);
  Put32(b, 30, 0);
  Put32(b, 34, 0);
  for (size_t i = 38; i < 54; ++i) b[i] = 0;
  return b;
}

// GIF with a two-colour table and one frame of the given size, its data cut
// short.
Bytes GifHeader(uint16_t w, uint16_t h) {
  Bytes b = {'G',  'I', 'F', '8', '9', 'a',  0,    0, 0, 0, 0x80, 0, 0,    0,
             0,    0,   255, 255, 255, 0x21, 0xF9, 4, 0, 0, 0,    0, 0,  // graphic control extension
             0x2C, 0,   0,   0,   0,   0,    0,    0, 0, 0, 2,    2, 0x44, 0x01};
  Put16(b, 6, w);
  Put16(b, 8, h);
  Put16(b, 32, w);
  Put16(b, 34, h);
  return b;
}

// 32-bit top-down TGA whose pixels are coloured but fully transparent.
Bytes TransparentTga(uint16_t w, uint16_t h) {
  Bytes b(18, 0);
  b[2] = 2;  // uncompressed true colour
  Put16(b, 12, w);
  Put16(b, 14, h);
  b[16] = 32;
  b[17] = 0x28;                                                         // 8 alpha bits, top-left origin
  for (int i = 0; i < w * h; ++i) b.insert(b.end(), {40, 90, 200, 0});  // B, G, R, A
  return b;
}

class ImageFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = fs::temp_directory_path() / ("plumavo_imagefile_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::string Write(const std::string& name, const Bytes& bytes) const {
    std::ofstream out(Path(name), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return Path(name);
  }

  Bytes Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  fs::path dir_;
};

// --- Loading ----------------------------------------------------------------

struct SizeCase {
  int32_t W, H;
  bool Accepted;
};

class LoadSizeTest : public ImageFileTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(LoadSizeTest, AcceptsSixteenToTwelveEightyPerSide) {
  const SizeCase c = GetParam();
  const TBitmap32 picture = BlockPicture(c.W, c.H);
  ASSERT_TRUE(SaveImageFile(picture, Path("p.png"), 0));

  TBitmap32 target = Untouched();
  target.DrawMode = dmBlend;
  EXPECT_EQ(LoadImageFile(target, Path("p.png"), 0), c.Accepted);
  if (c.Accepted) {
    ASSERT_EQ(target.Width(), c.W);
    ASSERT_EQ(target.Height(), c.H);
    EXPECT_EQ(MaxChannelDifference(target, picture), 0);
    EXPECT_EQ(target.DrawMode, dmBlend);
  } else {
    ExpectUntouched(target);
  }
}

INSTANTIATE_TEST_SUITE_P(Limits, LoadSizeTest,
                         ::testing::Values(SizeCase{15, 500, false}, SizeCase{500, 15, false}, SizeCase{16, 16, true},
                                           SizeCase{1280, 1280, true}, SizeCase{1281, 100, false},
                                           SizeCase{100, 1281, false}),
                         [](const ::testing::TestParamInfo<SizeCase>& info) {
                           return "Width" + std::to_string(info.param.W) + "Height" + std::to_string(info.param.H) +
                                  (info.param.Accepted ? "Accepted" : "Refused");
                         });

struct DisguiseCase {
  const char* WrittenAs;  // extension that decides the real format
  const char* NamedAs;    // name the file gets afterwards
};

class LoadDisguisedTest : public ImageFileTest, public ::testing::WithParamInterface<DisguiseCase> {};

TEST_P(LoadDisguisedTest, ContentsDecideTheFormat) {
  const DisguiseCase c = GetParam();
  const TBitmap32 picture = BlockPicture(48, 32);
  ASSERT_TRUE(SaveImageFile(picture, Path(std::string("real.") + c.WrittenAs), 0));
  fs::rename(Path(std::string("real.") + c.WrittenAs), Path(c.NamedAs));

  TBitmap32 target;
  ASSERT_TRUE(LoadImageFile(target, Path(c.NamedAs), 0));
  ASSERT_EQ(target.Width(), 48);
  EXPECT_EQ(MaxChannelDifference(target, picture), 0);
}

INSTANTIATE_TEST_SUITE_P(Names, LoadDisguisedTest,
                         ::testing::Values(DisguiseCase{"png", "picture.jpg"}, DisguiseCase{"bmp", "picture.png"},
                                           DisguiseCase{"tif", "picture.gif"}, DisguiseCase{"png", "no_extension"}),
                         [](const ::testing::TestParamInfo<DisguiseCase>& info) {
                           // "png" renamed "picture.jpg" -> "png_as_picture_jpg"
                           std::string name = std::string(info.param.WrittenAs) + "_as_" + info.param.NamedAs;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

TEST_F(ImageFileTest, TransparentPixelsBecomeOpaque) {
  Write("clear.tga", TransparentTga(16, 20));
  TBitmap32 target;
  ASSERT_TRUE(LoadImageFile(target, Path("clear.tga"), 0));
  ASSERT_EQ(target.Width(), 16);
  ASSERT_EQ(target.Height(), 20);
  EXPECT_EQ(target.Pixel(0, 0), Color32(200, 90, 40, 255));
  EXPECT_EQ(target.Pixel(15, 19), Color32(200, 90, 40, 255));
}

struct HostileCase {
  const char* Label;
  const char* Name;
  Bytes (*Make)(const Bytes& validPng, const Bytes& validJpg, const Bytes& validGif);
};

class LoadHostileTest : public ImageFileTest, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(LoadHostileTest, FailsCleanly) {
  const HostileCase c = GetParam();
  const TBitmap32 picture = BlockPicture(64, 64);
  ASSERT_TRUE(SaveImageFile(picture, Path("ok.png"), 0));
  ASSERT_TRUE(SaveImageFile(picture, Path("ok.jpg"), 90));
  ASSERT_TRUE(SaveImageFile(picture, Path("ok.gif"), kSaveQuantize));
  Write(c.Name, c.Make(Read("ok.png"), Read("ok.jpg"), Read("ok.gif")));

  TBitmap32 target = Untouched();
  EXPECT_FALSE(LoadImageFile(target, Path(c.Name), 0));
  ExpectUntouched(target);
}

Bytes Half(const Bytes& b) { return Bytes(b.begin(), b.begin() + std::ptrdiff_t(b.size() / 2)); }

INSTANTIATE_TEST_SUITE_P(
    Files, LoadHostileTest,
    ::testing::Values(
        HostileCase{"EmptyPng", "empty.png", [](const Bytes&, const Bytes&, const Bytes&) { return Bytes{}; }},
        HostileCase{"GarbagePng", "garbage.png",
                    [](const Bytes&, const Bytes&, const Bytes&) { return Bytes(4000, 0xA7); }},
        HostileCase{"GarbageUnknown", "garbage.xyz",
                    [](const Bytes&, const Bytes&, const Bytes&) { return Bytes(4000, 0x3C); }},
        HostileCase{"TruncatedPng", "cut.png", [](const Bytes& p, const Bytes&, const Bytes&) { return Half(p); }},
        HostileCase{"PngHeaderOnly", "head.png",
                    [](const Bytes& p, const Bytes&, const Bytes&) { return Bytes(p.begin(), p.begin() + 33); }},
        HostileCase{"TruncatedJpg", "cut.jpg",
                    [](const Bytes&, const Bytes& j, const Bytes&) { return Bytes(j.begin(), j.begin() + 300); }},
        HostileCase{"TruncatedGif", "cut.gif",
                    [](const Bytes&, const Bytes&, const Bytes& g) { return Bytes(g.begin(), g.begin() + 20); }},
        HostileCase{"HugeBmp", "huge.bmp",
                    [](const Bytes&, const Bytes&, const Bytes&) { return BmpHeader(60000, 60000); }},
        HostileCase{"NegativeSizeBmp", "negative.bmp",
                    [](const Bytes&, const Bytes&, const Bytes&) { return BmpHeader(0x80000000u, 0x80000000u); }},
        HostileCase{"HugeGif", "huge.gif",
                    [](const Bytes&, const Bytes&, const Bytes&) { return GifHeader(65535, 65535); }}),
    [](const auto& info) { return std::string(info.param.Label); });

TEST_F(ImageFileTest, MissingFileAndFolderFail) {
  TBitmap32 target = Untouched();
  EXPECT_FALSE(LoadImageFile(target, Path("absent.png"), 0));
  fs::create_directories(Path("folder.png"));
  EXPECT_FALSE(LoadImageFile(target, Path("folder.png"), 0));
  ExpectUntouched(target);
}

// --- Saving -----------------------------------------------------------------

struct ExportCase {
  const char* Ext;
  int32_t Flags;
  const char* Magic;  // first bytes of the file, "" for formats without one
  int Tolerance;      // largest channel difference after reading back
};

class ExportTest : public ImageFileTest, public ::testing::WithParamInterface<ExportCase> {};

TEST_P(ExportTest, WritesTheFormatOfTheExtensionAndReadsBack) {
  const ExportCase c = GetParam();
  TBitmap32 picture = BlockPicture(80, 48);
  // Alpha never reaches the file.
  picture.Pixel(0, 0) = SetAlpha(picture.Pixel(0, 0), 0);
  const std::string name = std::string("out.") + c.Ext;
  ASSERT_TRUE(SaveImageFile(picture, Path(name), c.Flags));

  const Bytes bytes = Read(name);
  const std::string magic = c.Magic;
  ASSERT_GE(bytes.size(), magic.size());
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + std::ptrdiff_t(magic.size())), magic);

  TBitmap32 back;
  ASSERT_TRUE(LoadImageFile(back, Path(name), 0));
  ASSERT_EQ(back.Width(), 80);
  ASSERT_EQ(back.Height(), 48);
  picture.Pixel(0, 0) = SetAlpha(picture.Pixel(0, 0), 255);
  EXPECT_LE(MaxChannelDifference(back, picture), c.Tolerance);
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportTest,
                         ::testing::Values(ExportCase{"bmp", 0, "BM", 0}, ExportCase{"jpg", 90, "\xFF\xD8", 24},
                                           ExportCase{"jpg", 1, "\xFF\xD8", 80}, ExportCase{"gif", -1, "GIF8", 8},
                                           ExportCase{"png", 0, "\x89PNG", 0}, ExportCase{"tif", 0, "II*", 0},
                                           ExportCase{"tga", 0, "", 0}, ExportCase{"ppm", 0, "P6", 0},
                                           // JPEG quality passed with a .png name: still a PNG.
                                           ExportCase{"png", 90, "\x89PNG", 0}, ExportCase{"PNG", 0, "\x89PNG", 0},
                                           // Quantised pictures (the GIF choice with another name) in
                                           // every format; BMP must not come out RLE-compressed.
                                           ExportCase{"bmp", -1, "BM", 8}, ExportCase{"jpg", -1, "\xFF\xD8", 24},
                                           ExportCase{"png", -1, "\x89PNG", 8}, ExportCase{"tif", -1, "II*", 8},
                                           ExportCase{"tga", -1, "", 8}, ExportCase{"ppm", -1, "P6", 8}),
                         [](const auto& info) {
                           return std::string(info.param.Ext) + "_flags" +
                                  (info.param.Flags < 0 ? "Quantize" : std::to_string(info.param.Flags));
                         });

// PNG rows are three bytes a pixel with no padding, unlike the 32-bit
// pictures they come from: every width's rows must land where they belong,
// and every pixel keep its own colour.
class PngWidthTest : public ImageFileTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(PngWidthTest, ReadsBackExactly) {
  const int32_t w = GetParam(), h = 21;
  const TBitmap32 many = ManyColours();
  TBitmap32 picture(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) picture.Pixel(x, y) = SetAlpha(many.Pixel(x % 64, (y * 3 + x / 64) % 64), 0);
  ASSERT_TRUE(SaveImageFile(picture, Path("rows.png"), 0));
  TBitmap32 back;
  ASSERT_TRUE(LoadImageFile(back, Path("rows.png"), 0));
  ASSERT_EQ(back.Width(), w);
  ASSERT_EQ(back.Height(), h);
  picture.ResetAlpha();
  EXPECT_EQ(MaxChannelDifference(back, picture), 0);
}

INSTANTIATE_TEST_SUITE_P(Widths, PngWidthTest, ::testing::Values(16, 17, 18, 19, 333, 1280),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                           return "Width" + std::to_string(info.param);
                         });

class GifColoursTest : public ImageFileTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(GifColoursTest, AtMost256Colours) {
  const int32_t side = GetParam();
  TBitmap32 picture(side, side);
  const TBitmap32 many = ManyColours();
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) picture.Pixel(x, y) = many.Pixel(x % 64, y % 64);
  ASSERT_GT(DistinctColours(picture), side >= 64 ? 256u : 200u);

  ASSERT_TRUE(SaveImageFile(picture, Path("many.gif"), kSaveQuantize));
  TBitmap32 back;
  ASSERT_TRUE(LoadImageFile(back, Path("many.gif"), 0));
  EXPECT_LE(DistinctColours(back), 256u);
  // Still a likeness of the picture, not a blank.
  EXPECT_LE(MaxChannelDifference(back, picture), 64);
}

// 16 is the smallest project side.
INSTANTIATE_TEST_SUITE_P(Sides, GifColoursTest, ::testing::Values(16, 64, 300),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                           return "Side" + std::to_string(info.param);
                         });

struct RefusedCase {
  const char* Label;
  const char* Name;
  int32_t Flags;
};

class ExportRefusedTest : public ImageFileTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(ExportRefusedTest, WritesNothing) {
  const RefusedCase c = GetParam();
  EXPECT_FALSE(SaveImageFile(BlockPicture(32, 32), Path(c.Name), c.Flags));
  EXPECT_FALSE(fs::exists(Path(c.Name)));
}

INSTANTIATE_TEST_SUITE_P(Cases, ExportRefusedTest,
                         ::testing::Values(RefusedCase{"UnknownExtension", "out.xyz", 0},
                                           RefusedCase{"NoExtension", "out", 0},
                                           RefusedCase{"ReadOnlyFormat", "out.pcx", 0},
                                           // GIF stores palette pictures only: without quantising it refuses 24 bits.
                                           RefusedCase{"GifWithoutQuantizing", "out.gif", 0},
                                           RefusedCase{"MissingFolder", "no/such/folder/out.png", 0}),
                         [](const auto& info) { return std::string(info.param.Label); });

TEST_F(ImageFileTest, EmptySourceIsNotWritten) {
  EXPECT_FALSE(SaveImageFile(TBitmap32(), Path("empty.png"), 0));
  EXPECT_FALSE(fs::exists(Path("empty.png")));
}

}  // namespace
}  // namespace plumavo
