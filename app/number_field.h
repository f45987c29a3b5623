// The rules every numeric dialog field shares: only digits while typing, a
// repair to the default when the field is left with malformed text, and the
// range check with its warning when the dialog's OK is pressed.
#pragma once

#include <optional>

#include <QChar>
#include <QString>

namespace plumavo {

struct NumberFieldRules {
  int Minimum = 0;
  int Maximum = 0;
  int Default = 0;
  int MaxLength = 0;  // characters the field accepts

  // Digits and backspace pass; everything else is dropped while typing.
  static bool AcceptsKey(QChar c) { return (c >= '0' && c <= '9') || c == QChar(8); }
  // The value a spin field holds for its text: a non-number reads as the
  // minimum, a number is limited to the range.
  int ValueOf(const QString& text) const;
  // Text after leaving the field: unchanged when it is exactly the decimal
  // form of ValueOf(text), otherwise the default.
  QString RepairedOnExit(const QString& text) const;
};

// The check made by OK buttons: v is the text as a decimal integer (0 when it
// is not one). Empty when v lies in minimum..maximum, otherwise the warning
// text "An number between MIN and MAX is required.".
std::optional<QString> CheckNumberField(const QString& text, int minimum, int maximum);

}  // namespace plumavo
