// What the drawing area shows: the layer over the back colour, at the zoom,
// grey around the picture. The view draws an opaque layer alone and a layer
// with any transparency over the view bitmap; both must show the same as the
// layer blended over the back colour.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <ostream>
#include <string>

#include "app/image_view.h"
#include "app/overlay_painter.h"
#include "editing/overlay_scene.h"
#include "surface/bitmap32.h"

namespace plumavo {
namespace {

constexpr TColor32 kBack = 0xFF204060u;  // the view bitmap's back colour
constexpr QRgb kGrey = 0xFF787878u;      // around the picture

struct ViewCase {
  std::string name;
  TColor32 layerColor;   // every layer pixel but the one at (1, 1)
  TColor32 cornerColor;  // the layer pixel at (1, 1)
  uint8_t masterAlpha;
  double scale;
  QRgb expectedAt00, expectedAt11;  // what shows at picture pixels (0, 0) and (1, 1)
};

void PrintTo(const ViewCase& c, std::ostream* os) { *os << c.name; }

class ImageViewTest : public testing::TestWithParam<ViewCase> {};

TEST_P(ImageViewTest, ShowsTheLayerOverTheBackColour) {
  const ViewCase& c = GetParam();
  TBitmap32 view(4, 3), layer(4, 3);
  view.Clear(kBack);
  layer.Clear(c.layerColor);
  layer.Pixel(1, 1) = c.cornerColor;
  layer.MasterAlpha = c.masterAlpha;
  ImageView widget(view, layer);
  widget.SetScale(c.scale);
  widget.resize(20, 20);
  const QImage shown = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);

  const int s = int(c.scale);
  for (int dy = 0; dy < s; ++dy)
    for (int dx = 0; dx < s; ++dx) {
      EXPECT_EQ(shown.pixel(dx, dy), c.expectedAt00) << "picture pixel (0, 0), screen offset " << dx << "," << dy;
      EXPECT_EQ(shown.pixel(s + dx, s + dy), c.expectedAt11) << "picture pixel (1, 1)";
    }
  EXPECT_EQ(shown.pixel(4 * s, 0), kGrey) << "right of the picture";
  EXPECT_EQ(shown.pixel(0, 3 * s), kGrey) << "below the picture";
  EXPECT_EQ(shown.pixel(19, 19), kGrey) << "far corner";
}

INSTANTIATE_TEST_SUITE_P(
    Layers, ImageViewTest,
    testing::Values(
        ViewCase{"OpaqueLayerHidesTheBackColour", 0xFF112233u, 0xFFAABBCCu, 255, 1.0, 0xFF112233u, 0xFFAABBCCu},
        ViewCase{"OpaqueLayerAtTwiceTheSize", 0xFF112233u, 0xFFAABBCCu, 255, 2.0, 0xFF112233u, 0xFFAABBCCu},
        ViewCase{"ClearedLayerShowsTheBackColour", 0x00000000u, 0x00000000u, 255, 1.0, kBack, kBack},
        ViewCase{"OneTransparentPixelShowsTheBackColourThere", 0xFF112233u, 0x00FFFFFFu, 255, 1.0, 0xFF112233u, kBack},
        ViewCase{"OpacityZeroHidesAnOpaqueLayer", 0xFF112233u, 0xFFAABBCCu, 0, 1.0, kBack, kBack},
        // Layer opacity 50 %: half-way between layer and back colour, as Qt
        // rounds it.
        ViewCase{"HalfOpacityMixesWithTheBackColour", 0xFFFFFFFFu, 0xFF000000u, 128, 1.0, 0xFF8F9FAFu, 0xFF102030u}),
    [](const testing::TestParamInfo<ViewCase>& i) { return i.param.name; });

// The view remembers whether the layer is opaque between paints. Each row
// changes a layer that was shown opaque so that pixel (1, 1) becomes clear,
// tells the view as the main window would, and expects the back colour to
// show through there.
struct ChangeCase {
  std::string name;
  void (*change)(TBitmap32& layer, ImageView& view);
};

void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

class LayerChangeTest : public testing::TestWithParam<ChangeCase> {};

TEST_P(LayerChangeTest, TheViewLooksAgainAfterAChange) {
  TBitmap32 view(4, 3), layer(4, 3);
  view.Clear(kBack);
  layer.Clear(0xFF112233u);
  ImageView widget(view, layer);
  widget.resize(20, 20);
  widget.LayerChanged(true);
  ASSERT_EQ(widget.grab().toImage().pixel(1, 1), 0xFF112233u) << "the opaque layer first";

  GetParam().change(layer, widget);
  const QImage shown = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown.pixel(1, 1), kBack) << "the clear pixel";
  EXPECT_EQ(shown.pixel(0, 0), 0xFF112233u) << "an opaque pixel";
}

INSTANTIATE_TEST_SUITE_P(Changes, LayerChangeTest,
                         testing::Values(ChangeCase{"ChangedWithoutSayingHow",
                                                    [](TBitmap32& layer, ImageView& view) {
                                                      layer.Pixel(1, 1) = 0x00000000u;
                                                      view.LayerChanged();
                                                    }},
                                         ChangeCase{"SaidToBeTransparent",
                                                    [](TBitmap32& layer, ImageView& view) {
                                                      layer.Pixel(1, 1) = 0x00000000u;
                                                      view.LayerChanged(false);
                                                    }},
                                         // A layer made anew is looked at again even unannounced.
                                         ChangeCase{"MadeAnewAtTheSameSize",
                                                    [](TBitmap32& layer, ImageView&) {
                                                      TBitmap32 fresh(4, 3);
                                                      fresh.Clear(0xFF112233u);
                                                      fresh.Pixel(1, 1) = 0x00000000u;
                                                      layer = std::move(fresh);
                                                    }}),
                         [](const testing::TestParamInfo<ChangeCase>& i) { return i.param.name; });

// In the window the overlay is painted into the window's backing image, at
// the view's place in it and clipped to what is being repainted; the lines'
// pixels put directly must land where the painter would put them.
TEST(ImageViewOverlay, LinesPutDirectlyLandWhereThePainterPutsThem) {
  auto shown = [](OverlayPlotting plotting) {
    TBitmap32 view(60, 40), layer(60, 40);
    view.Clear(kBack);
    layer.Clear(0xFF808080u);
    QWidget window;
    window.resize(90, 70);
    auto* widget = new ImageView(view, layer, &window);
    widget->setGeometry(13, 9, 60, 40);
    OverlayScene scene;
    scene.Items.push_back(OverlayLine{-5.5f, 3.25f, 70.0f, 33.5f, 0xFFFF0000u, false, 0.0f});
    scene.Items.push_back(OverlayLine{30.2f, -4.0f, 12.0f, 50.0f, 0xC000FF00u, true, 1.5f});
    scene.Items.push_back(OverlayHandle{30, 20});
    widget->OverlayPainter = [&](QPainter& p) { PaintOverlayScene(p, scene, plotting); };
    return window.grab().toImage().convertToFormat(QImage::Format_RGB32);
  };
  const QImage direct = shown(OverlayPlotting::Fastest), painter = shown(OverlayPlotting::ThroughThePainter);
  int linePixels = 0;
  for (int y = 0; y < direct.height(); ++y)
    for (int x = 0; x < direct.width(); ++x) {
      ASSERT_EQ(direct.pixel(x, y), painter.pixel(x, y)) << "at " << x << "," << y;
      linePixels += painter.pixel(x, y) != 0xFF808080u && painter.pixel(x, y) != direct.pixel(0, 0);
    }
  EXPECT_GT(linePixels, 100) << "the lines were drawn at all";
}

}  // namespace
}  // namespace plumavo
