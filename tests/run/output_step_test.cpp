#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/host_library.h"
#include "run/steps.h"
#include "standins/com/com_standin.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"
#include "tests/support/unit_input_fixture.h"

namespace kvom::run {
namespace {

using kvom::test::engineLog;
using kvom::test::readFile;
using kvom::test::resetStandins;

namespace fs = std::filesystem;
using kvom::test::HostIdentifierArray;
using kvom::test::HostText;

constexpr std::size_t kUpdateSwitch = 5;  // word of the host's output options
constexpr std::int64_t kHostValue = 77;   // what the host leaves in its status word

constexpr std::string_view kCaseAfterRun = "WEXA-CASE 1\r\nS TubeLng 1 9.0\r\n";
constexpr std::string_view kCaseBeforeRun = "WEXA-CASE 1\r\nS TubeLng 1 4.5\r\n";

// A unit after its execute step: the case file as the run left it, its backup of the case before
// the run, and the unit input.
class OutputStep : public ::testing::Test {
 protected:
  void SetUp() override {
    CLOSE_ALL_ENGINES();
    resetStandins();
    scratch.write("unit.QDX", kCaseAfterRun);
    scratch.write("unit.BAK", kCaseBeforeRun);
    identifiers.set(1, "UNIT_OUT");
    identifiers.set(20, "UNIT_IN");
    options = {0, 0, 0, 0, 0, 2, 0, 0};
    status = kHostValue;
  }
  void TearDown() override {
    CLOSE_ALL_ENGINES();
    resetStandins();
  }

  void output() {
    const double unused = 0.0;
    PREPARE_OUTPUT(identifiers.count(), identifiers.data(), identifiers.length(), optionCount, options.data(), 0,
                   &unused, nullptr, casePath.data(), casePath.length(), blockKey.data(), blockKey.length(), status);
  }

  fs::path caseOnDisk() const { return scratch.path() / "unit.QDX"; }
  fs::path backupOnDisk() const { return scratch.path() / "unit.BAK"; }

  kvom::test::ScratchDirectory scratch;
  HostIdentifierArray identifiers{24, 32};
  std::array<std::int64_t, 8> options{};
  std::int64_t optionCount = 8;
  HostText casePath{standins::windows::toWindowsPath((scratch.path() / "unit.QDX").string()), 120};
  HostText blockKey{"UNIT-1", 20};
  std::int64_t status = kHostValue;
};

TEST_F(OutputStep, TheUpdateSwitchSavesOrRestoresTheCase) {
  struct Case {
    const char* what;
    std::int64_t updateSwitch;
    std::int64_t programMode;
    bool copiedBack;
    bool saved;
    const char* heatLoadWrite;  // the model value's write, or empty when it is not sent
  };
  const Case cases[] = {
      {"update after a design run", 2, 1, true, true, "HtLdTotal 250000.0 [1]"},
      {"update after a rating run", 2, 2, false, true, "HtLdTotal 250000.0 [1]"},
      {"restore", 1, 1, false, false, ""},
      {"restore, switch 0", 0, 1, false, false, "HtLdTotal 250000.0 [-1]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    fixture::UnitInput().integer(5, c.programMode).real(1, 250000).put("UNIT_IN");
    options[kUpdateSwitch] = c.updateSwitch;
    output();

    EXPECT_EQ(status, 0);
    EXPECT_FALSE(fs::exists(backupOnDisk())) << "the backup is gone";
    const std::vector<std::string> writes = fixture::valueWrites();
    EXPECT_EQ(std::count(writes.begin(), writes.end(), "TubeLayoutOption 1 [1]"), c.copiedBack ? 1 : 0);
    const std::string heatLoad = c.heatLoadWrite;
    EXPECT_EQ(std::count(writes.begin(), writes.end(), heatLoad), heatLoad.empty() ? 0 : 1);

    const auto& log = standins::engine::operationLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "e1 RefreshCase");
    if (c.saved) {
      // The recap storage is cleared last, after the copy-back, and the case then saved.
      ASSERT_GE(log.size(), 3u);
      EXPECT_EQ(log[log.size() - 3], "e1 ClearValue Calc_RecapStorage");
      EXPECT_EQ(log[log.size() - 2], "e1 SaveCase " + std::string(casePath.trimmed()) + " 1");
      const std::string saved = readFile(caseOnDisk());
      EXPECT_TRUE(saved.starts_with("WEXA-CASE 1\r\n"));
      EXPECT_EQ(saved.find("Calc_RecapStorage"), std::string::npos);
      EXPECT_EQ(saved.find("S TubeLayoutOption 1 1\r\n") != std::string::npos, c.copiedBack);
    } else {
      EXPECT_TRUE(engineLog("SaveCase").empty());
      EXPECT_EQ(readFile(caseOnDisk()), kCaseBeforeRun) << "the case as it was before the run";
    }
  }
}

TEST_F(OutputStep, WithoutABackupTheCaseStaysAsItIs) {
  fs::remove(backupOnDisk());
  fixture::UnitInput().put("UNIT_IN");
  options[kUpdateSwitch] = 1;
  output();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(caseOnDisk()), kCaseAfterRun);
  EXPECT_EQ(engineLog("RefreshCase").size(), 1u);
}

TEST_F(OutputStep, TheHostLibraryLearnsTheCaseFile) {
  fixture::UnitInput().put("UNIT_IN");
  output();
  const auto& log = standins::host::callLog();
  const std::string expected =
      "PellantSetCaseFile " + std::string(casePath.trimmed()) + " " + std::to_string(casePath.trimmed().size());
  EXPECT_EQ(std::count(log.begin(), log.end(), expected), 1);
}

TEST_F(OutputStep, ARecordWithoutProgramModeKeepsTheLastOne) {
  // The program mode of the last output step stands while the record gives none.
  fixture::UnitInput().integer(5, 1).put("UNIT_IN");
  output();
  SetUp();
  fixture::UnitInput().put("UNIT_IN");
  output();
  const std::vector<std::string> writes = fixture::valueWrites();
  EXPECT_EQ(std::count(writes.begin(), writes.end(), "TubeLayoutOption 1 [1]"), 1) << "copied back again";
}

TEST_F(OutputStep, TheRestoreWritesOnlyAFileOfItsOwn) {
  // Files the user keeps beside the case under the restore's names are never written or removed:
  // the restore takes unit.RST, else the first free one of unit.R00 to unit.R99.
  std::vector<std::string> names = {"unit.RST"};
  for (int n = 0; n < 100; ++n) names.push_back("unit.R" + std::string(n < 10 ? "0" : "") + std::to_string(n));
  struct Case {
    const char* what;
    std::size_t kept;  // the first this many names are the user's files
    bool copyFails;
    bool restored;
  };
  const Case cases[] = {
      {"the user keeps unit.RST", 1, false, true},
      {"only unit.R99 is free", 100, false, true},
      {"no name is free", 101, false, false},
      {"the copy fails", 1, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    for (std::size_t i = 0; i < c.kept; ++i) scratch.write(names[i], "kept " + names[i]);
    fixture::UnitInput().put("UNIT_IN");
    options[kUpdateSwitch] = 1;
    if (c.copyFails) standins::windows::failOperation("CopyFileA");
    if (c.restored) {
      output();
      EXPECT_EQ(status, 0);
      EXPECT_EQ(readFile(caseOnDisk()), kCaseBeforeRun);
      EXPECT_FALSE(fs::exists(backupOnDisk()));
    } else {
      EXPECT_THROW(output(), platform::RaisedError);
      EXPECT_EQ(readFile(caseOnDisk()), kCaseAfterRun);
      EXPECT_EQ(readFile(backupOnDisk()), kCaseBeforeRun);
    }
    standins::windows::failOperation("CopyFileA", 0, 0);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(scratch.path())) {
      (void)entry;
      ++files;
    }
    EXPECT_EQ(files, c.kept + (c.restored ? 1 : 2)) << "the case, the backup after a failure, the user's files";
    for (std::size_t i = 0; i < c.kept; ++i) EXPECT_EQ(readFile(scratch.path() / names[i]), "kept " + names[i]);
    for (const auto& entry : fs::directory_iterator(scratch.path())) fs::remove(entry.path());
  }
}

}  // namespace
}  // namespace kvom::run
