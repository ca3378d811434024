#include "transfer/unit_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "common/number_text.h"
#include "common/unset.h"
#include "platform/host_library.h"
#include "run/unit_factors.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/unit_input_fixture.h"

namespace kvom::transfer {
namespace {

using standins::engine::Collection;
using Texts = std::vector<std::string>;

constexpr std::string_view kObject = "UNIT_IN";

// One call of the transfer with the caller's variables.
struct Call {
  std::int64_t mode = 0;
  std::int64_t switchValue = 2;
  std::int64_t programMode = 0;
  std::int64_t hotOption = 0;
  std::int64_t coldOption = 0;
  double hotDrop = -1.0;
  double coldDrop = -1.0;
  double hotOutlet = -1.0;
  double coldOutlet = -1.0;
  std::int64_t status = -1;
  std::string_view object = kObject;

  Call& run(platform::EngineData* data) {
    SEND_UNIT_INPUT(mode, switchValue, object, data, hotDrop, coldDrop, programMode, hotOption, coldOption, hotOutlet,
                    coldOutlet, status);
    return *this;
  }
};

class UnitInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = run::UnitFactors;
    run::SET_UNIT_FACTORS(4.0f);
  }
  void TearDown() override { run::UnitFactors = saved_; }

  // Sends the record in mode 0 and gives the engine's value operations.
  Texts send(const fixture::UnitInput& input, Call call = {}) {
    input.put(kObject);
    engine.clearLog();
    last = call.run(engine.data());
    return fixture::valueWrites();
  }

  // The operations on the named variables only.
  static Texts only(const Texts& writes, std::initializer_list<std::string_view> names) {
    Texts kept;
    for (const std::string& write : writes) {
      std::string_view name(write);
      if (name.starts_with("clear ")) name.remove_prefix(6);
      name = name.substr(0, name.find(' '));
      if (std::find(names.begin(), names.end(), name) != names.end()) kept.push_back(write);
    }
    return kept;
  }

  fixture::TestEngine engine;  // resets the stand-ins
  Call last;

 private:
  run::UnitFactorsRecord saved_;
};

// Every field set: integers as below, real n holds n + 0.5 except real 20.
fixture::UnitInput fullRecord() {
  fixture::UnitInput input;
  for (int n = 1; n <= 23; ++n) input.real(n, n + 0.5);
  input.real(20, 350.0);
  input.integer(1, 2).integer(2, 100).integer(3, 8).integer(4, 2).integer(5, 1);
  input.integer(6, 2).integer(7, 2).integer(8, 50).integer(9, 1).integer(10, 2);
  return input;
}

TEST_F(UnitInputTest, ModeZeroSendsEveryStepInOrder) {
  const Texts writes = send(fullRecord(), Call{.hotOption = 2});
  const Texts expected = {
      "HtLdTotal 1.5 [1]", "FoulResHS 2.5 [1]", "HtcSpecLiqHS 3.5 [1]", "HtcSpecVapHS 3.5 [1]", "HtcSpec2phHS 3.5 [1]",
      "HtcMultLiqHS 4.5 [1]", "HtcMultVapHS 4.5 [1]", "HtcMult2phHS 4.5 [1]", "PrDrMultHS 5.5 [1]",
      "PrDrAlloHS 6.5 [1]", "PresOperOutHS 7.5 [1]", "EstPrDrHS 8.5 [1]", "FoulResCS 9.5 [1]", "HtcSpecLiqCS 10.5 [1]",
      "HtcSpecVapCS 10.5 [1]", "HtcSpec2phCS 10.5 [1]", "HtcMultLiqCS 11.5 [1]", "HtcMultVapCS 11.5 [1]",
      "HtcMult2phCS 11.5 [1]", "PrDrMultCS 12.5 [1]", "PrDrAlloCS 13.5 [1]", "PresOperOutCS 14.5 [1]",
      "EstPrDrCS 15.5 [1]", "PresOperAtLiqSurfCS 16.5 [1]", "ShlID 17.5 [1]", "BafSpcCC 18.5 [1]", "TubeLng 19.5 [1]",
      "TubePassNum 2 [1]", "TubeNum 100 [1]", "BafNum 8 [1]",
      // program mode 1 and what follows from it
      "WexaProgMode 1 [1]", "TypeHtldAdjustHS 2 [1]", "TypeHtldAdjustCS 2 [1]", "LocFluidHS 2 [1]",
      // outlet specification 2: the hot outlet temperature
      "TempOutHS 350.0 [1]", "clear VapFrcOutHS", "clear TempOutCS", "clear VapFrcOutCS", "clear HtLdTotal",
      "PresDropCalcOptHS 5 [1]", "PresDropCalcOptHS 2 [1]", "PresDropCalcOptCS 5 [1]", "ConvToleranceQ 21.5 [1]",
      "ConvToleranceP 22.5 [1]", "ConvRelaxation 23.5 [1]", "ThermosiphonCalc 3 [1]", "ConvMaxIterations 50 [1]",
      "WexaCalcMethod 1 [1]", "VaporizerType 2 [1]", "Calc_RecapStorage 2 [1]"};
  EXPECT_EQ(writes, expected);
  EXPECT_EQ(last.programMode, 1);
  EXPECT_EQ(last.hotDrop, 0.0);
  EXPECT_EQ(last.coldDrop, 0.0);
  EXPECT_EQ(last.hotOutlet, -1.0) << "mode 0 leaves the outlet pressures";
  EXPECT_EQ(last.status, 0);
}

TEST_F(UnitInputTest, TheSwitchGivesTheModelValuesTheirStateOrLeavesThemOut) {
  EXPECT_EQ(only(send(fullRecord(), Call{.switchValue = 0}),
                 {"HtLdTotal", "ShlID", "TubePassNum", "PresOperAtLiqSurfCS", "WexaProgMode"}),
            (Texts{"HtLdTotal 1.5 [-1]", "PresOperAtLiqSurfCS 16.5 [-1]", "ShlID 17.5 [-1]", "TubePassNum 2 [-1]",
                   "WexaProgMode 1 [1]", "clear HtLdTotal"}));
  const Texts withSwitchOne = send(fullRecord(), Call{.switchValue = 1});
  EXPECT_EQ(only(withSwitchOne, {"ShlID", "TubePassNum", "TubeNum", "BafNum", "PresOperAtLiqSurfCS", "FoulResHS"}),
            Texts{});
  EXPECT_EQ(withSwitchOne.front(), "WexaProgMode 1 [1]");
  EXPECT_EQ(withSwitchOne.back(), "Calc_RecapStorage 2 [1]");
}

TEST_F(UnitInputTest, WithoutALiquidSurfacePressureTheColdInletPressureTextIsCopied) {
  fixture::setInputScalar("PresOperInCS", "  2.5D5");
  EXPECT_EQ(only(send(fixture::UnitInput{}, Call{.switchValue = 0}), {"PresOperAtLiqSurfCS"}),
            Texts{"PresOperAtLiqSurfCS   2.5D5 [1]"});
  standins::engine::dropVariable("PresOperInCS");
  EXPECT_EQ(only(send(fixture::UnitInput{}), {"PresOperAtLiqSurfCS"}), Texts{"PresOperAtLiqSurfCS  [1]"});
  EXPECT_EQ(engine.scalar("PresOperAtLiqSurfCS"), "");
}

struct UnsetCase {
  double real;
  std::int64_t integer;
  bool realSent;
  bool integerSent;
};

TEST_F(UnitInputTest, AValueIsSentOnlyBelowItsMarker) {
  const UnsetCase cases[] = {
      {1.0e35, 99999999, false, false},
      {9.99e34, 99999998, true, true},
      {2.0e35, 100000000, false, false},
      {-1.0e36, -5, true, true},
      {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<std::int64_t>::min(), false, true},
  };
  for (const UnsetCase& c : cases) {
    const Texts writes = only(send(fixture::UnitInput{}.real(19, c.real).integer(3, c.integer)), {"TubeLng", "BafNum"});
    Texts expected;
    if (c.realSent) expected.push_back("TubeLng " + formatReal(c.real) + " [1]");
    if (c.integerSent) expected.push_back("BafNum " + formatInteger(c.integer) + " [1]");
    EXPECT_EQ(writes, expected) << c.real << " " << c.integer;
  }
}

struct FactorCase {
  int field;
  std::string_view variable;
  int word;
};

TEST_F(UnitInputTest, ConvertedValuesAreDividedByTheirWidenedFactor) {
  run::SET_UNIT_FACTORS(1.0f);
  const FactorCase cases[] = {
      {1, "HtLdTotal", 6},        {2, "FoulResHS", 14},      {3, "HtcSpec2phHS", 15}, {6, "PrDrAlloHS", 19},
      {7, "PresOperOutHS", 19},   {8, "EstPrDrHS", 19},      {9, "FoulResCS", 14},    {10, "HtcSpecVapCS", 15},
      {13, "PrDrAlloCS", 19},     {14, "PresOperOutCS", 19}, {15, "EstPrDrCS", 19},   {17, "ShlID", 1},
      {18, "BafSpcCC", 1},        {19, "TubeLng", 1},        {4, "HtcMultLiqHS", -1}, {16, "PresOperAtLiqSurfCS", -1},
      {21, "ConvToleranceQ", -1},
  };
  fixture::UnitInput input;
  for (const FactorCase& c : cases) input.real(c.field, 0.3 * c.field);
  send(input);
  for (const FactorCase& c : cases) {
    const double value = 0.3 * c.field;
    const double sent = c.word < 0 ? value : value / static_cast<double>(run::unitFactor(c.word));
    EXPECT_EQ(engine.scalar(c.variable), formatReal(sent)) << c.variable;
  }
}

TEST_F(UnitInputTest, TheProgramModeDecidesTheOptionsThatFollow) {
  const std::initializer_list<std::string_view> options = {
      "WexaProgMode", "SimOptionHS", "SimOptionCS", "TypeHtldAdjustHS",  "TempOutHS",        "VapFrcOutHS",
      "TempOutCS",    "VapFrcOutCS", "HtLdTotal",   "PresDropCalcOptHS", "PresDropCalcOptCS"};
  const auto record = [](std::int64_t mode) {
    fixture::UnitInput input;
    if (mode != UNSET_INTEGER) input.integer(5, mode);
    return input.integer(7, 3).real(20, 280.0);
  };
  // Mode 4 goes as 7, and the outlet specification is sent.
  EXPECT_EQ(only(send(record(4), Call{.hotOption = 2, .coldOption = 2}), options),
            (Texts{"WexaProgMode 7 [1]", "TempOutCS 280.0 [1]", "clear VapFrcOutHS", "clear TempOutHS",
                   "clear VapFrcOutCS", "clear HtLdTotal", "PresDropCalcOptHS 5 [1]", "PresDropCalcOptCS 5 [1]"}));
  EXPECT_EQ(last.programMode, 7);
  // Mode 3: both simulation options, every outlet variable cleared, pressure-drop options stay 5.
  EXPECT_EQ(only(send(record(3), Call{.hotOption = 2, .coldOption = 2}), options),
            (Texts{"WexaProgMode 3 [1]", "SimOptionHS 3 [1]", "SimOptionCS 3 [1]", "clear TempOutHS",
                   "clear VapFrcOutHS", "clear TempOutCS", "clear VapFrcOutCS", "clear HtLdTotal",
                   "PresDropCalcOptHS 5 [1]", "PresDropCalcOptCS 5 [1]"}));
  // Unset: the caller's program mode stands and is not sent.
  EXPECT_EQ(
      only(send(record(UNSET_INTEGER), Call{.programMode = 2, .coldOption = 2}), options),
      (Texts{"TempOutCS 280.0 [1]", "clear VapFrcOutHS", "clear TempOutHS", "clear VapFrcOutCS", "clear HtLdTotal",
             "PresDropCalcOptHS 5 [1]", "PresDropCalcOptCS 5 [1]", "PresDropCalcOptCS 2 [1]"}));
  EXPECT_EQ(last.programMode, 2);
  EXPECT_EQ(only(send(record(UNSET_INTEGER), Call{.programMode = 5}), options),
            (Texts{"PresDropCalcOptHS 5 [1]", "PresDropCalcOptCS 5 [1]"}));
}

struct OutletCase {
  std::int64_t code;
  Texts expected;
};

TEST_F(UnitInputTest, TheOutletSpecificationCodeSelectsOneVariableAndClearsTheOthers) {
  const Texts hotTemperature = {"TempOutHS 1e+35 [1]", "clear VapFrcOutHS", "clear TempOutCS", "clear VapFrcOutCS",
                                "clear HtLdTotal"};
  const Texts coldTemperature = {"TempOutCS 1e+35 [1]", "clear VapFrcOutHS", "clear TempOutHS", "clear VapFrcOutCS",
                                 "clear HtLdTotal"};
  const OutletCase cases[] = {
      {1, {"HtLdTotal 1e+35 [1]", "clear TempOutHS", "clear TempOutCS", "clear VapFrcOutHS", "clear VapFrcOutCS"}},
      {2, hotTemperature},
      {3, coldTemperature},
      {4, hotTemperature},
      {5, coldTemperature},
      {6, {"VapFrcOutHS 1e+35 [1]", "clear TempOutHS", "clear TempOutCS", "clear VapFrcOutCS", "clear HtLdTotal"}},
      {7, {"VapFrcOutCS 1e+35 [1]", "clear TempOutHS", "clear TempOutCS", "clear VapFrcOutHS", "clear HtLdTotal"}},
      {8, hotTemperature},
      {9, coldTemperature},
      {10, hotTemperature},
      {11, coldTemperature},
      {12, hotTemperature},
      {0, {}},
      {13, {}},
      {-2, {}},
  };
  for (const OutletCase& c : cases) {
    // Real 20 goes as the record holds it, the marker included, and without a factor.
    const Texts writes = send(fixture::UnitInput{}.integer(5, 1).integer(7, c.code));
    EXPECT_EQ(only(writes, {"HtLdTotal", "TempOutHS", "TempOutCS", "VapFrcOutHS", "VapFrcOutCS"}), c.expected)
        << "code " << c.code;
  }
  // A heat load set in step 1 is cleared again by an outlet temperature.
  const Texts writes = send(fixture::UnitInput{}.real(1, 4.0e6).integer(7, 2).real(20, 300.0));
  EXPECT_EQ(only(writes, {"HtLdTotal"}), (Texts{"HtLdTotal " + formatReal(4.0e6) + " [1]", "clear HtLdTotal"}));
}

TEST_F(UnitInputTest, ThermosiphonAndVaporizerOptions) {
  const std::initializer_list<std::string_view> names = {"ThermosiphonCalc", "VaporizerType", "ShlType"};
  EXPECT_EQ(only(send(fixture::UnitInput{}.integer(6, 1).integer(10, 1)), names),
            (Texts{"ThermosiphonCalc 1 [1]", "VaporizerType 1 [1]", "ShlType 6 [1]"}));
  EXPECT_EQ(only(send(fixture::UnitInput{}.integer(6, 2).integer(10, 3)), names), Texts{"ThermosiphonCalc 3 [1]"});
  // An option without an engine value is not sent.
  EXPECT_EQ(only(send(fixture::UnitInput{}.integer(6, 5).integer(10, -1)), names), Texts{"VaporizerType -1 [1]"});
}

TEST_F(UnitInputTest, RemarksThatBeginWithRpdumpStartTheDump) {
  const kvom::test::ScratchDirectory scratch;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(scratch.path());
  struct Case {
    std::string remark;
    bool dumps;
  };
  // Free-text remarks are often longer than a value text: only their first six characters count.
  const std::string longRemark = "RPDUMP before the run: the shell-side nozzle loads still need a check";
  for (const Case& c : {Case{"RPDUMP please", true}, Case{"RPDUMP", true}, Case{" RPDUMP", false},
                        Case{"rpdump", false}, Case{"", false}, Case{longRemark, true},
                        Case{"The shell-side nozzle loads still need a check before the run: RPDUMP", false}}) {
    standins::repository::clearCallLog();
    engine.setElement(Collection::InputArrays, "Remarks", 1, c.remark);
    send(fixture::UnitInput{});
    const auto& calls = standins::repository::callLog();
    const bool dumped = std::find(calls.begin(), calls.end(), "RPDUMP Wexa_Zorvi.RPO") != calls.end();
    EXPECT_EQ(dumped, c.dumps) << '"' << c.remark << '"';
    EXPECT_EQ(std::filesystem::exists(scratch.path() / "Wexa_Zorvi.RPO"), c.dumps);
    std::filesystem::remove(scratch.path() / "Wexa_Zorvi.RPO");
  }
  std::filesystem::current_path(previous);
  // The dump comes after the work arrays are released and before Calc_RecapStorage.
  EXPECT_EQ(engine.log("GetItem").back(), "GetItem InputScalars Calc_RecapStorage");
}

struct ModeOneCase {
  const char* description;
  double outlet, estimated, allowed;  // reals 7, 8, 6 (cold: 14, 15, 13)
  double expectedOutlet, expectedDrop;
};

TEST_F(UnitInputTest, ModeOneReturnsEachSidesOutletPressureAndPressureDropWithoutTheEngine) {
  const ModeOneCase cases[] = {
      {"outlet pressure set", 250000.0, 3000.0, 5000.0, 250000.0, 0.0},
      {"estimated drop", UNSET_REAL, 3000.0, 5000.0, UNSET_REAL, 3000.0},
      {"estimated drop 0: allowed drop", UNSET_REAL, 0.0, 5000.0, UNSET_REAL, 5000.0},
      {"neither drop", UNSET_REAL, UNSET_REAL, UNSET_REAL, UNSET_REAL, 0.0},
      {"allowed drop 0", UNSET_REAL, UNSET_REAL, 0.0, UNSET_REAL, 0.0},
  };
  for (const ModeOneCase& c : cases) {
    fixture::UnitInput input;
    input.real(7, c.outlet).real(8, c.estimated).real(6, c.allowed);
    input.real(14, c.outlet).real(15, c.estimated).real(13, c.allowed);
    input.put(kObject);
    engine.clearLog();
    const Call call = Call{.mode = 1}.run(nullptr);
    EXPECT_EQ(call.hotOutlet, c.expectedOutlet) << c.description;
    EXPECT_EQ(call.hotDrop, c.expectedDrop) << c.description;
    EXPECT_EQ(call.coldOutlet, c.expectedOutlet) << c.description;
    EXPECT_EQ(call.coldDrop, c.expectedDrop) << c.description;
    EXPECT_EQ(call.status, 0);
    EXPECT_EQ(call.programMode, 0);
  }
  // No factor applies, and the engine is not asked for anything even when one is given.
  run::SET_UNIT_FACTORS(1.0f);
  fixture::UnitInput{}.real(8, 1234.5).put(kObject);
  EXPECT_EQ(Call{.mode = 1}.run(engine.data()).hotDrop, 1234.5);
  EXPECT_TRUE(engine.log().empty());
}

// A record that cannot be read, for whatever reason the library gives, is never taken as values:
// nothing reaches the engine, the caller's outputs stay and the status tells what failed.
TEST_F(UnitInputTest, ARecordThatCannotBeReadIsNeitherSentNorReturned) {
  namespace repository = standins::repository;
  struct Case {
    const char* description;
    std::string_view object;
    void (*prepare)();
    std::int64_t status;
  };
  const Case cases[] = {
      {"no object", kObject, [] { repository::reset(); }, 1},
      {"no such record", kObject,
       [] {
         repository::reset();
         repository::putRecord(kObject, "OTHER_RECORD", {});
       },
       2},
      {"a record without data", kObject, [] { repository::putRecord(kObject, fixture::kUnitInputKey, {}); }, 3},
      // A host that leaves the input object's identifier blank.
      {"a blank object name", "        ", [] {}, 7},
      {"RPGETD fails after a good RPGETS", kObject,
       [] { repository::setDataFailure(kObject, fixture::kUnitInputKey, 1); }, 1},
      {"RPGETD cut short", kObject,
       [] {
         repository::setReportedCounts(kObject, fixture::kUnitInputKey, repository::Counts{.integers = 2, .reals = 3});
       },
       6},
  };
  for (const Case& c : cases) {
    for (const std::int64_t mode : {0, 1}) {
      SCOPED_TRACE(std::string(c.description) + ", mode " + std::to_string(mode));
      fullRecord().put(kObject);
      c.prepare();
      engine.clearLog();
      const Call call = Call{.mode = mode, .programMode = 5, .object = c.object}.run(engine.data());
      EXPECT_EQ(call.status, c.status);
      EXPECT_EQ(call.hotDrop, -1.0);
      EXPECT_EQ(call.coldDrop, -1.0);
      EXPECT_EQ(call.hotOutlet, -1.0);
      EXPECT_EQ(call.coldOutlet, -1.0);
      EXPECT_EQ(call.programMode, 5);
      EXPECT_TRUE(engine.log().empty()) << "nothing sent, no dump check";
      repository::setDataFailure(kObject, fixture::kUnitInputKey, std::nullopt);
      repository::setReportedCounts(kObject, fixture::kUnitInputKey, std::nullopt);
    }
  }
}

TEST_F(UnitInputTest, APositionTheRecordDoesNotHoldCountsAsUnset) {
  // The record as the input tree writes it: 10 integers and 22 reals; real 23 is not sent.
  standins::repository::Record initial = fixture::UnitInput::unset(10, 22);
  initial.reals[21] = 0.001;  // real 22
  standins::repository::putRecord(kObject, fixture::kUnitInputKey, initial);
  engine.clearLog();
  Call{}.run(engine.data());
  EXPECT_EQ(only(fixture::valueWrites(), {"ConvToleranceP", "ConvRelaxation"}), Texts{"ConvToleranceP 0.001 [1]"});

  // A record without integers sends none, not the zeros of cleared work storage.
  standins::repository::Record reals = fixture::UnitInput::unset(0, 5);
  reals.reals[0] = 7.0;
  standins::repository::putRecord(kObject, fixture::kUnitInputKey, reals);
  engine.clearLog();
  Call{}.run(engine.data());
  EXPECT_EQ(only(fixture::valueWrites(), {"TubePassNum", "VaporizerType", "HtLdTotal", "WexaProgMode"}),
            Texts{"HtLdTotal 7.0 [1]"});

  // The mode-1 pressures of a record without reals are all unset.
  standins::repository::putRecord(kObject, fixture::kUnitInputKey, fixture::UnitInput::unset(1, 0));
  const Call call = Call{.mode = 1}.run(nullptr);
  EXPECT_EQ(call.hotOutlet, UNSET_REAL);
  EXPECT_EQ(call.hotDrop, 0.0);
}

TEST_F(UnitInputTest, StorageThatCannotBeHadRaisesError1400WithNothingSent) {
  using Counts = standins::repository::Counts;
  const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
  const Counts cases[] = {
      {.integers = 10, .reals = huge},                    // the second array fails
      {.integers = 10, .reals = 23, .texts = huge / 16},  // the texts' size cannot be represented
      {.integers = huge / 2},
      {.integers = 10, .reals = 23, .textCompanions = huge},
  };
  for (const Counts& counts : cases) {
    for (const std::int64_t mode : {0, 1}) {
      fullRecord().put(kObject);
      standins::repository::setReportedCounts(kObject, fixture::kUnitInputKey, counts);
      standins::host::clearCallLog();
      engine.clearLog();
      Call call{.mode = mode};
      try {
        call.run(engine.data());
        ADD_FAILURE() << "no error raised";
      } catch (const platform::RaisedError& error) {
        EXPECT_EQ(error.errorCode(), 1400);
      }
      const auto& hostCalls = standins::host::callLog();
      EXPECT_NE(std::find(hostCalls.begin(), hostCalls.end(), "PellantRaiseError 1400"), hostCalls.end());
      EXPECT_TRUE(engine.log().empty());
      EXPECT_EQ(call.hotDrop, -1.0);
      EXPECT_EQ(call.hotOutlet, -1.0);
    }
  }
  standins::repository::setReportedCounts(kObject, fixture::kUnitInputKey, std::nullopt);
}

}  // namespace
}  // namespace kvom::transfer
