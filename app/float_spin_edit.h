// A single-line edit with an up/down button pair that holds a floating-point
// value within a range and steps it by an increment. The text is what the
// user sees and types; Value reads it (the minimum when it is not a number)
// and writing Value puts back the clamped number in its shortest form, which
// happens on Enter and whenever the field loses the focus.
#pragma once

#include <functional>

#include <QAbstractSpinBox>

namespace plumavo {

// The shortest decimal text of a value as these fields write it: at most
// fifteen significant digits, the locale's decimal separator, no grouping
// ("8.37", "100", "-0.5").
QString FloatText(double v);

class FloatSpinEdit : public QAbstractSpinBox {
  Q_OBJECT
 public:
  explicit FloatSpinEdit(QWidget* parent = nullptr);

  // Text <-> number with the locale's decimal separator.
  double GetValue() const;
  void SetValue(double v);
  double Value() const { return GetValue(); }
  // The text reads as a number (GetValue does not fall back).
  bool TextIsNumber() const;
  // v limited to [MinValue, MaxValue], or v itself when the two are equal.
  double CheckValue(double v) const;

  // Changing the range does not touch the text; the next SetValue uses it.
  double MinValue = 0;
  double MaxValue = 0;
  double Increment = 1.0;
  // Characters that may be typed; 0 is no limit. Values the program writes
  // are never cut short.
  int MaxLength = 0;

  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool enabled);
  void SetReadOnly(bool readOnly);

  QString Text() const;
  void SetText(const QString& text);

  // Value ± Increment; a beep instead when the field is read-only.
  virtual void UpClick();
  virtual void DownClick();
  // "+", "-", digits, the decimal separator and control characters other
  // than Enter; nothing printable, no backspace or delete when the editor is
  // disabled.
  virtual bool IsValidChar(QChar c) const;

  // Called with each accepted character before it reaches the text; setting
  // it to a null QChar drops it (without a beep).
  std::function<void(QChar&)> OnKeyPress;

  // QAbstractSpinBox
  void stepBy(int steps) override;

 signals:
  // The text changed, by typing or by the program.
  void Change();

 protected:
  StepEnabled stepEnabled() const override;
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;

 private:
  void SyncEditorReadOnly();
  bool editorEnabled_ = true;
};

}  // namespace plumavo
