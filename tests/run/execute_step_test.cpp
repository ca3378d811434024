#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "exports/exports.h"
#include "platform/host_library.h"
#include "report/report_hooks.h"
#include "run/case_backup.h"
#include "run/case_ids.h"
#include "run/steps.h"
#include "standins/com/com_standin.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/curve_fixture.h"
#include "tests/support/standin_helpers.h"
#include "tests/support/unit_input_fixture.h"
#include "transfer/diagnostics.h"

namespace kvom::run {
namespace {

using kvom::test::engineLog;
using kvom::test::readFile;
using kvom::test::resetStandins;

namespace fs = std::filesystem;
using kvom::test::HostIdentifierArray;
using kvom::test::HostText;

// Words of the host's execute options.
constexpr std::size_t kHotSideFlag = 2;
constexpr std::size_t kColdSideFlag = 3;

constexpr std::string_view kCaseContent = "WEXA-CASE 1\r\nS TubeLng 1 4.5\r\n";

bool repositoryCalled(const std::string& call) {
  const auto& log = standins::repository::callLog();
  return std::find(log.begin(), log.end(), call) != log.end();
}

// One unit: its case file on disk, streams, a hot curve and the unit input in the repository, and
// the host's arguments of the execute export.
class ExecuteStep : public ::testing::Test {
 protected:
  void SetUp() override {
    CLOSE_ALL_ENGINES();
    resetStandins();
    scratch.write("unit.QDX", kCaseContent);
    identifiers.set(1, "UNIT_OUT");
    identifiers.set(4, "HOT_IN");
    identifiers.set(5, "COLD_IN");
    identifiers.set(6, "HOT_OUT");
    identifiers.set(7, "COLD_OUT");
    identifiers.set(8, "HOT_CURVE");
    identifiers.set(9, "COLD_CURVE");
    identifiers.set(20, "UNIT_IN");
    fixture::putStream("HOT_IN", fixture::streamRecord(2.0, 420.0, 500000, 0.0));
    fixture::putStream("COLD_IN", fixture::streamRecord(3.0, 300.0, 300000, 0.0));
    fixture::putCurve("HOT_CURVE", fixture::sampleCurve(3));
    fixture::putCurve("COLD_CURVE", fixture::sampleCurve(3));
    fixture::UnitInput().integer(5, 2).put("UNIT_IN");
    options = {1, 1, 1, 1, 0, 0, 3, 6, 1};
    casePath = HostText(windowsPath("unit.QDX"), 200);
    messageCount = 0;
    std::fill(messages.begin(), messages.end(), -1);
  }
  void TearDown() override {
    CLOSE_ALL_ENGINES();
    resetStandins();
  }

  void execute() {
    PREPARE_EXECUTE(identifiers.count(), identifiers.data(), identifiers.length(), optionCount, options.data(), 0,
                    nullptr, nullptr, casePath.data(), casePath.length(), blockKey.data(), blockKey.length(),
                    messageCount, messages.data());
  }

  fs::path casePathOnDisk() const { return scratch.path() / "unit.QDX"; }
  fs::path backupOnDisk() const { return scratch.path() / "unit.BAK"; }
  std::string windowsPath(const std::string& name) const {
    return standins::windows::toWindowsPath((scratch.path() / name).string());
  }

  kvom::test::ScratchDirectory scratch;
  HostIdentifierArray identifiers{24, 32};
  std::array<std::int64_t, 9> options{};
  std::int64_t optionCount = 9;
  HostText casePath{windowsPath("unit.QDX"), 200};
  HostText blockKey{"UNIT-1", 20};
  std::int64_t messageCount = 0;
  std::vector<std::int64_t> messages = std::vector<std::int64_t>(transfer::kMaxEngineMessages, -1);
};

TEST(CaseBackup, BackupPaths) {
  struct Case {
    std::string_view casePath;
    std::string_view backup;
  };
  const Case cases[] = {
      {"C:\\runs\\unit.QDX", "C:\\runs\\unit.BAK"},
      {"C:\\runs\\unit.QDX      ", "C:\\runs\\unit.BAK"},
      {"C:\\runs\\a.QDX.old", "C:\\runs\\a.BAK"},
      {"C:\\runs.QDX\\b.QDX", "C:\\runs.BAK"},
      {"C:\\runs\\unit.qdx   ", "C:\\runs\\unit.qdx.BAK"},
      {"C:\\runs\\unit", "C:\\runs\\unit.BAK"},
      {"C:\\runs\\unit.QD   ", "C:\\runs\\unit.QD.BAK"},
      {"   ", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(backupPathOf(c.casePath), c.backup) << '"' << c.casePath << '"';
}

TEST_F(ExecuteStep, TheStepRunsInTheOrderOfItsTransfers) {
  options[kColdSideFlag] = 2;
  standins::engine::setMessages(std::vector<int>{6});
  execute();
  // The first entry of each stage in the engine's log.
  const std::vector<std::string> stages = {"SetValueText FlRaHS",
                                           "ResetSide",
                                           "SetElementText Temperature",
                                           "SetValueText WexaProgMode",
                                           "SetValueText DiagnosticLevel",
                                           "RunProgram Wexa 0",
                                           "GetOutputScalars",
                                           "GetElementCount arZorviMsgs",
                                           "SaveCase",
                                           "RefreshCase"};
  const auto& log = standins::engine::operationLog();
  std::vector<std::ptrdiff_t> positions;
  for (const std::string& stage : stages) {
    const auto found = std::find_if(
        log.begin(), log.end(), [&](const std::string& entry) { return entry.find(" " + stage) != std::string::npos; });
    ASSERT_NE(found, log.end()) << stage;
    positions.push_back(found - log.begin());
  }
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_EQ(std::adjacent_find(positions.begin(), positions.end()), positions.end());

  EXPECT_EQ(standins::engine::scalarText(1, standins::engine::Collection::InputScalars, "DiagnosticUnit"), "6");
  EXPECT_FALSE(standins::repository::recordKeys("UNIT_OUT").empty()) << "results in the output object";
  EXPECT_EQ(readFile(backupOnDisk()), kCaseContent) << "the backup is the case before the step";
  EXPECT_EQ(messageCount, 1);
  EXPECT_EQ(messages[0], 6);
}

TEST_F(ExecuteStep, AFailureStopsTheStepWhereItStands) {
  struct Case {
    const char* raiseAt;
    bool backup;        // the backup lies beside the case
    bool outputObject;  // the output object was built
    bool engineRan;
    int skip = 0;  // calls of the operation that pass first
  };
  const Case cases[] = {
      {"CopyFileA", false, false, false},
      {"RunProgram", true, true, false},
      // The third result record: the two written before it go with it.
      {"RPPUTD", true, true, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raiseAt);
    SetUp();
    standins::host::raiseAt(c.raiseAt, 1400, c.skip);
    EXPECT_THROW(execute(), platform::RaisedError);
    EXPECT_EQ(fs::exists(backupOnDisk()), c.backup);
    EXPECT_EQ(standins::repository::objectExists("UNIT_OUT"), c.outputObject);
    EXPECT_TRUE(standins::repository::recordKeys("UNIT_OUT").empty()) << "no results";
    EXPECT_EQ(engineLog("SetValueText").empty(), !c.outputObject) << "the input reached the engine";
    EXPECT_EQ(messageCount, 0);
  }
}

TEST_F(ExecuteStep, AFailedRunHandsTheHostNothingOfTheRunBefore) {
  // A run that succeeds leaves its outputs and messages in the engine.
  standins::engine::setMessages(std::vector<int>{6});
  execute();
  ASSERT_EQ(messageCount, 1);
  ASSERT_TRUE(standins::repository::getRecord("UNIT_OUT", "STHE_PERFORMANCE").has_value());
  const std::string savedCase = readFile(casePathOnDisk());

  // The host changes the hot inlet, and the next run fails.
  fixture::putStream("HOT_IN", fixture::streamRecord(7.0, 480.0, 500000, 0.0));
  standins::engine::failOperation("RunProgram");
  standins::engine::clearOperationLog();
  messageCount = 3;
  execute();
  EXPECT_TRUE(standins::repository::objectExists("UNIT_OUT")) << "the output object as the rebuild left it";
  EXPECT_TRUE(standins::repository::recordKeys("UNIT_OUT").empty()) << "no results of the run before";
  EXPECT_EQ(messageCount, 0) << "no messages of the run before";
  EXPECT_TRUE(engineLog("SaveCase").empty()) << "a case whose inputs were never calculated is not saved";
  EXPECT_TRUE(engineLog("RefreshCase").empty());
  EXPECT_EQ(readFile(casePathOnDisk()), savedCase);
}

TEST_F(ExecuteStep, SidesWithoutCurvesReadNoCurveObjects) {
  struct Case {
    std::int64_t hotFlag, coldFlag;
    bool hotRead, coldRead;
    const char* reset;  // the reset operation in the engine's log, or empty for none
  };
  const Case cases[] = {
      {1, 1, true, true, "ResetBothSides"},
      {2, 1, false, true, "ResetSide"},
      {1, 2, true, false, "ResetSide"},
      {2, 2, false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.hotFlag) + " " + std::to_string(c.coldFlag));
    SetUp();
    options[kHotSideFlag] = c.hotFlag;
    options[kColdSideFlag] = c.coldFlag;
    execute();
    EXPECT_EQ(repositoryCalled("RPFIND HOT_CURVE"), c.hotRead);
    EXPECT_EQ(repositoryCalled("RPFIND COLD_CURVE"), c.coldRead);
    const std::string reset = c.reset;
    EXPECT_EQ(!engineLog("ResetBothSides").empty(), reset == "ResetBothSides");
    EXPECT_EQ(!engineLog("ResetSide ").empty(), reset == "ResetSide");
    EXPECT_EQ(CaseIds.hotSideFlag, c.hotFlag);
    EXPECT_EQ(CaseIds.coldSideFlag, c.coldFlag);
  }
}

TEST_F(ExecuteStep, MessagesThatAskForASaveSaveTheCase) {
  struct Case {
    std::vector<int> messages;
    std::size_t saves;
  };
  const Case cases[] = {
      {{12, 6, 48}, 2}, {{}, 0}, {{53, 40, 39}, 3}, {{6, 6}, 2}, {{7, 5, 49, 1}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.messages));
    SetUp();
    standins::engine::setMessages(c.messages);
    execute();
    ASSERT_EQ(messageCount, static_cast<std::int64_t>(c.messages.size()));
    for (std::size_t i = 0; i < c.messages.size(); ++i) EXPECT_EQ(messages[i], c.messages[i]);
    EXPECT_EQ(messages[c.messages.size()], -1) << "no entry beyond the count";
    const auto saves = engineLog("SaveCase");
    ASSERT_EQ(saves.size(), c.saves);
    for (const std::string& save : saves) EXPECT_EQ(save, "e1 SaveCase " + std::string(casePath.trimmed()) + " 1");
    // Each save is followed by a refresh.
    const auto& log = standins::engine::operationLog();
    for (auto entry = log.begin(); entry != log.end(); ++entry) {
      if (entry->find(" SaveCase ") == std::string::npos) continue;
      ASSERT_NE(entry + 1, log.end());
      EXPECT_EQ(*(entry + 1), "e1 RefreshCase");
    }
  }
}

TEST_F(ExecuteStep, ARewrittenSavePathReachesTheHost) {
  const std::string moved = windowsPath("moved.QDX");
  struct Case {
    const char* what;
    std::size_t declaredLength;
    std::string expected;  // the host's text after the step, trimmed
  };
  const Case cases[] = {
      {"fits", 200, moved},
      {"longer than the host's text", windowsPath("unit.QDX").size(), windowsPath("unit.QDX")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    casePath = HostText(windowsPath("unit.QDX"), c.declaredLength);
    standins::engine::rewriteSavePath(moved);
    standins::engine::setMessages(std::vector<int>{6, 6});
    execute();
    EXPECT_EQ(casePath.trimmed(), c.expected);
    EXPECT_EQ(casePath.view().size(), c.declaredLength) << "never past the host's length";
    EXPECT_EQ(casePath.view().find('\0'), std::string_view::npos);
    const auto saves = engineLog("SaveCase");
    ASSERT_EQ(saves.size(), 2u);
    EXPECT_EQ(saves[1], "e1 SaveCase " + c.expected + " 1") << "the second save takes the path the first left";
  }
}

TEST_F(ExecuteStep, TheBackupNeverHoldsAnOlderCase) {
  // An older backup is replaced by the case as it stands.
  scratch.write("unit.BAK", "older case");
  execute();
  EXPECT_EQ(readFile(backupOnDisk()), kCaseContent);

  // Without a case file to copy, the older backup goes, so that no restore can bring it back.
  SetUp();
  scratch.write("unit.BAK", "older case");
  fs::remove(casePathOnDisk());
  execute();
  EXPECT_FALSE(fs::exists(backupOnDisk()));
}

TEST_F(ExecuteStep, AFailedBodyLeavesTheRunAsItStood) {
  // The export closes the value file and deletes the run's temp files only after a body that
  // finished; a body that fails reports no message.
  standins::windows::setTempPath(windowsPath("temp") + "\\");
  const fs::path valueFile = scratch.path() / "values.txt";
  struct Case {
    const char* what;
    bool fails;
  };
  for (const Case c : {Case{"the body fails", true}, Case{"the body finishes", false}}) {
    SCOPED_TRACE(c.what);
    const fs::path tempFile = scratch.write("temp/R01a.TMP");
    if (c.fails) {
      // A unit-input record too large for any work storage.
      standins::repository::setReportedCounts("UNIT_IN", fixture::kUnitInputKey,
                                              standins::repository::Counts{std::int64_t{1} << 61, 0, 1, 0, 0, 0});
    }
    standins::engine::setMessages(std::vector<int>{12});
    ASSERT_NE(report::OpenValueFile(valueFile.c_str()), nullptr);
    messageCount = 5;
    const std::int64_t identifierCount = identifiers.count();
    KLOM_WEXA_EXECUTE(&identifierCount, identifiers.data(), &optionCount, options.data(), &optionCount, nullptr,
                      nullptr, casePath.data(), blockKey.data(), &messageCount, messages.data(), identifiers.length(),
                      casePath.length(), blockKey.length());
    EXPECT_EQ(messageCount, c.fails ? 0 : 1);
    EXPECT_EQ(fs::exists(tempFile), c.fails);
    EXPECT_EQ(report::ValueFileStream != nullptr, c.fails) << "the value file stays open after a failure";
    report::CloseValueFile();
    SetUp();
    standins::windows::setTempPath(windowsPath("temp") + "\\");
  }
}

}  // namespace
}  // namespace kvom::run
