#include <gtest/gtest.h>

#include <array>
#include <cfenv>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/unset.h"
#include "run/steps.h"
#include "standins/repository/repository_standin.h"
#include "tests/support/curve_fixture.h"
#include "tests/support/unit_input_fixture.h"

namespace kvom::run {
namespace {

constexpr std::size_t kIdLength = 16;
constexpr std::int64_t kPreset = -7;  // what the host leaves in the option words
constexpr double big = UNSET_REAL;

// The host's identifier array: element 1 the unit-input object, 3 and 4 the side's streams.
std::string identifiers(std::string_view unitInput = "UNIT_IN", std::string_view first = "FIRST",
                        std::string_view second = "SECOND") {
  std::string ids(4 * kIdLength, ' ');
  ids.replace(0, unitInput.size(), unitInput);
  ids.replace(2 * kIdLength, first.size(), first);
  ids.replace(3 * kIdLength, second.size(), second);
  return ids;
}

struct Request {
  std::int64_t side = 1;
  std::int64_t levelCount = 0;    // options word 0
  std::int64_t levelsSwitch = 2;  // options word 19
  std::array<double, 4> givenLevels = {big, big, big, big};
  std::string ids = identifiers();
};

struct Answer {
  std::vector<std::int64_t> options;
  std::vector<double> levels;
  std::int64_t status = kPreset;
};

Answer request(const Request& r) {
  Answer answer;
  answer.options.assign(20, kPreset);
  answer.options[0] = r.levelCount;
  answer.options[19] = r.levelsSwitch;
  answer.levels = {0, 0, r.givenLevels[0], r.givenLevels[1], r.givenLevels[2], r.givenLevels[3], big};
  const std::int64_t idCount = 4, optionCount = 20, levelCount = 7, none = 0;
  SET_HCURVE_PRESSURES(r.side, idCount, r.ids.data(), kIdLength, optionCount, answer.options.data(), levelCount,
                       answer.levels.data(), none, " ", 1, answer.status);
  return answer;
}

// The streams of the side (flow 2 x multiplier 1.5 and 4) and the unit input.
void prepare(double inletPressure, const fixture::UnitInput& unitInput = {}) {
  fixture::putStream("FIRST", fixture::streamRecord(2.0, 400.0, inletPressure, 0.0, 1.5));
  fixture::putStream("SECOND", fixture::streamRecord(4.0, 350.0, 1.0, 0.0));
  unitInput.put("UNIT_IN");
}

std::vector<double> series(double pmax, double plow, int n) {
  std::vector<double> levels;
  for (int k = 0; k < n; ++k) levels.push_back(pmax * std::pow(plow / pmax, k / static_cast<double>(n - 1)));
  return levels;
}

class HeatingCurveRequest : public ::testing::Test {
 protected:
  void SetUp() override { standins::repository::reset(); }
};

TEST_F(HeatingCurveRequest, LevelsByTheRule) {
  struct Case {
    const char* what;
    double inletPressure;
    fixture::UnitInput unitInput;
    Request request;
    std::int64_t count;
    std::vector<double> levels;  // words 2 to 5 (to 6 for five levels)
  };
  const Case cases[] = {
      {"nothing given: two levels", 1.0e6, {}, {}, 2, {1.0e6, 980000, big, big}},
      {"four levels asked for", 1.0e6, {}, {.levelCount = 4}, 4, series(1.0e6, 980000, 4)},
      {"one level asked for gives two", 1.0e6, {}, {.levelCount = 1}, 2, {1.0e6, 980000, big, big}},
      {"cold outlet given: five levels",
       2.0e6,
       fixture::UnitInput().real(14, 5.0e5),
       {.side = 2},
       5,
       {2.0e6, std::sqrt(2.0) * 1.0e6, 1.0e6, 1.0e6 / std::sqrt(2.0), 5.0e5}},
      {"hot pressure drop given", 500000, fixture::UnitInput().real(6, 50000), {}, 2, {500000, 450000, big, big}},
      {"the levels given, ordered",
       1.0e6,
       {},
       {.givenLevels = {3.0e5, big, 5.0e5, big}},
       2,
       {5.0e5, 3.0e5, 5.0e5, big}},
      {"the two end pressures only",
       1.0e6,
       {},
       {.levelCount = 4, .levelsSwitch = 1, .givenLevels = {1, 2, 3, 4}},
       2,
       {1.0e6, 980000, 3, 4}},
      {"no pressure at all: the two ends, no series", 0.0, {}, {.levelCount = 4}, 2, {0.0, 0.0, big, big}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prepare(c.inletPressure, c.unitInput);
    const Answer answer = request(c.request);
    EXPECT_EQ(answer.options[0], c.count);
    EXPECT_EQ(answer.options[9], c.count);
    EXPECT_EQ(answer.levels[0], 3.0) << "flow of the first stream";
    EXPECT_EQ(answer.levels[1], 4.0) << "flow of the second stream";
    ASSERT_EQ(c.levels.size(), c.count == 5 ? 5u : 4u);
    for (std::size_t i = 0; i < 4; ++i) {
      const double want = c.levels[i];
      EXPECT_NEAR(answer.levels[i + 2], want, std::abs(want) * 1e-12) << "level word " << i + 2;
    }
    EXPECT_NEAR(answer.levels[6], c.count == 5 ? c.levels[4] : big, 1e-6) << "level word 6";
    EXPECT_EQ(answer.status, 0) << "the status of the unit-input read";
  }
}

TEST_F(HeatingCurveRequest, FixedOptions) {
  prepare(1.0e6);
  const Answer answer = request({});
  const std::vector<std::int64_t> expected = {2, 24, 1, 2, 2, 1, kPreset, 1,       2,       2,
                                              1, 2,  1, 2, 2, 1, kPreset, kPreset, kPreset, 2};
  EXPECT_EQ(answer.options, expected);
}

TEST_F(HeatingCurveRequest, SinglePrecisionConstants) {
  // The default drop is the smaller of 0.2 Pin and 0.01 (Pin + 1e6), with both shares as
  // single-precision values, and is held in single precision.
  prepare(123456.789);
  const Answer answer = request({.levelsSwitch = 1});
  const float drop = static_cast<float>(
      std::min(static_cast<double>(0.2f) * 123456.789, static_cast<double>(0.01f) * (123456.789 + 1.0e6)));
  EXPECT_EQ(answer.levels[3], 123456.789 - static_cast<double>(drop));
}

TEST_F(HeatingCurveRequest, ADropBeyondTheFloatRangeIsInfinite) {
  // The drop is held in single precision: the default drop of an inlet pressure beyond the float
  // range becomes the infinity of its sign, without an overflowing conversion. (A host's drop is
  // taken only below the unset marker, which fits.)
  constexpr double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    double inletPressure;
    fixture::UnitInput unitInput;
    double high;
    double low;
  };
  const Case cases[] = {
      {"the default drop of an inlet pressure of 1e41", 1.0e41, {}, 1.0e41, -inf},
      {"the default drop of an inlet pressure of -1e41", -1.0e41, {}, inf, -1.0e41},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prepare(c.inletPressure, c.unitInput);
    std::feclearexcept(FE_OVERFLOW);
    const Answer answer = request({.levelsSwitch = 1});
    EXPECT_EQ(std::fetestexcept(FE_OVERFLOW), 0);
    EXPECT_EQ(answer.levels[2], c.high);
    EXPECT_EQ(answer.levels[3], c.low);
    EXPECT_EQ(answer.options[0], 2);
  }
}

TEST_F(HeatingCurveRequest, OtherSidesDoNotDependOnEarlierRequests) {
  // A side that is neither hot nor cold takes the default rule, whatever a hot request before it
  // found, and none of the unit input's pressures.
  prepare(1.0e6, fixture::UnitInput().real(6, 300000).real(14, 2.0e5));
  const Answer fresh = request({.side = 3, .levelsSwitch = 1});
  request({.side = 1, .levelsSwitch = 1});
  const Answer after = request({.side = 3, .levelsSwitch = 1});
  EXPECT_EQ(fresh.levels, after.levels);
  EXPECT_EQ(after.levels[2], 1.0e6);
  EXPECT_EQ(after.levels[3], 980000);
}

namespace repository = standins::repository;

// A record that cannot be read: how the repository is made so, the host's identifiers and the
// status of the read that fails.
struct UnreadableCase {
  const char* what;
  void (*prepare)();
  std::string ids;
  std::int64_t status;
};

// A unit-input record that cannot be read gives no pressure data, neither zeros nor those of the
// request before: the default rule applies, and the status of the failed read is the answer's.
TEST_F(HeatingCurveRequest, UnreadableUnitInputGivesTheDefaultRuleAndItsStatus) {
  const UnreadableCase cases[] = {
      {"a record without values", [] { repository::putRecord("UNIT_IN", fixture::kUnitInputKey, {}); }, identifiers(),
       3},
      {"a blank unit-input object", [] {}, identifiers(""), 7},
      {"RPGETD fails", [] { repository::setDataFailure("UNIT_IN", fixture::kUnitInputKey, 1); }, identifiers(), 1},
      {"RPGETD cut short",
       [] { repository::setReportedCounts("UNIT_IN", fixture::kUnitInputKey, repository::Counts{.reals = 7}); },
       identifiers(), 6},
  };
  for (const UnreadableCase& c : cases) {
    SCOPED_TRACE(c.what);
    repository::reset();
    prepare(500000, fixture::UnitInput().real(6, 50000));
    request({.levelsSwitch = 1});
    c.prepare();
    const Answer answer = request({.levelsSwitch = 1, .ids = c.ids});
    EXPECT_EQ(answer.status, c.status);
    EXPECT_EQ(answer.levels[2], 500000);
    EXPECT_EQ(answer.levels[3], 485000) << "the default drop, not the one of the request before";
  }
}

// A stream record that cannot be read gives no inlet data: the request fails with the status of
// that read and writes neither options nor levels.
TEST_F(HeatingCurveRequest, AStreamRecordThatCannotBeReadGivesNoLevels) {
  const UnreadableCase cases[] = {
      {"no inlet stream object", [] {}, identifiers("UNIT_IN", "NO_SUCH"), 1},
      {"an inlet stream without its record",
       [] { repository::putRecord("PLAIN", "OTHER_RECORD", fixture::streamRecord(2.0, 400.0, 500000, 0.0)); },
       identifiers("UNIT_IN", "PLAIN"), 2},
      {"an inlet stream record without data", [] { fixture::putStream("FIRST", {}); }, identifiers(), 3},
      {"a blank inlet stream", [] {}, identifiers("UNIT_IN", ""), 7},
      {"the inlet stream's RPGETD fails", [] { repository::setDataFailure("FIRST", "KVOM_MS_DATA", 1); }, identifiers(),
       1},
      {"the second stream without its record", [] {}, identifiers("UNIT_IN", "FIRST", "NO_SUCH"), 1},
  };
  for (const UnreadableCase& c : cases) {
    SCOPED_TRACE(c.what);
    repository::reset();
    prepare(500000, fixture::UnitInput().real(14, 5.0e5));
    c.prepare();
    for (const std::int64_t levelsSwitch : {1, 2}) {
      const Request r{.levelCount = 4, .levelsSwitch = levelsSwitch, .ids = c.ids};
      const Answer answer = request(r);
      EXPECT_EQ(answer.status, c.status);
      std::vector<std::int64_t> options(20, kPreset);
      options[0] = 4;
      options[19] = levelsSwitch;
      EXPECT_EQ(answer.options, options);
      EXPECT_EQ(answer.levels, (std::vector<double>{0, 0, big, big, big, big, big}));
    }
  }
}

TEST_F(HeatingCurveRequest, ShortHostArraysAreNotOverrun) {
  // Arrays of exactly the sizes given, so that a word beyond them is caught by the sanitizers.
  prepare(1.0e6);
  const std::string ids = identifiers();
  auto options = std::make_unique<std::int64_t[]>(10);
  auto levels = std::make_unique<double[]>(4);
  std::fill_n(options.get(), 10, kPreset);
  std::fill_n(levels.get(), 4, big);
  const std::int64_t idCount = 4, optionCount = 10, levelCount = 4, none = 0;
  std::int64_t status = kPreset;
  SET_HCURVE_PRESSURES(1, idCount, ids.data(), kIdLength, optionCount, options.get(), levelCount, levels.get(), none,
                       " ", 1, status);
  EXPECT_EQ(options[0], 2) << "without word 19 only the end pressures";
  EXPECT_EQ(options[9], 2);
  EXPECT_EQ(levels[2], 1.0e6);
  EXPECT_EQ(levels[3], 980000);
}

TEST_F(HeatingCurveRequest, ASeriesFitsTheHostsLevelArray) {
  // Five levels are due, but words 2 to 5 hold only four: four levels down to the lowest pressure.
  prepare(2.0e6, fixture::UnitInput().real(14, 5.0e5));
  const std::string ids = identifiers();
  auto options = std::make_unique<std::int64_t[]>(20);
  auto levels = std::make_unique<double[]>(6);
  std::fill_n(options.get(), 20, 0);
  options[19] = 2;
  std::fill_n(levels.get(), 6, big);
  const std::int64_t idCount = 4, optionCount = 20, levelCount = 6, none = 0;
  std::int64_t status = kPreset;
  SET_HCURVE_PRESSURES(2, idCount, ids.data(), kIdLength, optionCount, options.get(), levelCount, levels.get(), none,
                       " ", 1, status);
  EXPECT_EQ(options[0], 4);
  const std::vector<double> want = series(2.0e6, 5.0e5, 4);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(levels[i + 2], want[i], want[i] * 1e-12) << i;
}

}  // namespace
}  // namespace kvom::run
