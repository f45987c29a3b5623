#include "app/overlay_painter.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QScopeGuard>
#include <QString>
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

void Plot(QPainter& painter, int32_t x, int32_t y, TColor32 c, float coverage) {
  const int alpha = int(std::lround(float(c >> 24) * coverage));
  if (alpha <= 0) return;
  painter.fillRect(QRect(x, y, 1, 1), QColor::fromRgba((c & 0x00FFFFFFu) | (TColor32(alpha) << 24)));
}

// One pixel per step along the longer axis, each step shared between the two
// pixels across the line by its fractional position; the end pixel is left
// out, so the next edge of the outline starts on a pixel of its own. Steps
// outside the painter's visible area are skipped without being visited, so a
// long edge at high zoom costs only what is on screen.
void DrawLine(QPainter& painter, const OverlayLine& l, const QRect& visible) {
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
      Plot(painter, int32_t(std::lround(x)), int32_t(fy), c, 1.0f - f);
      Plot(painter, int32_t(std::lround(x)), int32_t(fy) + 1, c, f);
    } else {
      const double fx = std::floor(x);
      const float f = float(x - fx);
      Plot(painter, int32_t(fx), int32_t(std::lround(y)), c, 1.0f - f);
      Plot(painter, int32_t(fx) + 1, int32_t(std::lround(y)), c, f);
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

void PaintOverlayScene(QPainter& painter, const OverlayScene& scene) {
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
  for (const OverlayItem& item : scene.Items) {
    if (const auto* line = std::get_if<OverlayLine>(&item))
      DrawLine(painter, *line, visible);
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
