#include "common/number_text.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace kvom {
namespace {

TEST(NumberTextTest, RealsReadBackExactlyAsFormatted) {
  const double values[] = {0.1,
                           1.0 / 3.0,
                           1.0e35,
                           9.99e34,
                           -5.0,
                           12.0,
                           0.0254f,  // a widened single-precision factor
                           123456789012345678.0,
                           std::numeric_limits<double>::max(),
                           std::numeric_limits<double>::denorm_min(),
                           -0.0};
  for (const double value : values) {
    const std::string text = formatReal(value);
    ASSERT_LE(text.size(), 56u) << text;
    const std::optional<double> back = readReal(text);
    ASSERT_TRUE(back) << text;
    EXPECT_EQ(*back, value) << text;
    EXPECT_EQ(std::signbit(*back), std::signbit(value)) << text;
    // A real text reads as an integer only when it holds a whole number of the integer's range.
    const bool whole = value == std::trunc(value) && std::fabs(value) < 9.2e18;
    EXPECT_EQ(readInteger(text), whole ? std::optional(static_cast<std::int64_t>(value)) : std::nullopt) << text;
  }
  EXPECT_EQ(formatReal(12.0), "12.0");
}

// The text of a real is the shortest one std::to_chars gives, with ".0" after a whole number.
// Values of few digits take a quicker way than the rest; both must give the same texts, at every
// magnitude and at the edges where fixed and scientific notation meet.
TEST(NumberTextTest, RealTextsAreTheShortestStandardTexts) {
  const auto standard = [](double value) {
    std::array<char, 40> buffer{};
    std::string text(buffer.data(), std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr);
    if (text.find_first_of(".en") == std::string::npos) text += ".0";
    return text;
  };
  std::vector<double> values = {1.0,
                                10.0,
                                100000.0,
                                1000000.0,
                                1234567.0,
                                0.0001,
                                0.00012,
                                0.00001,
                                1e-7,
                                9.9e-8,
                                1e15,
                                999999999999999.0,
                                1e14,
                                123456789012345.0,
                                0.1 + 0.2,
                                1.0 / 3.0,
                                2.0 / 3.0,
                                101325.0,
                                373.15,
                                -0.0,
                                0.0,
                                std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()};
  std::mt19937_64 random(17);
  for (int n = 0; n < 400000; ++n) {
    // A mantissa of 1 to 17 digits at a power of ten from -12 to 17.
    const int digits = 1 + static_cast<int>(random() % 17);
    const auto mantissa = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(std::pow(10.0, digits)));
    const double value = static_cast<double>(mantissa) * std::pow(10.0, static_cast<int>(random() % 30) - 12 - digits);
    values.push_back(random() % 2 == 0 ? value : -value);
    values.push_back(std::bit_cast<double>(random() >> 2));  // any pattern of bits, mostly small
  }
  for (int k = 1; k <= 5000; ++k) values.push_back(k / 1000.0);
  int mismatches = 0;
  for (const double value : values) {
    const std::string expected = standard(value);
    if (formatReal(value) != expected && ++mismatches <= 5)
      ADD_FAILURE() << expected << " came as " << formatReal(value);
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(NumberTextTest, IntegersReadBackExactlyAsFormatted) {
  for (const std::int64_t value :
       {std::int64_t{0}, std::int64_t{-5}, std::int64_t{99999999}, std::numeric_limits<std::int64_t>::min(),
        std::numeric_limits<std::int64_t>::max()}) {
    EXPECT_EQ(readInteger(formatInteger(value)), value);
  }
}

struct RealCase {
  const char* text;
  std::optional<double> expected;
};

TEST(NumberTextTest, ReadsTheFirstListDirectedReal) {
  const RealCase cases[] = {
      {"   2.5", 2.5},      // leading blanks
      {"\t2.5", 2.5},       // a tab is a blank
      {"2.5 7", 2.5},       // a value ends at a blank
      {"2.5,7", 2.5},       // ... at a comma
      {"2.5/", 2.5},        // ... at a slash
      {"3", 3.0},           // integer form into a real
      {"-.5", -0.5},        // fixed forms
      {"+4.", 4.0},         //
      {"1.5E3", 1500.0},    // E exponent
      {"1.5e-3", 0.0015},   //
      {"1.5D3", 1500.0},    // D exponent
      {"2.0d+2", 200.0},    //
      {"1.0E+35", 1.0e35},  //
      {"1.5+3", 1500.0},    // a signed exponent without its letter
      {"2.5-3", 0.0025},    //
      {"0.1000000-100", 1e-101},
      {"-4.0+100", -4.0e100},  //
      {"5.-3", 0.005},         //
      {"7+03", 7000.0},        //
      {"1.5+3,2", 1500.0},     //
      {"1.5+", std::nullopt},  // a sign with no exponent digits
      {"1.5+-3", std::nullopt},
      {"1.5E3+2", std::nullopt},  // two exponents
      {"1+3+4", std::nullopt},
      {".-3", std::nullopt},   // no digits before the exponent
      {"", std::nullopt},      // no value at all
      {"    ", std::nullopt},  //
      {",5", std::nullopt},    // a null value before the comma
      {"abc", std::nullopt},   // not a number
      {"1.2.3", std::nullopt},
      {"1E", std::nullopt},
      {"E5", std::nullopt},
      {"--1", std::nullopt},
      {"+-1", std::nullopt},
      {"1.5x", std::nullopt},
      {"nan", std::nullopt},
      {"inf", std::nullopt},
      {"1E400", std::nullopt},  // beyond the range of a real
  };
  for (const RealCase& c : cases) EXPECT_EQ(readReal(c.text), c.expected) << '"' << c.text << '"';
}

struct IntegerCase {
  const char* text;
  std::optional<std::int64_t> expected;
};

TEST(NumberTextTest, ReadsTheFirstListDirectedInteger) {
  const IntegerCase cases[] = {
      {"  42  ", 42},
      {"-5", -5},
      {"+7", 7},
      {"99999999", 99999999},
      {"3,4", 3},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", std::nullopt},  // beyond the range
      {"-9223372036854775809", std::nullopt},
      {"", std::nullopt},
      {"x1", std::nullopt},
      {"+-1", std::nullopt},
      // A whole number in real form reads as that number, worked out from its digits.
      {"2.0", 2},
      {"2.", 2},
      {"  -12.00,5", -12},
      {"4.0E0", 4},
      {"1E3", 1000},
      {"1.2+1", 12},
      {"1+3", 1000},
      {"2.5D1", 25},
      {"+250.0e-2", std::nullopt},
      {"25000.0e-4", std::nullopt},
      {"-0.0", 0},
      {"0.000E999", 0},
      {"9223372036854775807.0", INT64_MAX},  // no digit lost to a double
      {"9.223372036854775807E18", INT64_MAX},
      {"-9223372036854775808.0", INT64_MIN},
      {"9007199254740993.0", 9007199254740993},
      {"9223372036854775808.0", std::nullopt},  // beyond the range
      {"-9223372036854775809.0", std::nullopt},
      {"1.0E19", std::nullopt},
      {"1.0E300", std::nullopt},
      // A fraction, or a text that is no number, still reads as nothing.
      {"2.5", std::nullopt},
      {"0.5", std::nullopt},
      {"1E-1", std::nullopt},
      {"1.0000000000000000001", std::nullopt},
      {"1.5+", std::nullopt},
      {"1.5E3+2", std::nullopt},
      {"2.0x", std::nullopt},
      {".", std::nullopt},
      {"-", std::nullopt},
      {"n/a", std::nullopt},
  };
  for (const IntegerCase& c : cases) EXPECT_EQ(readInteger(c.text), c.expected) << '"' << c.text << '"';
}

// A process locale that writes decimal commas must not change the texts.
struct DecimalComma : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST(NumberTextTest, TheProcessLocaleDoesNotMatter) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new DecimalComma));
  const std::string text = formatReal(2.5);
  const std::optional<double> back = readReal("2.5");
  std::locale::global(previous);
  EXPECT_EQ(text, "2.5");
  EXPECT_EQ(back, 2.5);
}

}  // namespace
}  // namespace kvom
