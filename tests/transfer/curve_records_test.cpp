#include "transfer/curve_records.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "platform/host_library.h"
#include "run/case_ids.h"
#include "run/unit_factors.h"
#include "standins/host/host_standin.h"
#include "tests/support/curve_fixture.h"

namespace kvom::transfer {
namespace {

namespace repository = standins::repository;

constexpr std::string_view kCurve = "CURVE_A";

class CurveRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    run::SET_UNIT_FACTORS(4.0f);
    run::CaseIds = {};
    run::CaseIds.hotNames[0].assign(kCurve);
    fixture::putCurve(kCurve, fixture::sampleCurve(2, {2, 4}, 2));
    repository::clearCallLog();
  }
  void read(std::int64_t switchValue = 2) {
    std::int64_t status = 0;
    READ_CURVE_RECORDS(switchValue, engine.data(), 1, kCurve, status);
  }
  std::size_t engineWrites() const { return engine.log("SetElementText").size() + engine.log("SetValueText").size(); }

  fixture::TestEngine engine;
};

TEST_F(CurveRecordsTest, ReadsTheFiveRecordsAndSendsTheCurve) {
  read(3);
  std::vector<std::string> expected = {"RPFIND CURVE_A"};
  for (const auto key : fixture::kCurveRecordKeys) {
    expected.push_back("RPGETS CURVE_A " + std::string(key));
    expected.push_back("RPGETD CURVE_A " + std::string(key));
  }
  EXPECT_EQ(repository::callLog(), expected);
  EXPECT_EQ(engine.elementValue("Temperature", 2), 102.0);
  EXPECT_EQ(engine.elementState("Temperature", 2), 2) << "the state is the switch minus 1";
  EXPECT_EQ(engine.elementValue("LiquidDensity", 2), 40003.0);
  EXPECT_EQ(engine.elementValue("Comp02LiqMoleFrc", 2), 4 + 2 / 1000.0);
  EXPECT_EQ(engine.elementValue("CompDipoleMoment", 2), 700002.0);
  EXPECT_EQ(engine.scalarValue("NumPtsOnCrvHS"), 2.0);
}

TEST_F(CurveRecordsTest, MissingObjectIsSkipped) {
  std::int64_t status = 0;
  READ_CURVE_RECORDS(2, engine.data(), 1, "NO_SUCH_CURVE", status);
  EXPECT_EQ(repository::callLog(), std::vector<std::string>{"RPFIND NO_SUCH_CURVE"});
  EXPECT_TRUE(engine.log().empty());
}

// A curve with a record that cannot be read sends nothing of the curve: not its other records, not
// the cleared work storage. The reading stops at that record, and the status is that read's.
TEST_F(CurveRecordsTest, ACurveWithARecordThatCannotBeReadSendsNothing) {
  struct Case {
    const char* what;
    void (*prepare)();
    std::string lastCall;
    std::int64_t status;
  };
  const Case cases[] = {
      {"an object without the curve records",
       [] {
         repository::reset();
         repository::putRecord(kCurve, "SOMETHING_ELSE", {});
       },
       "RPGETS CURVE_A STHE_HRC_POINT", 2},
      {"one record missing",
       [] {
         repository::reset();
         fixture::CurveRecords records = fixture::curveRecords(fixture::sampleCurve(2, {2, 4}, 2));
         repository::putRecord(kCurve, "STHE_HRC_POINT", records.point);
         repository::putRecord(kCurve, "STHE_HRC_THERMODYNAMIC", records.thermodynamic);
       },
       "RPGETS CURVE_A STHE_HRC_PHASE", 2},
      {"RPGETD fails after a good RPGETS", [] { repository::setDataFailure(kCurve, "STHE_HRC_PHASE_COMPOSITION", 1); },
       "RPGETD CURVE_A STHE_HRC_PHASE_COMPOSITION", 1},
      {"RPGETD cut short",
       [] { repository::setReportedCounts(kCurve, "STHE_HRC_PHASE", repository::Counts{.integers = 4, .reals = 5}); },
       "RPGETD CURVE_A STHE_HRC_PHASE", 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fixture::putCurve(kCurve, fixture::sampleCurve(2, {2, 4}, 2));
    c.prepare();
    engine.clearLog();
    repository::clearCallLog();
    std::int64_t status = -1;
    READ_CURVE_RECORDS(2, engine.data(), 1, kCurve, status);
    EXPECT_EQ(engineWrites(), 0u);
    EXPECT_EQ(repository::callLog().back(), c.lastCall);
    EXPECT_EQ(status, c.status);
    repository::setDataFailure(kCurve, "STHE_HRC_PHASE_COMPOSITION", std::nullopt);
    repository::setReportedCounts(kCurve, "STHE_HRC_PHASE", std::nullopt);
  }
}

// A record without data reads as an empty record: a curve without components has an empty
// STHE_HRC_PHASE_COMPOSITION and goes as a whole.
TEST_F(CurveRecordsTest, ARecordWithoutDataReadsAsEmpty) {
  repository::reset();
  fixture::putCurve(kCurve, fixture::sampleCurve(2));
  ASSERT_EQ(repository::getRecord(kCurve, "STHE_HRC_PHASE_COMPOSITION"), repository::Record{});
  read();
  EXPECT_EQ(engine.scalarValue("NumPtsOnCrvHS"), 2.0);
  EXPECT_EQ(engine.elementValue("Temperature", 2), 102.0);
}

// Storage that cannot be had for a work array of STHE_HRC_PHASE: error 1400 after every array of
// the call is released (the leak checker of the sanitizer build sees any that is not), nothing
// of the curve reaches the engine, and a later call reads the curve afresh.
TEST_F(CurveRecordsTest, StorageThatCannotBeHadRaises1400) {
  struct Case {
    const char* what;
    repository::Counts counts;
    bool needsAllocator;  // the allocation is tried and fails
  };
  constexpr std::int64_t kHuge = std::numeric_limits<std::int64_t>::max();
  const Case cases[] = {
      {"a real count beyond any array", {.integers = 3, .reals = kHuge}, false},
      {"a text count whose size cannot be represented", {.integers = 3, .reals = 30, .texts = kHuge / 16}, false},
      {"integer companions beyond any array", {.integers = 3, .integerCompanions = kHuge}, false},
      {"reals the address space cannot hold", {.integers = 3, .reals = std::int64_t{1} << 45}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's allocator ends the program instead of failing an allocation.
    if (c.needsAllocator) continue;
#endif
    engine.clearLog();
    repository::clearCallLog();
    standins::host::clearCallLog();
    repository::setReportedCounts(kCurve, "STHE_HRC_PHASE", c.counts);
    try {
      read();
      ADD_FAILURE() << "no error raised";
    } catch (const platform::RaisedError& error) {
      EXPECT_EQ(error.errorCode(), 1400);
    }
    EXPECT_EQ(standins::host::callLog().back(), "PellantRaiseError 1400");
    EXPECT_EQ(repository::callLog().back(), "RPGETS CURVE_A STHE_HRC_PHASE");
    EXPECT_EQ(engineWrites(), 0u);

    repository::setReportedCounts(kCurve, "STHE_HRC_PHASE", std::nullopt);
    read();
    EXPECT_EQ(engine.elementValue("LiquidDensity", 2), 40003.0);
  }
}

}  // namespace
}  // namespace kvom::transfer
