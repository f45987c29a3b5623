#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>

#include "editing/overlay_painter.h"
#include "editing/shape_editor.h"
#include "tests/editing/editor_fixture.h"

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

// A horizontal dashed line at offset 0: 4 pixels on, 4 off; at offset 4 the
// other way round.
TEST(OverlayPainter, DashedLineRunsFourOnFourOff) {
  for (float offset : {0.0f, 4.0f}) {
    OverlayScene s;
    s.Items.push_back(OverlayLine{0, 40, 40, 40, 0xFFFF0000u, true, offset});
    const QImage img = Paint(s);
    const bool firstOn = offset == 0.0f;
    for (int x : {1, 2, 9, 10, 17, 18}) EXPECT_EQ(qAlpha(img.pixel(x, 40)), firstOn ? 255 : 0) << x;
    for (int x : {5, 6, 13, 14, 21, 22}) EXPECT_EQ(qAlpha(img.pixel(x, 40)), firstOn ? 0 : 255) << x;
    EXPECT_EQ(img.pixel(1 + (firstOn ? 0 : 4), 40), 0xFFFF0000u);
    EXPECT_EQ(qAlpha(img.pixel(10, 39)), 0);
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

}  // namespace
}  // namespace plumavo
