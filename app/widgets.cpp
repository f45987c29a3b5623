#include "app/widgets.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QPainter>

#include "app/prompts.h"

namespace plumavo {

void ColorSwatch::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  update();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), ToQColor(color_));
  p.setPen(Qt::black);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColorSwatch::mousePressEvent(QMouseEvent* e) {
  e->accept();
  if (OnMouseDown) OnMouseDown();
}

void OutlineBox::SetColor(QColor c) {
  if (c == color_) return;
  color_ = c;
  update();
}

void OutlineBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(color_);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void PalettePicture::SetPicture(const QImage& img) {
  picture_ = img.convertToFormat(QImage::Format_RGB32);
  update();
}

TColor PalettePicture::ColorAt(QPoint pos) const {
  if (picture_.isNull() || width() <= 0 || height() <= 0) return -1;
  const int x = int(std::lround(double(pos.x()) * picture_.width() / width()));
  const int y = int(std::lround(double(pos.y()) * picture_.height() / height()));
  const QRgb c = picture_.pixel(std::clamp(x, 0, picture_.width() - 1), std::clamp(y, 0, picture_.height() - 1));
  return TColor(qRed(c) | (qGreen(c) << 8) | (qBlue(c) << 16));
}

void PalettePicture::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!picture_.isNull()) p.drawImage(rect(), picture_);
}

void PalettePicture::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const TColor c = ColorAt(e->position().toPoint());
  if (c >= 0 && OnPreview) OnPreview(c);
}

void PalettePicture::mouseMoveEvent(QMouseEvent* e) {
  if (!(e->buttons() & Qt::LeftButton)) return;
  const TColor c = ColorAt(e->position().toPoint());
  if (c >= 0 && OnPreview) OnPreview(c);
}

void PalettePicture::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const TColor c = ColorAt(e->position().toPoint());
  if (c >= 0 && OnPick) OnPick(c);
}

QValidator::State SpinEdit::validate(QString& text, int& pos) const {
  const QValidator::State s = QSpinBox::validate(text, pos);
  const bool digits = !text.isEmpty() && text.size() <= lineEdit()->maxLength() &&
                      std::all_of(text.begin(), text.end(), [](QChar c) { return c >= '0' && c <= '9'; });
  return s == QValidator::Invalid && digits ? QValidator::Intermediate : s;
}

void ClickLabel::mousePressEvent(QMouseEvent* e) {
  QLabel::mousePressEvent(e);
  if (e->button() == Qt::LeftButton && OnClick) OnClick();
}

void CentreOnScreen(QWidget& window, const QWidget* near) {
  const QScreen* screen = near != nullptr ? near->screen() : window.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  // A window given its size keeps it; others take the size their layout asks.
  if (!window.isVisible() && !window.testAttribute(Qt::WA_Resized)) window.adjustSize();
  const QRect area = screen->availableGeometry();
  const QSize size = window.isVisible() ? window.frameGeometry().size() : window.size();
  window.move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

BusyCursor::BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
BusyCursor::~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }

}  // namespace plumavo
