#include "run/input_step.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "run/engine_registry.h"
#include "run/run_paths.h"
#include "run/steps.h"
#include "standins/com/com_standin.h"
#include "standins/engine/engine_standin.h"
#include "standins/host/host_standin.h"
#include "standins/repository/repository_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::run {
namespace {

class InputStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CLOSE_ALL_ENGINES();
    standins::host::reset();
    standins::windows::reset();
    standins::repository::reset();
    standins::engine::reset();
    standins::com::reset();
    const std::string programDir = standins::windows::toWindowsPath(KVOM_EXAMPLES_DIR "/install") + "\\";
    STORE_RUN_PATHS(programDir.data(), static_cast<std::int64_t>(programDir.size()), "", 0, "", 0, "1", 1, "run1", 4,
                    "/AS", 3, "R01", 3);
    casePath = standins::windows::toWindowsPath((scratch.path() / "run1.QDX").string());
  }
  void TearDown() override { CLOSE_ALL_ENGINES(); }

  static long count(const std::vector<std::string>& log, std::string_view entry) {
    return std::count(log.begin(), log.end(), entry);
  }

  test::ScratchDirectory scratch;
  std::string casePath;
};

TEST_F(InputStepTest, TheObjectLibraryOpensWithTheFirstEngineOnly) {
  OPEN_ENGINE_CASE("BLOCK-1", casePath, "UNIT_A");
  OPEN_ENGINE_CASE("BLOCK-2", casePath, "UNIT_B");
  OPEN_ENGINE_CASE("BLOCK-1", casePath, "UNIT_A");
  EXPECT_EQ(count(standins::com::callLog(), "OleInitialize"), 1);
  EXPECT_EQ(standins::engine::enginesCreated(), 2) << "a new key gets a new engine, a known key its own";
  const auto& log = standins::engine::operationLog();
  EXPECT_EQ(count(log, "e1 OpenCase " + casePath), 2);
  EXPECT_EQ(count(log, "e2 OpenCase " + casePath), 1);
  EXPECT_TRUE(standins::repository::objectExists("UNIT_A"));
  EXPECT_TRUE(standins::repository::objectExists("UNIT_B"));
}

TEST_F(InputStepTest, AnIdentifierArrayWithoutElementTwentyNamesNoObject) {
  // Five elements of 8 characters: element 20 would lie beyond the array.
  const std::string identifiers(5 * 8, 'X');
  std::string path = casePath + std::string(20, ' ');
  std::int64_t status = -1;
  const std::int64_t elements = 5;
  const std::int64_t unused = 0;
  PREPARE_INPUT(elements, identifiers.data(), 8, unused, nullptr, unused, nullptr, nullptr, path.data(),
                static_cast<std::int64_t>(path.size()), "BLOCK-1", 7, status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(count(standins::engine::operationLog(), "e1 OpenCase " + casePath), 1) << "the trailing blanks are dropped";
  EXPECT_TRUE(standins::repository::dumpText().starts_with("REPOSITORY DUMP: 0 OBJECT(S)"))
      << standins::repository::dumpText();
}

TEST_F(InputStepTest, ADefinitionPathTooLongForTheLocatorLoadsNothing) {
  // The definition files, also under the names a path cut at 256 characters would give: after a
  // program directory of 242 characters "XEQ\B_PRVT.RPD" fills the field, after one of 244 it is
  // cut to "XEQ\B_PRVT.R".
  const std::filesystem::path examples = KVOM_EXAMPLES_DIR "/install/XEQ";
  struct Case {
    std::size_t programDirLength;
    std::int64_t status;  // 1: loaded, and the case file may be created; 5: not loaded
  };
  for (const Case c : {Case{242, 1}, Case{244, 5}}) {
    SCOPED_TRACE(c.programDirLength);
    standins::repository::reset();
    const std::filesystem::path programDir =
        test::directoryOfWindowsLength(scratch.path() / std::to_string(c.programDirLength), c.programDirLength);
    const std::filesystem::path xeq = programDir / "XEQ";
    std::filesystem::create_directories(xeq);
    for (const char* name : {"B_PRVT", "B_STHE", "B_MSG"}) {
      const std::filesystem::path source = examples / (std::string(name) + ".RPD");
      for (const char* extension : {".RPD", ".RP", ".R"}) {
        std::filesystem::copy_file(source, xeq / (name + std::string(extension)),
                                   std::filesystem::copy_options::overwrite_existing);
      }
    }
    const std::string programText = test::windowsDir(programDir);
    STORE_RUN_PATHS(programText.data(), static_cast<std::int64_t>(programText.size()), "", 0, "", 0, "1", 1, "run1",
                    4, "/AS", 3, "R01", 3);
    const std::string identifiers(20 * 8, ' ');
    std::string path = casePath;
    std::int64_t status = -1;
    const std::int64_t elements = 20;
    const std::int64_t unused = 0;
    PREPARE_INPUT(elements, identifiers.data(), 8, unused, nullptr, unused, nullptr, nullptr, path.data(),
                  static_cast<std::int64_t>(path.size()), "BLOCK-1", 7, status);
    EXPECT_EQ(status, c.status);
    for (const auto& loaded : standins::repository::loadedDefinitionFiles()) {
      EXPECT_TRUE(loaded.windowsPath.ends_with(".RPD")) << loaded.windowsPath;
    }
    EXPECT_EQ(standins::repository::loadedDefinitionFiles().size(), c.status == 5 ? 0u : 3u);
  }
}

}  // namespace
}  // namespace kvom::run
