#include "report/settings.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "common/fixed_text.h"
#include "exports/run_paths_setup.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

std::string code(const LanguageCode& c) { return {c.data(), c.size()}; }

// A program directory with a databank directory holding the databank files of the languages
// given, and a Windows directory of its own for the settings file.
class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedProgramDir = exports::RunPathStrings.programDir;
    test::resetStandins();
    standins::windows::setWindowsDirectory(test::windowsDir(scratch.path() / "windows"));
    std::filesystem::create_directories(scratch.path() / "windows");
    copyTerminated(exports::RunPathStrings.programDir, test::windowsDir(scratch.path() / "prog"));
    ReportLanguageCode = ActiveLanguageCode = {' ', ' ', ' '};
    SharedLanguageCode = {};
  }
  void TearDown() override {
    test::resetStandins();
    exports::RunPathStrings.programDir = savedProgramDir;
  }

  void databanks(std::initializer_list<const char*> files) const {
    for (const char* file : files) scratch.write(std::filesystem::path("prog") / "DAT" / "PDA" / file, "databank");
  }
  void settings(const std::string& content) const { scratch.write("windows/REVURUDE.INI", content); }
  std::string settingsFile() const { return test::readFile(scratch.path() / "windows" / "REVURUDE.INI"); }

  test::ScratchDirectory scratch;
  exports::PathBuffer savedProgramDir{};
};

TEST_F(SettingsTest, ReadsTheLanguageByItsFirstLetter) {
  struct Case {
    const char* stored;  // null: no settings file
    std::int32_t number;
    const char* code;
  };
  const Case cases[] = {
      {nullptr, 1, "ENG"},   {"Default", 1, "ENG"}, {"german", 3, "GER"},  {"Eng", 1, "ENG"},
      {"c", 6, "CHI"},       {"FRENCH", 2, "FRE"},  {"spanish", 4, "SPA"}, {"Italiano", 5, "ITA"},
      {"default", 1, "ENG"}, {"Dutch", 1, "ENG"},   {"", 1, "ENG"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(scratch.path() / "windows" / "REVURUDE.INI");
    if (c.stored != nullptr) settings(std::string("[SETTING]\r\nlanguage=") + c.stored + "\r\n");
    LanguageCode read = {'#', '#', '#'};
    EXPECT_EQ(ReadLanguageSetting(read.data()), c.number) << (c.stored ? c.stored : "(no file)");
    EXPECT_EQ(code(read), c.code) << (c.stored ? c.stored : "(no file)");
  }
}

// Reading the setting hands the code on but applies nothing: the report language number stays.
TEST_F(SettingsTest, ReadingTheLanguageLeavesTheReportLanguageNumber) {
  settings("[Setting]\r\nLanguage=CHINESE\r\n");
  SetLanguageFromLetter("E");
  LanguageCode read{};
  EXPECT_EQ(ReadLanguageSetting(read.data()), 6);
  EXPECT_EQ(code(read), "CHI");
  std::array<char, 3> text{};
  GET_LANGUAGE(text.data(), 3);
  EXPECT_EQ(std::string(text.data(), 3), "CHI");
  STORE_LANGUAGE_CODE();
  EXPECT_EQ(code(SharedLanguageCode), "CHI");
  EXPECT_EQ(GetLanguageNumber(), 1);
  EXPECT_EQ(code(ReportLanguageCode), "   ");
}

TEST_F(SettingsTest, GetLanguageFillsTheCallersText) {
  settings("[Setting]\r\nLanguage=german\r\n");
  std::array<char, 8> wide;
  GET_LANGUAGE(wide.data(), 8);
  EXPECT_EQ(std::string(wide.data(), 8), "GER     ");
  std::array<char, 4> narrow = {'#', '#', '#', '#'};
  GET_LANGUAGE(narrow.data(), 2);
  EXPECT_EQ(std::string(narrow.data(), 4), "GE##");
}

TEST_F(SettingsTest, ReadsPagesPerSheet) {
  struct Case {
    const char* stored;
    std::int32_t pages;
  };
  const Case cases[] = {{nullptr, 1},   {"4 PER 1", 4}, {"2 per 1", 2}, {"1 per 1", 1},
                        {"3 per 1", 1}, {"", 1},        {"4", 1}};
  for (const Case& c : cases) {
    std::filesystem::remove(scratch.path() / "windows" / "REVURUDE.INI");
    if (c.stored != nullptr) settings(std::string("[print format]\r\nOutput=") + c.stored + "\r\n");
    EXPECT_EQ(ReadPagesPerSheet(), c.pages) << (c.stored ? c.stored : "(no file)");
  }
}

TEST_F(SettingsTest, SetsALanguageWhoseDatabankExists) {
  databanks({"G_FRENCH.PDA", "G_ENGLIS.PDA"});
  EXPECT_EQ(SetLanguageByName("french"), 1);
  EXPECT_EQ(settingsFile(), "[Setting]\r\nLanguage=FRENCH\r\n");
  EXPECT_EQ(code(ReportLanguageCode), "FRE");
  EXPECT_EQ(code(ActiveLanguageCode), "FRE");
  EXPECT_EQ(code(SharedLanguageCode), "FRE");
  EXPECT_EQ(GetLanguageNumber(), 2);

  // A name whose first letter names no language chooses English.
  EXPECT_EQ(SetLanguageByName("Dutch"), 1);
  EXPECT_EQ(settingsFile(), "[Setting]\r\nLanguage=ENGLISH\r\n");
  EXPECT_EQ(code(SharedLanguageCode), "ENG");
  EXPECT_EQ(GetLanguageNumber(), 1);
}

TEST_F(SettingsTest, AMissingDatabankOrAFailedWriteChangesNothing) {
  databanks({"G_FRENCH.PDA"});
  settings("[Setting]\r\nLanguage=ENGLISH\r\n");
  SetLanguageFromLetter("E");
  EXPECT_EQ(SetLanguageByName("GERMAN"), 0);

  standins::windows::failOperation("WritePrivateProfileStringA");
  EXPECT_EQ(SetLanguageByName("FRENCH"), 0);

  EXPECT_EQ(settingsFile(), "[Setting]\r\nLanguage=ENGLISH\r\n");
  EXPECT_EQ(code(ReportLanguageCode), "   ");
  EXPECT_EQ(code(ActiveLanguageCode), "   ");
  EXPECT_EQ(code(SharedLanguageCode), std::string(3, '\0'));
  EXPECT_EQ(GetLanguageNumber(), 1);
}

TEST_F(SettingsTest, SetsByNumberOnlyAnotherLanguage) {
  databanks({"G_FRENCH.PDA", "G_GERMAN.PDA"});
  settings("[Setting]\r\nLanguage=GERMAN\r\n");
  ActiveLanguageCode = {'F', 'R', 'E'};
  for (const std::int32_t number : {2, 0, 7, -1}) SetLanguageByNumber(number);
  EXPECT_EQ(settingsFile(), "[Setting]\r\nLanguage=GERMAN\r\n");
  EXPECT_EQ(code(ReportLanguageCode), "   ");

  SetLanguageByNumber(3);
  EXPECT_EQ(code(ReportLanguageCode), "GER");
  SetLanguageByNumber(2);
  EXPECT_EQ(code(ActiveLanguageCode), "FRE");
  EXPECT_EQ(settingsFile(), "[Setting]\r\nLanguage=FRENCH\r\n");
}

TEST_F(SettingsTest, BuildsTheDataDirectoriesWithinTheBuffer) {
  copyTerminated(exports::RunPathStrings.programDir, "C:\\KVOM\\");
  std::array<char, 256> buffer{};
  EXPECT_STREQ(GetLanguageDir(buffer), "C:\\KVOM\\DAT\\LAN\\");
  EXPECT_STREQ(GetDatabankDir(buffer), "C:\\KVOM\\DAT\\PDA\\");
  std::array<char, 10> small{};
  EXPECT_STREQ(GetDatabankDir(small), "C:\\KVOM\\D");
}

TEST_F(SettingsTest, TellsExistingPathsAndInputFileNames) {
  scratch.write("CASE.KVI");
  const std::string dir = test::windowsDir(scratch.path());
  EXPECT_EQ(FileExists((dir + "CASE.KVI").c_str()), 1);
  EXPECT_EQ(FileExists(dir.c_str()), 1);
  EXPECT_EQ(FileExists((dir + "case.kvi").c_str()), 0);
  EXPECT_EQ(FileExists(nullptr), 0);

  struct Case {
    const char* name;
    std::int32_t input;
  };
  const Case cases[] = {
      {"CASE.KVI", 1},
      {"case.kvi", 1},
      {"CASE.KVIX", 1},
      {"CASE.KVI.TXT", 1},
      {"C:\\RUN.1\\CASE.KVI", 1},
      {"DIR/RUN.X/CASE.Kvi.1", 1},
      {"A.B.KVI", 0},
      {"CASE.TXT", 0},
      {"CASE", 0},
      {"CASE.KV", 0},
      {"C:\\RUN.KVI\\CASE", 0},
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(IsInputFileName(c.name), c.input) << c.name;
  EXPECT_EQ(IsInputFileName(nullptr), 0);
}

}  // namespace
}  // namespace kvom::report
