// The drawing view: the view bitmap (filled with BackColor), the canvas layer
// blended over it with the canvas opacity as master alpha, and the shape
// overlay on top, all scaled by the zoom with nearest-neighbour stretching.
// The bitmaps are owned by the main window; the view wraps their pixels
// without copying them.
#pragma once

#include <functional>
#include <optional>

#include <QWidget>

#include "surface/bitmap32.h"

namespace plumavo {

// Rounds to the nearest integer with halves going to the even neighbour.
int RoundHalfEven(double v);

class ImageView : public QWidget {
  Q_OBJECT
 public:
  ImageView(TBitmap32& viewBitmap, TBitmap32& canvasLayer, QWidget* parent = nullptr);

  double Scale() const { return scale_; }
  void SetScale(double s);
  // Bitmap size times Scale, each side rounded half to even.
  QSize ScaledSize() const;

  // To be called whenever the layer's pixels change. opaque is what the
  // caller knows of them: true when every alpha is 255. Without it the view
  // looks at every pixel once, at its next paint, and keeps the answer until
  // the next change, instead of at every paint.
  void LayerChanged(std::optional<bool> opaque = std::nullopt);

  bool OverlayVisible() const { return overlayVisible_; }
  void SetOverlayVisible(bool v);
  // Paints the overlay; the painter is in view pixels (already scaled space).
  std::function<void(QPainter&)> OverlayPainter;

  // Mouse positions in view pixels, as the events deliver them.
  std::function<void(QMouseEvent&)> OnMouseDown, OnMouseMove, OnMouseUp;
  std::function<void()> OnMouseLeave;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  bool LayerOpaque() const;

  TBitmap32& view_;
  TBitmap32& layer_;
  double scale_ = 1.0;
  bool overlayVisible_ = true;
  // Whether every alpha of the layer is 255, for the pixels at `layerBits_`
  // in a layer of `layerSize_` (a layer that moved or changed its size is
  // looked at again).
  mutable std::optional<bool> layerOpaque_;
  mutable const TColor32* layerBits_ = nullptr;
  mutable QSize layerSize_;
};

}  // namespace plumavo
