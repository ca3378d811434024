#include "common/number_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <system_error>

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

}  // namespace

std::string_view formatReal(double value, NumberBuffer& buffer) {
  // Room is kept for the ".0" below: the shortest text of a double is at most 24 characters.
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size() - 2, value);
  char* end = result.ptr;
  // A real always reads as a real: 12.0 goes as "12.0", never as the integer text "12". (One pass
  // over the characters: this runs for every value sent to the engine.)
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
  // A sign may stand before the digits and before the exponent; D marks an exponent like E.
  std::array<char, 64> work{};
  std::size_t n = 0;
  const bool negative = !value.empty() && value.front() == '-';
  value = negative ? value.substr(1) : withoutPlus(value);
  if (value.empty() || value.front() == '+' || value.front() == '-') return std::nullopt;
  for (const char c : value) {
    const bool digitOrPoint = (c >= '0' && c <= '9') || c == '.';
    const bool exponentPart = c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == '+' || c == '-';
    if (!digitOrPoint && !exponentPart) return std::nullopt;
    work[n++] = (c == 'D' || c == 'd') ? 'E' : c;
  }
  double result = 0.0;
  const auto parsed = std::from_chars(work.data(), work.data() + n, result, std::chars_format::general);
  if (parsed.ec != std::errc() || parsed.ptr != work.data() + n) return std::nullopt;
  return negative ? -result : result;
}

std::optional<std::int64_t> readInteger(std::string_view text) {
  const std::string_view first = firstValue(text);
  std::string_view value = withoutPlus(first);
  // One sign at most: "+-1" is no integer.
  const bool plus = value.size() != first.size();
  if (value.empty() || value.front() == '+' || (plus && value.front() == '-')) return std::nullopt;
  std::int64_t result = 0;
  const auto parsed = std::from_chars(value.data(), value.data() + value.size(), result);
  if (parsed.ec != std::errc() || parsed.ptr != value.data() + value.size()) return std::nullopt;
  return result;
}

}  // namespace kvom
