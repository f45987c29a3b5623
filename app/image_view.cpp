#include "app/image_view.h"

#include <cmath>

#include <QImage>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

namespace plumavo {

int RoundHalfEven(double v) { return int(std::nearbyint(v)); }

ImageView::ImageView(TBitmap32& viewBitmap, TBitmap32& canvasLayer, QWidget* parent)
    : QWidget(parent), view_(viewBitmap), layer_(canvasLayer) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);  // the window takes the arrow keys
  setMouseTracking(true);
}

void ImageView::SetScale(double s) {
  scale_ = s;
  update();
}

QSize ImageView::ScaledSize() const {
  return {RoundHalfEven(view_.Width() * scale_), RoundHalfEven(view_.Height() * scale_)};
}

void ImageView::LayerChanged(std::optional<bool> opaque) {
  layerOpaque_ = opaque;
  layerBits_ = layer_.Bits();
  layerSize_ = QSize(layer_.Width(), layer_.Height());
}

bool ImageView::LayerOpaque() const {
  const QSize size(layer_.Width(), layer_.Height());
  if (!layerOpaque_ || layerBits_ != layer_.Bits() || layerSize_ != size) {
    layerOpaque_ = layer_.IsOpaque();
    layerBits_ = layer_.Bits();
    layerSize_ = size;
  }
  return *layerOpaque_;
}

void ImageView::SetOverlayVisible(bool v) {
  overlayVisible_ = v;
  update();
}

namespace {

QImage Wrap(const TBitmap32& b, QImage::Format f) {
  return QImage(reinterpret_cast<const uchar*>(b.Bits()), b.Width(), b.Height(), qsizetype(b.Width()) * 4, f);
}

}  // namespace

void ImageView::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  const QColor grey(0x78, 0x78, 0x78);
  if (view_.Empty()) {
    p.fillRect(e->rect(), grey);
    return;
  }
  const QRect target(QPoint(0, 0), ScaledSize());
  // Grey only around the picture: filling under it would be painted over.
  for (const QRect& r : QRegion(e->rect()).subtracted(target)) p.fillRect(r, grey);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  const bool layerShown = !layer_.Empty() && layer_.MasterAlpha > 0;
  // A rendered layer is opaque and covers the view bitmap: it is drawn alone,
  // and as RGB32, so nothing is blended or converted on the way. Otherwise the
  // opaque view bitmap (BackColor) shows through the layer.
  const bool layerCovers = layerShown && layer_.MasterAlpha == 255 && layer_.Width() == view_.Width() &&
                           layer_.Height() == view_.Height() && LayerOpaque();
  if (layerCovers) {
    p.drawImage(target, Wrap(layer_, QImage::Format_RGB32));
  } else {
    p.drawImage(target, Wrap(view_, QImage::Format_RGB32));
    if (layerShown) {
      p.setOpacity(layer_.MasterAlpha / 255.0);
      p.drawImage(
          QRect(QPoint(0, 0), QSize(RoundHalfEven(layer_.Width() * scale_), RoundHalfEven(layer_.Height() * scale_))),
          Wrap(layer_, QImage::Format_ARGB32));
      p.setOpacity(1.0);
    }
  }
  if (overlayVisible_ && OverlayPainter) OverlayPainter(p);
}

void ImageView::mousePressEvent(QMouseEvent* e) {
  if (OnMouseDown) OnMouseDown(*e);
}

void ImageView::mouseMoveEvent(QMouseEvent* e) {
  if (OnMouseMove) OnMouseMove(*e);
}

void ImageView::mouseReleaseEvent(QMouseEvent* e) {
  if (OnMouseUp) OnMouseUp(*e);
}

void ImageView::leaveEvent(QEvent* e) {
  QWidget::leaveEvent(e);
  if (OnMouseLeave) OnMouseLeave();
}

}  // namespace plumavo
