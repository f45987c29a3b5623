// A numeric dialog field with the rules every dialog shares: only digits and
// backspace can be typed, malformed text is replaced by the default when the
// field is left, and OK checks the range with CheckNumberField's warning.
#pragma once

#include <QSpinBox>

#include "app/number_field.h"

namespace plumavo {

class Prompter;

class NumberEdit : public QSpinBox {
  Q_OBJECT
 public:
  // How a well-formed number outside the range is treated when the field is
  // left: limited to the range (and so replaced by the default, since its
  // text no longer matches), or kept as typed for the OK check to report.
  enum class OutOfRange { Limit, Keep };

  NumberEdit(int minimum, int maximum, int defaultValue, int maxLength, OutOfRange outOfRange,
             QWidget* parent = nullptr);

  using QSpinBox::lineEdit;
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }
  int Default() const { return rules_.Default; }
  QString Text() const;
  void SetText(const QString& text);
  void SetNumber(int value);
  // The text as a decimal integer, 0 when it is not one (what OK reads).
  int Number() const;

  // The repair made when the field loses the focus.
  void RepairOnExit();
  // The OK button's check: true when the number lies in the range; otherwise
  // the warning box, the focus back in the field with its text selected, and
  // false.
  bool Check(Prompter& prompts);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void stepBy(int steps) override;

 private:
  int minimum_, maximum_;
  NumberFieldRules rules_;  // the rules applied on leaving the field
  // Left for the default button or a message box: the repair waits for the
  // check, or for the focus to move on anywhere else in the dialog.
  bool repairPending_ = false;
};

}  // namespace plumavo
