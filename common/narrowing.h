#pragma once
// Narrowing a real that comes from the host, a record or the engine into a smaller type, with a
// defined result for every value. A plain conversion is undefined for a real beyond the target's
// range (and for a NaN into an integer), whatever a given processor happens to give.

#include <cmath>
#include <concepts>
#include <limits>
#include <optional>

namespace kvom {

// The real in single precision, rounded as a conversion rounds; beyond the float range the
// infinity of its sign, and a NaN stays a NaN.
inline float toFloat(double value) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
  if (value > kLargest) return std::numeric_limits<float>::infinity();
  if (value < -kLargest) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

// The real without its fraction (cut toward zero, as a conversion cuts) when that whole number
// fits the integer; nothing for a NaN, an infinity or a value beyond the integer's range, so that
// the caller keeps its target's preset.
template <std::integral Integer>
std::optional<Integer> toInteger(double value) {
  using Limits = std::numeric_limits<Integer>;
  // 2 to the power of the value bits: the first whole number above the range, exact as a real.
  const double above = std::ldexp(1.0, Limits::digits);
  const double lowest = Limits::is_signed ? -above : 0.0;
  const double whole = std::trunc(value);
  if (!(whole >= lowest && whole < above)) return std::nullopt;
  return static_cast<Integer>(whole);
}

}  // namespace kvom
