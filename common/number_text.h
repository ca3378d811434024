#pragma once
// Numbers as they cross to and from the engine as text. Formatting gives the shortest text that
// reads back to the same value; reading takes the first value of a text the way list-directed
// input does. Neither depends on the process locale.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvom {

// A real always carries a decimal point or an exponent.
std::string formatReal(double value);
std::string formatInteger(std::int64_t value);

// The same into a buffer of the caller's, without allocating; the view points into the buffer.
using NumberBuffer = std::array<char, 32>;
std::string_view formatReal(double value, NumberBuffer& buffer);
std::string_view formatInteger(std::int64_t value, NumberBuffer& buffer);

// Leading blanks are skipped; the value ends at a blank, a comma, a slash or the end of the text.
// A real takes integer, fixed and exponent forms (E or D, either case, or a signed exponent
// without its letter: 1.5+3 is 1500). Anything else in the value, or no value at all, gives
// nothing.
std::optional<double> readReal(std::string_view text);
std::optional<std::int64_t> readInteger(std::string_view text);

}  // namespace kvom
