#include "editing/overlay_painter.h"

#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>
#include <QRect>
#include <QString>
#include <QVector>

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

void DrawLine(QPainter& painter, const OverlayLine& l) {
  QPen pen(ToQColor(l.Color));
  pen.setWidth(1);
  pen.setCosmetic(true);
  pen.setCapStyle(Qt::FlatCap);
  if (l.Dashed) {
    pen.setDashPattern(QVector<qreal>{4.0, 4.0});
    pen.setDashOffset(l.DashOffset);
  }
  painter.setPen(pen);
  painter.setRenderHint(QPainter::Antialiasing, true);
  // Pixel centres, so a horizontal or vertical edge covers one row of pixels.
  painter.drawLine(QPointF(l.X1 + 0.5, l.Y1 + 0.5), QPointF(l.X2 + 0.5, l.Y2 + 0.5));
  painter.setRenderHint(QPainter::Antialiasing, false);
}

void DrawLabel(QPainter& painter, const OverlayLabel& label, const QFont& font) {
  painter.setFont(font);
  painter.setPen(QColor(Qt::black));
  painter.drawText(QRect(label.X, label.Y, 1000, 100), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip,
                   QString::fromStdString(label.Text));
}

}  // namespace

void PaintOverlayScene(QPainter& painter, const OverlayScene& scene) {
  if (scene.Items.empty()) return;
  painter.save();
  try {
    QFont font = QGuiApplication::font();
    font.setPointSize(8);
    for (const OverlayItem& item : scene.Items) {
      if (const auto* line = std::get_if<OverlayLine>(&item))
        DrawLine(painter, *line);
      else if (const auto* handle = std::get_if<OverlayHandle>(&item))
        DrawHandle(painter, handle->X, handle->Y);
      else if (const auto* label = std::get_if<OverlayLabel>(&item))
        DrawLabel(painter, *label, font);
    }
  } catch (...) {
    // What was drawn stays; the next repaint tries again.
  }
  painter.restore();
}

void PaintShapeOverlay(QPainter& painter, const ShapeEditor& editor) {
  if (!editor.ShapesVisible()) return;
  PaintOverlayScene(painter, editor.Overlay());
}

}  // namespace plumavo
