#include "run/unit_factors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace kvom::run {
namespace {

// The nearest single-precision value of a decimal, as the C library rounds it.
float nearest(const char* decimal) { return std::strtof(decimal, nullptr); }

class UnitFactorsTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = UnitFactors; }
  void TearDown() override { UnitFactors = saved_; }

  static void select(float set) { SET_UNIT_FACTORS(set); }

 private:
  UnitFactorsRecord saved_;
};

TEST_F(UnitFactorsTest, SetFourMakesEveryTransferFactorOne) {
  select(4.0f);
  for (int word = 1; word <= 21; ++word) {
    if (word == 18) continue;
    EXPECT_EQ(unitFactor(word), 1.0f) << "word " << word;
  }
  EXPECT_EQ(unitFactor(0), nearest("0.017453292"));
  EXPECT_EQ(unitFactor(18), 1000.0f);
}

struct FactorCase {
  float set;
  int word;
  const char* decimal;
};

TEST_F(UnitFactorsTest, EachWordHoldsTheNearestSinglePrecisionValue) {
  const FactorCase cases[] = {
      {1.0f, 1, "0.0254"},    {1.0f, 2, "0.09290304"}, {1.0f, 5, "0.000126"},   {1.0f, 14, "0.1761184"},
      {1.0f, 15, "5.678263"}, {1.0f, 19, "6894.757"},  {1.0f, 20, "0.0000258"}, {1.0f, 21, "249.082"},
      {2.0f, 1, "0.001"},     {2.0f, 7, "1000"},       {2.0f, 19, "100000"},    {3.0f, 5, "0.00027777"},
      {3.0f, 6, "1.163095"},  {3.0f, 13, "0.001"},     {3.0f, 14, "0.859458"},  {3.0f, 19, "98066.06"},
      {3.0f, 20, "0.0001"},   {3.0f, 17, "1.16298"},
  };
  for (const FactorCase& c : cases) {
    select(c.set);
    EXPECT_EQ(unitFactor(c.word), nearest(c.decimal)) << "set " << c.set << " word " << c.word;
  }
  // 0.0254 is not a single-precision value: the word holds 0.02539999969...
  select(1.0f);
  EXPECT_NE(static_cast<double>(unitFactor(1)), 0.0254);
  EXPECT_NEAR(static_cast<double>(unitFactor(1)), 0.02539999969, 1e-11);
}

TEST_F(UnitFactorsTest, AnyOtherSetNumberKeepsTheFactors) {
  select(1.0f);
  const UnitFactorsRecord setOne = UnitFactors;
  for (const float other : {2.5f, 0.0f, 5.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
    select(other);
    EXPECT_EQ(UnitFactors.words, setOne.words) << other;
  }
}

}  // namespace
}  // namespace kvom::run
