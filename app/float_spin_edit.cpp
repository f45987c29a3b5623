#include "app/float_spin_edit.h"

#include <cmath>
#include <optional>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

namespace plumavo {

namespace {

// The user's locale without group separators, so 1000 reads and writes as
// "1000" and never as "1,000".
QLocale NumberLocale() {
  QLocale locale;
  locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
  return locale;
}

constexpr char16_t kBackspace = 8;
constexpr char16_t kDelete = 127;

}  // namespace

FloatSpinEdit::FloatSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
  setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  setAccelerated(false);
  lineEdit()->setText("0.0");
  connect(lineEdit(), &QLineEdit::textChanged, this, [this] { emit Change(); });
}

QString FloatText(double v) {
  if (v == 0) v = 0;  // no "-0"
  // Fifteen significant digits drop the binary noise of sums like
  // 8.27 + 0.1 and of values rounded to hundredths.
  return NumberLocale().toString(v, 'g', 15);
}

namespace {

std::optional<double> ReadNumber(const QString& text) {
  bool ok = false;
  const double v = NumberLocale().toDouble(text.trimmed(), &ok);
  if (!ok || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

double FloatSpinEdit::GetValue() const { return ReadNumber(Text()).value_or(MinValue); }

bool FloatSpinEdit::TextIsNumber() const { return ReadNumber(Text()).has_value(); }

double FloatSpinEdit::CheckValue(double v) const {
  if (MaxValue == MinValue) return v;
  if (v < MinValue) return MinValue;
  if (v > MaxValue) return MaxValue;
  return v;
}

void FloatSpinEdit::SetValue(double v) { SetText(FloatText(CheckValue(v))); }

QString FloatSpinEdit::Text() const { return lineEdit()->text(); }

void FloatSpinEdit::SetText(const QString& text) {
  if (lineEdit()->text() != text) lineEdit()->setText(text);
}

void FloatSpinEdit::SetEditorEnabled(bool enabled) {
  editorEnabled_ = enabled;
  SyncEditorReadOnly();
}

void FloatSpinEdit::SetReadOnly(bool readOnly) {
  setReadOnly(readOnly);
  SyncEditorReadOnly();
}

// A read-only line edit refuses typing, paste and cut alike, while the
// buttons still write the text.
void FloatSpinEdit::SyncEditorReadOnly() { lineEdit()->setReadOnly(isReadOnly() || !editorEnabled_); }

void FloatSpinEdit::UpClick() {
  if (isReadOnly())
    QApplication::beep();
  else
    SetValue(GetValue() + Increment);
}

void FloatSpinEdit::DownClick() {
  if (isReadOnly())
    QApplication::beep();
  else
    SetValue(GetValue() - Increment);
}

bool FloatSpinEdit::IsValidChar(QChar c) const {
  if (c == '\r' || c == '\n') return false;
  const bool printable = c.isPrint();
  if (!editorEnabled_ && (printable || c == QChar(kBackspace) || c == QChar(kDelete))) return false;
  if (!printable) return true;
  const QString point = NumberLocale().decimalPoint();
  return c == '+' || c == '-' || (c >= '0' && c <= '9') || (!point.isEmpty() && c == point[0]);
}

void FloatSpinEdit::stepBy(int steps) {
  for (; steps > 0; --steps) UpClick();
  for (; steps < 0; ++steps) DownClick();
}

QAbstractSpinBox::StepEnabled FloatSpinEdit::stepEnabled() const { return StepUpEnabled | StepDownEnabled; }

// Every text may stand while typing; Value decides what it means.
QValidator::State FloatSpinEdit::validate(QString&, int&) const { return QValidator::Acceptable; }

void FloatSpinEdit::fixup(QString&) const {}

void FloatSpinEdit::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Up:
      UpClick();
      e->accept();
      return;
    case Qt::Key_Down:
      DownClick();
      e->accept();
      return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: e->ignore(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      SetValue(GetValue());
      e->ignore();  // the window's default action still sees Enter
      return;
    default: break;
  }
  QChar c;
  if (e->key() == Qt::Key_Backspace)
    c = QChar(kBackspace);
  else if (e->key() == Qt::Key_Delete)
    c = QChar(kDelete);
  else if (!e->text().isEmpty())
    c = e->text()[0];
  if (!c.isNull()) {
    if (!IsValidChar(c)) {
      QApplication::beep();
      e->accept();
      return;
    }
    if (OnKeyPress) {
      OnKeyPress(c);
      if (c.isNull()) {
        e->accept();
        return;
      }
    }
    if (c.isPrint() && MaxLength > 0 && Text().size() - lineEdit()->selectedText().size() >= MaxLength) {
      e->accept();
      return;
    }
  }
  QAbstractSpinBox::keyPressEvent(e);
}

void FloatSpinEdit::focusInEvent(QFocusEvent* e) {
  QAbstractSpinBox::focusInEvent(e);
  if (e->reason() != Qt::MouseFocusReason) selectAll();
}

void FloatSpinEdit::focusOutEvent(QFocusEvent* e) {
  SetValue(GetValue());
  QAbstractSpinBox::focusOutEvent(e);
}

void FloatSpinEdit::wheelEvent(QWheelEvent* e) { e->ignore(); }

}  // namespace plumavo
