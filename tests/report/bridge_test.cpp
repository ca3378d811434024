#include "report/bridge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "exports/run_paths_setup.h"
#include "report/settings.h"
#include "run/run_paths.h"
#include "standins/host/host_standin.h"
#include "standins/report_formatting/report_formatting_standin.h"
#include "standins/windows/windows_standin.h"
#include "tests/support/adapter.h"
#include "tests/support/standin_helpers.h"

namespace kvom::report {
namespace {

using run::RunPaths;

// The run paths of a case in C:\CASES\, restored afterwards.
class BridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = RunPaths;
    test::resetStandins();
    RunPaths.programDir.assign("C:\\KVOM\\");
    RunPaths.caseDir.assign("C:\\CASES\\");
    RunPaths.caseName.assign("PUMP-7");
  }
  void TearDown() override {
    RunPaths = saved;
    test::resetStandins();
  }

  // A caller's field of the given length followed by guard bytes that no routine may touch.
  struct Field {
    explicit Field(std::size_t length) : bytes(length + 8, '#') {}
    char* data() { return bytes.data(); }
    std::int64_t length() const { return static_cast<std::int64_t>(bytes.size() - 8); }
    std::string text() const { return bytes.substr(0, bytes.size() - 8); }
    bool guardIntact() const { return bytes.substr(bytes.size() - 8) == "########"; }
    std::string bytes;
  };

  static std::string padded(std::string text, std::size_t length) {
    text.resize(length, ' ');
    return text;
  }

  static bool logged(const std::vector<std::string>& log, const std::string& entry) {
    return std::find(log.begin(), log.end(), entry) != log.end();
  }

  run::RunPathsRecord saved;
};

TEST_F(BridgeTest, FunctionsReturnRunPathsBlankPaddedWithinTheCallersField) {
  struct Case {
    const char* name;
    void (*function)(char*, std::int64_t);
    std::string hostDir;  // what the host library has
    std::string expected;
  };
  const Case cases[] = {
      {"program dir", GET_PROGRAM_DIR, "", "C:\\KVOM\\"},
      {"case path", GET_CASE_PATH, "", "C:\\CASES\\PUMP-7"},
      {"host dir, host has none", GET_HOST_DIR, "", "C:\\CASES\\"},
      {"host dir of ten characters", GET_HOST_DIR, "D:\\PELLAN\\", "D:\\PELLAN\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    standins::host::setHostDir(c.hostDir);
    Field full(256);
    c.function(full.data(), full.length());
    EXPECT_EQ(full.text(), padded(c.expected, 256));
    // A shorter field is cut, and nothing beyond it is written.
    Field shortField(5);
    c.function(shortField.data(), shortField.length());
    EXPECT_EQ(shortField.text(), c.expected.substr(0, 5));
    EXPECT_TRUE(shortField.guardIntact());
    Field longField(300);
    c.function(longField.data(), longField.length());
    EXPECT_EQ(longField.text(), padded(c.expected, 256) + std::string(44, '#'));
  }
}

TEST_F(BridgeTest, HostDirectoryLongerThanTheBufferIsCut) {
  standins::host::setHostDir(std::string(300, 'H'));
  Field result(256);
  GET_HOST_DIR(result.data(), result.length());
  EXPECT_EQ(result.text(), std::string(256, 'H'));
}

TEST_F(BridgeTest, PathsAreCutToEightyCharactersWithTheirBlanks) {
  const std::string hundred = std::string(60, 'A') + std::string(40, 'B');
  struct Case {
    std::string text;
    std::string passed;
  };
  const Case cases[] = {
      {hundred, hundred.substr(0, 80)},
      {"PLOT.KVD    ", "PLOT.KVD    "},
      {std::string(80, 'C'), std::string(80, 'C')},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SEND_PATH_TO_HOST(c.text.data(), static_cast<std::int64_t>(c.text.size())),
              static_cast<std::int64_t>(c.passed.size()));
    EXPECT_EQ(standins::host::lastSentPath(), c.passed);
  }
}

TEST_F(BridgeTest, PlotNamesAreCutToEightyCharacters) {
  // The plot text read is the name's first 80 characters; what follows them is never looked at.
  const std::string plot = std::string(76, 'P') + ".KVD";
  const std::string metafile = "RUN1.WMF";
  const std::string name = plot + std::string(20, 'Z');
  const std::int64_t width = 4000;
  const std::int64_t height = 3000;

  standins::windows::clearCallLog();
  CONVERT_PLOT_FILE(name.data(), static_cast<std::int64_t>(name.size()));
  EXPECT_TRUE(logged(standins::windows::callLog(), "openFile " + plot + " r"));

  standins::windows::clearCallLog();
  PLOT_TO_METAFILE(name.data(), metafile.data(), &width, &height, static_cast<std::int64_t>(name.size()),
                   static_cast<std::int64_t>(metafile.size()));
  EXPECT_TRUE(logged(standins::windows::callLog(), "openFile " + plot + " r"));
}

TEST_F(BridgeTest, RunCommandKeepsTheWholeTextWithItsBlanks) {
  const std::string command = "NOTEPAD.EXE C:\\CASES\\A.KVO   ";
  RUN_COMMAND(command.data(), static_cast<std::int64_t>(command.size()));
  ASSERT_FALSE(standins::windows::startedPrograms().empty());
  EXPECT_EQ(standins::windows::startedPrograms().back(), "WinExec 1 " + command);
}

TEST_F(BridgeTest, FormCommandResultIsCutOrPaddedToTheCallersField) {
  // "S" sets the language from the screen code and answers "S"; the command passes as "S  ".
  struct Case {
    std::size_t resultLength;
    std::string expected;
  };
  const Case cases[] = {{2, "S "}, {5, "S    "}, {8, "S       "}, {1, "S"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.resultLength);
    std::string values = "\x19";
    const std::string pictures = "";
    Field result(c.resultLength);
    REPORT_FORM_COMMAND("S", "ENGLISH", values.data(), pictures.data(), result.data(), 1, 7,
                        static_cast<std::int64_t>(values.size()), 0, result.length());
    EXPECT_EQ(result.text(), c.expected);
    EXPECT_TRUE(result.guardIntact());
  }
}

TEST_F(BridgeTest, FormCommandWorksOnShortValueAndPictureTextsWithinTheirLengths) {
  // In RTF mode the form command hands a full value text on. A caller's value text of 6 bytes
  // without its end mark, and a picture text without a terminator, are read no further than their
  // lengths, and the values reach the formatting library as the caller gave them.
  test::ScratchDirectory scratch;
  scratch.write("DAT/LAN/NOFO.RENG", "{\\rtf1}");
  const exports::RunPathStringsRecord savedStrings = exports::RunPathStrings;
  const LanguageCode savedLanguage = ReportLanguageCode;
  copyTerminated(exports::RunPathStrings.programDir, test::windowsDir(scratch.path()));
  ReportLanguageCode = {'E', 'N', 'G'};
  standins::report_formatting::setRtfEnabled(true);

  Field values(6);
  std::fill_n(values.data(), 6, 'v');
  Field pictures(4);
  std::copy_n("<P1>", 4, pictures.data());
  Field result(5);
  REPORT_FORM_COMMAND("D", "NOFORM01", values.data(), pictures.data(), result.data(), 1, 8, values.length(),
                      pictures.length(), result.length());
  const std::vector<std::string>& log = standins::report_formatting::callLog();
  EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                          [](const std::string& entry) { return entry.ends_with(" NOFORM01 vvvvvv"); }));
  EXPECT_TRUE(values.guardIntact());
  EXPECT_TRUE(pictures.guardIntact());
  EXPECT_TRUE(result.guardIntact());

  exports::RunPathStrings = savedStrings;
  ReportLanguageCode = savedLanguage;
}

TEST_F(BridgeTest, DateAndTimeAreTheLocalCalendarTime) {
  setenv("TZ", "UTC0", 1);
  tzset();
  standins::windows::setCurrentTime(1'781'136'000 + 13 * 3600 + 5 * 60 + 9);  // 2026-06-11 13:05:09
  Field date(10);
  Field time(6);
  std::int32_t seconds = -1;
  GET_DATE_TIME(date.data(), time.data(), &seconds, date.length(), time.length());
  EXPECT_EQ(date.text(), "06/11/26  ");
  EXPECT_EQ(time.text(), "13:05:");
  EXPECT_TRUE(time.guardIntact());

  standins::windows::failOperation("currentTime");
  GET_DATE_TIME(date.data(), time.data(), &seconds, date.length(), time.length());
  EXPECT_EQ(date.text(), std::string(10, ' '));
}

TEST_F(BridgeTest, SecondsAreWholeClockSecondsSinceThePreviousCall) {
  std::array<char, 8> date{};
  std::array<char, 8> time{};
  std::int32_t seconds = -1;
  GET_DATE_TIME(date.data(), time.data(), &seconds, 8, 8);
  standins::windows::advanceClock(5500);
  GET_DATE_TIME(date.data(), time.data(), &seconds, 8, 8);
  EXPECT_TRUE(seconds == 5 || seconds == 6) << seconds;
  GET_DATE_TIME(date.data(), time.data(), &seconds, 8, 8);
  EXPECT_LE(seconds, 1);

  // A clock that cannot be read tells nothing elapsed and keeps the last good reading.
  standins::windows::advanceClock(3000);
  standins::windows::failOperation("processClock", 0, 1);
  GET_DATE_TIME(date.data(), time.data(), &seconds, 8, 8);
  EXPECT_EQ(seconds, 0);
  standins::windows::advanceClock(2000);
  GET_DATE_TIME(date.data(), time.data(), &seconds, 8, 8);
  EXPECT_TRUE(seconds == 5 || seconds == 6) << seconds;
}

TEST_F(BridgeTest, RtfOutputFollowsTheFormattingLibrary) {
  for (const bool on : {false, true}) {
    standins::report_formatting::setRtfEnabled(on);
    std::int32_t enabled = -1;
    RTF_OUTPUT_ENABLED(&enabled);
    EXPECT_EQ(enabled, on ? 1 : 0);
  }
}

}  // namespace
}  // namespace kvom::report
