// The frame of the six exports as a host sees it through the loaded adapter: statuses, the order of
// the host-library calls, the run's temp files on disk and the engines in the engine's log.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/host_library.h"
#include "standins/com/com_standin.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace {

using kvom::test::engineLog;
using kvom::test::resetStandins;
using kvom::test::windowsDir;

namespace fs = std::filesystem;
using kvom::test::HostIdentifierArray;
using kvom::test::HostText;

constexpr std::size_t kCasePathLength = 300;
constexpr std::size_t kKeyLength = 20;
constexpr std::int64_t kHostValue = 77;  // what the host leaves in a status word

// The host-library calls that the frame itself makes, in log order.
std::vector<std::string> frameCalls() {
  static const std::set<std::string> kFrame = {"PellantRegisterModule", "PellantSetInputFlags",
                                               "PellantGetFilePrefix",  "PellantGetProgramDir",
                                               "PellantGetUserDataDir", "PellantPrepareFileAccess"};
  std::vector<std::string> calls;
  for (const std::string& entry : standins::host::callLog()) {
    if (kFrame.contains(entry.substr(0, entry.find(' ')))) calls.push_back(entry);
  }
  return calls;
}

bool raised(std::int64_t code) {
  const auto& log = standins::host::callLog();
  return std::find(log.begin(), log.end(), "PellantRaiseError " + std::to_string(code)) != log.end();
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kvom::test::callExit();  // the adapter's registry starts empty
    resetStandins();
    standins::host::setProgramDir(windowsDir(fs::path(KVOM_EXAMPLES_DIR) / "install"));
    standins::windows::setTempPath(windowsDir(scratch.path() / "temp"));
    fs::create_directories(kvomTemp());
    scratch.write(caseDir() / "unit.QDX");
    identifiers.set(1, "WEXA_OUTPUT");
    identifiers.set(20, "WEXA_INPUT");
  }
  void TearDown() override {
    kvom::test::callExit();
    resetStandins();
  }

  fs::path kvomTemp() const { return scratch.path() / "temp" / "KVOMTEMP"; }
  fs::path caseDir() const { return scratch.path() / "case"; }

 public:
  // The six calls of a host, with the fixture's arguments (public, so that tables can name them).
  void input() { kvom::test::callInput(identifiers, casePath, blockKey, status); }
  void execute() {
    kvom::test::callExecute(identifiers, executeOptions, casePath, blockKey, messageCount, messageNumbers);
  }
  void output() { kvom::test::callOutput(identifiers, outputOptions, casePath, blockKey, status); }
  void heatingCurve() { kvom::test::callHeatingCurve(1, identifiers, curveOptions, curveLevels, status); }
  void multiCase() { kvom::test::callMultiCase(firstText, secondText, blockKey, status); }

 protected:
  kvom::test::ScratchDirectory scratch;
  HostIdentifierArray identifiers{24, 32};
  HostText casePath{windowsDir(scratch.path() / "case") + "unit.QDX", kCasePathLength};
  HostText blockKey{"UNIT-1", kKeyLength};
  HostText firstText{"first", 16};
  HostText secondText{"second", 16};
  std::array<std::int64_t, 9> executeOptions{};
  std::array<std::int64_t, 8> outputOptions{};
  std::array<std::int64_t, 10> curveOptions{};
  std::array<double, 40> curveLevels{};
  std::array<std::int64_t, 50> messageNumbers{};
  std::int64_t status = kHostValue;
  std::int64_t messageCount = 5;
};

// The codes that the host library may classify a caught error under, and the statuses they give.
constexpr std::array<std::int64_t, 5> kCodes = {1100, 1101, 1200, 1201, 1400};

struct MappingCase {
  const char* what;
  void (FrameTest::*call)();
  const char* raiseAt;                   // an operation inside the guarded region
  std::array<std::int64_t, 5> statuses;  // for kCodes
};

TEST_F(FrameTest, CaughtErrorsBecomeTheExportsStatus) {
  // A raise point in the path set-up lies before the status is zeroed: code 1201 then leaves the
  // host's value. The input body's and the output clean-up's lie after it; the heating-curve body
  // reads the stream records before it writes the status word.
  const MappingCase cases[] = {
      {"input, path set-up", &FrameTest::input, "PellantGetUserDataDir", {3, 39, 39, kHostValue, 40}},
      {"input, body", &FrameTest::input, "RPREAD", {3, 39, 39, 0, 40}},
      {"output", &FrameTest::output, "PellantPrepareFileAccess", {0, 39, 39, 0, 40}},
      {"multi-case, creation", &FrameTest::multiCase, "CoCreateInstance", {3, 39, 39, kHostValue, 40}},
      {"multi-case, engine call", &FrameTest::multiCase, "SetMultiCaseInfo", {3, 39, 39, kHostValue, 40}},
      {"heating curve", &FrameTest::heatingCurve, "RPFIND", {3, 39, 39, kHostValue, 40}},
  };
  for (const MappingCase& c : cases) {
    for (std::size_t i = 0; i < kCodes.size(); ++i) {
      kvom::test::callExit();  // every call creates its engine
      standins::host::clearCallLog();
      standins::host::raiseAt(c.raiseAt, kCodes[i]);
      status = kHostValue;
      (this->*c.call)();
      ASSERT_TRUE(raised(kCodes[i])) << c.what << ": no error raised at " << c.raiseAt;
      EXPECT_EQ(status, c.statuses[i]) << c.what << ", code " << kCodes[i];
    }
  }
}

TEST_F(FrameTest, ACaughtErrorInTheExecuteStepShowsOnlyInTheMessageCount) {
  // Raised in the engine's run, before the messages are fetched.
  for (const std::int64_t code : kCodes) {
    scratch.write(kvomTemp() / "R01a.TMP");
    standins::host::raiseAt("RunProgram", code);
    messageCount = 5;
    execute();
    ASSERT_TRUE(raised(code));
    EXPECT_EQ(messageCount, 0) << code;
    EXPECT_TRUE(fs::exists(kvomTemp() / "R01a.TMP")) << code << ": the clean-up is skipped";
  }
}

TEST_F(FrameTest, AFailureBeforeTheBodyLeavesTheMessageCountAtZero) {
  // Host-library and Windows operations of the path set-up, before any engine message is fetched.
  for (const char* operation : {"PellantGetFilePrefix", "PellantGetProgramDir", "PellantGetUserDataDir", "GetTempPathA",
                                "GetFileAttributesA"}) {
    standins::host::clearCallLog();
    standins::host::raiseAt(operation, 1101);
    messageCount = 5;
    execute();
    ASSERT_TRUE(raised(1101)) << operation;
    EXPECT_EQ(messageCount, 0) << operation;
    EXPECT_TRUE(engineLog("RunProgram").empty()) << operation;
  }
}

TEST_F(FrameTest, ACaughtErrorPassedOnReachesTheHost) {
  standins::host::setDecision(0);
  standins::host::raiseAt("CoCreateInstance", 1101);
  EXPECT_THROW(multiCase(), std::exception);
  EXPECT_EQ(status, kHostValue);
}

TEST_F(FrameTest, AResumedErrorNeverReportsDone) {
  // The host library answers "resume where it occurred": the body cannot go on, so the export
  // reports its failure status, whatever the host library left in the error code.
  struct Case {
    const char* what;
    void (FrameTest::*call)();
    const char* raiseAt;
    std::int64_t updateSwitch;  // of an output call
  };
  const Case cases[] = {
      {"input, a definition file", &FrameTest::input, "RPREAD", 0},
      {"input, the engine opens the case", &FrameTest::input, "OpenCase", 0},
      {"output, the engine saves the case", &FrameTest::output, "SaveCase", 2},
      {"output, the backup is copied back", &FrameTest::output, "CopyFileA", 1},
      {"heating curve", &FrameTest::heatingCurve, "RPFIND", 0},
      {"multi-case", &FrameTest::multiCase, "SetMultiCaseInfo", 0},
  };
  const std::string backupBytes = "WEXA-CASE 1\r\nS TubeLng 1 4.5\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    kvom::test::callExit();
    scratch.write(caseDir() / "unit.BAK", backupBytes);
    standins::host::setDecision(platform::kExceptionContinueExecution);
    standins::host::raiseAt(c.raiseAt, 1101);
    outputOptions[5] = c.updateSwitch;
    status = kHostValue;
    (this->*c.call)();
    ASSERT_TRUE(raised(1101)) << "no error raised at " << c.raiseAt;
    EXPECT_EQ(status, 39);
    EXPECT_EQ(kvom::test::readFile(caseDir() / "unit.QDX"), "") << "the case file is as it was";
    EXPECT_EQ(kvom::test::readFile(caseDir() / "unit.BAK"), backupBytes) << "the backup stays";
  }

  // The execute export has no status: its message count holds what was written before the error.
  standins::engine::setMessages(std::vector<int>{6});
  standins::host::raiseAt("SaveCase", 1101);
  messageCount = 5;
  execute();
  ASSERT_TRUE(raised(1101));
  EXPECT_EQ(messageCount, 1);
  EXPECT_EQ(messageNumbers[0], 6);
}

TEST_F(FrameTest, TheFrameCallsTheHostLibraryInOrder) {
  const std::vector<std::string> pathSetUp = {"PellantGetFilePrefix", "PellantGetProgramDir",
                                              "PellantGetUserDataDir 256"};
  const auto with = [](std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  struct Case {
    const char* what;
    void (FrameTest::*call)();
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"input", &FrameTest::input, with({"PellantRegisterModule", "PellantSetInputFlags 1 0"}, pathSetUp)},
      {"execute", &FrameTest::execute, with(with({"PellantRegisterModule"}, pathSetUp), {"PellantPrepareFileAccess"})},
      {"output", &FrameTest::output, with(with({"PellantRegisterModule"}, pathSetUp), {"PellantPrepareFileAccess"})},
      {"heating curve", &FrameTest::heatingCurve, {"PellantRegisterModule"}},
      {"multi-case", &FrameTest::multiCase, {"PellantRegisterModule"}},
  };
  for (const Case& c : cases) {
    standins::host::clearCallLog();
    (this->*c.call)();
    EXPECT_EQ(frameCalls(), c.calls) << c.what;
    EXPECT_EQ(standins::host::lastRegisteredModule(), kvom::test::adapter().loadAddress) << c.what;
  }
  standins::host::clearCallLog();
  kvom::test::callExit();
  EXPECT_TRUE(standins::host::callLog().empty()) << "the exit export registers nothing";
}

TEST_F(FrameTest, TheModuleHandleOutlivesAThreadThatEnds) {
  const auto& adapter = kvom::test::adapter();
  constexpr std::uint32_t kThreadDetach = 3;
  constexpr std::uint32_t kProcessDetach = 0;
  constexpr std::uint32_t kProcessAttach = 1;
  EXPECT_EQ(adapter.dllMain(adapter.loadAddress, kThreadDetach, nullptr), 1);
  multiCase();
  EXPECT_EQ(standins::host::lastRegisteredModule(), adapter.loadAddress);

  adapter.dllMain(adapter.loadAddress, kProcessDetach, nullptr);
  multiCase();
  EXPECT_EQ(standins::host::lastRegisteredModule(), nullptr);
  adapter.dllMain(adapter.loadAddress, kProcessAttach, nullptr);
}

TEST_F(FrameTest, TheCleanUpDeletesExactlyThePrefixFiles) {
  standins::host::setFilePrefix("R07");
  const std::vector<fs::path> deleted = {kvomTemp() / "R07a.TMP", kvomTemp() / "R07.BEX", kvomTemp() / "R07c.KVB",
                                         caseDir() / "R07e.XML"};
  const std::vector<fs::path> kept = {kvomTemp() / "R07d.XML", kvomTemp() / "R08a.TMP", kvomTemp() / "keep.TMP",
                                      kvomTemp() / "R07a.txt", caseDir() / "R07f.TMP",  caseDir() / "other.XML",
                                      caseDir() / "unit.QDX"};
  for (void (FrameTest::*call)() : {&FrameTest::execute, &FrameTest::output}) {
    for (const auto& file : deleted) scratch.write(file);
    for (const auto& file : kept) scratch.write(file);
    (this->*call)();
    for (const auto& file : deleted) EXPECT_FALSE(fs::exists(file)) << file;
    for (const auto& file : kept) EXPECT_TRUE(fs::exists(file)) << file;
  }
}

TEST_F(FrameTest, ACasePathBeyondTheBufferIsRefused) {
  casePath = HostText("D:\\" + std::string(260, 'd') + "\\unit.QDX", kCasePathLength);
  struct Case {
    const char* what;
    void (FrameTest::*call)();
    std::vector<std::string> calls;  // up to the refusal
    std::int64_t status;
    std::int64_t messageCount;
  };
  const Case cases[] = {
      {"input",
       &FrameTest::input,
       {"PellantRegisterModule", "PellantSetInputFlags 1 0", "PellantGetFilePrefix"},
       39,
       5},
      {"execute", &FrameTest::execute, {"PellantRegisterModule", "PellantGetFilePrefix"}, kHostValue, 0},
      {"output", &FrameTest::output, {"PellantRegisterModule", "PellantGetFilePrefix"}, 39, 5},
  };
  for (const Case& c : cases) {
    standins::host::clearCallLog();
    standins::windows::clearCallLog();
    status = kHostValue;
    messageCount = 5;
    (this->*c.call)();
    EXPECT_EQ(status, c.status) << c.what;
    EXPECT_EQ(messageCount, c.messageCount) << c.what;
    EXPECT_EQ(frameCalls(), c.calls) << c.what << ": no path set-up";
    EXPECT_TRUE(raised(1102)) << c.what;
    EXPECT_TRUE(standins::windows::callLog().empty()) << c.what << ": no file is touched";
    EXPECT_TRUE(standins::engine::operationLog().empty()) << c.what << ": no body runs";
  }
}

TEST_F(FrameTest, BlankPaddingBeyondTheBufferIsDropped) {
  const std::string path = windowsDir(caseDir()) + "unit.QDX";
  casePath = HostText(path, 400);
  input();
  EXPECT_NE(status, 39);
  EXPECT_EQ(casePath.view(), path + std::string(400 - path.size(), ' ')) << "the host's text is left as it was";
  const auto& log = standins::host::callLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "PellantGetProgramDir"), 1);
}

TEST_F(FrameTest, BlockKeysShareEnginesByTheirFirstTwentyCharacters) {
  const std::string padded = "UNIT-A" + std::string(14, ' ');
  const std::vector<HostText> sameUnit = {HostText("UNIT-A", 6), HostText("UNIT-A", 20), HostText(padded + "TAIL", 24)};
  for (const HostText& key : sameUnit) kvom::test::callMultiCase(firstText, secondText, key, status);
  EXPECT_EQ(standins::engine::enginesCreated(), 1);
  kvom::test::callMultiCase(firstText, secondText, HostText("UNIT-B", 20), status);
  EXPECT_EQ(standins::engine::enginesCreated(), 2);
  EXPECT_EQ(status, kHostValue) << "a call without a caught error leaves the status";
  EXPECT_EQ(firstText.trimmed(), "FIRST") << "the engine's rewrite reaches the host";

  standins::com::clearCallLog();
  kvom::test::callExit();
  EXPECT_EQ(engineLog("Terminate"), (std::vector<std::string>{"e1 Terminate", "e2 Terminate"}));
  EXPECT_EQ(standins::com::callLog(), std::vector<std::string>{"OleUninitialize"});
}

TEST_F(FrameTest, AShutDownThatFailsPartWayCanBeFinished) {
  for (const char* key : {"UNIT-A", "UNIT-B"})
    kvom::test::callMultiCase(firstText, secondText, HostText(key, 20), status);
  // The second engine's Terminate raises an error, which the exit export passes on.
  standins::host::raiseAt("Terminate", 1101, 1);
  standins::com::clearCallLog();
  EXPECT_THROW(kvom::test::callExit(), std::exception);
  EXPECT_TRUE(standins::engine::terminated(1));
  EXPECT_EQ(standins::engine::applicationReferences(1), 0u) << "the first engine is released";
  EXPECT_FALSE(standins::engine::terminated(2)) << "the second is still alive";
  EXPECT_TRUE(standins::com::callLog().empty()) << "the object library stays open for it";

  // A later call for the released key gets an engine of its own.
  status = kHostValue;
  kvom::test::callMultiCase(firstText, secondText, HostText("UNIT-A", 20), status);
  EXPECT_EQ(status, kHostValue);
  EXPECT_EQ(standins::engine::enginesCreated(), 3);
  EXPECT_EQ(firstText.trimmed(), "FIRST");

  // The next shut-down terminates the engines still alive, each once, and closes the object library.
  standins::engine::clearOperationLog();
  standins::com::clearCallLog();
  kvom::test::callExit();
  EXPECT_EQ(engineLog("Terminate"), (std::vector<std::string>{"e2 Terminate", "e3 Terminate"}));
  for (int engine = 1; engine <= 3; ++engine) EXPECT_EQ(standins::engine::applicationReferences(engine), 0u);
  EXPECT_EQ(standins::com::callLog(), std::vector<std::string>{"OleUninitialize"});
}

TEST_F(FrameTest, AFailedEngineCreationStoresNothing) {
  standins::com::failCreation(platform::E_FAIL);
  multiCase();
  EXPECT_EQ(status, 39);
  EXPECT_TRUE(standins::engine::operationLog().empty()) << "no operation on the missing engine";

  standins::com::failCreation(std::nullopt);
  status = kHostValue;
  multiCase();
  EXPECT_EQ(status, kHostValue);
  EXPECT_EQ(standins::engine::enginesCreated(), 1);
  standins::engine::clearOperationLog();
  kvom::test::callExit();
  EXPECT_EQ(engineLog("Terminate"), std::vector<std::string>{"e1 Terminate"});
}

}  // namespace
