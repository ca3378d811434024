#include "exports/export_guard.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "standins/host/host_standin.h"

namespace kvom::exports {
namespace {

TEST(StatusMappingTest, CodesMapByTheirExportsRules) {
  constexpr std::int64_t kHostValue = 77;
  struct Case {
    std::int32_t code;
    std::int64_t fullRules;    // input, heating curve, multi-case
    std::int64_t outputRules;  // output
  };
  const Case cases[] = {
      {0, kHostValue, kHostValue},
      {1000, kHostValue, kHostValue},
      {1001, 3, kHostValue},
      {1100, 3, kHostValue},
      {1101, 39, 39},
      {1200, 39, 39},
      {1201, kHostValue, kHostValue},
      {1399, kHostValue, kHostValue},
      {1400, 40, 40},
      {1401, kHostValue, kHostValue},
      {-1101, kHostValue, kHostValue},
  };
  for (const Case& c : cases) {
    std::int64_t status = kHostValue;
    mapErrorCode(kStatusRules, c.code, status);
    EXPECT_EQ(status, c.fullRules) << c.code;
    status = kHostValue;
    mapErrorCode(kOutputStatusRules, c.code, status);
    EXPECT_EQ(status, c.outputRules) << c.code;
  }
}

class GuardTest : public ::testing::Test {
 protected:
  void SetUp() override { standins::host::reset(); }
  void TearDown() override { standins::host::reset(); }
};

TEST_F(GuardTest, EveryKindOfExceptionIsClassifiedAndHandled) {
  const auto raise = [](std::int64_t code) { return [code] { PellantRaiseError(&code); }; };
  struct Case {
    const char* what;
    std::function<void()> body;
    std::int32_t errorCode;
    std::string logged;
  };
  const Case cases[] = {
      {"nothing", [] {}, 0, ""},
      {"raised error", raise(1101), 1101, "PellantClassifyException E0484C45 1101"},
      {"allocation failure", [] { throw std::bad_alloc(); }, 1400, "PellantClassifyException E0484D45 0"},
      {"other exception", [] { throw std::runtime_error("x"); }, 1101, "PellantClassifyException E0485045 0"},
      {"not a std::exception", [] { throw 5; }, 1101, "PellantClassifyException E0485045 0"},
  };
  for (const Case& c : cases) {
    standins::host::clearCallLog();
    std::int32_t errorCode = -7;
    bool after = false;
    runGuarded(errorCode, [&] {
      c.body();
      after = true;
    });
    EXPECT_EQ(errorCode, c.errorCode) << c.what;
    EXPECT_EQ(after, c.errorCode == 0) << c.what << ": the rest of the region is skipped";
    const auto& log = standins::host::callLog();
    EXPECT_EQ(std::find(log.begin(), log.end(), c.logged) != log.end(), !c.logged.empty()) << c.what;
  }
}

TEST_F(GuardTest, TheDecisionSaysWhetherTheExceptionLeaves) {
  const std::int64_t code = 1400;
  struct Case {
    std::optional<std::int32_t> decision;
    bool leaves;
    std::int32_t errorCode;  // after the guard
  };
  // A body that cannot resume counts as not finished, whatever code the host library wrote.
  const Case cases[] = {{platform::kExceptionExecuteHandler, false, 1400},
                        {platform::kExceptionContinueSearch, true, 0},
                        {platform::kExceptionContinueExecution, false, kUnfinishedBodyError},
                        {2, false, kUnfinishedBodyError}};
  for (const Case& c : cases) {
    standins::host::setDecision(c.decision);
    std::int32_t errorCode = 0;
    bool left = false;
    bool finished = false;
    try {
      runGuarded(errorCode, [&] {
        PellantRaiseError(&code);
        finished = true;
      });
    } catch (const platform::RaisedError& error) {
      left = true;
      EXPECT_EQ(error.errorCode(), 1400);
    }
    EXPECT_EQ(left, c.leaves) << "decision " << *c.decision;
    EXPECT_FALSE(finished) << "decision " << *c.decision;
    EXPECT_EQ(errorCode, c.errorCode) << "decision " << *c.decision;
  }
}

}  // namespace
}  // namespace kvom::exports
