#include "canvas/canvas_style.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "canvas/gradient.h"
#include "media/image_file.h"

namespace plumavo {
namespace {

namespace fs = std::filesystem;

// A tile whose every pixel tells where in the tile it sits.
TBitmap32 MarkedBitmap(int32_t w, int32_t h, uint8_t blue) {
  TBitmap32 b(w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.Pixel(x, y) = Color32(uint8_t(x), uint8_t(y), blue);
  return b;
}

Project SizedProject(int32_t w, int32_t h) {
  Project p;
  p.Width = w;
  p.Height = h;
  return p;
}

// A texture folder of its own with a loader that reads nothing from disk:
// files named "*.jpg" hold a one-line "W H" size and become marked tiles,
// anything else fails to load.
class TextureFolderFixture : public testing::Test {
 protected:
  void SetUp() override {
    // A parameterised test's name holds a slash, which would make a folder
    // inside a folder that TearDown then leaves behind.
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    folder_ = fs::temp_directory_path() / ("plumavo_textures_" + name);
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    state_.TextureFolder = folder_.string() + "/";
    state_.LoadImage = [this](const std::string& path, TBitmap32& out) {
      ++loads_;
      std::ifstream in(path);
      int32_t w = 0, h = 0;
      if (!(in >> w >> h)) return false;
      out = MarkedBitmap(w, h, 9);
      return true;
    };
  }
  void TearDown() override { fs::remove_all(folder_); }

  void WriteTexture(const std::string& caption, const std::string& contents) {
    std::ofstream(folder_ / (caption + ".jpg")) << contents;
  }

  fs::path folder_;
  TCanvasState state_;
  int loads_ = 0;
};

TEST(CanvasStyle, Captions) {
  const auto& c = CanvasStyleCaptions();
  EXPECT_STREQ(c[0], "Solid...");
  EXPECT_STREQ(c[1], "Gradient...");
  EXPECT_STREQ(c[2], "Grid");
  EXPECT_STREQ(c[3], "Cement 1");
  EXPECT_STREQ(c[13], "Rock 3");
  EXPECT_STREQ(c[20], "Water");
  EXPECT_STREQ(c[23], "Wood 3");
}

struct GridRow {
  int x, y;
  TColor32 expected;
};

class GridTilePixels : public testing::TestWithParam<GridRow> {};

TEST_P(GridTilePixels, Rule) {
  const GridRow& r = GetParam();
  ASSERT_EQ(GridTile().Width(), 100);
  ASSERT_EQ(GridTile().Height(), 100);
  EXPECT_EQ(GridTile().Pixel(r.x, r.y), r.expected);
}

constexpr TColor32 kBorder = Color32(80, 75, 70), kMiddle = Color32(107, 102, 97);
constexpr TColor32 kDotted = Color32(120, 114, 108), kPlain = Color32(140, 133, 127);

INSTANTIATE_TEST_SUITE_P(Rules, GridTilePixels,
                         testing::Values(GridRow{99, 0, kBorder}, GridRow{0, 99, kBorder}, GridRow{49, 99, kBorder},
                                         GridRow{49, 3, kMiddle}, GridRow{0, 49, kMiddle},
                                         GridRow{19, 49, kMiddle},  // middle line beats the dots
                                         GridRow{9, 1, kDotted}, GridRow{9, 2, kPlain}, GridRow{1, 9, kDotted},
                                         GridRow{2, 9, kPlain}, GridRow{59, 59, kDotted}, GridRow{0, 0, kPlain},
                                         GridRow{98, 98, kPlain}),
                         [](const testing::TestParamInfo<GridRow>& info) {
                           const GridRow& r = info.param;
                           const char* kind = r.expected == kBorder   ? "Border"
                                              : r.expected == kMiddle ? "Middle"
                                              : r.expected == kDotted ? "Dotted"
                                                                      : "Plain";
                           return std::string(kind) + "At" + std::to_string(r.x) + "_" + std::to_string(r.y);
                         });

struct TilingRow {
  int32_t width, height, tileW, tileH;
};

class Tiling : public testing::TestWithParam<TilingRow> {};

// Tiles start at the top left, repeat without gaps and are clipped at the
// right and bottom edges, whatever the ratio of canvas to tile.
TEST_P(Tiling, CoversTheCanvasFromTheTopLeft) {
  const TilingRow& r = GetParam();
  TCanvasState s;
  s.TextureBitmap = MarkedBitmap(r.tileW, r.tileH, 5);
  Project p = SizedProject(r.width, r.height);
  p.CanvasStyle = 7;
  TBitmap32 layer;
  ASSERT_TRUE(s.ComposeCanvas(p, layer));
  ASSERT_EQ(layer.Width(), r.width);
  ASSERT_EQ(layer.Height(), r.height);
  for (int32_t y = 0; y < r.height; ++y)
    for (int32_t x = 0; x < r.width; ++x)
      ASSERT_EQ(layer.Pixel(x, y), Color32(uint8_t(x % r.tileW), uint8_t(y % r.tileH), 5)) << x << "," << y;
  EXPECT_EQ(s.CanvasPicture.Width(), r.width);
  EXPECT_EQ(s.CanvasPicture.Pixel(r.width - 1, r.height - 1), layer.Pixel(r.width - 1, r.height - 1));
}

INSTANTIATE_TEST_SUITE_P(Sizes, Tiling,
                         testing::Values(TilingRow{300, 200, 128, 128},  // 3 x 2 tiles, last ones clipped
                                         TilingRow{256, 128, 128, 128},  // exact multiple
                                         TilingRow{50, 40, 100, 100},    // one clipped tile
                                         TilingRow{250, 70, 100, 30},    // non-square tile
                                         TilingRow{1280, 1280, 16, 16}),
                         [](const testing::TestParamInfo<TilingRow>& info) {
                           const TilingRow& r = info.param;
                           return "Canvas" + std::to_string(r.width) + "x" + std::to_string(r.height) + "Tile" +
                                  std::to_string(r.tileW) + "x" + std::to_string(r.tileH);
                         });

TEST(Compose, EmptyTextureKeepsTheLayersPixels) {
  TCanvasState s;
  Project p = SizedProject(40, 30);
  p.CanvasStyle = 5;
  TBitmap32 layer(40, 30);
  layer.Clear(0xFF123456u);
  ASSERT_TRUE(s.ComposeCanvas(p, layer));
  EXPECT_EQ(layer.Pixel(0, 0), 0xFF123456u);
  EXPECT_EQ(layer.Pixel(39, 29), 0xFF123456u);
}

TEST(Compose, SolidFillsTheLayerAndTheViewTakesBackColor) {
  TCanvasState s;
  Project p = SizedProject(64, 48);
  p.CanvasColor = 0x0000FF;
  p.BackColor = TColor(0x8000000F);  // a system colour, resolved to RGB
  TBitmap32 layer, view;
  ASSERT_TRUE(s.ComposeCanvas(p, layer, &view));
  EXPECT_EQ(layer.Pixel(0, 0), Color32(255, 0, 0));
  EXPECT_EQ(layer.Pixel(63, 47), Color32(255, 0, 0));
  ASSERT_EQ(view.Width(), 64);
  EXPECT_EQ(view.Pixel(10, 10), SystemColorTable::Get(15));
  EXPECT_EQ(s.CanvasPicture.Pixel(5, 5), Color32(255, 0, 0));
  EXPECT_EQ(s.CanvasPicture.DrawMode, dmOpaque);
}

TEST(Compose, RejectsSizesOutsideTheProjectLimits) {
  TCanvasState s;
  TBitmap32 layer;
  for (auto [w, h] : {std::pair{15, 100}, std::pair{100, 1281}, std::pair{0, 0}, std::pair{-5, 20}}) {
    Project p = SizedProject(w, h);
    EXPECT_FALSE(s.ComposeCanvas(p, layer)) << w << "x" << h;
    EXPECT_TRUE(layer.Empty());
  }
}

TEST(Compose, HorizontalGradientStretchesToIdenticalRows) {
  TCanvasState s;
  Project p = SizedProject(300, 100);
  p.CanvasStyle = csGradient;
  p.GradientColorBegin = 0x000000;
  p.GradientColorEnd = 0xFFFFFF;
  p.GradientStyle = 9;  // "Linear - Horizontal"
  PaintGradientBitmap(p, s.GradientBitmap);
  ASSERT_EQ(s.GradientBitmap.Width(), 256);
  ASSERT_EQ(s.GradientBitmap.Height(), 1);
  TBitmap32 layer;
  ASSERT_TRUE(s.ComposeCanvas(p, layer));
  for (int32_t y = 1; y < 100; ++y)
    for (int32_t x = 0; x < 300; ++x) ASSERT_EQ(layer.Pixel(x, y), layer.Pixel(x, 0)) << x << "," << y;
  EXPECT_EQ(layer.Pixel(0, 0), Color32(0, 0, 0));
  EXPECT_EQ(layer.Pixel(299, 0), Color32(255, 255, 255));
  // A smooth ramp: neighbours differ by at most one step of the stretched table.
  for (int32_t x = 1; x < 300; ++x) {
    EXPECT_GE(RedComponent(layer.Pixel(x, 0)), RedComponent(layer.Pixel(x - 1, 0)));
    EXPECT_LE(RedComponent(layer.Pixel(x, 0)) - RedComponent(layer.Pixel(x - 1, 0)), 2);
  }
}

// The project's gradient picture is what a painter given the same settings one
// by one paints, including settings that equal the painter's own defaults
// (nothing then changes during the round of settings, and the picture must
// still be painted).
struct GradientPictureRow {
  const char* name;
  TColor begin, end;
  uint8_t style;  // the stored value: list index, painter style minus one
  int8_t rotation, shift;
};

class GradientPicture : public testing::TestWithParam<GradientPictureRow> {};

TEST_P(GradientPicture, IsThePaintersPatternForTheSameSettings) {
  const GradientPictureRow& row = GetParam();
  Project p;
  p.GradientColorBegin = row.begin;
  p.GradientColorEnd = row.end;
  p.GradientStyle = row.style;
  p.GradientRotation = row.rotation;
  p.GradientShift = row.shift;
  TBitmap32 picture;
  PaintGradientBitmap(p, picture);

  TGradient painter;
  painter.SetColorBegin(row.begin);
  painter.SetColorEnd(row.end);
  if (row.style < kGradientStyleCount) painter.SetStyle(TGradientStyle(row.style + 1));
  painter.SetRotation(row.rotation);
  painter.SetShift(row.shift);
  const TBitmap32& expected = painter.Pattern();
  ASSERT_FALSE(expected.Empty());
  ASSERT_EQ(picture.Width(), expected.Width());
  ASSERT_EQ(picture.Height(), expected.Height());
  for (int32_t y = 0; y < expected.Height(); ++y)
    for (int32_t x = 0; x < expected.Width(); ++x)
      ASSERT_EQ(picture.Pixel(x, y), expected.Pixel(x, y)) << row.name << " at " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(
    Settings, GradientPicture,
    testing::Values(GradientPictureRow{"ThePaintersDefaults", 0xFFFFFF, kClBtnFace, gsRadialC - 1, 0, 0},
                    GradientPictureRow{"LinearVertical", 0x2080C0, 0x000000, 8, 0, 0},
                    GradientPictureRow{"RadialTopLeftRotatedAndShifted", 0x0000FF, 0x00FF00, gsRadialTL - 1, 40, -30},
                    GradientPictureRow{"AStyleOutsideTheList", 0x123456, 0xFEDCBA, 200, 0, 0}),
    [](const testing::TestParamInfo<GradientPictureRow>& info) { return std::string(info.param.name); });

struct CentringRow {
  int32_t width, height, imageW, imageH, left, top;
};

class BackgroundCentring : public testing::TestWithParam<CentringRow> {};

TEST_P(BackgroundCentring, PlacesTheImageByTruncatingDivision) {
  const CentringRow& r = GetParam();
  TCanvasState s;
  Project p = SizedProject(r.width, r.height);
  p.CanvasColor = 0x00FF00;
  p.BackgroundImage = MarkedBitmap(r.imageW, r.imageH, 77);
  p.BackgroundImage.DrawMode = dmBlend;  // drawn opaquely all the same
  TBitmap32 layer;
  ASSERT_TRUE(s.ComposeCanvas(p, layer));
  const TColor32 green = Color32(0, 255, 0);
  for (int32_t y = 0; y < r.height; ++y) {
    for (int32_t x = 0; x < r.width; ++x) {
      const int32_t ix = x - r.left, iy = y - r.top;
      const bool inside = ix >= 0 && iy >= 0 && ix < r.imageW && iy < r.imageH;
      ASSERT_EQ(layer.Pixel(x, y), inside ? Color32(uint8_t(ix), uint8_t(iy), 77) : green) << x << "," << y;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Placements, BackgroundCentring,
                         testing::Values(CentringRow{100, 100, 201, 100, -50, 0},  // 101 wider
                                         CentringRow{200, 100, 101, 100, 49, 0},   // 99 narrower
                                         CentringRow{100, 100, 100, 103, 0, -1},   // -1.5 truncates to -1
                                         CentringRow{100, 60, 40, 20, 30, 20},
                                         CentringRow{16, 16, 1280, 1280, -632, -632}),
                         [](const testing::TestParamInfo<CentringRow>& info) {
                           const CentringRow& r = info.param;
                           return "Canvas" + std::to_string(r.width) + "x" + std::to_string(r.height) + "Image" +
                                  std::to_string(r.imageW) + "x" + std::to_string(r.imageH);
                         });

TEST_F(TextureFolderFixture, TexturePathIsBesideTheProgramByCaption) {
  EXPECT_EQ(state_.TexturePath(3), folder_.string() + "/Cement 1.jpg");
  EXPECT_EQ(state_.TexturePath(23), folder_.string() + "/Wood 3.jpg");
  const TCanvasState fresh;
  EXPECT_EQ(fresh.TextureFolder, ExecutableFolder() + "Textures/");
  // Tests run from <build>/bin like every program of the project.
  EXPECT_EQ(fs::path(ExecutableFolder()), fs::canonical(PLUMAVO_BINARY_DIR "/bin") / "");
}

TEST_F(TextureFolderFixture, SolidOrGradientCancelledChangesNothing) {
  for (uint16_t index : {uint16_t(csSolid), uint16_t(csGradient)}) {
    Project p = SizedProject(32, 32);
    p.CanvasStyle = 2;
    TBitmap32 layer(32, 32);
    layer.Clear(0xFFABCDEFu);
    const TStyleChangeResult r = state_.ChangeCanvasStyle(p, index, TStyleChoice{}, layer);
    EXPECT_FALSE(r.Applied);
    EXPECT_EQ(r.ListIndex, 2);
    EXPECT_EQ(p.CanvasStyle, 2);
    EXPECT_TRUE(p.ProjectSaved);
    EXPECT_EQ(p.CanvasColor, 0xFFFFFF);
    EXPECT_EQ(p.GradientStyle, 10);
    EXPECT_EQ(layer.Pixel(0, 0), 0xFFABCDEFu);
  }
}

TEST_F(TextureFolderFixture, SolidAfterATextureEmptiesTheTile) {
  WriteTexture("Sand 1", "64 64");
  Project p = SizedProject(32, 32);
  TBitmap32 layer;
  ASSERT_TRUE(state_.ChangeCanvasStyle(p, 14, {}, layer).Applied);
  ASSERT_EQ(state_.TextureBitmap.Width(), 64);

  const TStyleChangeResult r = state_.ChangeCanvasStyle(p, csSolid, TStyleChoice{TColor(0x00FFFF), {}}, layer);
  EXPECT_TRUE(r.Applied);
  EXPECT_TRUE(r.SolidSwatchChanged);
  EXPECT_EQ(r.ListIndex, csSolid);
  EXPECT_TRUE(state_.TextureBitmap.Empty());
  EXPECT_EQ(p.CanvasStyle, csSolid);
  EXPECT_EQ(p.CanvasColor, 0x00FFFF);
  EXPECT_FALSE(p.ProjectSaved);
  EXPECT_EQ(layer.Pixel(31, 31), Color32(255, 255, 0));
}

TEST_F(TextureFolderFixture, GradientConfirmedStoresTheFieldsAndRepaints) {
  Project p = SizedProject(40, 40);
  state_.TextureBitmap = GridTile();
  const TGradientSettings chosen{0x000000, 0xFFFFFF, 10, -30, 20};  // "Linear - Vertical"
  TBitmap32 layer;
  const TStyleChangeResult r = state_.ChangeCanvasStyle(p, csGradient, TStyleChoice{{}, chosen}, layer);
  EXPECT_TRUE(r.Applied);
  EXPECT_TRUE(r.GradientSwatchChanged);
  EXPECT_EQ(GradientSettingsOf(p), chosen);
  EXPECT_EQ(p.CanvasStyle, csGradient);
  EXPECT_TRUE(state_.TextureBitmap.Empty());
  ASSERT_EQ(state_.GradientBitmap.Width(), 1);
  ASSERT_EQ(state_.GradientBitmap.Height(), 256);
  // Shift 20 lifts black to 51; rotation -30 (k = -77) falls from white to
  // that at index 77 and rises back to white.
  EXPECT_EQ(state_.GradientBitmap.Pixel(0, 0), Color32(255, 255, 255));
  EXPECT_EQ(state_.GradientBitmap.Pixel(0, 77), Color32(51, 51, 51));
  EXPECT_EQ(state_.GradientBitmap.Pixel(0, 255), Color32(255, 255, 255));
  // A vertical pattern: columns agree.
  EXPECT_EQ(state_.CanvasPicture.Pixel(0, 20), state_.CanvasPicture.Pixel(39, 20));
}

TEST_F(TextureFolderFixture, GridUsesTheBuiltInTile) {
  Project p = SizedProject(150, 120);
  TBitmap32 layer;
  const TStyleChangeResult r = state_.ChangeCanvasStyle(p, csGrid, {}, layer);
  EXPECT_TRUE(r.Applied);
  EXPECT_FALSE(r.Texture.has_value());
  EXPECT_EQ(loads_, 0);
  EXPECT_EQ(p.CanvasStyle, csGrid);
  EXPECT_EQ(layer.Pixel(99, 10), kBorder);
  EXPECT_EQ(layer.Pixel(149, 110), GridTile().Pixel(49, 10));
}

TEST_F(TextureFolderFixture, ChosenTextureLoadsAndTiles) {
  WriteTexture("Water", "20 30");
  Project p = SizedProject(50, 50);
  TBitmap32 layer;
  const TStyleChangeResult r = state_.ChangeCanvasStyle(p, 20, {}, layer);
  ASSERT_TRUE(r.Texture.has_value());
  EXPECT_TRUE(r.Texture->Ok());
  EXPECT_TRUE(r.Texture->Message.empty());
  EXPECT_EQ(r.ListIndex, 20);
  EXPECT_EQ(p.CanvasStyle, 20);
  EXPECT_EQ(state_.TextureBitmap.DrawMode, dmOpaque);
  EXPECT_EQ(layer.Pixel(45, 35), Color32(5, 5, 9));
}

struct FailedTextureRow {
  const char* name;
  const char* fileContents;  // nullptr: no file
  const char* lastLine;
};

class FailedTexture : public TextureFolderFixture, public testing::WithParamInterface<FailedTextureRow> {};

// A texture that cannot be had, missing or unreadable, turns the canvas Solid
// with the current colour and says why.
TEST_P(FailedTexture, FallsBackToSolidWithAMessage) {
  const FailedTextureRow& row = GetParam();
  if (row.fileContents) WriteTexture("Rock 2", row.fileContents);
  state_.TextureBitmap = GridTile();
  Project p = SizedProject(32, 32);
  p.CanvasStyle = csGrid;
  p.CanvasColor = 0xFF0000;
  TBitmap32 layer;
  const TStyleChangeResult r = state_.ChangeCanvasStyle(p, 12, {}, layer);
  EXPECT_TRUE(r.Applied);
  EXPECT_EQ(r.ListIndex, csSolid);
  EXPECT_EQ(p.CanvasStyle, csSolid);
  EXPECT_FALSE(p.ProjectSaved);
  EXPECT_TRUE(state_.TextureBitmap.Empty());
  ASSERT_TRUE(r.Texture.has_value());
  EXPECT_FALSE(r.Texture->Ok());
  EXPECT_EQ(r.Texture->Message, "The texture image file:\n" + folder_.string() + "/Rock 2.jpg\n" + row.lastLine);
  EXPECT_EQ(layer.Pixel(0, 0), Color32(0, 0, 255));
}

INSTANTIATE_TEST_SUITE_P(Causes, FailedTexture,
                         testing::Values(FailedTextureRow{"missing", nullptr, "does not exist."},
                                         FailedTextureRow{"unreadable", "not an image", "cannot be read."}),
                         [](const testing::TestParamInfo<FailedTextureRow>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(TextureFolderFixture, LoaderThatThrowsCountsAsUnreadable) {
  WriteTexture("Mud 1", "16 16");
  state_.LoadImage = [](const std::string&, TBitmap32&) -> bool { throw std::runtime_error("decoder broke"); };
  Project p = SizedProject(32, 32);
  const TTextureLoadResult r = state_.LoadTexture(p, 9, false);
  EXPECT_EQ(r.Status, TTextureLoadResult::Unreadable);
  EXPECT_TRUE(r.Message.empty());  // no message asked for
  EXPECT_EQ(p.CanvasStyle, csSolid);
}

TEST_F(TextureFolderFixture, OpeningAProjectPreparesItsCanvasSilently) {
  WriteTexture("Leaves 2", "32 16");
  struct Row {
    uint16_t stored, expectedStyle;
    int32_t tileW;  // 0: no tile
    int loads;
  };
  for (const Row& row :
       {Row{csSolid, csSolid, 0, 0}, Row{csGradient, csGradient, 0, 0}, Row{csGrid, csGrid, 100, 0}, Row{8, 8, 32, 1},
        Row{4, csSolid, 0, 0} /* missing Cement 2 */, Row{24, csSolid, 0, 0} /* not a style */}) {
    loads_ = 0;
    state_.TextureBitmap = MarkedBitmap(17, 17, 1);
    state_.GradientBitmap.SetSize(0, 0);
    Project p = SizedProject(64, 64);
    p.CanvasStyle = row.stored;
    (void)state_.PrepareForProject(p);
    EXPECT_EQ(p.CanvasStyle, row.expectedStyle) << row.stored;
    EXPECT_EQ(state_.TextureBitmap.Width(), row.tileW) << row.stored;
    EXPECT_EQ(loads_, row.loads) << row.stored;
    EXPECT_EQ(state_.GradientBitmap.Height(), 256) << row.stored;  // default "Linear - Vertical"
  }
}

TEST(Swatches, SolidIsFramedAndGradientIsShrunk) {
  const TBitmap32 solid = MakeSolidSwatch(0x0000FF);
  ASSERT_EQ(solid.Width(), 16);
  EXPECT_EQ(solid.Pixel(0, 0), Color32(0, 0, 0));
  EXPECT_EQ(solid.Pixel(15, 7), Color32(0, 0, 0));
  EXPECT_EQ(solid.Pixel(1, 1), Color32(255, 0, 0));
  EXPECT_EQ(solid.Pixel(14, 14), Color32(255, 0, 0));

  Project p;
  p.GradientColorBegin = 0x000000;
  p.GradientColorEnd = 0xFFFFFF;
  p.GradientStyle = 9;
  TBitmap32 pattern;
  PaintGradientBitmap(p, pattern);
  const TBitmap32 icon = MakeGradientSwatch(pattern);
  ASSERT_EQ(icon.Width(), 16);
  ASSERT_EQ(icon.Height(), 16);
  EXPECT_LT(RedComponent(icon.Pixel(0, 8)), 16);
  EXPECT_GT(RedComponent(icon.Pixel(15, 8)), 239);
}

struct RealFileRow {
  const char* name;
  int32_t side;        // > 0: a picture of that size; 0: garbage bytes
  const char* format;  // extension it is written as (the file is always named .jpg)
  bool loads;
};

class RealTextureFile : public TextureFolderFixture, public testing::WithParamInterface<RealFileRow> {};

// The default loader reads real image files; what it refuses makes the canvas Solid.
TEST_P(RealTextureFile, LoadsThroughTheImageFileReader) {
  const RealFileRow& row = GetParam();
  state_.LoadImage = TCanvasState().LoadImage;
  const std::string path = folder_.string() + "/Stone 1.jpg";
  if (row.side > 0) {
    const std::string written = folder_.string() + "/picture." + row.format;
    ASSERT_TRUE(SaveImageFile(MarkedBitmap(row.side, row.side, 40), written, 0));
    fs::rename(written, path);
  } else {
    std::ofstream(path) << "GIF89a but not really";
  }
  Project p = SizedProject(64, 64);
  p.CanvasStyle = 18;
  const TTextureLoadResult r = state_.LoadTexture(p, 18, true);
  EXPECT_EQ(r.Ok(), row.loads);
  EXPECT_EQ(p.CanvasStyle, row.loads ? 18 : csSolid);
  if (row.loads) {
    ASSERT_EQ(state_.TextureBitmap.Width(), row.side);
    EXPECT_EQ(AlphaComponent(state_.TextureBitmap.Pixel(3, 3)), 255);
    EXPECT_EQ(state_.TextureBitmap.DrawMode, dmOpaque);
  } else {
    EXPECT_EQ(r.Status, TTextureLoadResult::Unreadable);
    EXPECT_TRUE(state_.TextureBitmap.Empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Files, RealTextureFile,
                         testing::Values(RealFileRow{"jpeg", 32, "jpg", true},
                                         RealFileRow{"png_named_jpg", 16, "png", true},
                                         RealFileRow{"too_small", 15, "png", false},
                                         RealFileRow{"garbage", 0, "", false}),
                         [](const testing::TestParamInfo<RealFileRow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace plumavo
