#include "transfer/result_records.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "common/number_text.h"
#include "common/unset.h"
#include "platform/repository.h"
#include "run/unit_factors.h"
#include "standins/engine/engine_standin.h"
#include "standins/repository/repository_standin.h"
#include "tests/support/unit_input_fixture.h"

namespace kvom::transfer {
namespace {

using standins::repository::Record;

constexpr std::string_view kObject = "UNIT_OUT";

class ResultRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = run::UnitFactors;
    run::SET_UNIT_FACTORS(4.0f);
    createObject(kObject);
  }
  void TearDown() override { run::UnitFactors = saved_; }

  static void createObject(std::string_view name) {
    std::int64_t root = 0;
    std::int64_t status = 0;
    RPNEW(name.data(), static_cast<std::int64_t>(name.size()), "ROOT", 4, &root, &status);
  }
  static void report(std::string_view variable, double value) { fixture::setOutputScalar(variable, formatReal(value)); }
  static void report(std::string_view variable, std::string_view text) { fixture::setOutputScalar(variable, text); }

  Record store() {
    STORE_RESULTS(kObject, engine.data());
    return record(kPerformanceKey);
  }
  static Record record(std::string_view key) { return standins::repository::getRecord(kObject, key).value(); }

  fixture::TestEngine engine;  // resets the stand-ins

 private:
  run::UnitFactorsRecord saved_;
};

// The output scalars of the performance record with the real field each fills.
struct PerformanceVariable {
  std::string_view name;
  int field;
};
constexpr PerformanceVariable kPerformanceReals[] = {
    {"HtldTotal", 1},
    {"AreaReqDirty", 2},
    {"Area", 3},
    {"ExcessSurfDirty", 4},
    {"ExcessSurfClean", 5},
    {"OverCoefDirty", 6},
    {"OverCoefClean", 7},
    {"LMTDEndPoints", 8},
    {"MTDCorrFactor", 9},
    {"TempOutSS", 10},
    {"ShlMeanMetalTemp", 11},
    {"PresOperOutSS", 12},
    {"PresDropCalcSS", 13},
    {"PresDropBafWinSS", 15},
    {"PresDropInExchEndsSS", 16},
    {"PresDropCrossFlowSS", 17},
    {"FilmCoefSS", 18},
    {"FilmResSS", 20},
    {"FoulMaxSS", 21},
    {"FoulResSS", 22},
    {"TubFinCorrFactSS", 26},
    {"LongBafEff", 27},
    {"RV2ShlEnt", 32},
    {"RV2ShlEx", 33},
    {"RV2BundleEnt", 34},
    {"RV2BundleEx", 35},
    {"ResDirtySSFoulPct", 37},
    {"ResDirtySSFilmPct", 38},
    {"FlRaTotalSS", 39},
    {"PresDropFricSS", 40},
    {"PresOperInSS", 41},
    {"TempOutTS", 42},
    {"TubeMeanMetalTemp", 43},
    {"PresOperOutTS", 44},
    {"PresDropCalcTS", 45},
    {"FilmCoefTS", 47},
    {"FilmResTS", 49},
    {"FoulMaxTS", 50},
    {"FoulResTS", 51},
    {"VelEntBundleTS", 52},
    {"VelExitBundleTS", 53},
    {"VelMidPtTS", 54},
    {"ResDirtyTSFoulPct", 55},
    {"ResDirtyTSFilmPct", 56},
    {"FlRaTotalTS", 57},
    {"PresDropFricTS", 58},
    {"PresOperInTS", 59},
};

TEST_F(ResultRecordsTest, WithUnitSetFourEveryFieldHoldsTheEnginesValue) {
  for (const PerformanceVariable& v : kPerformanceReals) report(v.name, v.field + 0.25);
  report("VelCrossFlowInSS", 2.0);
  report("VelCrossFlowOutSS", 3.0);
  report("VelThruBafWinInSS", 1.5);
  report("VelThruBafWinOutSS", 1.0);
  report("RV2Violation", "1");
  report("VibIndicationWEXA", "2");
  const Record performance = store();

  std::vector<double> expected(59, UNSET_REAL);
  for (const PerformanceVariable& v : kPerformanceReals)
    expected[static_cast<std::size_t>(v.field - 1)] = v.field + 0.25;
  expected[18] = expected[17];  // real 19 repeats real 18
  expected[47] = expected[46];  // real 48 repeats real 47
  expected[28] = 3.0;           // the larger cross-flow velocity
  expected[29] = 1.5;           // the larger baffle-window velocity
  expected[30] = 2.25;          // their mean
  EXPECT_EQ(performance.reals, expected);
  EXPECT_EQ(performance.integers, (std::vector<std::int64_t>{1, 2}));
  EXPECT_TRUE(performance.integerCompanions.empty());
  EXPECT_TRUE(performance.texts.empty());
}

TEST_F(ResultRecordsTest, ConvertedFieldsAreMultipliedByTheirWidenedFactor) {
  run::SET_UNIT_FACTORS(1.0f);
  struct Case {
    std::string_view variable;
    int field;
    double factor;
  };
  const double htc = static_cast<double>(run::unitFactor(15));
  const Case cases[] = {
      {"HtldTotal", 1, static_cast<double>(run::unitFactor(6))},
      {"Area", 3, static_cast<double>(run::unitFactor(2))},
      {"OverCoefClean", 7, htc},
      {"PresDropCalcSS", 13, static_cast<double>(run::unitFactor(19))},
      {"FilmResSS", 20, static_cast<double>(1.0f / run::unitFactor(15))},  // reciprocal in single precision
      {"FoulResTS", 51, static_cast<double>(run::unitFactor(14))},
      {"VelMidPtTS", 54, static_cast<double>(run::unitFactor(9))},
      {"RV2BundleEx", 35, static_cast<double>(run::unitFactor(16))},
      {"PresOperOutSS", 12, 1.0},  // stored as read
      {"FlRaTotalTS", 57, 1.0},
  };
  for (const Case& c : cases) report(c.variable, 3.7);
  report("VelCrossFlowOutSS", 3.7);
  const Record performance = store();
  for (const Case& c : cases) {
    EXPECT_EQ(performance.reals[static_cast<std::size_t>(c.field - 1)], 3.7 * c.factor) << c.variable;
  }
  EXPECT_EQ(performance.reals[28], 3.7 * static_cast<double>(run::unitFactor(9)));
}

struct VelocityCase {
  std::optional<double> crossIn, crossOut, windowIn, windowOut;
  double real29, real30, real31;
};

TEST_F(ResultRecordsTest, VelocitiesTakeTheLargerReportedValueAndTheMeanNeedsBoth) {
  const VelocityCase cases[] = {
      {2.0, 3.0, std::nullopt, 1.5, 3.0, 1.5, 2.25},
      {std::nullopt, std::nullopt, 1.0, 4.0, UNSET_REAL, 4.0, UNSET_REAL},
      {-2.0, std::nullopt, std::nullopt, std::nullopt, -2.0, UNSET_REAL, UNSET_REAL},
      {5.0, -1.0, 0.0, 0.0, 5.0, 0.0, 2.5},
      // Two finite velocities above half the largest double have a finite mean, of either sign.
      {1.5E308, std::nullopt, std::nullopt, 1.25E308, 1.5E308, 1.25E308, 1.375E308},
      {-1.5E308, std::nullopt, std::nullopt, -1.25E308, -1.5E308, -1.25E308, -1.375E308},
      {1.7976931348623157E308, std::nullopt, 1.7976931348623157E308, std::nullopt, 1.7976931348623157E308,
       1.7976931348623157E308, 1.7976931348623157E308},
      // The smallest velocities keep the mean of their sum.
      {5E-324, std::nullopt, 5E-324, std::nullopt, 5E-324, 5E-324, 5E-324},
  };
  for (const VelocityCase& c : cases) {
    const fixture::TestEngine fresh;
    createObject(kObject);
    const auto set = [](std::string_view name, std::optional<double> value) {
      if (value) report(name, *value);
    };
    set("VelCrossFlowInSS", c.crossIn);
    set("VelCrossFlowOutSS", c.crossOut);
    set("VelThruBafWinInSS", c.windowIn);
    set("VelThruBafWinOutSS", c.windowOut);
    STORE_RESULTS(kObject, fresh.data());
    const Record performance = record(kPerformanceKey);
    EXPECT_EQ(performance.reals[28], c.real29);
    EXPECT_EQ(performance.reals[29], c.real30);
    EXPECT_EQ(performance.reals[30], c.real31);
  }
}

struct ArrangementCase {
  std::optional<std::string> tubePasses;
  std::optional<std::string> shellInletNozzle;
  std::int64_t code;
};

TEST_F(ResultRecordsTest, TheArrangementCodeFollowsTubePassesAndShellInletNozzle) {
  const ArrangementCase cases[] = {
      {"1", "1", 0},
      {"1", "2", 1},
      {"1", "3", UNSET_INTEGER},
      {"4", "1", 3},
      {"4", "2", 3},
      {"4", "5", UNSET_INTEGER},
      {std::nullopt, "1", UNSET_INTEGER},
      {"0", "1", UNSET_INTEGER},
      {"2", std::nullopt, UNSET_INTEGER},
      {"99999999", "1", UNSET_INTEGER},
  };
  for (const ArrangementCase& c : cases) {
    {
      // An earlier call with a nozzle location must not leak into this one.
      const fixture::TestEngine earlier;
      createObject(kObject);
      report("TubePassNum", "1");
      report("ShellInNozLoc", "2");
      STORE_RESULTS(kObject, earlier.data());
    }
    const fixture::TestEngine fresh;
    createObject(kObject);
    if (c.tubePasses) report("TubePassNum", *c.tubePasses);
    if (c.shellInletNozzle) report("ShellInNozLoc", *c.shellInletNozzle);
    report("ShlSerNum", "2");
    report("ShlParNum", "3");
    STORE_RESULTS(kObject, fresh.data());
    const Record globals = record(kGlobalsKey);
    const std::int64_t passes = c.tubePasses ? readInteger(*c.tubePasses).value() : UNSET_INTEGER;
    EXPECT_EQ(globals.integers, (std::vector<std::int64_t>{c.code, passes, UNSET_INTEGER, UNSET_INTEGER, 2, 3}))
        << c.tubePasses.value_or("-") << " " << c.shellInletNozzle.value_or("-");
    EXPECT_EQ(globals.reals, std::vector<double>(14, UNSET_REAL));
  }
}

TEST_F(ResultRecordsTest, DesignCriteriaHoldOnlyTheHotFluidLocationAndTheMethod) {
  report("LocFluidHS", "2");
  report("MethCalculationMethod", "4");
  store();
  const Record criteria = record(kDesignCriteriaKey);
  std::vector<std::int64_t> expected(31, UNSET_INTEGER);
  expected[0] = 2;
  expected[16] = 4;
  EXPECT_EQ(criteria.integers, expected);
  EXPECT_EQ(criteria.reals, std::vector<double>(38, UNSET_REAL));
}

struct FilmCase {
  std::optional<std::string> location;
  bool hotInShell;
};

TEST_F(ResultRecordsTest, FilmCoefficientsGoToTheHotAndTheColdSide) {
  const std::vector<double> shell = {11.0, 12.0, 13.0};  // liquid sensible, two-phase, vapour sensible
  const std::vector<double> tube = {21.0, 22.0, 23.0};
  const FilmCase cases[] = {{"0", true}, {"1", true}, {"1.0", true}, {"2", false}, {"3", false}};
  for (const FilmCase& c : cases) {
    report("LocFluidHS", *c.location);
    report("FilmCoefLiqSensibleSS", shell[0]);
    report("FilmCoefTwoPhaseSS", shell[1]);
    report("FilmCoefVapSensibleSS", shell[2]);
    report("FilmCoefLiqSensibleTS", tube[0]);
    report("FilmCoefTwoPhaseTS", tube[1]);
    report("FilmCoefVapSensibleTS", tube[2]);
    store();
    std::vector<double> expected = c.hotInShell ? shell : tube;
    const std::vector<double>& cold = c.hotInShell ? tube : shell;
    expected.insert(expected.end(), cold.begin(), cold.end());
    const Record film = record(kFilmCoefficientKey);
    EXPECT_EQ(film.reals, expected) << *c.location;
    EXPECT_TRUE(film.integers.empty());
  }
  // Without a hot-fluid location no side can be assigned: every coefficient keeps its marker.
  const fixture::TestEngine fresh;
  createObject(kObject);
  report("FilmCoefLiqSensibleSS", shell[0]);
  STORE_RESULTS(kObject, fresh.data());
  EXPECT_EQ(record(kFilmCoefficientKey).reals, std::vector<double>(6, UNSET_REAL));
}

TEST_F(ResultRecordsTest, TheFourRecordsAreWrittenInOrderUnderTheFortyCharacterName) {
  // The host's name field is longer than 40 characters; the name itself is shorter.
  const std::string field = std::string(kObject) + std::string(120, ' ');
  standins::repository::clearCallLog();
  STORE_RESULTS(field, engine.data());
  EXPECT_EQ(standins::repository::callLog(),
            (std::vector<std::string>{"RPPUTD UNIT_OUT STHE_PERFORMANCE", "RPPUTD UNIT_OUT STHE_GLOBALS",
                                      "RPPUTD UNIT_OUT STHE_DESIGN_CRITERIA",
                                      "RPPUTD UNIT_OUT ZORVI_WEXA_PLUS_STHE_Output_FilmCoef"}));
  EXPECT_EQ(standins::repository::recordKeys(kObject),
            (std::vector<std::string>{"STHE_PERFORMANCE", "STHE_GLOBALS", "STHE_DESIGN_CRITERIA",
                                      "ZORVI_WEXA_PLUS_STHE_Output_FilmCoef"}));
  // Without anything reported every field is a marker.
  EXPECT_EQ(record(kPerformanceKey).reals, std::vector<double>(59, UNSET_REAL));

  // A name longer than 40 characters is not cut to the name of another object.
  const std::string longName(45, 'N');
  createObject(longName);
  STORE_RESULTS(longName, engine.data());
  EXPECT_EQ(standins::repository::recordKeys(longName).size(), 4u);
  EXPECT_FALSE(standins::repository::objectExists(longName.substr(0, 40)));
}

}  // namespace
}  // namespace kvom::transfer
