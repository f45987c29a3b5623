#include "app/number_field.h"

#include <algorithm>

namespace plumavo {

namespace {

// Plain decimal digits with an optional sign, as a spin field parses them.
std::optional<long long> ParseDecimal(const QString& text) {
  bool ok = false;
  const long long v = text.toLongLong(&ok, 10);
  if (!ok) return std::nullopt;
  return v;
}

}  // namespace

int NumberFieldRules::ValueOf(const QString& text) const {
  const auto v = ParseDecimal(text);
  if (!v) return Minimum;
  return int(std::clamp<long long>(*v, Minimum, Maximum));
}

QString NumberFieldRules::RepairedOnExit(const QString& text) const {
  return text == QString::number(ValueOf(text)) ? text : QString::number(Default);
}

std::optional<QString> CheckNumberField(const QString& text, int minimum, int maximum) {
  const long long v = ParseDecimal(text).value_or(0);
  if (v >= minimum && v <= maximum) return std::nullopt;
  return "An number between " + QString::number(minimum) + " and " + QString::number(maximum) + " is required.";
}

}  // namespace plumavo
