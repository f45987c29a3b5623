// Small controls of the main window and its dialogs: a colour swatch, the
// palette picture and a clickable icon.
#pragma once

#include <functional>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QWidget>

#include "surface/bitmap32.h"

namespace plumavo {

// A rectangle filled with one colour inside a one-pixel black frame; a press
// of any mouse button calls OnMouseDown.
class ColorSwatch : public QWidget {
  Q_OBJECT
 public:
  explicit ColorSwatch(QWidget* parent = nullptr) : QWidget(parent) {}
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  std::function<void()> OnMouseDown;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;

 private:
  TColor color_ = 0;
};

// A one-pixel outline in one colour around a see-through middle: the frame
// round the view, whose colour blinks while a movie is recorded.
class OutlineBox : public QWidget {
  Q_OBJECT
 public:
  explicit OutlineBox(QColor color, QWidget* parent = nullptr) : QWidget(parent), color_(color) {}
  QColor Color() const { return color_; }
  void SetColor(QColor c);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QColor color_;
};

// The palette picture. Positions are mapped onto the picture (stretched when
// the control is larger) and clamped to it, so a drag that leaves the control
// keeps picking the nearest edge colour.
class PalettePicture : public QWidget {
  Q_OBJECT
 public:
  explicit PalettePicture(QWidget* parent = nullptr) : QWidget(parent) {}
  void SetPicture(const QImage& img);
  const QImage& Picture() const { return picture_; }
  // Colour under a control position; nullopt-like -1 when there is no picture.
  TColor ColorAt(QPoint pos) const;
  // Called with the colour under the mouse: on a left press and on moves with
  // the left button held (Preview), and on the left release (Pick).
  std::function<void(TColor)> OnPreview, OnPick;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  QImage picture_;
};

// A spin edit whose text field the window can read and repair while typing.
// Any short run of digits may stand in the field while typing, so the window
// can limit an out-of-range number itself instead of the keystroke vanishing.
class SpinEdit : public QSpinBox {
  Q_OBJECT
 public:
  using QSpinBox::lineEdit;
  using QSpinBox::QSpinBox;

 protected:
  QValidator::State validate(QString& text, int& pos) const override;
};

// A picture label that reports clicks.
class ClickLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
  std::function<void()> OnClick;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
};

// Moves a window so that it sits in the middle of the available area of the
// screen that `near` is on (its own screen when near is null), at the size
// its layout asks for. The frame is not known before the first show, so the
// client area is centred; the title bar's few pixels are the difference.
void CentreOnScreen(QWidget& window, const QWidget* near = nullptr);

// The busy cursor for as long as it lives: decoding a file in the child
// process can take a few seconds.
class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace plumavo
