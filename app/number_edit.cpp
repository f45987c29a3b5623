#include "app/number_edit.h"

#include <QApplication>
#include <QPushButton>

#include <algorithm>

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

#include "app/prompts.h"

namespace plumavo {

namespace {

// The largest number that fits into `digits` characters.
int LargestOfDigits(int digits) {
  int v = 1;
  for (int i = 0; i < std::clamp(digits, 1, 9); ++i) v *= 10;
  return v - 1;
}

}  // namespace

NumberEdit::NumberEdit(int minimum, int maximum, int defaultValue, int maxLength, OutOfRange outOfRange,
                       QWidget* parent)
    : QSpinBox(parent), minimum_(minimum), maximum_(maximum) {
  // The spin box itself accepts every number the field can hold, so a
  // well-formed number outside minimum..maximum is neither corrected nor
  // refused by the control; the rules below and the OK check decide.
  const int largest = LargestOfDigits(maxLength);
  setRange(0, largest);
  lineEdit()->setMaxLength(maxLength);
  if (outOfRange == OutOfRange::Keep)
    rules_ = NumberFieldRules{0, largest, defaultValue, maxLength};
  else
    rules_ = NumberFieldRules{minimum, maximum, defaultValue, maxLength};
  // A repair held back while the default button had the focus happens as
  // soon as the focus moves on to anything else in the dialog.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (!repairPending_ || now == nullptr || now == this || now->window() != window()) return;
    const auto* button = qobject_cast<const QPushButton*>(now);
    if (button != nullptr && button->isDefault()) return;
    repairPending_ = false;
    RepairOnExit();
  });
  SetNumber(defaultValue);
}

QString NumberEdit::Text() const { return lineEdit()->text(); }

void NumberEdit::SetText(const QString& text) {
  const QSignalBlocker block(this);
  bool ok = false;
  const int v = text.toInt(&ok);
  if (ok && v >= 0 && v <= QSpinBox::maximum()) setValue(v);
  lineEdit()->setText(text);
}

void NumberEdit::SetNumber(int value) { SetText(QString::number(value)); }

int NumberEdit::Number() const {
  bool ok = false;
  const int v = Text().toInt(&ok, 10);
  return ok ? v : 0;
}

void NumberEdit::RepairOnExit() {
  const QString text = Text();
  const QString repaired = rules_.RepairedOnExit(text);
  if (repaired != text) SetText(repaired);
}

bool NumberEdit::Check(Prompter& prompts) {
  const std::optional<QString> message = CheckNumberField(Text(), minimum_, maximum_);
  repairPending_ = false;
  if (!message) {
    RepairOnExit();
    return true;
  }
  // The warning shows next to the text as typed; only then is the field put
  // right, so the user can see what was wrong.
  prompts.Warning(*message);
  RepairOnExit();
  setFocus(Qt::OtherFocusReason);
  selectAll();
  return false;
}

void NumberEdit::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      // Enter and Esc belong to the dialog (OK and Cancel); the text stays
      // as typed for the OK check.
      e->ignore();
      return;
    default: break;
  }
  const QString t = e->text();
  if (!t.isEmpty() && t[0].isPrint() && !NumberFieldRules::AcceptsKey(t[0])) {
    e->accept();  // dropped
    return;
  }
  QSpinBox::keyPressEvent(e);
}

void NumberEdit::focusOutEvent(QFocusEvent* e) {
  // A click on the dialog's default button (OK, Print) or a message box
  // taking the focus leaves the text as typed: the button's check reports it
  // and repairs it after.
  const auto* button = qobject_cast<const QPushButton*>(QApplication::focusWidget());
  const bool toDefaultButton = button != nullptr && button->isDefault();
  const bool toOtherWindow = e->reason() == Qt::ActiveWindowFocusReason || e->reason() == Qt::PopupFocusReason;
  if (!toDefaultButton && !toOtherWindow)
    RepairOnExit();
  else
    repairPending_ = true;
  QSpinBox::focusOutEvent(e);
}

void NumberEdit::stepBy(int steps) {
  // The arrows move within the field's own range.
  const long long v = std::clamp<long long>((long long)Number() + steps, minimum_, maximum_);
  SetNumber(int(v));
  selectAll();
}

}  // namespace plumavo
