// The exports called directly, for what a host cannot see: the case-path buffer and the run paths.
#include "exports/exports.h"

#include <gtest/gtest.h>

#include <string>

#include "exports/run_paths_setup.h"
#include "run/run_paths.h"
#include "standins/com/com_standin.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "standins/windows/windows_standin.h"

namespace kvom::exports {
namespace {

// The status of a refused case path (the body's own statuses are 0, 1, 5 and 8).
constexpr std::int64_t kRefused = 39;

class CasePathBufferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standins::host::reset();
    standins::windows::reset();
    standins::com::reset();
    standins::engine::reset();
    standins::repository::reset();
  }
  void TearDown() override {
    KLOM_WEXA_EXIT();
    SetUp();
  }

  std::int64_t input(std::string casePath) {
    const std::int64_t count = 1;
    const std::int64_t none = 0;
    const std::string identifiers(32, ' ');
    const std::string key = "UNIT-1              ";
    std::int64_t status = -1;
    KLOM_WEXA_INPUT(&count, identifiers.data(), &none, nullptr, &none, nullptr, nullptr, casePath.data(), key.data(),
                    &status, 32, static_cast<std::int64_t>(casePath.size()), 20);
    return status;
  }
};

TEST_F(CasePathBufferTest, HoldsUpTo255CharactersOfTheCasePath) {
  // 255 characters fill the buffer to its last byte before the terminator.
  const std::string dir = "D:\\" + std::string(240, 'd') + "\\";
  const std::string full = dir + "unit.QDX" + std::string(255 - dir.size() - 8, ' ');
  ASSERT_EQ(full.size(), 255u);
  EXPECT_NE(input(full), kRefused);
  EXPECT_STREQ(GetCaseDir(), dir.c_str());
  EXPECT_STREQ(GetCaseName(), "unit");

  // Blanks beyond the buffer are dropped; the path itself is kept.
  const std::string padded = "D:\\work\\run1" + std::string(388, ' ');
  EXPECT_NE(input(padded), kRefused);
  EXPECT_STREQ(GetCaseDir(), "D:\\work\\");
  EXPECT_STREQ(GetCaseName(), "run1");
}

TEST_F(CasePathBufferTest, ALongerPathIsRefusedWithoutAPathSetUp) {
  EXPECT_NE(input("D:\\work\\before.QDX"), kRefused);
  const std::string tooLong = "D:\\" + std::string(250, 'd') + "\\unit.QDX";
  EXPECT_EQ(input(tooLong), kRefused);
  EXPECT_STREQ(GetCaseName(), "before");
  EXPECT_EQ(run::RunPaths.caseName.trimmed(), "before");
}

}  // namespace
}  // namespace kvom::exports
