// A unit's whole run as a host drives it through the loaded adapter: input, execute and output,
// with the case file, its backup and the temp files on disk.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "standins/com/com_standin.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/curve_fixture.h"
#include "tests/support/standin_helpers.h"
#include "tests/support/unit_input_fixture.h"

namespace {

using kvom::test::engineLog;
using kvom::test::readFile;
using kvom::test::resetStandins;
using kvom::test::windowsDir;

namespace fs = std::filesystem;
using kvom::test::HostIdentifierArray;
using kvom::test::HostText;
using standins::engine::Collection;

constexpr std::int64_t kHostValue = 77;
constexpr std::size_t kUpdateSwitch = 5;  // word of the output options
constexpr std::string_view kCaseBeforeRun = "WEXA-CASE 1\r\nS TubeLng 1 4.5\r\nS ShlID 1 0.4\r\n";

bool holdsLine(const std::string& text, const std::string& line) {
  return text.find("\r\n" + line + "\r\n") != std::string::npos;
}

class Cycle : public ::testing::Test {
 public:
  void SetUp() override {
    kvom::test::callExit();
    resetStandins();
    standins::host::setProgramDir(windowsDir(fs::path(KVOM_EXAMPLES_DIR) / "install"));
    standins::windows::setTempPath(windowsDir(scratch.path() / "temp"));
    fs::create_directories(scratch.path() / "temp" / "KVOMTEMP");
    scratch.write("case/unit.QDX", kCaseBeforeRun);

    identifiers.set(1, "UNIT_OUT");
    identifiers.set(3, "UNIT-1");
    identifiers.set(4, "HOT_IN");
    identifiers.set(5, "COLD_IN");
    identifiers.set(6, "HOT_OUT");
    identifiers.set(7, "COLD_OUT");
    identifiers.set(8, "HOT_CURVE");
    identifiers.set(20, "UNIT_IN");
    fixture::putStream("HOT_IN", fixture::streamRecord(2.0, 420.0, 500000, 0.0));
    fixture::putStream("COLD_IN", fixture::streamRecord(3.0, 300.0, 300000, 0.0));
    fixture::putCurve("HOT_CURVE", fixture::sampleCurve(3));
    executeOptions = {1, 0, 1, 2, 0, 0, 0, 0, 1};
    outputOptions = {0, 1, 0, 0, 0, 2, 0, 0};
  }
  void TearDown() override {
    kvom::test::callExit();
    resetStandins();
  }

  // The input step, and then the unit input as the host completes it.
  void input(const fixture::UnitInput& unitInput) {
    kvom::test::callInput(identifiers, casePath, blockKey, status);
    ASSERT_EQ(status, 0);
    unitInput.put("UNIT_IN");
  }
  void execute() { kvom::test::callExecute(identifiers, executeOptions, casePath, blockKey, messageCount, messages); }
  void output(std::int64_t updateSwitch) {
    outputOptions[kUpdateSwitch] = updateSwitch;
    status = kHostValue;
    kvom::test::callOutput(identifiers, outputOptions, casePath, blockKey, status);
  }

  fs::path caseFile() const { return scratch.path() / "case" / "unit.QDX"; }
  fs::path backup() const { return scratch.path() / "case" / "unit.BAK"; }

  kvom::test::ScratchDirectory scratch;
  HostIdentifierArray identifiers{24, 32};
  HostText casePath{windowsDir(scratch.path() / "case") + "unit.QDX", 256};
  HostText blockKey{"UNIT-1", 20};
  std::array<std::int64_t, 9> executeOptions{};
  std::array<std::int64_t, 8> outputOptions{};
  std::int64_t status = kHostValue;
  std::int64_t messageCount = 0;
  std::vector<std::int64_t> messages = std::vector<std::int64_t>(32767 + 8, -1);
};

TEST_F(Cycle, AnUpdateSavesTheCaseTheEngineHolds) {
  input(fixture::UnitInput().integer(5, 2).real(19, 5.5));
  execute();
  EXPECT_TRUE(fs::exists(backup()));
  output(2);
  EXPECT_EQ(status, 0);
  EXPECT_FALSE(fs::exists(backup()));
  const std::string saved = readFile(caseFile());
  EXPECT_TRUE(holdsLine(saved, "S TubeLng 1 5.5")) << saved.substr(0, 400);
  EXPECT_TRUE(holdsLine(saved, "A Temperature 1 1 101.0")) << "the heating curve of the run";
}

TEST_F(Cycle, ARestorePutsBackTheCaseOfBeforeTheRun) {
  // Message 6 has the engine save the case during the run; the restore undoes that too.
  standins::engine::setMessages(std::vector<int>{6});
  input(fixture::UnitInput().integer(5, 2).real(19, 5.5));
  execute();
  ASSERT_EQ(engineLog("SaveCase").size(), 1u);
  ASSERT_NE(readFile(caseFile()), kCaseBeforeRun);
  output(1);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(caseFile()), kCaseBeforeRun);
  EXPECT_FALSE(fs::exists(backup()));
  EXPECT_EQ(standins::engine::scalarText(1, Collection::InputScalars, "TubeLng"), "4.5")
      << "the engine has read the restored case";
}

TEST_F(Cycle, ADesignRunCarriesItsGeometryIntoTheSavedCase) {
  input(fixture::UnitInput().integer(5, 1));
  execute();
  // The design as the engine reports it: the hot fluid in the tubes, two shell-side and three
  // tube-side nozzles.
  const auto report = [](std::string_view name, std::string_view text) {
    standins::engine::setScalar(1, Collection::OutputScalars, name, text);
  };
  report("BafNum", "12");
  report("LocFluidHS", "2");
  report("TempDsgnSS", "350");
  report("TempDsgnTS", "480");
  report("PresDsgnSS", "700000");
  report("PresDsgnTS", "1200000");
  const auto nozzles = [](std::string_view name, std::vector<std::string_view> texts) {
    standins::engine::setElementCount(1, Collection::OutputArrays, name, static_cast<int>(texts.size()));
    for (std::size_t i = 0; i < texts.size(); ++i) {
      standins::engine::setElement(1, Collection::OutputArrays, name, static_cast<int>(i + 1), texts[i]);
    }
  };
  nozzles("arNozODSS", {"0.15", "0.2"});
  nozzles("arNozNumSS", {"1", "2"});
  nozzles("arNozODTS", {"0.1", "0.11", "0.12"});
  nozzles("arNozNumTS", {"3", "4", "5"});
  output(2);

  EXPECT_EQ(status, 0);
  const std::string saved = readFile(caseFile());
  for (const std::string line :
       {"S TubeLayoutOption 1 1", "S BafNum 1 12.0", "S LocFluidHS 1 2.0", "S TempDsgnHS 1 480.0",
        "S TempDsgnCS 1 350.0", "S PresDsgnHS 1 1200000.0", "S PresDsgnCS 1 7e+05", "A NozActualODSS 2 1 0.2",
        "A NozNumSS 2 1 2", "A NozActualODTS 3 1 0.12", "A NozNumTS 3 1 5"}) {
    EXPECT_TRUE(holdsLine(saved, line)) << line;
  }
  EXPECT_FALSE(holdsLine(saved, "A NozActualODSS 3 1 0.1143")) << "the shell side has two nozzles";
  EXPECT_EQ(saved.find("S Calc_RecapStorage"), std::string::npos);
  EXPECT_FALSE(fs::exists(backup()));

  // The next input step gives the host the hot-fluid location that the case now holds as a real.
  kvom::test::callInput(identifiers, casePath, blockKey, status);
  ASSERT_EQ(status, 0);
  const auto record = standins::repository::getRecord("UNIT_IN", fixture::kUnitInputKey);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->integers.at(3), 2) << "the hot fluid stays in the tubes";
}

TEST_F(Cycle, MessagesThatAskForASaveSaveTheCaseEachTime) {
  standins::engine::setMessages(std::vector<int>{12, 6, 48});
  input(fixture::UnitInput().integer(5, 2));
  execute();
  EXPECT_EQ(messageCount, 3);
  EXPECT_EQ(std::vector<std::int64_t>(messages.begin(), messages.begin() + 4),
            (std::vector<std::int64_t>{12, 6, 48, -1}));
  const std::string save = "e1 SaveCase " + std::string(casePath.trimmed()) + " 1";
  EXPECT_EQ(engineLog("SaveCase"), (std::vector<std::string>{save, save}));
  const auto& log = standins::engine::operationLog();
  EXPECT_EQ(log.back(), "e1 RefreshCase");
  EXPECT_EQ(engineLog("RefreshCase").size(), 2u);
}

TEST_F(Cycle, AsManyMessagesAsACountCanName) {
  // The host's array has room for every message an engine can report; the entries after it stay.
  std::vector<int> reported(32767, 2);
  reported.back() = 48;
  standins::engine::setMessages(reported);
  input(fixture::UnitInput().integer(5, 2));
  execute();
  EXPECT_EQ(messageCount, 32767);
  EXPECT_EQ(messages[32765], 2);
  EXPECT_EQ(messages[32766], 48);
  EXPECT_TRUE(std::all_of(messages.begin() + 32767, messages.end(), [](std::int64_t m) { return m == -1; }));
  EXPECT_EQ(engineLog("SaveCase").size(), 1u);
  EXPECT_EQ(engineLog("GetElementString arZorviMsgs").size(), 32767u) << "no element past the engine's array";
}

TEST_F(Cycle, AFailedSaveOrRestoreKeepsTheCaseAndItsBackupAndReachesTheHost) {
  // Each output call meets one failure. The case file must stay as the execute step left it, the
  // backup must stay, and a later output call must still restore the case of before the run.
  struct Case {
    const char* what;
    std::vector<int> messages;  // message 6 has the engine save the case during the run
    std::int64_t updateSwitch;
    void (*fail)();
    std::int64_t status;
  };
  const Case cases[] = {
      {"restore on a full disk", {6}, 1, [] { standins::windows::failWritesAfter(16); }, 39},
      {"restore, the replacement fails", {6}, 1, [] { standins::windows::failOperation("MoveFileExA"); }, 39},
      {"restore, an error raised in the copy", {6}, 1, [] { standins::host::raiseAt("CopyFileA", 1050); }, 0},
      {"save on a full disk", {12}, 2, [] { standins::windows::failWritesAfter(16); }, 39},
      {"save, the engine fails", {12}, 2, [] { standins::engine::failOperation("SaveCase"); }, 39},
      {"save, an error raised in the engine", {12}, 2, [] { standins::host::raiseAt("SaveCase", 1050); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kvom::test::callExit();
    resetStandins();
    standins::host::setProgramDir(windowsDir(fs::path(KVOM_EXAMPLES_DIR) / "install"));
    standins::windows::setTempPath(windowsDir(scratch.path() / "temp"));
    scratch.write("case/unit.QDX", kCaseBeforeRun);
    standins::engine::setMessages(c.messages);
    input(fixture::UnitInput().integer(5, 2).real(19, 5.5));
    execute();
    const std::string caseAfterRun = readFile(caseFile());

    c.fail();
    output(c.updateSwitch);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(readFile(caseFile()), caseAfterRun) << "the case file is as the run left it";
    EXPECT_EQ(readFile(backup()), kCaseBeforeRun) << "the backup stays";
    EXPECT_FALSE(fs::exists(scratch.path() / "case" / "unit.RST")) << "no restore file is left";

    standins::windows::failWritesAfter(std::nullopt);
    standins::windows::reset();
    standins::windows::setTempPath(windowsDir(scratch.path() / "temp"));
    standins::engine::failOperation("SaveCase", 0, 0);
    output(1);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(caseFile()), kCaseBeforeRun) << "a later output call restores the case";
    EXPECT_FALSE(fs::exists(backup()));
  }
}

TEST_F(Cycle, AStepThatMeetsNoEngineHasItOpenTheCaseBeforeItSaves) {
  // Each step below creates the engine of its key, or finds one that was given no case: that
  // engine opens the case file first, so that its save keeps the inputs the file held.
  struct Case {
    const char* what;
    void (*before)(Cycle&);
    bool executeWithSave;  // an execute step whose run asks for a save, else an output step that updates
  };
  void (*const shutDownAfterInput)(Cycle&) = [](Cycle& t) {
    t.input(fixture::UnitInput().integer(5, 2));
    kvom::test::callExit();
  };
  void (*const newlyLoaded)(Cycle&) = [](Cycle&) {};
  void (*const multiCaseEngine)(Cycle&) = [](Cycle& t) {
    HostText first("first", 16);
    HostText second("second", 16);
    kvom::test::callMultiCase(first, second, t.blockKey, t.status);
  };
  const Case cases[] = {
      {"output after a shut-down", shutDownAfterInput, false},
      {"output in a newly loaded library", newlyLoaded, false},
      {"output after the multi-case call made the engine", multiCaseEngine, false},
      {"execute after a shut-down", shutDownAfterInput, true},
      {"execute in a newly loaded library", newlyLoaded, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    c.before(*this);
    standins::engine::clearOperationLog();
    if (c.executeWithSave) {
      standins::engine::setMessages(std::vector<int>{6});
      execute();
      EXPECT_EQ(messageCount, 1);
    } else {
      output(2);
      EXPECT_EQ(status, 0);
    }
    const std::string saved = readFile(caseFile());
    EXPECT_TRUE(holdsLine(saved, "S TubeLng 1 4.5")) << saved.substr(0, 400);
    EXPECT_TRUE(holdsLine(saved, "S ShlID 1 0.4")) << saved.substr(0, 400);

    const std::vector<std::string> opened = engineLog("OpenCase");
    ASSERT_EQ(opened.size(), 1u);
    const auto& log = standins::engine::operationLog();
    const auto open = std::find(log.begin(), log.end(), opened.front());
    const auto save = std::find_if(
        log.begin(), log.end(), [](const std::string& entry) { return entry.find(" SaveCase ") != std::string::npos; });
    EXPECT_LT(open, save) << "the case is opened before it is saved";
  }

  // The host's usual cycle opens the case once, in the input step, as before.
  SetUp();
  input(fixture::UnitInput().integer(5, 2));
  execute();
  output(2);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(engineLog("OpenCase").size(), 1u);
}

TEST_F(Cycle, AnInputObjectThatCannotBeReadSendsNoValues) {
  // The host gives no input-object name to the execute and output steps: the unit input cannot be
  // read, the engine runs on the case's values, and the update saves none of the cleared storage.
  input(fixture::UnitInput().integer(5, 2).integer(1, 4).real(1, 2.0e6).real(19, 5.5));
  identifiers.set(20, "");
  execute();
  EXPECT_EQ(engineLog("RunProgram").size(), 1u);
  output(2);
  EXPECT_EQ(status, 0);
  for (const std::string_view name : {"HtLdTotal", "TubePassNum", "TubeLng", "WexaProgMode"}) {
    EXPECT_TRUE(engineLog("SetValueText " + std::string(name)).empty()) << name;
  }
  const std::string saved = readFile(caseFile());
  EXPECT_TRUE(holdsLine(saved, "S TubeLng 1 4.5")) << saved.substr(0, 400);
  EXPECT_EQ(saved.find("TubePassNum"), std::string::npos) << saved.substr(0, 400);
}

TEST_F(Cycle, AFailedExecuteStepStillLetsTheOutputStepRestore) {
  // The unit input cannot be read into work storage: the body stops after the backup.
  input(fixture::UnitInput().integer(5, 2));
  standins::repository::setReportedCounts("UNIT_IN", fixture::kUnitInputKey,
                                          standins::repository::Counts{std::int64_t{1} << 61, 0, 1, 0, 0, 0});
  const fs::path tempFile = scratch.write("temp/KVOMTEMP/R01a.TMP");
  messageCount = 5;
  execute();
  EXPECT_EQ(messageCount, 0) << "no message count";
  EXPECT_TRUE(fs::exists(tempFile)) << "the temp files are left";
  EXPECT_TRUE(engineLog("RunProgram").empty());
  EXPECT_TRUE(fs::exists(backup()));

  standins::repository::setReportedCounts("UNIT_IN", fixture::kUnitInputKey, std::nullopt);
  output(1);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(readFile(caseFile()), kCaseBeforeRun);
  EXPECT_FALSE(fs::exists(backup()));
  EXPECT_FALSE(fs::exists(tempFile)) << "the output step cleans up";
}

}  // namespace
