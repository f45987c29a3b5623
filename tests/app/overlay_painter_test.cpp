#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <memory>

#include "app/overlay_painter.h"
#include "editing/shape_editor.h"
#include "tests/support/editor_fixture.h"

namespace plumavo {
namespace {

QGuiApplication& App() {
  static int argc = 1;
  static char name[] = "overlay_painter_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
  return app;
}

QImage Paint(const OverlayScene& scene) {
  App();
  QImage img(64, 64, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter painter(&img);
  PaintOverlayScene(painter, scene);
  painter.end();
  return img;
}

TEST(OverlayPainter, HandleIsAWhiteSquareInABlackFrame) {
  OverlayScene s;
  s.Items.push_back(OverlayHandle{20, 20});
  const QImage img = Paint(s);
  for (int y = 16; y <= 23; ++y)
    for (int x = 16; x <= 23; ++x) {
      const bool inFrame = x >= 17 && x <= 22 && y >= 17 && y <= 22;
      const bool inFill = x >= 18 && x <= 21 && y >= 18 && y <= 21;
      const QRgb expected = inFill ? 0xFFFFFFFFu : (inFrame ? 0xFF000000u : 0u);
      EXPECT_EQ(img.pixel(x, y), expected) << x << "," << y;
    }
}

// A horizontal stippled line from position 0: two clear pixels, one fading
// in, three solid, one fading out, then the next period; the end pixel is
// left out, so a closing edge does not cover the corner it returns to.
TEST(OverlayPainter, StippledLineFadesInAndOutAndLeavesOutItsEnd) {
  OverlayScene s;
  s.Items.push_back(OverlayLine{0, 40, 16, 40, 0xFFFF0000u, true, 0.0f});
  const QImage img = Paint(s);
  const int alphas[] = {0, 0, 0, 128, 255, 255, 255, 128, 0, 0, 0, 128, 255, 255, 255, 128};
  for (int x = 0; x < 16; ++x) EXPECT_NEAR(qAlpha(img.pixel(x, 40)), alphas[x], 1) << "pixel " << x;
  EXPECT_EQ(qAlpha(img.pixel(16, 40)), 0) << "the end pixel is drawn";
  EXPECT_EQ(qAlpha(img.pixel(5, 39)), 0);
  EXPECT_EQ(qAlpha(img.pixel(5, 41)), 0);
}

TEST(OverlayPainter, PlainLineCoversOnePixelPerStepSharedAcrossTheLine) {
  OverlayScene s;
  s.Items.push_back(OverlayLine{10, 10, 10, 30, 0xFF0000FFu, false, 0.0f});  // vertical, on pixel centres
  s.Items.push_back(OverlayLine{20, 0, 40, 10, 0xFF00FF00u, false, 0.0f});   // half a pixel across per step
  const QImage img = Paint(s);
  for (int y = 10; y < 30; ++y) EXPECT_EQ(img.pixel(10, y), 0xFF0000FFu) << y;
  EXPECT_EQ(qAlpha(img.pixel(10, 30)), 0);
  // At x = 21 the line is half way between rows 0 and 1: both half covered.
  EXPECT_NEAR(qAlpha(img.pixel(21, 0)), 128, 1);
  EXPECT_NEAR(qAlpha(img.pixel(21, 1)), 128, 1);
  EXPECT_EQ(img.pixel(22, 1), 0xFF00FF00u);
}

// Lines as long as view coordinates get at high zoom, or with an end far off
// screen: only what is visible is drawn, exactly there, and quickly.
TEST(OverlayPainter, HugeLinesDrawOnlyTheirVisiblePart) {
  struct Row {
    const char* name;
    OverlayLine line;
    int row;  // the row of the 64 x 64 image the line crosses, -1 none
  };
  const float far = 2.0e9f;
  for (const Row& r : {Row{"across the whole int range", {-far, 20, far, 20, 0xFF0000FFu, false, 0}, 20},
                       Row{"dashed, from far left", {-far, 30, 40, 30, 0xFF0000FFu, true, 0}, 30},
                       Row{"far above the picture", {-far, -far, far, -far, 0xFF0000FFu, false, 0}, -1},
                       Row{"steep, through the picture", {10, -far, 10, far, 0xFF0000FFu, false, 0}, -1}}) {
    const auto start = std::chrono::steady_clock::now();
    OverlayScene s;
    s.Items.push_back(r.line);
    const QImage img = Paint(s);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << r.name;
    int painted = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x)
        if (qAlpha(img.pixel(x, y)) != 0) {
          ++painted;
          if (r.row >= 0) {
            EXPECT_EQ(y, r.row) << r.name << " painted off its row at " << x;
          }
        }
    if (r.row >= 0 || r.line.X1 == r.line.X2) {
      EXPECT_GT(painted, 10) << r.name;
    } else {
      EXPECT_EQ(painted, 0) << r.name;
    }
  }
}

// Labels are the window-text colour and nothing else, whatever lies under them.
TEST(OverlayPainter, LabelsAreOneColourOnEveryCanvas) {
  App();
  const TColor32 text = SystemColorTable::Get(8);
  for (QRgb canvas : {0xFFFFFFFFu, 0xFF2040C0u, 0xFF000000u}) {
    QImage img(40, 30, QImage::Format_RGB32);
    img.fill(canvas);
    QPainter painter(&img);
    OverlayScene s;
    s.Items.push_back(OverlayLabel{4, 4, "8B"});
    PaintOverlayScene(painter, s);
    painter.end();
    int changed = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.pixel(x, y) != canvas) {
          ++changed;
          EXPECT_EQ(img.pixel(x, y), (text | 0xFF000000u)) << "at " << x << "," << y << " on " << std::hex << canvas;
        }
    if (canvas != (text | 0xFF000000u)) {
      EXPECT_GT(changed, 0);
    }
  }
}

TEST(OverlayPainter, LabelSitsBelowAndRightOfItsPoint) {
  OverlayScene s;
  s.Items.push_back(OverlayLabel{30, 10, "A"});
  const QImage img = Paint(s);
  int inside = 0, outside = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if (qAlpha(img.pixel(x, y)) != 0) ++((x >= 30 && y >= 10) ? inside : outside);
  EXPECT_GT(inside, 0);
  EXPECT_EQ(outside, 0);
}

TEST(OverlayPainter, HiddenShapesPaintNothing) {
  App();
  testing_editor::EditorFixture f;
  f.AddShapesApart(1);
  QImage img(64, 64, QImage::Format_ARGB32);
  for (bool hide : {false, true}) {
    if (hide) f.ed.ToggleShapes();
    img.fill(Qt::transparent);
    QPainter painter(&img);
    PaintShapeOverlay(painter, f.ed);
    painter.end();
    int painted = 0;
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) painted += qAlpha(img.pixel(x, y)) != 0;
    EXPECT_EQ(painted > 0, !hide);
  }
}

// Lines are put pixel by pixel straight into the painter's image where it
// allows that. Whatever the target and the painter's state, the picture must
// be the one the painter's own one-pixel fills make: every alpha and every
// colour below it, where lines cross, and in order with the handles and
// labels drawn between them.
OverlayScene BusyScene() {
  OverlayScene s;
  const TColor32 colors[] = {0xFFFF0000u, 0x80204060u, 0xFF00FF00u, 0x33FFFFFFu, 0xC0C08040u};
  for (int k = 0; k < 24; ++k) {
    // Ends off the pixel grid, some beyond the picture's edges.
    const float x1 = float((k * 37) % 90 - 10) + 0.29f * float(k % 4), y1 = float((k * 53) % 70 - 5) + 0.41f;
    const float x2 = float((k * 71 + 20) % 100 - 5) + 0.7f, y2 = float((k * 29 + 40) % 80 - 8) - 0.13f * float(k % 3);
    s.Items.push_back(OverlayLine{x1, y1, x2, y2, colors[k % 5], k % 3 == 0, float(k) * 0.37f});
    if (k % 6 == 2) s.Items.push_back(OverlayHandle{int32_t(x2), int32_t(y2)});
    if (k % 8 == 5) s.Items.push_back(OverlayLabel{int32_t(x1), int32_t(y1), "12"});
  }
  return s;
}

struct PlotTarget {
  const char* name;
  QImage::Format format;
  void (*setUp)(QPainter&);
};

QImage PaintOn(const PlotTarget& t, OverlayPlotting plotting) {
  App();
  QImage img(80, 64, t.format);
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      img.setPixel(x, y,
                   qRgba(x * 3, y * 4, (x * y) & 255, t.format == QImage::Format_RGB32 ? 255 : (x * 5 + y) & 255));
  QPainter painter(&img);
  t.setUp(painter);
  PaintOverlayScene(painter, BusyScene(), plotting);
  painter.end();
  return img;
}

TEST(OverlayPainter, PixelsPutDirectlyEqualThePaintersOwn) {
  const PlotTarget targets[] = {
      {"OpaqueImage", QImage::Format_RGB32, [](QPainter&) {}},
      {"PremultipliedImage", QImage::Format_ARGB32_Premultiplied, [](QPainter&) {}},
      {"MovedByWholePixels", QImage::Format_RGB32, [](QPainter& p) { p.translate(7, -3); }},
      {"ClippedToARectangle", QImage::Format_RGB32, [](QPainter& p) { p.setClipRect(10, 8, 45, 30); }},
      {"MovedAndClipped", QImage::Format_ARGB32_Premultiplied,
       [](QPainter& p) {
         p.translate(-5, 4);
         p.setClipRect(3, 2, 60, 40);
       }},
      {"ClippedToTwoRectangles", QImage::Format_RGB32,
       [](QPainter& p) { p.setClipRegion(QRegion(0, 0, 30, 30) + QRegion(40, 20, 30, 30)); }},
      {"MovedByHalfAPixel", QImage::Format_RGB32, [](QPainter& p) { p.translate(0.5, 0.5); }},
      {"HalfOpacity", QImage::Format_RGB32, [](QPainter& p) { p.setOpacity(0.5); }},
      {"StraightAlphaImage", QImage::Format_ARGB32, [](QPainter&) {}},
  };
  for (const PlotTarget& t : targets) {
    const QImage direct = PaintOn(t, OverlayPlotting::Fastest);
    const QImage painter = PaintOn(t, OverlayPlotting::ThroughThePainter);
    int differ = 0;
    for (int y = 0; y < direct.height(); ++y)
      for (int x = 0; x < direct.width(); ++x)
        if (direct.pixel(x, y) != painter.pixel(x, y) && ++differ <= 3)
          ADD_FAILURE() << t.name << ": at " << x << "," << y << " " << std::hex << direct.pixel(x, y) << " instead of "
                        << painter.pixel(x, y);
    EXPECT_EQ(differ, 0) << t.name;
  }
}

}  // namespace
}  // namespace plumavo
