#include "run/run_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "standins/host/host_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::run {
namespace {

void store(std::string_view programDir, std::string_view tempDir, std::string_view caseDir,
           std::string_view prefix = "R01") {
  STORE_RUN_PATHS(programDir.data(), static_cast<std::int64_t>(programDir.size()), tempDir.data(),
                  static_cast<std::int64_t>(tempDir.size()), caseDir.data(), static_cast<std::int64_t>(caseDir.size()),
                  "1", 1, "run1", 4, "/AS", 3, prefix.data(), static_cast<std::int64_t>(prefix.size()));
}

std::string locate(std::string_view name, std::string_view extension, std::int64_t flag) {
  std::array<char, kRunPathLength> result;
  result.fill('#');
  LOCATE_DATA_FILE(result.data(), kRunPathLength, name.data(), static_cast<std::int64_t>(name.size()), extension.data(),
                   static_cast<std::int64_t>(extension.size()), flag);
  // The locator fills the whole field: no '#' may survive.
  EXPECT_EQ(std::string_view(result.data(), result.size()).find('#'), std::string_view::npos);
  return std::string(trimRight({result.data(), result.size()}));
}

class RunPathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    standins::host::reset();
    standins::windows::reset();
  }
  void TearDown() override {
    standins::host::reset();
    standins::windows::reset();
  }
};

TEST_F(RunPathsTest, StoreKeepsEveryTextPaddedOrCut) {
  const std::string longDir = "C:\\" + std::string(300, 'p') + "\\";
  standins::host::setUserDataDir("C:\\USER\\");
  store(longDir, "C:\\TEMP\\", "D:\\work\\", "ABCDEFGHIJ");

  EXPECT_EQ(RunPaths.programDir.view(), std::string_view(longDir).substr(0, kRunPathLength));
  EXPECT_EQ(RunPaths.tempDir.trimmed(), "C:\\TEMP\\");
  EXPECT_EQ(RunPaths.caseDir.trimmed(), "D:\\work\\");
  EXPECT_EQ(RunPaths.code.view(), "1 ");
  EXPECT_EQ(RunPaths.caseName.trimmed(), "run1");
  EXPECT_EQ(RunPaths.runOption.trimmed(), "/AS");
  EXPECT_EQ(RunPaths.filePrefix.view(), "ABCDEF");
  EXPECT_EQ(RunPaths.userDataDir.trimmed(), "C:\\USER\\");
}

TEST_F(RunPathsTest, UserDataDirKeepsTheCharactersTheHostLibraryReports) {
  const std::string fullDir = "C:\\" + std::string(252, 'u') + "\\";  // 256 characters
  struct Case {
    std::string dir;
    std::optional<std::int32_t> reported;
    std::string expected;
  };
  const Case cases[] = {
      {"C:\\USER\\", std::nullopt, "C:\\USER\\"},
      {"C:\\USER\\", 3, "C:\\"},
      {"C:\\USER\\", 0, ""},
      {"C:\\USER\\", -5, ""},
      {fullDir, 256, fullDir},
  };
  for (const Case& c : cases) {
    standins::host::setUserDataDir(c.dir);
    standins::host::setUserDataDirResult(c.reported);
    store("C:\\KVOM\\", "C:\\TEMP\\", "D:\\work\\");
    EXPECT_EQ(RunPaths.userDataDir.trimmed(), c.expected) << c.dir << " reported " << c.reported.value_or(-99);
  }
  EXPECT_EQ(standins::host::callLog().back(), "PellantGetUserDataDir 256");
}

class LocatorTest : public RunPathsTest {
 protected:
  void SetUp() override {
    RunPathsTest::SetUp();
    userDir = standins::windows::toWindowsPath(scratch.path().string()) + "\\";
    scratch.write("N_MTLDEF.PDA");
    scratch.write("MYBANK.PDA");
    scratch.write("n_mtldef.PDA");
    standins::host::setUserDataDir(userDir);
    store("C:\\KVOM\\", "C:\\TEMP\\", "D:\\work\\");
  }
  test::ScratchDirectory scratch;
  std::string userDir;
};

TEST_F(LocatorTest, TheExtensionChoosesTheDirectory) {
  struct Case {
    std::string_view name;
    std::string_view extension;
    std::int64_t flag;
    std::string expected;  // "<user>" stands for the user databank directory
  };
  const Case cases[] = {
      {"B_PRVT", "RPD", 0, "C:\\KVOM\\XEQ\\B_PRVT.RPD"},
      {"B_MSG   ", "RPD ", 0, "C:\\KVOM\\XEQ\\B_MSG.RPD"},
      {"TEXTS", "ENG", 0, "C:\\KVOM\\DAT\\LAN\\TEXTS.ENG"},
      {"TEXTS", "JPN", 0, "C:\\KVOM\\DAT\\LAN\\TEXTS.JPN"},
      {"TEXTS", "LAN", 0, "C:\\KVOM\\DAT\\LAN\\TEXTS.LAN"},
      {"R01A", "TMP", 0, "C:\\TEMP\\R01A.TMP"},
      {"R01A", "TMPX", 0, "C:\\TEMP\\R01A.TMPX"},
      {"UNIT", "QDX", 0, "D:\\work\\UNIT.QDX"},
      {"B_PRVT", "rpd", 0, "D:\\work\\B_PRVT.rpd"},
      {"", "QDX", 0, "D:\\work\\.QDX"},
      // Listed databank present in the user databank directory: found there whatever the flag.
      {"N_MTLDEF", "PDA", 0, "<user>N_MTLDEF.PDA"},
      {"N_MTLDEF", "PDA", 1, "<user>N_MTLDEF.PDA"},
      {"N_MTLDEF", "PDAX", 2, "<user>N_MTLDEF.PDA"},
      // Listed but absent: the flag chooses the fallback.
      {"N_MTLEN", "PDA", 1, "C:\\KVOM\\DAT\\PDA\\N_MTLEN.PDA"},
      {"N_MTLEN", "PDA", 0, "D:\\work\\N_MTLEN.PDA"},
      {"N_MTLEN", "PDAX", 2, "D:\\work\\N_MTLEN.PDA"},
      // Not listed (also a listed name in lower case): never looked for in the user directory.
      {"MYBANK", "PDA", 0, "D:\\work\\MYBANK.PDA"},
      {"n_mtldef", "PDA", 1, "C:\\KVOM\\DAT\\PDA\\n_mtldef.PDA"},
  };
  for (const Case& c : cases) {
    std::string expected = c.expected;
    if (expected.starts_with("<user>")) expected = userDir + expected.substr(6);
    EXPECT_EQ(locate(c.name, c.extension, c.flag), expected) << c.name << "." << c.extension << " flag " << c.flag;
  }
}

TEST_F(LocatorTest, EmptyDirectoriesGiveBareNames) {
  standins::host::setUserDataDir("");
  store("C:\\KVOM\\", "C:\\TEMP\\", "");
  EXPECT_EQ(locate("UNIT", "QDX", 0), "UNIT.QDX");

  // Without a user databank directory the candidate is tested in the current directory.
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(scratch.path().c_str()), 0);
  const std::string found = locate("N_MTLDEF", "PDA", 1);
  const std::string fallback = locate("N_MTLEN", "PDA", 1);
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(found, "N_MTLDEF.PDA");
  EXPECT_EQ(fallback, "C:\\KVOM\\DAT\\PDA\\N_MTLEN.PDA");
}

TEST_F(LocatorTest, APathBeyondTheFieldIsCut) {
  const std::string caseDir = "D:\\" + std::string(248, 'c') + "\\";  // 252 characters
  store("C:\\KVOM\\", "C:\\TEMP\\", caseDir);
  EXPECT_EQ(locate("UNIT", "QDX", 0), (caseDir + "UNIT.QDX").substr(0, kRunPathLength));

  // A shorter field than the usual 256 is filled, never passed.
  std::array<char, 12> small;
  small.fill('#');
  LOCATE_DATA_FILE(small.data(), 10, "UNIT", 4, "QDX", 3, 0);
  EXPECT_EQ(std::string_view(small.data(), 12), std::string(caseDir.substr(0, 10)) + "##");
}

TEST_F(LocatorTest, ADatabankThatDoesNotFitTheFieldIsMissingInTheUserDirectory) {
  // N_MTLDEF.PDA (12 characters) after a user databank directory of 244 characters fills the
  // field exactly; after one of 250 it is 262 long, and the cut path would name N_MTLD.
  struct Case {
    std::size_t userDirLength;
    std::int64_t flag;
    std::string expected;  // "<user>" stands for the user databank directory
  };
  const Case cases[] = {
      {244, 0, "<user>N_MTLDEF.PDA"},
      {250, 0, "D:\\work\\N_MTLDEF.PDA"},
      {250, 1, "C:\\KVOM\\DAT\\PDA\\N_MTLDEF.PDA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "user directory " << c.userDirLength << " flag " << c.flag);
    const std::filesystem::path directory =
        test::directoryOfWindowsLength(scratch.path() / std::to_string(c.userDirLength), c.userDirLength);
    const std::string dir = test::windowsDir(directory);
    scratch.write(std::filesystem::relative(directory / "N_MTLDEF.PDA", scratch.path()));
    scratch.write(std::filesystem::relative(directory / "N_MTLD", scratch.path()));
    standins::host::setUserDataDir(dir);
    store("C:\\KVOM\\", "C:\\TEMP\\", "D:\\work\\");
    ASSERT_EQ(RunPaths.userDataDir.trimmed(), dir);

    std::string expected = c.expected;
    if (expected.starts_with("<user>")) expected = dir + expected.substr(6);
    EXPECT_EQ(locate("N_MTLDEF", "PDA", c.flag), expected);
    EXPECT_EQ(locateFittingDataFile("N_MTLDEF", "PDA", c.flag), expected);
  }
}

}  // namespace
}  // namespace kvom::run
