#include "common/narrowing.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace kvom {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kFloatMax = std::numeric_limits<float>::max();

TEST(NarrowingTest, ARealBeyondTheFloatRangeGivesTheInfinityOfItsSign) {
  struct Case {
    double value;
    float expected;
  };
  const float inf = std::numeric_limits<float>::infinity();
  const Case cases[] = {
      {1.0e6, 1.0e6f},
      {0.0254, 0.0254f},
      {-2.5, -2.5f},
      {kFloatMax, std::numeric_limits<float>::max()},
      {1.0e39, inf},
      {-1.0e39, -inf},
      {kInf, inf},
      {-kInf, -inf},
      {std::nextafter(kFloatMax, kInf), inf},
      {1.0e-50, 0.0f},
  };
  for (const Case& c : cases) {
    std::feclearexcept(FE_OVERFLOW);
    EXPECT_EQ(toFloat(c.value), c.expected) << c.value;
    // No conversion beyond the range is made on the way.
    EXPECT_EQ(std::fetestexcept(FE_OVERFLOW), 0) << c.value;
  }
  EXPECT_TRUE(std::isnan(toFloat(std::nan(""))));
}

TEST(NarrowingTest, ARealBecomesAnIntegerOnlyWhenItsWholeNumberFits) {
  struct Case {
    double value;
    std::optional<std::int64_t> asInt64;
    std::optional<std::int16_t> asInt16;
  };
  const Case cases[] = {
      {12.0, 12, 12},
      {-7.9, -7, -7},
      {0.5, 0, 0},
      {32767.9, 32767, 32767},
      {-32768.9, -32768, -32768},
      {32768.0, 32768, std::nullopt},
      {-32769.0, -32769, std::nullopt},
      {1.0e20, std::nullopt, std::nullopt},
      {-1.0e20, std::nullopt, std::nullopt},
      {0x1p63, std::nullopt, std::nullopt},
      {-0x1p63, std::numeric_limits<std::int64_t>::min(), std::nullopt},
      {std::nextafter(0x1p63, 0.0), static_cast<std::int64_t>(0x1p63 - 1024), std::nullopt},
      {kInf, std::nullopt, std::nullopt},
      {-kInf, std::nullopt, std::nullopt},
      {std::nan(""), std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(toInteger<std::int64_t>(c.value), c.asInt64) << c.value;
    EXPECT_EQ(toInteger<std::int16_t>(c.value), c.asInt16) << c.value;
  }
}

}  // namespace
}  // namespace kvom
