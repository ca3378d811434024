#include "run/run_env_service.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "report/settings.h"
#include "run/run_paths.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::run {
namespace {

// Fresh shared records, a case directory of its own and a Windows directory without a settings
// file; everything restored afterwards.
class RunEnvServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedPaths = RunPaths;
    savedUnits = UnitNumbers;
    savedFlags = RunOptionFlags;
    UnitNumbers = {};
    RunOptionFlags = {};
    report::SharedLanguageCode = {};
    test::resetStandins();
    standins::windows::setWindowsDirectory(test::windowsDir(scratch.path() / "windows"));
    RunPaths = {};
    RunPaths.caseDir.assign(test::windowsDir(scratch.path()));
    RunPaths.caseName.assign("PUMP-7");
    RunPaths.code.assign("1");
  }
  void TearDown() override {
    RunPaths = savedPaths;
    UnitNumbers = savedUnits;
    RunOptionFlags = savedFlags;
    test::resetStandins();
  }

  // Runs the service with three texts of the given lengths; value goes in and comes back.
  std::int64_t call(std::int64_t code, std::int64_t& value, std::string& a, std::string& b, std::string& c) {
    std::int64_t status = -1;
    RUN_ENV_SERVICE(code, status, a.data(), static_cast<std::int64_t>(a.size()), b.data(),
                    static_cast<std::int64_t>(b.size()), c.data(), static_cast<std::int64_t>(c.size()), value);
    return status;
  }
  std::int64_t call(std::int64_t code, std::int64_t& value) {
    std::string a(8, '#'), b(8, '#'), c(8, '#');
    return call(code, value, a, b, c);
  }
  std::int64_t locate(std::int64_t code, std::string name, std::string extension) {
    std::string unused;
    std::int64_t flag = 0;
    return call(code, flag, name, extension, unused);
  }
  void startUpWith(const std::string& option) {
    RunPaths.runOption.assign(option);
    std::int64_t value = 0;
    ASSERT_EQ(call(1, value), 0);
  }

  test::ScratchDirectory scratch;
  RunPathsRecord savedPaths;
  UnitNumbersRecord savedUnits;
  RunOptionFlagsRecord savedFlags;
};

TEST_F(RunEnvServiceTest, StartUpNumbersTheUnitsReadsTheLanguageAndTheCodeDigit) {
  for (const std::int64_t code : {0, 1, 100}) {
    SCOPED_TRACE(code);
    UnitNumbers = {};
    report::SharedLanguageCode = {};
    std::int64_t value = -1;
    EXPECT_EQ(call(code, value), 0);
    EXPECT_EQ(value, 1);
    for (std::size_t i = 1; i <= kUnitCount; ++i) EXPECT_EQ(UnitNumbers.entry(i), static_cast<std::int64_t>(50 + i));
    EXPECT_EQ(UnitNumbers.startUpMarker, 1);
    EXPECT_EQ(std::string(report::SharedLanguageCode.data(), 3), "ENG");
  }
  struct Case {
    const char* code;
    std::int64_t value;
  };
  for (const Case c : {Case{"7", 7}, Case{" ", 0}, Case{"x", 0}}) {
    RunPaths.code.assign(c.code);
    std::int64_t value = -1;
    call(1, value);
    EXPECT_EQ(value, c.value) << c.code;
  }
}

// The start-up hands the language of the settings file to the logic layer without applying it.
TEST_F(RunEnvServiceTest, StartUpLeavesTheReportLanguageNumber) {
  scratch.write("windows/REVURUDE.INI", "[Setting]\r\nLanguage=CHINESE\r\n");
  report::SetLanguageFromLetter("E");
  std::int64_t value = 0;
  EXPECT_EQ(call(1, value), 0);
  EXPECT_EQ(std::string(report::SharedLanguageCode.data(), 3), "CHI");
  EXPECT_EQ(report::GetLanguageNumber(), 1);
}

TEST_F(RunEnvServiceTest, RunOptionIsRaisedAndSetsItsFlags) {
  struct Case {
    const char* option;
    const char* stored;                 // the run option afterwards
    std::array<std::int64_t, 6> words;  // words 1, 2, 3, 4, 5 and 19
    std::int64_t entry5;
  };
  const Case cases[] = {
      {"/AS", "/AS", {2, 3, 0, 0, 0, 0}, 0},           {"/as", "/AS", {2, 3, 0, 0, 0, 0}, 0},
      {"/brs", "/BRS", {1, 2, 0, 0, 0, 1}, 0},         {"/bd", "/BD", {1, 1, 0, 0, 0, 0}, 0},
      {"/BSS", "/BSS", {1, 3, 0, 0, 0, 1}, 0},         {"/ao", "/AO", {2, 0, 1, 1, 0, 0}, 0},
      {"BATCHS", "BATCHS", {1, 0, 0, 0, 0, 1}, 0},     {"batchs", "BATCHs", {1, 0, 0, 0, 0, 0}, 0},
      {"contranS", "CONTRANS", {3, 0, 0, 0, 0, 1}, 0}, {"/AD", "/AD", {0, 0, 0, 0, 1, 0}, 55},
      {"/ad", "/ad", {0, 0, 0, 0, 0, 0}, 55},          {"Batch", "Batch", {0, 0, 0, 0, 0, 0}, 55},
      {"abcs", "abcS", {0, 0, 0, 0, 0, 0}, 55},        {"", "", {0, 0, 0, 0, 0, 0}, 55},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    RunOptionFlags = {};
    startUpWith(c.option);
    EXPECT_EQ(RunPaths.runOption.trimmed(), c.stored);
    const std::array<std::int64_t, 6> words = {RunOptionFlags.word(1), RunOptionFlags.word(2), RunOptionFlags.word(3),
                                               RunOptionFlags.word(4), RunOptionFlags.word(5), RunOptionFlags.word(19)};
    EXPECT_EQ(words, c.words);
    EXPECT_EQ(UnitNumbers.entry(5), c.entry5);
  }
}

TEST_F(RunEnvServiceTest, FlagsOfAnEarlierStartUpStay) {
  startUpWith("/AO");
  startUpWith("/BD");
  EXPECT_EQ(RunOptionFlags.word(1), 1);
  EXPECT_EQ(RunOptionFlags.word(2), 1);
  EXPECT_EQ(RunOptionFlags.word(3), 1);
  EXPECT_EQ(RunOptionFlags.word(4), 1);
}

TEST_F(RunEnvServiceTest, OtherCodesDoNothing) {
  for (const std::int64_t code : {4, 7, 18, 1000, -3}) {
    SCOPED_TRACE(code);
    std::string a = "aaaa", b = "bbbb", c = "cccc";
    std::int64_t value = 42;
    EXPECT_EQ(call(code, value, a, b, c), 0);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(a + b + c, "aaaabbbbcccc");
    EXPECT_EQ(UnitNumbers.startUpMarker, 0);
  }
}

TEST_F(RunEnvServiceTest, DateTimeAndCaseName) {
  setenv("TZ", "UTC0", 1);
  tzset();
  standins::windows::setCurrentTime(1'781'136'000 + 23 * 3600 + 59 * 60 + 58);  // 2026-06-11 23:59:58
  std::string a(10, '#'), b(4, '#'), c(3, '#');
  std::int64_t value = 0;
  EXPECT_EQ(call(2, value, a, b, c), 0);
  EXPECT_EQ(a, "06/11/26  ");
  EXPECT_EQ(b, "23:5");
  EXPECT_EQ(c, "###");

  std::string name(3, '#'), blank1(4, '#'), blank2(2, '#');
  EXPECT_EQ(call(13, value, name, blank1, blank2), 0);
  EXPECT_EQ(name + "|" + blank1 + "|" + blank2, "PUM|    |  ");
  std::string wide(10, '#');
  call(13, value, wide, blank1, blank2);
  EXPECT_EQ(wide, "PUMP-7    ");
}

TEST_F(RunEnvServiceTest, LocateTestsAndDeletesTheDataFile) {
  const std::filesystem::path file = scratch.write("DATA.TXT", "data");
  struct Case {
    std::int64_t code;
    bool present;
    bool failDelete;
    std::int64_t status;
    bool remains;
  };
  const Case cases[] = {
      {3, true, false, 0, true},
      {3, false, false, 1, false},
      {5, true, false, 0, false},
      {5, false, false, 1, false},
      {5, true, true, kFileNotDeleted, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.code << " present " << c.present << " fail " << c.failDelete);
    std::filesystem::remove(file);
    if (c.present) scratch.write("DATA.TXT", "data");
    if (c.failDelete) standins::windows::failOperation("DeleteFileA", 0, 1);
    EXPECT_EQ(locate(c.code, "DATA    ", "TXT "), c.status);
    EXPECT_EQ(std::filesystem::exists(file), c.remains);
  }
  // A directory of that name is no data file.
  std::filesystem::create_directory(scratch.path() / "SUB.TXT");
  EXPECT_EQ(locate(5, "SUB", "TXT"), kFileAbsent);
  EXPECT_TRUE(std::filesystem::exists(scratch.path() / "SUB.TXT"));
}

TEST_F(RunEnvServiceTest, ALocatedPathLongerThanTheFieldIsNeitherTestedNorDeleted) {
  // "VICTIMFILE12.DAT" after a case directory of 246 characters is 262 long; cut at 256 it would
  // name VICTIMFILE. After one of 240 characters it fills the field exactly.
  struct Case {
    std::size_t directoryLength;
    std::int64_t code;
    const char* present;  // the file in the case directory
    std::int64_t status;
    bool remains;
  };
  const Case cases[] = {
      {246, 3, "VICTIMFILE", kFileAbsent, true},        {246, 5, "VICTIMFILE", kFileAbsent, true},
      {246, 5, "VICTIMFILE12.DAT", kFileAbsent, true},  {240, 3, "VICTIMFILE12.DAT", 0, true},
      {240, 5, "VICTIMFILE12.DAT", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "directory " << c.directoryLength << " code " << c.code << " " << c.present);
    const std::filesystem::path directory =
        test::directoryOfWindowsLength(scratch.path() / std::to_string(c.directoryLength), c.directoryLength);
    RunPaths.caseDir.assign(test::windowsDir(directory));
    ASSERT_EQ(RunPaths.caseDir.trimmed().size(), c.directoryLength);
    const std::filesystem::path file = directory / c.present;
    scratch.write(std::filesystem::relative(file, scratch.path()), "keep");
    EXPECT_EQ(locate(c.code, "VICTIMFILE12", "DAT"), c.status);
    EXPECT_EQ(std::filesystem::exists(file), c.remains);
    std::filesystem::remove(file);
  }
}

TEST_F(RunEnvServiceTest, ADatabankWhosePathDoesNotFitInTheUserDirectoryIsFoundInTheNextPlace) {
  // The listed databank N_MTLDEF.PDA lies in the user databank directory and in the case directory.
  // After a user directory of 250 characters its path is 262 long and counts as missing there
  // (the cut path would name N_MTLD); after one of 244 it fits the field exactly.
  struct Case {
    std::size_t userDirLength;
    std::int64_t code;
    bool userCopyRemains;
    bool caseCopyRemains;
  };
  const Case cases[] = {
      {250, 3, true, true},
      {250, 5, true, false},
      {244, 5, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "user directory " << c.userDirLength << " code " << c.code);
    const std::filesystem::path userDir =
        test::directoryOfWindowsLength(scratch.path() / std::to_string(c.userDirLength), c.userDirLength);
    RunPaths.userDataDir.assign(test::windowsDir(userDir));
    ASSERT_EQ(RunPaths.userDataDir.trimmed().size(), c.userDirLength);
    const std::filesystem::path userCopy =
        scratch.write(std::filesystem::relative(userDir / "N_MTLDEF.PDA", scratch.path()));
    const std::filesystem::path cutName = scratch.write(std::filesystem::relative(userDir / "N_MTLD", scratch.path()));
    const std::filesystem::path caseCopy = scratch.write("N_MTLDEF.PDA");

    EXPECT_EQ(locate(c.code, "N_MTLDEF", "PDA"), 0);
    EXPECT_EQ(std::filesystem::exists(userCopy), c.userCopyRemains);
    EXPECT_EQ(std::filesystem::exists(caseCopy), c.caseCopyRemains);
    EXPECT_TRUE(std::filesystem::exists(cutName));
    std::filesystem::remove(caseCopy);
  }
}

}  // namespace
}  // namespace kvom::run
