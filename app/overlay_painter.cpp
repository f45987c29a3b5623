#include "app/overlay_painter.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QRegion>
#include <QRgba64>
#include <QScopeGuard>
#include <QString>
#include <QTransform>
#include <QVector>
#include <algorithm>
#include <cmath>

#include "editing/shape_editor.h"

namespace plumavo {

namespace {

QColor ToQColor(TColor32 c) { return QColor::fromRgba(c); }

void FillRect(QPainter& painter, const TRect& r, TColor32 c) {
  painter.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), ToQColor(c));
}

void DrawHandle(QPainter& painter, int32_t x, int32_t y) {
  FillRect(painter, HandleFillRect(x, y), kHandleFill);
  // One-pixel frame of the 6 x 6 square, drawn as four runs of pixels.
  const TRect f = HandleFrameRect(x, y);
  FillRect(painter, {f.Left, f.Top, f.Right, f.Top + 1}, kHandleFrame);
  FillRect(painter, {f.Left, f.Bottom - 1, f.Right, f.Bottom}, kHandleFrame);
  FillRect(painter, {f.Left, f.Top + 1, f.Left + 1, f.Bottom - 1}, kHandleFrame);
  FillRect(painter, {f.Right - 1, f.Top + 1, f.Right, f.Bottom - 1}, kHandleFrame);
}

// x's four channels times a / 255, rounded as the painter's own blending
// rounds them.
uint32_t ByteMul(uint32_t x, uint32_t a) {
  uint32_t t = (x & 0xFF00FFu) * a;
  t = ((t + ((t >> 8) & 0xFF00FFu) + 0x800080u) >> 8) & 0xFF00FFu;
  x = ((x >> 8) & 0xFF00FFu) * a;
  x = (x + ((x >> 8) & 0xFF00FFu) + 0x800080u) & 0xFF00FF00u;
  return x | t;
}

// Puts the single pixels of the lines. An outline is thousands of them, and
// a one-pixel fillRect costs about 80 ns of set-up each, so where the
// painter allows it they go straight into the pixels of the image it paints
// on, with the arithmetic of its own one-pixel fillRect (the tests hold the
// two equal): a raster painter on a 32-bit opaque or premultiplied image,
// moved by whole pixels only, at full opacity, clipped to one rectangle.
// Anything else goes through fillRect.
class PixelPlotter {
 public:
  PixelPlotter(QPainter& painter, OverlayPlotting plotting) : painter_(painter) {
    if (plotting == OverlayPlotting::ThroughThePainter) return;
    QPaintEngine* engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::Raster || engine->paintDevice() == nullptr ||
        engine->paintDevice()->devType() != QInternal::Image)
      return;
    auto* image = static_cast<QImage*>(engine->paintDevice());
    if (image->format() != QImage::Format_RGB32 && image->format() != QImage::Format_ARGB32_Premultiplied) return;
    const QTransform& t = painter.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy())) return;
    if (painter.opacity() != 1.0 || painter.compositionMode() != QPainter::CompositionMode_SourceOver) return;
    QRect clip = image->rect();
    const QRegion system = engine->systemClip();
    if (!system.isEmpty()) {
      if (system.rectCount() != 1) return;
      clip &= system.boundingRect();
    }
    if (painter.hasClipping()) {
      const QRegion own = painter.clipRegion() * t;
      if (own.rectCount() != 1) return;
      clip &= own.boundingRect();
    }
    dx_ = int(t.dx());
    dy_ = int(t.dy());
    clip_ = clip;
    bits_ = image->bits();
    stride_ = image->bytesPerLine();
  }

  void Plot(int32_t x, int32_t y, TColor32 c, float coverage) {
    const int alpha = int(std::lround(float(c >> 24) * coverage));
    if (alpha <= 0) return;
    const QRgb argb = (c & 0x00FFFFFFu) | (TColor32(alpha) << 24);
    if (bits_ == nullptr) {
      painter_.fillRect(QRect(x, y, 1, 1), QColor::fromRgba(argb));
      return;
    }
    // Both coordinates are far inside int range here: the line drawer skips
    // steps outside the visible area.
    const int px = x + dx_, py = y + dy_;
    if (!clip_.contains(px, py)) return;
    auto* pixel = reinterpret_cast<uint32_t*>(bits_ + qsizetype(py) * stride_) + px;
    // The painter premultiplies in 16 bits and rounds back to 8.
    const uint32_t color = qPremultiply(QRgba64::fromArgb32(argb)).toArgb32();
    *pixel = color + ByteMul(*pixel, 255u - (color >> 24));
  }

 private:
  QPainter& painter_;
  uchar* bits_ = nullptr;
  qsizetype stride_ = 0;
  int dx_ = 0, dy_ = 0;
  QRect clip_;
};

// One pixel per step along the longer axis, each step shared between the two
// pixels across the line by its fractional position; the end pixel is left
// out, so the next edge of the outline starts on a pixel of its own. Steps
// outside the painter's visible area are skipped without being visited, so a
// long edge at high zoom costs only what is on screen.
void DrawLine(PixelPlotter& plotter, const OverlayLine& l, const QRect& visible) {
  const int32_t n = LinePixelCount(l.X1, l.Y1, l.X2, l.Y2);
  if (n <= 0) return;
  // Doubles throughout: view coordinates at high zoom, and step counts of a
  // long line, are beyond what a float holds to the pixel.
  const double x1 = l.X1, y1 = l.Y1;
  const double dx = (double(l.X2) - x1) / n, dy = (double(l.Y2) - y1) / n;
  const bool alongX = std::fabs(double(l.X2) - x1) >= std::fabs(double(l.Y2) - y1);
  // The steps whose major coordinate falls inside the visible area, clamped
  // to the line before they become integers.
  const double start = alongX ? x1 : y1, step = alongX ? dx : dy;
  const double lo = double(alongX ? visible.left() : visible.top()) - 1.0;
  const double hi = double(alongX ? visible.right() : visible.bottom()) + 1.0;
  double first = 0, last = double(n) - 1;
  if (step > 0) {
    first = std::max(first, std::floor((lo - start) / step));
    last = std::min(last, std::ceil((hi - start) / step));
  } else if (step < 0) {
    first = std::max(first, std::floor((hi - start) / step));
    last = std::min(last, std::ceil((lo - start) / step));
  }
  if (!(first <= last)) return;
  // Across the line, pixels far outside the visible area are skipped too.
  const double acrossLo = double(alongX ? visible.top() : visible.left()) - 2.0;
  const double acrossHi = double(alongX ? visible.bottom() : visible.right()) + 2.0;
  for (int32_t i = int32_t(first); i <= int32_t(last); ++i) {
    const TColor32 c =
        l.Dashed ? StippleColor(l.Color, float(std::fmod(double(l.StipplePos) + double(kStippleStep) * i, 4.0)))
                 : l.Color;
    if ((c >> 24) == 0) continue;
    const double x = x1 + dx * i, y = y1 + dy * i;
    const double across = alongX ? y : x;
    if (!(across >= acrossLo && across <= acrossHi)) continue;
    if (alongX) {
      const double fy = std::floor(y);
      const float f = float(y - fy);
      plotter.Plot(int32_t(std::lround(x)), int32_t(fy), c, 1.0f - f);
      plotter.Plot(int32_t(std::lround(x)), int32_t(fy) + 1, c, f);
    } else {
      const double fx = std::floor(x);
      const float f = float(x - fx);
      plotter.Plot(int32_t(fx), int32_t(std::lround(y)), c, 1.0f - f);
      plotter.Plot(int32_t(fx) + 1, int32_t(std::lround(y)), c, f);
    }
  }
}

void DrawLabel(QPainter& painter, const OverlayLabel& label, const QFont& font) {
  painter.setFont(font);
  // The window-text colour, as every other text of the window.
  painter.setPen(QColor::fromRgba(SystemColorTable::Get(8)));
  painter.drawText(QRect(label.X, label.Y, 1000, 100), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                   QString::fromStdString(label.Text));
}

}  // namespace

void PaintOverlayScene(QPainter& painter, const OverlayScene& scene, OverlayPlotting plotting) {
  if (scene.Items.empty()) return;
  // The painter is handed back as it came, also when drawing throws.
  painter.save();
  const auto restore = qScopeGuard([&] { painter.restore(); });
  QFont font = QGuiApplication::font();
  font.setPointSize(8);
  // Plain glyphs: smoothed edges would mix with the picture underneath and
  // make the labels look a different colour on every canvas.
  font.setStyleStrategy(QFont::NoAntialias);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  const QRect visible = painter.hasClipping() ? painter.clipBoundingRect().toAlignedRect()
                                              : QRect(0, 0, painter.device()->width(), painter.device()->height());
  PixelPlotter plotter(painter, plotting);
  for (const OverlayItem& item : scene.Items) {
    if (const auto* line = std::get_if<OverlayLine>(&item))
      DrawLine(plotter, *line, visible);
    else if (const auto* handle = std::get_if<OverlayHandle>(&item))
      DrawHandle(painter, handle->X, handle->Y);
    else if (const auto* label = std::get_if<OverlayLabel>(&item))
      DrawLabel(painter, *label, font);
  }
}

void PaintShapeOverlay(QPainter& painter, const ShapeEditor& editor) {
  if (!editor.ShapesVisible()) return;
  PaintOverlayScene(painter, editor.Overlay());
}

}  // namespace plumavo
