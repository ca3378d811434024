// The input export as a host calls it: definition files from the installation tree, the case file
// on disk, the engine opening the case and the input object left in the repository.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/unset.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::test {
namespace {

using kvom::test::windowsDir;

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

constexpr std::string_view kInputObject = "UNIT_IN";

Texts startingWith(const Texts& log, std::string_view start) {
  Texts kept;
  std::copy_if(log.begin(), log.end(), std::back_inserter(kept),
               [&](const std::string& entry) { return entry.starts_with(start); });
  return kept;
}

class InputExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    callExit();  // a fresh engine registry
    standins::host::reset();
    standins::windows::reset();
    standins::repository::reset();
    standins::engine::reset();
    useInstallation(fs::path(KVOM_EXAMPLES_DIR) / "install");
    identifiers.set(1, "UNIT_OUT");
    identifiers.set(20, kInputObject);
  }
  void TearDown() override { callExit(); }

  void useInstallation(const fs::path& native) {
    installation = windowsDir(native);
    standins::host::setProgramDir(installation);
  }

  // The input call for the case file at this native path; returns the status.
  std::int64_t input(const fs::path& caseFile) {
    casePath = standins::windows::toWindowsPath(caseFile.string());
    HostText path(casePath, 200);
    std::int64_t status = -1;
    callInput(identifiers, path, HostText("BLOCK-1", 20), status);
    return status;
  }

  bool engineOpened() const {
    const auto& log = standins::engine::operationLog();
    return std::find(log.begin(), log.end(), "e1 OpenCase " + casePath) != log.end();
  }

  static Texts definitionReads() { return startingWith(standins::repository::callLog(), "RPREAD"); }
  static Texts caseFileProbes() { return startingWith(standins::windows::callLog(), "CreateFileA"); }

  ScratchDirectory scratch;
  HostIdentifierArray identifiers{20, 32};
  std::string installation;
  std::string casePath;
};

TEST_F(InputExportTest, AnExistingCaseOpensAndLeavesTheInputObject) {
  const fs::path caseFile = scratch.write("run1.QDX", "WEXA-CASE 1\r\nS LocFluidHS 1 2\r\n");
  EXPECT_EQ(input(caseFile), 0);

  EXPECT_EQ(definitionReads(),
            (Texts{"RPREAD " + installation + "XEQ\\B_PRVT.RPD", "RPREAD " + installation + "XEQ\\B_STHE.RPD",
                   "RPREAD " + installation + "XEQ\\B_MSG.RPD"}));
  EXPECT_EQ(standins::repository::loadedDefinitionFiles().size(), 3u);
  EXPECT_TRUE(caseFileProbes().empty()) << "an existing case file is not created again";
  EXPECT_TRUE(engineOpened());
  EXPECT_TRUE(fs::exists(caseFile));

  // The input object: its tree and the initial unit-input record with the case's hot-fluid location.
  EXPECT_EQ(standins::repository::nodes(kInputObject).size(), 14u);
  EXPECT_EQ(standins::repository::nodes(kInputObject).front().type, "shell_and_tube_heat_exchanger_unit_INPUT");
  const auto record = standins::repository::getRecord(kInputObject, "WEXA_PLUS_UNIT_INPUT");
  ASSERT_TRUE(record);
  std::vector<std::int64_t> integers(10, UNSET_INTEGER);
  integers[3] = 2;
  EXPECT_EQ(record->integers, integers);
  EXPECT_EQ(record->reals, std::vector<double>(22, UNSET_REAL));
  EXPECT_TRUE(record->texts.empty());
}

TEST_F(InputExportTest, AMissingCaseFileThatCanBeCreatedGivesStatusOneAndLeavesNoFile) {
  const fs::path caseFile = scratch.path() / "new.QDX";
  EXPECT_EQ(input(caseFile), 1);
  const Texts probes = caseFileProbes();
  ASSERT_EQ(probes.size(), 1u);
  // Created as a new file that goes again when it is closed.
  EXPECT_TRUE(probes[0].starts_with("CreateFileA " + casePath + " ")) << probes[0];
  EXPECT_TRUE(probes[0].ends_with(" 1 0x4000080")) << probes[0];
  EXPECT_FALSE(fs::exists(caseFile));
  EXPECT_TRUE(engineOpened());
  EXPECT_TRUE(standins::repository::objectExists(kInputObject));
}

TEST_F(InputExportTest, ACaseFileInADirectoryThatDoesNotExistGivesStatusEight) {
  const fs::path caseFile = scratch.path() / "no_such_dir" / "run1.QDX";
  EXPECT_EQ(input(caseFile), 8);
  EXPECT_FALSE(fs::exists(caseFile.parent_path()));
  EXPECT_TRUE(engineOpened());
  EXPECT_TRUE(standins::repository::objectExists(kInputObject));
}

TEST_F(InputExportTest, ADefinitionFileThatDoesNotLoadGivesStatusFiveAndSkipsTheRest) {
  const fs::path copy = scratch.path() / "install";
  fs::copy(fs::path(KVOM_EXAMPLES_DIR) / "install", copy, fs::copy_options::recursive);
  fs::remove(copy / "XEQ" / "B_STHE.RPD");
  useInstallation(copy);
  const fs::path caseFile = scratch.path() / "run1.QDX";

  EXPECT_EQ(input(caseFile), 5);
  EXPECT_EQ(definitionReads(),
            (Texts{"RPREAD " + installation + "XEQ\\B_PRVT.RPD", "RPREAD " + installation + "XEQ\\B_STHE.RPD"}));
  EXPECT_TRUE(caseFileProbes().empty());
  EXPECT_TRUE(startingWith(standins::windows::callLog(), "GetFileAttributesA " + casePath).empty());
  EXPECT_FALSE(fs::exists(caseFile));
  // The engine opens the case all the same.
  EXPECT_TRUE(engineOpened());
  EXPECT_TRUE(standins::repository::objectExists(kInputObject));
}

TEST_F(InputExportTest, TheInputObjectStartsAfreshOnEveryInputCall) {
  const fs::path caseFile = scratch.write("run1.QDX", "WEXA-CASE 1\r\n");
  ASSERT_EQ(input(caseFile), 0);
  standins::repository::Record entered = *standins::repository::getRecord(kInputObject, "WEXA_PLUS_UNIT_INPUT");
  entered.integers[0] = 4;
  standins::repository::putRecord(kInputObject, "WEXA_PLUS_UNIT_INPUT", entered);
  standins::repository::putRecord(kInputObject, "HOST_NOTES", {});

  ASSERT_EQ(input(caseFile), 0);
  EXPECT_EQ(standins::repository::recordKeys(kInputObject), Texts{"WEXA_PLUS_UNIT_INPUT"});
  const auto record = standins::repository::getRecord(kInputObject, "WEXA_PLUS_UNIT_INPUT");
  EXPECT_EQ(record->integers, std::vector<std::int64_t>(10, UNSET_INTEGER));
  EXPECT_EQ(standins::engine::enginesCreated(), 1) << "the block key keeps its engine";
}

}  // namespace
}  // namespace kvom::test
