#include "common/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>
#include <utility>

namespace kvom {
namespace {

// The first list-directed value of the text, or an empty view when there is none.
std::string_view firstValue(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  text.remove_prefix(start);
  const std::size_t end = text.find_first_of(" \t,/");
  return text.substr(0, end);
}

std::string_view withoutPlus(std::string_view value) {
  if (!value.empty() && value.front() == '+') value.remove_prefix(1);
  return value;
}

constexpr std::array<double, 23> kPowersOfTen = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                                 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::array<double, 22> kDecades = {1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,
                                             1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14};

// The shortest text of a value that has at most 15 significant digits, laid out as std::to_chars
// lays out its shortest text (fixed notation unless scientific is shorter), a whole number with
// ".0" after it. Null for any other value, which goes through std::to_chars: most values sent
// have few digits, and this is several times quicker.
//
// Why it is the shortest: m / 10^k is rounded correctly (m and 10^k are exact), so when it gives
// the value back, the decimal m x 10^-k rounds to the value; and decimals of at most 15 digits all
// round to different doubles, so no decimal of fewer digits rounds to it.
char* writeShortDecimal(double value, char* out) {
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 1e-7 && magnitude < 1e15)) return nullptr;
  // k brings the value to 14 or 15 digits before the point: kDecades[i] is 10^(i - 7).
  const auto decades =
      static_cast<int>(std::upper_bound(kDecades.begin(), kDecades.end(), magnitude) - kDecades.begin());
  const int k = 22 - decades;
  const double scaled = std::nearbyint(magnitude * kPowersOfTen[static_cast<std::size_t>(k)]);
  if (scaled < 1 || scaled >= 1e15 || scaled / kPowersOfTen[static_cast<std::size_t>(k)] != magnitude) return nullptr;
  auto digits = static_cast<std::int64_t>(scaled);
  int exponent = -k;  // value = digits x 10^exponent
  // Trailing zeros go eight, four, two and one at a time (digits is not 0).
  for (const auto& [power, zeros] : {std::pair{100'000'000, 8}, std::pair{10'000, 4}, std::pair{100, 2}}) {
    while (digits % power == 0) {
      digits /= power;
      exponent += zeros;
    }
  }
  if (digits % 10 == 0) {
    digits /= 10;
    ++exponent;
  }
  std::array<char, 16> text;
  const int count = static_cast<int>(std::to_chars(text.data(), text.data() + text.size(), digits).ptr - text.data());
  const int scientificExponent = count - 1 + exponent;
  const int exponentWidth = std::abs(scientificExponent) >= 100 ? 3 : 2;
  const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + exponentWidth;
  const int fixedLength = exponent >= 0             ? count + exponent
                          : scientificExponent >= 0 ? count + 1
                                                    : count + 1 - scientificExponent;
  if (value < 0) *out++ = '-';
  if (fixedLength <= scientificLength) {
    if (exponent >= 0) {
      out = std::copy_n(text.data(), count, out);
      out = std::fill_n(out, exponent, '0');
      *out++ = '.';  // a whole number still reads as a real
      *out++ = '0';
    } else if (scientificExponent >= 0) {
      out = std::copy_n(text.data(), scientificExponent + 1, out);
      *out++ = '.';
      out = std::copy(text.data() + scientificExponent + 1, text.data() + count, out);
    } else {
      *out++ = '0';
      *out++ = '.';
      out = std::fill_n(out, -scientificExponent - 1, '0');
      out = std::copy_n(text.data(), count, out);
    }
    return out;
  }
  *out++ = text[0];
  if (count > 1) {
    *out++ = '.';
    out = std::copy(text.data() + 1, text.data() + count, out);
  }
  *out++ = 'e';
  *out++ = scientificExponent < 0 ? '-' : '+';
  const int shown = std::abs(scientificExponent);
  if (shown < 10) *out++ = '0';
  return std::to_chars(out, out + 3, shown).ptr;
}

}  // namespace

std::string_view formatReal(double value, NumberBuffer& buffer) {
  // Room is kept for the ".0" below: the shortest text of a double is at most 24 characters.
  char* end = writeShortDecimal(value, buffer.data());
  if (end != nullptr) return {buffer.data(), static_cast<std::size_t>(end - buffer.data())};
  end = std::to_chars(buffer.data(), buffer.data() + buffer.size() - 2, value).ptr;
  // A real always reads as a real: 12.0 goes as "12.0", never as the integer text "12".
  const bool integral =
      std::none_of(buffer.data(), end, [](char c) { return c == '.' || c == 'e' || c == 'E' || c == 'n'; });
  if (integral) {
    *end++ = '.';
    *end++ = '0';
  }
  return {buffer.data(), static_cast<std::size_t>(end - buffer.data())};
}

std::string_view formatInteger(std::int64_t value, NumberBuffer& buffer) {
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return {buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())};
}

std::string formatReal(double value) {
  NumberBuffer buffer;
  return std::string(formatReal(value, buffer));
}

std::string formatInteger(std::int64_t value) {
  NumberBuffer buffer;
  return std::string(formatInteger(value, buffer));
}

std::optional<double> readReal(std::string_view text) {
  std::string_view value = firstValue(text);
  if (value.empty() || value.size() > 64) return std::nullopt;
  // A sign may stand before the digits and before the exponent; D marks an exponent like E, and a
  // signed exponent may stand without its letter (1.5+3, 0.1000000-100: the form a three-digit
  // exponent takes in E format), which reads as if an E stood before its sign.
  std::array<char, 66> work{};
  std::size_t n = 0;
  const bool negative = !value.empty() && value.front() == '-';
  value = negative ? value.substr(1) : withoutPlus(value);
  if (value.empty() || value.front() == '+' || value.front() == '-') return std::nullopt;
  bool exponent = false;
  for (const char c : value) {
    const bool digitOrPoint = (c >= '0' && c <= '9') || c == '.';
    const bool letter = c == 'E' || c == 'e' || c == 'D' || c == 'd';
    const bool sign = c == '+' || c == '-';
    if (!digitOrPoint && !letter && !sign) return std::nullopt;
    // The value starts with no sign here, so a sign before any exponent letter follows the
    // mantissa: it starts an exponent without its letter.
    if (sign && !exponent) work[n++] = 'E';
    if (letter || sign) exponent = true;
    work[n++] = letter ? 'E' : c;
  }
  double result = 0.0;
  const auto parsed = std::from_chars(work.data(), work.data() + n, result, std::chars_format::general);
  if (parsed.ec != std::errc() || parsed.ptr != work.data() + n) return std::nullopt;
  return negative ? -result : result;
}

namespace {

// The whole number that a text of real form (one that readReal reads) stands for, worked out from
// its decimal digits so that no digit is lost to a double: nothing for a fraction or a number
// beyond the 8-byte range.
std::optional<std::int64_t> wholeNumberOfReal(std::string_view value) {
  const bool negative = value.front() == '-';
  value = negative ? value.substr(1) : withoutPlus(value);
  // The mantissa ends where the exponent begins: at its letter, or at a sign that stands for it.
  const std::size_t mark = value.find_first_of("EeDd+-");
  const std::string_view mantissa = value.substr(0, mark);
  const std::size_t point = mantissa.find('.');
  const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : mantissa.substr(point + 1);

  // The significant digits, without leading zeros.
  std::array<char, 64> digits{};
  std::size_t count = 0;
  for (const char c : mantissa) {
    if (c == '.' || (count == 0 && c == '0')) continue;
    digits[count++] = c;
  }
  if (count == 0) return 0;  // 0.0, 0E5

  // The exponent; one of more than three digits puts any digit far beyond the range or below 1.
  int exponent = 0;
  if (mark != std::string_view::npos) {
    std::string_view text = value.substr(mark);
    if (text.front() != '+' && text.front() != '-') text.remove_prefix(1);
    const bool below = text.front() == '-';
    text = withoutPlus(below ? text.substr(1) : text);
    const std::size_t significant = std::min(text.find_first_not_of('0'), text.size());
    text.remove_prefix(significant);
    if (text.size() > 3) return std::nullopt;
    if (!text.empty()) std::from_chars(text.data(), text.data() + text.size(), exponent);
    if (below) exponent = -exponent;
  }
  // value = digits x 10^power
  int power = exponent - static_cast<int>(fraction.size());
  while (digits[count - 1] == '0') {
    --count;
    ++power;
  }
  if (power < 0) return std::nullopt;                             // a fraction
  if (static_cast<int>(count) + power > 19) return std::nullopt;  // more digits than 8 bytes hold
  std::uint64_t magnitude = 0;
  for (std::size_t i = 0; i < count; ++i) magnitude = magnitude * 10 + static_cast<std::uint64_t>(digits[i] - '0');
  for (int i = 0; i < power; ++i) magnitude *= 10;
  // 19 digits stay below 2^64; the sign decides the limit.
  constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (magnitude > kLargest + (negative ? 1 : 0)) return std::nullopt;
  if (!negative) return static_cast<std::int64_t>(magnitude);
  // -(2^63) has no positive counterpart.
  return magnitude == kLargest + 1 ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(magnitude);
}

}  // namespace

std::optional<std::int64_t> readInteger(std::string_view text) {
  const std::string_view first = firstValue(text);
  std::string_view value = withoutPlus(first);
  // One sign at most: "+-1" is no integer.
  const bool plus = value.size() != first.size();
  if (value.empty() || value.front() == '+' || (plus && value.front() == '-')) return std::nullopt;
  std::int64_t result = 0;
  const auto parsed = std::from_chars(value.data(), value.data() + value.size(), result);
  if (parsed.ec == std::errc() && parsed.ptr == value.data() + value.size()) return result;
  // Digits alone that do not fit are beyond the range; any other text may be a whole number in
  // real form (2.0, 2., 4.0E0, 1.2+1), as an engine that keeps its integers as reals writes them.
  if (parsed.ec == std::errc::result_out_of_range || !readReal(first)) return std::nullopt;
  return wholeNumberOfReal(first);
}

}  // namespace kvom
